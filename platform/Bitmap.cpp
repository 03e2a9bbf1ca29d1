#include "platform/Bitmap.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

namespace fw {

namespace {

std::uint32_t Le16(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t(d[at]) | (std::uint32_t(d[at + 1]) << 8);
}
std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return Le16(d, at) | (Le16(d, at + 2) << 16);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}
void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v >> 24));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

}  // namespace

Bitmap::Bitmap(int width, int height, Color fill, int scale) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || scale < 1 ||
        scale > kMaxScale) {
        return;
    }
    width_ = width;
    height_ = height;
    scale_ = scale;
    pixels_.assign(std::size_t(DeviceWidth()) * std::size_t(DeviceHeight()), ColorToPixel(fill));
}

Color Bitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return RGB(0, 0, 0);
    }
    return PixelToColor(Row(y * scale_)[x * scale_]);
}

void Bitmap::SetPixel(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const std::uint32_t px = ColorToPixel(c);
    for (int dy = 0; dy < scale_; ++dy) {
        std::uint32_t* row = Row(y * scale_ + dy) + std::size_t(x) * std::size_t(scale_);
        std::fill(row, row + scale_, px);
    }
}

bool Bitmap::AttachDoubleSize(const Bitmap& twice) {
    if (IsNull() || scale_ != 1 || twice.scale_ != 1 || twice.width_ != 2 * width_ ||
        twice.height_ != 2 * height_) {
        return false;
    }
    auto variant = std::make_shared<Bitmap>(twice);
    variant->width_ = width_;
    variant->height_ = height_;
    variant->scale_ = 2;
    variant->double_.reset();
    double_ = std::move(variant);
    return true;
}

const Bitmap& Bitmap::VariantFor(int scale) const {
    if (double_ && scale % double_->scale_ == 0) {
        return *double_;
    }
    return *this;
}

std::optional<Bitmap> Bitmap::FromBmpFileWithDoubleSize(const std::string& pathUtf8) {
    std::optional<Bitmap> bmp = FromBmpFile(pathUtf8);
    constexpr std::string_view kExt = ".bmp";
    if (!bmp || pathUtf8.size() <= kExt.size()) {
        return bmp;
    }
    const std::size_t dot = pathUtf8.size() - kExt.size();
    std::string ext = pathUtf8.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext != kExt) {
        return bmp;
    }
    if (auto twice = FromBmpFile(pathUtf8.substr(0, dot) + "@2x" + pathUtf8.substr(dot))) {
        bmp->AttachDoubleSize(*twice);
    }
    return bmp;
}

std::optional<Bitmap> Bitmap::FromBmp(std::span<const std::uint8_t> data) {
    constexpr std::size_t kFileHeader = 14;
    if (data.size() < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M') {
        return std::nullopt;
    }
    const std::uint64_t offBits = Le32(data, 10);
    const std::uint32_t headerSize = Le32(data, 14);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124) {
        return std::nullopt;
    }
    if (kFileHeader + std::uint64_t(headerSize) > data.size()) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(Le32(data, 18));
    const auto rawHeight = static_cast<std::int32_t>(Le32(data, 22));
    const std::uint32_t planes = Le16(data, 26);
    const std::uint32_t bpp = Le16(data, 28);
    const std::uint32_t compression = Le32(data, 30);
    const std::uint32_t clrUsed = Le32(data, 46);
    if (planes != 1 || width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) {
        return std::nullopt;
    }
    const bool topDown = rawHeight < 0;
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (width > kMaxSide || height > kMaxSide) {
        return std::nullopt;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
        return std::nullopt;
    }
    if (compression != kBiRgb && !(compression == kBiBitfields && bpp == 32)) {
        return std::nullopt;
    }
    if (compression == kBiBitfields) {
        // Only the usual 8-8-8 layout; the masks follow a 40-byte header or sit inside a
        // larger one at the same place.
        const std::size_t at = kFileHeader + 40;
        if (at + 12 > data.size() || Le32(data, at) != 0x00FF0000u ||
            Le32(data, at + 4) != 0x0000FF00u || Le32(data, at + 8) != 0x000000FFu) {
            return std::nullopt;
        }
    }
    std::vector<Color> palette;
    if (bpp <= 8) {
        const std::uint32_t maxColors = 1u << bpp;
        const std::uint32_t count = clrUsed == 0 ? maxColors : clrUsed;
        if (count > maxColors) {
            return std::nullopt;
        }
        const std::uint64_t at = kFileHeader + std::uint64_t(headerSize);
        if (at + std::uint64_t(count) * 4 > data.size()) {
            return std::nullopt;
        }
        palette.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t p = std::size_t(at) + std::size_t(i) * 4;
            palette.push_back(RGB(data[p + 2], data[p + 1], data[p]));
        }
    }
    const std::uint64_t stride = ((std::uint64_t(width) * bpp + 31) / 32) * 4;
    if (offBits > data.size() || stride * std::uint64_t(height) > data.size() - offBits) {
        return std::nullopt;
    }
    Bitmap bmp(width, height);
    bmp.bpp_ = int(bpp);
    bmp.palette_ = palette;
    for (std::int32_t row = 0; row < height; ++row) {
        const std::int32_t y = topDown ? row : height - 1 - row;
        const std::uint8_t* src = data.data() + offBits + stride * std::uint64_t(row);
        std::uint32_t* dst = bmp.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            Color c = RGB(0, 0, 0);
            switch (bpp) {
                case 32:
                case 24: {
                    const std::uint8_t* p = src + std::size_t(x) * (bpp / 8);
                    c = RGB(p[2], p[1], p[0]);
                    break;
                }
                default: {
                    const std::size_t bit = std::size_t(x) * bpp;
                    const unsigned byte = src[bit / 8];
                    const unsigned shift = 8 - bpp - unsigned(bit % 8);
                    const unsigned index = (byte >> shift) & ((1u << bpp) - 1);
                    // An index beyond a short palette reads as black.
                    c = index < palette.size() ? palette[index] : RGB(0, 0, 0);
                    break;
                }
            }
            dst[x] = ColorToPixel(c);
        }
    }
    return bmp;
}

