#pragma once
// Pictures in memory. Pixels are 32-bit 0xAARRGGBB words (byte order B, G, R, A in
// memory, the layout of a 32-bit device-independent bitmap and of QImage::Format_RGB32);
// alpha is not used for drawing. The bit depth of the file a bitmap came from is kept,
// with its palette when it had one (the emoticon strip is an 8-bit picture).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fw {

constexpr std::uint32_t ColorToPixel(Color c) {
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
constexpr Color PixelToColor(std::uint32_t p) {
    return RGB((p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu);
}

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, Color fill = RGB(0, 0, 0));

    bool IsNull() const { return width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Size GetSize() const { return {width_, height_}; }
    // 8, 24 or 32 for pictures read from files; 32 for those made in memory.
    int BitsPerPixel() const { return bpp_; }
    // The palette of an 8-bit picture (COLORREF values), empty otherwise.
    const std::vector<Color>& Palette() const { return palette_; }

    // Out-of-range reads give black and out-of-range writes do nothing.
    Color GetPixel(int x, int y) const;
    void SetPixel(int x, int y, Color c);

    std::uint32_t* Row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const std::uint32_t* Row(int y) const {
        return pixels_.data() + std::size_t(y) * std::size_t(width_);
    }
    std::span<std::uint32_t> Pixels() { return pixels_; }
    std::span<const std::uint32_t> Pixels() const { return pixels_; }

    // Reads an uncompressed BMP (1, 4, 8, 24 or 32 bits per pixel, bottom-up or top-down).
    // Every size and offset is checked against the data; anything malformed gives nullopt.
    static std::optional<Bitmap> FromBmp(std::span<const std::uint8_t> data);
    static std::optional<Bitmap> FromBmpFile(const std::string& pathUtf8);
    // A 24-bit bottom-up BMP of the picture (for screenshots and tests).
    std::vector<std::uint8_t> ToBmp() const;
    // A PNG (8-bit RGB, no alpha) of the picture; written with zlib.
    std::vector<std::uint8_t> ToPng() const;
    bool SavePng(const std::string& pathUtf8) const;

    // Pictures larger than this on either side are refused when read from files.
    static constexpr int kMaxSide = 16384;

private:
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 32;
    std::vector<Color> palette_;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace fw
