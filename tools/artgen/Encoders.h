#pragma once
// Byte-exact writers for the art files: the resource loader and the skin read
// these formats, so the bit depth and layout must be what we say they are.

#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

// Pixels are 0xAARRGGBB, row-major from the top row (alpha is ignored).
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// Uncompressed, bottom-up, BITMAPINFOHEADER.
std::vector<uint8_t> EncodeBmp24(const Pixels& px);
// Palettised: `index` holds one palette index per pixel; the palette has at most
// 2^bits entries of 0x00RRGGBB. bits is 4 or 8.
std::vector<uint8_t> EncodeBmpIndexed(int width, int height, const std::vector<uint8_t>& index,
                                      const std::vector<uint32_t>& palette, int bits);
// 16-bit PCM, mono.
std::vector<uint8_t> EncodeWave16(const std::vector<int16_t>& samples, int sampleRate);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace artgen

namespace artgen {

struct Indexed {
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint8_t> index;     // one per pixel
};

// Reduces to at most maxColours (<= 256) colours by median cut. `key` is kept
// exactly and only pixels of exactly that colour map to it, so a palettised
// picture never gains or loses transparent pixels.
Indexed Quantise(const Pixels& px, int maxColours, uint32_t key);
// Maps onto a fixed palette by nearest colour.
Indexed MapToPalette(const Pixels& px, const std::vector<uint32_t>& palette);
// The sixteen standard colours of a 4-bit bitmap.
std::vector<uint32_t> StandardPalette16();

}  // namespace artgen
