// Regions, bitmaps and the software raster, checked pixel by pixel against pictures and
// files written by hand.

#include <gtest/gtest.h>

#include <zlib.h>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Region.h"
#include "tests/platform/TestResources.h"

namespace {

using fw::Rect;
using fw::Region;
using fw::RGB;

TEST(RegionTest, SetOperationsKeepExactPixels) {
    Region r(Rect{0, 0, 10, 10});
    EXPECT_EQ(r.Area(), 100);
    // Cutting the four 1-pixel corners, as corner cutting does.
    for (auto p : {fw::Point{0, 0}, fw::Point{9, 0}, fw::Point{0, 9}, fw::Point{9, 9}}) {
        r.Difference(Region(Rect{p.x, p.y, p.x + 1, p.y + 1}));
    }
    EXPECT_EQ(r.Area(), 96);
    EXPECT_FALSE(r.Contains({0, 0}));
    EXPECT_FALSE(r.Contains({9, 9}));
    EXPECT_TRUE(r.Contains({1, 0}));
    EXPECT_TRUE(r.Contains({5, 5}));
    EXPECT_FALSE(r.Contains({10, 5}));
    EXPECT_EQ(r.Bounds(), (Rect{0, 0, 10, 10}));

    // Overlapping union counts shared pixels once.
    Region u(Rect{0, 0, 4, 4});
    u.Union(Region(Rect{2, 2, 6, 6}));
    EXPECT_EQ(u.Area(), 16 + 16 - 4);
    Region i = Region::Combine(Region(Rect{0, 0, 4, 4}), Region(Rect{2, 2, 6, 6}), fw::RGN_AND);
    EXPECT_EQ(i, Region(Rect{2, 2, 4, 4}));
    Region d = Region::Combine(Region(Rect{0, 0, 4, 4}), Region(Rect{0, 0, 4, 4}), fw::RGN_DIFF);
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_TRUE(Region(Rect{3, 3, 3, 8}).IsEmpty());
    Region moved = Region(Rect{0, 0, 2, 2}).Offset(5, 5);
    EXPECT_TRUE(moved.Contains({6, 6}));
    EXPECT_FALSE(moved.Contains({1, 1}));
}

TEST(BitmapTest, ReadsTwentyFourBitBottomUp) {
    const auto bytes =
        vqtest::Bmp24(3, 2, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000000});
    auto bmp = fw::Bitmap::FromBmp(bytes);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->GetSize(), (fw::Size{3, 2}));
    EXPECT_EQ(bmp->BitsPerPixel(), 24);
    EXPECT_EQ(bmp->GetPixel(0, 0), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(bmp->GetPixel(2, 0), RGB(0x77, 0x88, 0x99));
    EXPECT_EQ(bmp->GetPixel(1, 1), RGB(0xDD, 0xEE, 0xFF));
    EXPECT_EQ(bmp->GetPixel(3, 0), RGB(0, 0, 0));  // outside reads black
}

// An 8-bit top-down picture with a 2-colour palette: rows 0 1 1 / 1 0 5 (5 is past the palette).
std::vector<std::uint8_t> Bmp8TopDown() {
    std::vector<std::uint8_t> b(54 + 8 + 8, 0);
    auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        }
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, std::uint32_t(b.size()));
    put32(10, 62);
    put32(14, 40);
    put32(18, 3);
    put32(22, std::uint32_t(-2));  // top-down
    b[26] = 1;
    b[28] = 8;
    put32(46, 2);  // palette entries
    // palette: 0 = teal (B 0x80, G 0x80, R 0), 1 = white
    b[54] = 0x80;
    b[55] = 0x80;
    b[56] = 0x00;
    b[58] = 0xFF;
    b[59] = 0xFF;
    b[60] = 0xFF;
    const std::uint8_t rows[8] = {0, 1, 1, 0, 1, 0, 5, 0};
    std::copy(rows, rows + 8, b.begin() + 62);
    return b;
}

TEST(BitmapTest, ReadsEightBitWithItsPalette) {
    auto bmp = fw::Bitmap::FromBmp(Bmp8TopDown());
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->BitsPerPixel(), 8);
    ASSERT_EQ(bmp->Palette().size(), 2u);
    EXPECT_EQ(bmp->Palette()[0], RGB(0, 128, 128));
    EXPECT_EQ(bmp->GetPixel(0, 0), RGB(0, 128, 128));
    EXPECT_EQ(bmp->GetPixel(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(bmp->GetPixel(1, 1), RGB(0, 128, 128));
    EXPECT_EQ(bmp->GetPixel(2, 1), RGB(0, 0, 0));
}

TEST(BitmapTest, RefusesMalformedFiles) {
    auto good = vqtest::Bmp24(2, 2, {1, 2, 3, 4});
    EXPECT_TRUE(fw::Bitmap::FromBmp(good));
    auto truncated = good;
    truncated.resize(good.size() - 1);
    EXPECT_FALSE(fw::Bitmap::FromBmp(truncated));
    auto badMagic = good;
    badMagic[0] = 'X';
    EXPECT_FALSE(fw::Bitmap::FromBmp(badMagic));
    auto huge = good;
    huge[19] = 0x7F;  // width about 32 000
    EXPECT_FALSE(fw::Bitmap::FromBmp(huge));
    auto compressed = good;
    compressed[30] = 1;  // run-length coded
    EXPECT_FALSE(fw::Bitmap::FromBmp(compressed));
    auto farOffset = good;
    farOffset[12] = 0x10;  // pixel data past the end
    EXPECT_FALSE(fw::Bitmap::FromBmp(farOffset));
    auto palette = Bmp8TopDown();
    palette[46] = 0;
    palette[47] = 2;  // 512 palette entries for 8 bits
    EXPECT_FALSE(fw::Bitmap::FromBmp(palette));
    EXPECT_FALSE(fw::Bitmap::FromBmp({}));
}

TEST(BitmapTest, WritesBmpAndPngThatReadBack) {
    fw::Bitmap bmp(3, 2, RGB(1, 2, 3));
    bmp.SetPixel(2, 1, RGB(200, 100, 50));
    auto back = fw::Bitmap::FromBmp(bmp.ToBmp());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(back->GetPixel(2, 1), RGB(200, 100, 50));

    const auto png = bmp.ToPng();
    ASSERT_GT(png.size(), 8u + 25u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    // The image data inflates to 2 rows of filter byte + 3 RGB pixels.
    const std::size_t idat = std::string(png.begin(), png.end()).find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const std::uint32_t len = (std::uint32_t(png[idat - 4]) << 24) |
                              (std::uint32_t(png[idat - 3]) << 16) |
                              (std::uint32_t(png[idat - 2]) << 8) | png[idat - 1];
    std::vector<std::uint8_t> raw(64);
    uLongf rawLen = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawLen, png.data() + idat + 4, len), Z_OK);
    ASSERT_EQ(rawLen, 2u * (1 + 9));
    EXPECT_EQ(raw[10 + 1 + 6], 200);
    EXPECT_EQ(raw[10 + 1 + 7], 100);
    EXPECT_EQ(raw[10 + 1 + 8], 50);
}