std::optional<Bitmap> Bitmap::FromBmpFile(const std::string& pathUtf8) {
    std::ifstream in(pathUtf8, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    // A picture of the largest allowed size at 32 bits is about 1 GiB; refuse more.
    if (size <= 0 || size > std::streamoff(std::int64_t(kMaxSide) * kMaxSide * 4 + 4096)) {
        return std::nullopt;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        return std::nullopt;
    }
    return FromBmp(bytes);
}

std::vector<std::uint8_t> Bitmap::ToBmp() const {
    const int dw = DeviceWidth();
    const int dh = DeviceHeight();
    std::vector<std::uint8_t> out;
    const std::uint32_t stride = ((std::uint32_t(dw) * 24 + 31) / 32) * 4;
    const std::uint32_t imageSize = stride * std::uint32_t(dh);
    out.reserve(54 + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, std::uint32_t(dw));
    Put32(out, std::uint32_t(dh));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, kBiRgb);
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = dh - 1; y >= 0; --y) {
        const std::uint32_t* row = Row(y);
        for (int x = 0; x < dw; ++x) {
            out.push_back(std::uint8_t(row[x]));
            out.push_back(std::uint8_t(row[x] >> 8));
            out.push_back(std::uint8_t(row[x] >> 16));
        }
        for (std::uint32_t pad = std::uint32_t(dw) * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

std::vector<std::uint8_t> Bitmap::ToPng() const {
    const int dw = DeviceWidth();
    const int dh = DeviceHeight();
    std::vector<std::uint8_t> raw;
    raw.reserve(std::size_t(dh) * (std::size_t(dw) * 3 + 1));
    for (int y = 0; y < dh; ++y) {
        raw.push_back(0);  // no filter
        const std::uint32_t* row = Row(y);
        for (int x = 0; x < dw; ++x) {
            raw.push_back(std::uint8_t(row[x] >> 16));
            raw.push_back(std::uint8_t(row[x] >> 8));
            raw.push_back(std::uint8_t(row[x]));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&out](const char* type, const std::vector<std::uint8_t>& body) {
        PutBe32(out, std::uint32_t(body.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), body.begin(), body.end());
        const uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
        PutBe32(out, std::uint32_t(crc));
    };
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, std::uint32_t(dw));
    PutBe32(ihdr, std::uint32_t(dh));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    chunk("IHDR", ihdr);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

bool Bitmap::SavePng(const std::string& pathUtf8) const {
    if (IsNull()) {
        return false;
    }
    const std::vector<std::uint8_t> png = ToPng();
    std::ofstream out(pathUtf8, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return bool(out);
}

}  // namespace fw
