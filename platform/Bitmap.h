#pragma once
// Pictures in memory. Pixels are 32-bit 0xAARRGGBB words (byte order B, G, R, A in
// memory, the layout of a 32-bit device-independent bitmap and of QImage::Format_RGB32);
// alpha is not used for drawing. The bit depth of the file a bitmap came from is kept,
// with its palette when it had one (the emoticon strip is an 8-bit picture).
//
// A bitmap has a logical size and a scale: it holds Width()*Scale() by Height()*Scale()
// device pixels. Sizes, GetPixel and SetPixel are logical; Row and Pixels are device rows.
// Pictures read from files are at scale 1 and may carry a sharper variant drawn at twice
// the size, which canvases at an even scale draw instead of enlarging the picture.

#include <cstddef>
#include <cstdint>
#include <memory>
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
    Bitmap(int width, int height, Color fill = RGB(0, 0, 0), int scale = 1);

    bool IsNull() const { return width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Size GetSize() const { return {width_, height_}; }
    // Device pixels per logical pixel.
    int Scale() const { return scale_; }
    int DeviceWidth() const { return width_ * scale_; }
    int DeviceHeight() const { return height_ * scale_; }
    // 8, 24 or 32 for pictures read from files; 32 for those made in memory.
    int BitsPerPixel() const { return bpp_; }
    // The palette of an 8-bit picture (COLORREF values), empty otherwise.
    const std::vector<Color>& Palette() const { return palette_; }

    // Out-of-range reads give black and out-of-range writes do nothing. A read gives the
    // top-left device pixel of the logical one; a write covers all of them.
    Color GetPixel(int x, int y) const;
    void SetPixel(int x, int y, Color c);

    // Device row `y` (0 <= y < DeviceHeight()).
    std::uint32_t* Row(int y) {
        return pixels_.data() + std::size_t(y) * std::size_t(DeviceWidth());
    }
    const std::uint32_t* Row(int y) const {
        return pixels_.data() + std::size_t(y) * std::size_t(DeviceWidth());
    }
    std::span<std::uint32_t> Pixels() { return pixels_; }
    std::span<const std::uint32_t> Pixels() const { return pixels_; }

    // Takes `twice`, a picture exactly twice this one's size on both sides, as this one's
    // sharper variant; anything else is refused and nothing changes.
    bool AttachDoubleSize(const Bitmap& twice);
    const std::shared_ptr<const Bitmap>& DoubleSize() const { return double_; }
    // The picture to draw at `scale`: the variant with the largest scale dividing it, so
    // enlarging it further stays an integer (crisp) enlargement.
    const Bitmap& VariantFor(int scale) const;

    // Reads an uncompressed BMP (1, 4, 8, 24 or 32 bits per pixel, bottom-up or top-down).
    // Every size and offset is checked against the data; anything malformed gives nullopt.
    static std::optional<Bitmap> FromBmp(std::span<const std::uint8_t> data);
    static std::optional<Bitmap> FromBmpFile(const std::string& pathUtf8);
    // As FromBmpFile, with the variant "<name>@2x.bmp" beside "<name>.bmp" attached when
    // there is one of the right size.
    static std::optional<Bitmap> FromBmpFileWithDoubleSize(const std::string& pathUtf8);
    // A 24-bit bottom-up BMP of the device pixels (for screenshots and tests).
    std::vector<std::uint8_t> ToBmp() const;
    // A PNG (8-bit RGB, no alpha) of the device pixels; written with zlib.
    std::vector<std::uint8_t> ToPng() const;
    bool SavePng(const std::string& pathUtf8) const;

    // Pictures larger than this on either side are refused when read from files.
    static constexpr int kMaxSide = 16384;
    // The largest scale a picture is made at.
    static constexpr int kMaxScale = 4;

private:
    int width_ = 0;
    int height_ = 0;
    int scale_ = 1;
    int bpp_ = 32;
    std::vector<Color> palette_;
    std::vector<std::uint32_t> pixels_;
    std::shared_ptr<const Bitmap> double_;
};

}  // namespace fw