TEST(CanvasTest, FillsCopiesAndClips) {
    fw::Canvas c(6, 4, RGB(0, 0, 0));
    c.FillSolidRect(Rect{1, 1, 3, 3}, RGB(255, 0, 0));
    EXPECT_EQ(c.GetPixel(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(c.GetPixel(3, 3), RGB(0, 0, 0));
    c.SetClip(Rect{0, 0, 2, 4});
    c.FillSolidRect(Rect{0, 0, 6, 4}, RGB(0, 255, 0));
    EXPECT_EQ(c.GetPixel(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(c.GetPixel(2, 1), RGB(255, 0, 0));  // outside the clip
    c.SetClip({});

    fw::Bitmap src(2, 2, RGB(9, 9, 9));
    src.SetPixel(1, 1, RGB(7, 7, 7));
    c.BitBlt(4, 2, 5, 5, src, 0, 0);  // clipped at the canvas edge
    EXPECT_EQ(c.GetPixel(4, 2), RGB(9, 9, 9));
    EXPECT_EQ(c.GetPixel(5, 3), RGB(7, 7, 7));
    c.BitBlt(-1, -1, 2, 2, src, 0, 0);
    EXPECT_EQ(c.GetPixel(0, 0), RGB(7, 7, 7));
}

TEST(CanvasTest, StretchAndColourKey) {
    fw::Bitmap src(2, 1);
    src.SetPixel(0, 0, RGB(255, 0, 255));
    src.SetPixel(1, 0, RGB(10, 20, 30));
    fw::Canvas c(4, 2, RGB(1, 1, 1));
    c.StretchBlt(Rect{0, 0, 4, 2}, src, Rect{0, 0, 2, 1});
    EXPECT_EQ(c.GetPixel(1, 1), RGB(255, 0, 255));
    EXPECT_EQ(c.GetPixel(2, 0), RGB(10, 20, 30));
    fw::Canvas t(4, 2, RGB(1, 1, 1));
    t.TransparentBlt(Rect{0, 0, 4, 2}, src, Rect{0, 0, 2, 1}, RGB(255, 0, 255));
    EXPECT_EQ(t.GetPixel(0, 0), RGB(1, 1, 1));
    EXPECT_EQ(t.GetPixel(1, 1), RGB(1, 1, 1));
    EXPECT_EQ(t.GetPixel(3, 1), RGB(10, 20, 30));
}

TEST(CanvasTest, EllipseIsInscribedAndSymmetric) {
    fw::Canvas c(11, 7, RGB(255, 255, 255));
    c.Ellipse(Rect{0, 0, 11, 7}, RGB(0, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.GetPixel(0, 0), RGB(255, 255, 255));  // corners stay outside
    EXPECT_EQ(c.GetPixel(10, 6), RGB(255, 255, 255));
    EXPECT_EQ(c.GetPixel(5, 3), RGB(255, 0, 0));  // centre filled
    EXPECT_EQ(c.GetPixel(0, 3), RGB(0, 0, 0));    // outline at the ends
    EXPECT_EQ(c.GetPixel(10, 3), RGB(0, 0, 0));
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(c.GetPixel(x, y), c.GetPixel(10 - x, y));
            EXPECT_EQ(c.GetPixel(x, y), c.GetPixel(x, 6 - y));
        }
    }
}

TEST(CanvasTest, TextIsRecordedWithFontAndColour) {
    fw::Canvas c(100, 40);
    c.SelectFont(fw::Font::FromPoints("Impact", 12, fw::FW_BOLD, true));
    c.SetTextColor(RGB(0, 64, 128));
    c.SetBkMode(fw::TRANSPARENT);
    c.DrawText("abc", Rect{45, 3, 80, 39}, fw::DT_WORDBREAK | fw::DT_VCENTER);
    ASSERT_EQ(c.Texts().size(), 1u);
    const fw::TextRecord& t = c.Texts()[0];
    EXPECT_EQ(t.text, "abc");
    EXPECT_EQ(t.rect, (Rect{45, 3, 80, 39}));
    EXPECT_EQ(t.font.pixelHeight, 16);
    EXPECT_TRUE(t.font.underline);
    EXPECT_EQ(t.color, RGB(0, 64, 128));
    EXPECT_EQ(t.bkMode, fw::TRANSPARENT);
}

}  // namespace
