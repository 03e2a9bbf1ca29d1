// Drawing at a scale: canvases whose pictures have 2 (or 3) device pixels for every logical
// one. Expected device pixels are worked out by hand from the logical rectangles.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Framework.h"
#include "platform/Region.h"
#include "platform/Render.h"
#include "platform/Window.h"
#include "platform/headless/Headless.h"
#include "tests/platform/TestResources.h"

namespace {

using fw::Rect;
using fw::RGB;

constexpr fw::Color kWhite = RGB(255, 255, 255);
constexpr fw::Color kRed = RGB(255, 0, 0);
constexpr fw::Color kBlue = RGB(0, 0, 255);
constexpr fw::Color kGreen = RGB(0, 255, 0);
constexpr fw::Color kKey = RGB(255, 0, 255);

// The colour of device pixel (x, y).
fw::Color Device(const fw::Canvas& c, int x, int y) {
    return fw::PixelToColor(c.GetBitmap().Row(y)[x]);
}

// The device rectangle holding every pixel that is not `background`.
Rect DeviceBounds(const fw::Canvas& c, fw::Color background) {
    Rect r{1 << 20, 1 << 20, -1, -1};
    const fw::Bitmap& b = c.GetBitmap();
    for (int y = 0; y < b.DeviceHeight(); ++y) {
        for (int x = 0; x < b.DeviceWidth(); ++x) {
            if (fw::PixelToColor(b.Row(y)[x]) != background) {
                r = Rect{std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
                         std::max(r.bottom, y + 1)};
            }
        }
    }
    return r;
}

// A 3x2 picture (red green blue / blue key red) and its own 6x4 drawing at twice the size,
// every device pixel a different grey so that each one can be traced.
fw::Bitmap Picture() {
    auto b = fw::Bitmap::FromBmp(
        vqtest::Bmp24(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0xFF00FF, 0xFF0000}));
    return *b;
}
fw::Color Grey(int x, int y) {
    return RGB(10 * (y * 6 + x) + 5, 10 * (y * 6 + x) + 5, 10 * (y * 6 + x) + 5);
}
fw::Bitmap Twice() {
    std::vector<std::uint32_t> px;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            // Device pixel (3, 2) is the key colour, the rest the greys of Grey().
            px.push_back(x == 3 && y == 2 ? 0xFF00FFu
                                          : 0x050505u * std::uint32_t(2 * (y * 6 + x) + 1));
        }
    }
    return *fw::Bitmap::FromBmp(vqtest::Bmp24(6, 4, px));
}

TEST(ScaledCanvasTest, SizesStayLogicalAndReadsTakeTheLogicalPixel) {
    fw::Canvas c(4, 3, kWhite, 2);
    EXPECT_EQ(c.Scale(), 2);
    EXPECT_EQ(c.Width(), 4);
    EXPECT_EQ(c.Height(), 3);
    EXPECT_EQ(c.GetBitmap().DeviceWidth(), 8);
    EXPECT_EQ(c.GetBitmap().DeviceHeight(), 6);
    c.SetPixel(3, 2, kRed);
    EXPECT_EQ(c.GetPixel(3, 2), kRed);
    for (auto [x, y] : {std::pair{6, 4}, {7, 4}, {6, 5}, {7, 5}}) {
        EXPECT_EQ(Device(c, x, y), kRed) << x << "," << y;
    }
    EXPECT_EQ(Device(c, 5, 4), kWhite);
    EXPECT_EQ(c.GetPixel(4, 0), RGB(0, 0, 0));  // outside reads black, as at scale 1
    // A composition canvas takes the scale of the canvas it is made for.
    fw::Canvas off = c.Compatible(5, 1);
    EXPECT_EQ(off.Scale(), 2);
    EXPECT_EQ(off.Width(), 5);
    // Scales the picture cannot have give nothing.
    EXPECT_TRUE(fw::Bitmap(4, 3, kWhite, 0).IsNull());
    EXPECT_TRUE(fw::Bitmap(4, 3, kWhite, fw::Bitmap::kMaxScale + 1).IsNull());
}

TEST(ScaledCanvasTest, FillsFramesAndLinesCoverTheDevicePixelsOfTheirLogicalPixels) {
    fw::Canvas fill(4, 3, kWhite, 2);
    fill.FillSolidRect({1, 1, 3, 2}, kRed);
    EXPECT_EQ(DeviceBounds(fill, kWhite), (Rect{2, 2, 6, 4}));
    EXPECT_EQ(Device(fill, 2, 2), kRed);
    EXPECT_EQ(Device(fill, 5, 3), kRed);

    // The clip is logical too: half of the fill is left out.
    fw::Canvas clipped(4, 3, kWhite, 2);
    clipped.SetClip({2, 0, 4, 3});
    clipped.FillSolidRect({1, 1, 3, 2}, kRed);
    EXPECT_EQ(DeviceBounds(clipped, kWhite), (Rect{4, 2, 6, 4}));

    // A one-pixel frame is two device pixels wide on every side.
    fw::Canvas frame(4, 3, kWhite, 2);
    frame.FrameRect({0, 0, 4, 3}, kBlue);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {7, 5}, {6, 4}, {0, 5}, {7, 0}, {3, 1}, {1, 3}}) {
        EXPECT_EQ(Device(frame, x, y), kBlue) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{2, 2}, {5, 3}, {3, 2}}) {
        EXPECT_EQ(Device(frame, x, y), kWhite) << x << "," << y;
    }

    // A horizontal line two device rows high; a diagonal one of 2x2 steps.
    fw::Canvas line(4, 3, kWhite, 2);
    line.Line({0, 1}, {3, 1}, kGreen);
    EXPECT_EQ(DeviceBounds(line, kWhite), (Rect{0, 2, 8, 4}));
    fw::Canvas diagonal(4, 3, kWhite, 2);
    diagonal.Line({0, 0}, {2, 2}, kGreen);
    EXPECT_EQ(DeviceBounds(diagonal, kWhite), (Rect{0, 0, 6, 6}));
    EXPECT_EQ(Device(diagonal, 3, 3), kGreen);
    EXPECT_EQ(Device(diagonal, 2, 0), kWhite);
    EXPECT_EQ(Device(diagonal, 0, 2), kWhite);

    // The 3D frame's two colours meet where they do at scale 1, moved to device pixels.
    fw::Canvas bevel(4, 3, kWhite, 2);
    bevel.Draw3dRect({0, 0, 4, 3}, kRed, kBlue);
    EXPECT_EQ(Device(bevel, 5, 0), kRed);   // top edge, left of the right column
    EXPECT_EQ(Device(bevel, 6, 0), kBlue);  // the right column starts at logical 3
    EXPECT_EQ(Device(bevel, 1, 3), kRed);
    EXPECT_EQ(Device(bevel, 1, 4), kBlue);  // the bottom row starts at logical 2
}

TEST(ScaledCanvasTest, EllipseFillsItsDeviceRectangleWithAPenOneLogicalPixelWide) {
    fw::Canvas c(6, 5, kWhite, 2);
    c.Ellipse({1, 1, 5, 4}, kBlue, kRed);
    EXPECT_EQ(DeviceBounds(c, kWhite), (Rect{2, 2, 10, 8}));
    // Middle of the left side: two device columns of pen, then the inside.
    EXPECT_EQ(Device(c, 2, 4), kBlue);
    EXPECT_EQ(Device(c, 3, 4), kBlue);
    EXPECT_EQ(Device(c, 4, 4), kRed);
    EXPECT_EQ(Device(c, 6, 5), kRed);  // centre
    // The corners of the rectangle stay outside the curve.
    EXPECT_EQ(Device(c, 2, 2), kWhite);
    EXPECT_EQ(Device(c, 9, 7), kWhite);
}

TEST(ScaledCanvasTest, PicturesWithoutAVariantAreEnlargedByRepeatingPixels) {
    const fw::Bitmap pic = Picture();
    fw::Canvas c(5, 3, kWhite, 2);
    c.DrawBitmap(1, 1, pic);
    EXPECT_EQ(DeviceBounds(c, kWhite), (Rect{2, 2, 8, 6}));
    // Picture pixel (x, y) covers device (2 + 2x .. 3 + 2x, 2 + 2y .. 3 + 2y).
    const fw::Color expected[2][3] = {{kRed, kGreen, kBlue}, {kBlue, kKey, kRed}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(Device(c, 2 + x, 2 + y), expected[y / 2][x / 2]) << x << "," << y;
        }
    }
    // At scale 3, three by three.
    fw::Canvas three(3, 2, kWhite, 3);
    three.DrawBitmap(0, 0, pic);
    EXPECT_EQ(Device(three, 2, 2), kRed);
    EXPECT_EQ(Device(three, 3, 2), kGreen);
    EXPECT_EQ(Device(three, 8, 5), kRed);
    EXPECT_EQ(Device(three, 6, 3), kRed);
}

TEST(ScaledCanvasTest, PicturesWithADoubleSizeVariantDrawItsOwnPixels) {
    fw::Bitmap pic = Picture();
    ASSERT_TRUE(pic.AttachDoubleSize(Twice()));
    // What everything else sees stays the 3x2 picture.
    EXPECT_EQ(pic.GetSize(), (fw::Size{3, 2}));
    EXPECT_EQ(pic.GetPixel(1, 0), kGreen);

    fw::Canvas c(5, 3, kWhite, 2);
    c.DrawBitmap(1, 1, pic);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const fw::Color want = x == 3 && y == 2 ? kKey : Grey(x, y);
            EXPECT_EQ(Device(c, 2 + x, 2 + y), want) << x << "," << y;
        }
    }
    // A part of the picture: logical (2, 1) is variant pixels (4..5, 2..3).
    fw::Canvas part(1, 1, kWhite, 2);
    part.BitBlt(0, 0, 1, 1, pic, 2, 1);
    EXPECT_EQ(Device(part, 0, 0), Grey(4, 2));
    EXPECT_EQ(Device(part, 1, 1), Grey(5, 3));
    // Scale 1 keeps drawing the picture itself; scale 3 enlarges the 1x picture (2 does not
    // divide 3) and scale 4 the variant.
    fw::Canvas one(3, 2, kWhite, 1);
    one.DrawBitmap(0, 0, pic);
    EXPECT_EQ(one.GetPixel(1, 0), kGreen);
    fw::Canvas three(3, 2, kWhite, 3);
    three.DrawBitmap(0, 0, pic);
    EXPECT_EQ(Device(three, 3, 0), kGreen);
    fw::Canvas four(3, 2, kWhite, 4);
    four.DrawBitmap(0, 0, pic);
    EXPECT_EQ(Device(four, 2, 0), Grey(1, 0));
    EXPECT_EQ(Device(four, 3, 1), Grey(1, 0));

    // A variant of any other size is refused.
    fw::Bitmap other = Picture();
    EXPECT_FALSE(other.AttachDoubleSize(
        *fw::Bitmap::FromBmp(vqtest::Bmp24(6, 5, std::vector<std::uint32_t>(30)))));
    EXPECT_FALSE(other.DoubleSize());
}

TEST(ScaledCanvasTest, KeyColourIsLeftOutOfPicturesAndTheirVariants) {
    fw::Canvas plain(3, 2, kWhite, 2);
    const fw::Bitmap pic = Picture();
    plain.TransparentBlt({0, 0, 3, 2}, pic, {0, 0, 3, 2}, kKey);
    // Logical (1, 1) is the key: its four device pixels keep the background.
    EXPECT_EQ(Device(plain, 2, 2), kWhite);
    EXPECT_EQ(Device(plain, 3, 3), kWhite);
    EXPECT_EQ(Device(plain, 4, 2), kRed);

    fw::Bitmap withVariant = Picture();
    ASSERT_TRUE(withVariant.AttachDoubleSize(Twice()));
    fw::Canvas sharp(3, 2, kWhite, 2);
    sharp.TransparentBlt({0, 0, 3, 2}, withVariant, {0, 0, 3, 2}, kKey);
    // Only the variant's own key pixel is left out.
    EXPECT_EQ(Device(sharp, 3, 2), kWhite);
    EXPECT_EQ(Device(sharp, 2, 2), Grey(2, 2));
    EXPECT_EQ(Device(sharp, 3, 3), Grey(3, 3));
}

TEST(ScaledCanvasTest, PartOfAStripMapsIntoTheVariantExactly) {
    // A strip of four one-pixel cells and its variant of 2x2 cells, each device pixel its own.
    auto strip = fw::Bitmap::FromBmp(vqtest::Bmp24(4, 1, {0x100000, 0x200000, 0x300000, 0x400000}));
    std::vector<std::uint32_t> px;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 8; ++x) {
            px.push_back(std::uint32_t(x * 16 + y));
        }
    }
    ASSERT_TRUE(strip->AttachDoubleSize(*fw::Bitmap::FromBmp(vqtest::Bmp24(8, 2, px))));
    // Cell 2 drawn into a 1x1 logical place: variant pixels (4..5, 0..1).
    fw::Canvas c(2, 2, kWhite, 2);
    c.StretchBlt({1, 1, 2, 2}, *strip, {2, 0, 3, 1});
    EXPECT_EQ(Device(c, 2, 2), RGB(0, 0, 4 * 16));
    EXPECT_EQ(Device(c, 3, 2), RGB(0, 0, 5 * 16));
    EXPECT_EQ(Device(c, 2, 3), RGB(0, 0, 4 * 16 + 1));
    EXPECT_EQ(Device(c, 3, 3), RGB(0, 0, 5 * 16 + 1));
    EXPECT_EQ(DeviceBounds(c, kWhite), (Rect{2, 2, 4, 4}));
    // Stretched over two logical pixels, each variant pixel is repeated twice across.
    fw::Canvas wide(2, 1, kWhite, 2);
    wide.StretchBlt({0, 0, 2, 1}, *strip, {2, 0, 3, 1});
    EXPECT_EQ(Device(wide, 0, 0), RGB(0, 0, 4 * 16));
    EXPECT_EQ(Device(wide, 1, 0), RGB(0, 0, 4 * 16));
    EXPECT_EQ(Device(wide, 2, 0), RGB(0, 0, 5 * 16));
    EXPECT_EQ(Device(wide, 3, 1), RGB(0, 0, 5 * 16 + 1));
    // Without the variant, the 1x cell is repeated over all the device pixels.
    auto plain = fw::Bitmap::FromBmp(vqtest::Bmp24(4, 1, {0x100000, 0x200000, 0x300000, 0x400000}));
    fw::Canvas p(2, 2, kWhite, 2);
    p.StretchBlt({1, 1, 2, 2}, *plain, {2, 0, 3, 1});
    EXPECT_EQ(Device(p, 2, 2), RGB(0x30, 0, 0));
    EXPECT_EQ(Device(p, 3, 3), RGB(0x30, 0, 0));
}

TEST(ScaledCanvasTest, CompositionCanvasesCopyDevicePixelsBothWays) {
    fw::Canvas screen(4, 2, kWhite, 2);
    fw::Canvas off = screen.Compatible(2, 2, kWhite);
    fw::Bitmap pic = Picture();
    ASSERT_TRUE(pic.AttachDoubleSize(Twice()));
    off.DrawBitmap(0, 0, pic);
    screen.BitBlt(2, 0, 2, 2, off, 0, 0);
    // The variant's pixels arrive untouched, not halved and doubled again.
    EXPECT_EQ(Device(screen, 4, 0), Grey(0, 0));
    EXPECT_EQ(Device(screen, 5, 1), Grey(1, 1));
    EXPECT_EQ(Device(screen, 7, 3), Grey(3, 3));
    // A scale-1 copy of a scale-2 canvas takes the top-left device pixel of each logical one.
    fw::Canvas small(2, 2, kWhite, 1);
    small.BitBlt(0, 0, 2, 2, screen, 2, 0);
    EXPECT_EQ(small.GetPixel(1, 1), Grey(2, 2));
}

TEST(BitmapFileTest, DoubleSizeVariantIsReadFromBesideThePicture) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vq-scale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    vqtest::WriteFile(dir / "a.bmp", vqtest::Bmp24(3, 2, std::vector<std::uint32_t>(6, 0x112233)));
    vqtest::WriteFile(dir / "a@2x.bmp",
                      vqtest::Bmp24(6, 4, std::vector<std::uint32_t>(24, 0x445566)));
    vqtest::WriteFile(dir / "b.BMP", vqtest::Bmp24(3, 2, std::vector<std::uint32_t>(6, 0x112233)));
    vqtest::WriteFile(dir / "b@2x.BMP",
                      vqtest::Bmp24(6, 4, std::vector<std::uint32_t>(24, 0x445566)));
    // A variant of the wrong size is left alone, and so is a file that is no picture.
    vqtest::WriteFile(dir / "c.bmp", vqtest::Bmp24(3, 2, std::vector<std::uint32_t>(6, 0x112233)));
    vqtest::WriteFile(dir / "c@2x.bmp",
                      vqtest::Bmp24(7, 4, std::vector<std::uint32_t>(28, 0x445566)));
    vqtest::WriteFile(dir / "d.bmp", vqtest::Bmp24(3, 2, std::vector<std::uint32_t>(6, 0x112233)));
    vqtest::WriteFile(dir / "d@2x.bmp", std::string("BM not a picture"));

    auto a = fw::Bitmap::FromBmpFileWithDoubleSize((dir / "a.bmp").string());
    ASSERT_TRUE(a);
    ASSERT_TRUE(a->DoubleSize());
    EXPECT_EQ(a->DoubleSize()->GetSize(), (fw::Size{3, 2}));
    EXPECT_EQ(a->DoubleSize()->Scale(), 2);
    EXPECT_EQ(a->DoubleSize()->GetPixel(2, 1), RGB(0x44, 0x55, 0x66));
    EXPECT_TRUE(fw::Bitmap::FromBmpFileWithDoubleSize((dir / "b.BMP").string())->DoubleSize());
    auto c = fw::Bitmap::FromBmpFileWithDoubleSize((dir / "c.bmp").string());
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->DoubleSize());
    auto d = fw::Bitmap::FromBmpFileWithDoubleSize((dir / "d.bmp").string());
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->DoubleSize());
    // The plain reader never looks for one.
    EXPECT_FALSE(fw::Bitmap::FromBmpFile((dir / "a.bmp").string())->DoubleSize());
    // Screenshots of a scaled picture hold its device pixels.
    fw::Canvas shot(3, 2, kWhite, 2);
    const auto png = shot.GetBitmap().ToPng();
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png[19], 6);  // IHDR width, low byte
    EXPECT_EQ(png[23], 4);  // IHDR height, low byte
    std::filesystem::remove_all(dir);
}

// Whole windows rendered by the framework at scale 2 on the headless backend (which
// rasterises no text): every device pixel is the logical pixel it belongs to, so nothing
// the core draws moves against the logical grid the backend places native controls on.
// (Round shapes are the exception: they are drawn finer than that.)
class ScaledRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vq-scale-render-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        vqtest::MakeTestResources(dir_);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), dir_.string()));
    }
    void TearDown() override {
        fw::Shutdown();
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

// A dialog with a child whose region cuts its corners, drawn in its own colours.
class ShapedChild : public fw::Dialog {
public:
    using fw::Dialog::Dialog;
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        canvas.FillSolidRect(canvas.ClientRect(), RGB(0, 0, 128));
        canvas.Line({0, 0}, {canvas.Width() - 1, canvas.Height() - 1}, kGreen);
        return true;
    }
};

TEST_F(ScaledRenderTest, DialogAtScaleTwoIsItsScaleOnePictureOnDevicePixels) {
    fw::Dialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    ShapedChild child(9003);
    ASSERT_TRUE(child.Create(&dlg));
    child.MoveWindow(Rect::FromXYWH(170, 90, 10, 8), false);
    fw::Region shape(Rect{0, 0, 10, 8});
    shape.Difference(fw::Region(Rect{0, 0, 2, 1}));
    shape.Difference(fw::Region(Rect{9, 7, 10, 8}));
    child.SetWindowRgn(shape, false);
    child.ShowWindow(fw::SW_SHOW);
    for (fw::UINT radio : {16u, 17u, 18u, 19u}) {
        dlg.GetDlgItem(radio)->ShowWindow(fw::SW_HIDE);
    }
    dlg.ShowWindow(fw::SW_SHOW);

    std::vector<fw::TextRecord> texts1, texts2;
    const fw::Bitmap one = fw::RenderWindow(dlg.GetSafeHwnd(), texts1);
    const fw::Bitmap two = fw::RenderWindowAtScale(dlg.GetSafeHwnd(), 2, texts2);
    ASSERT_FALSE(one.IsNull());
    EXPECT_EQ(two.GetSize(), one.GetSize());
    EXPECT_EQ(two.Scale(), 2);
    int differing = 0;
    for (int y = 0; y < two.DeviceHeight() && differing < 5; ++y) {
        for (int x = 0; x < two.DeviceWidth(); ++x) {
            if (two.Row(y)[x] != one.Row(y / 2)[x / 2]) {
                ADD_FAILURE() << "device pixel " << x << "," << y;
                if (++differing >= 5) {
                    break;
                }
            }
        }
    }
    // The cut corner shows the dialog beneath at every device pixel it covers.
    EXPECT_EQ(two.Row(90 * 2)[170 * 2 + 3], one.Row(90)[171]);
    EXPECT_NE(fw::PixelToColor(two.Row(90 * 2 + 1)[170 * 2 + 3]), RGB(0, 0, 128));
    // Text records stay logical.
    ASSERT_EQ(texts2.size(), texts1.size());
    for (std::size_t i = 0; i < texts1.size(); ++i) {
        EXPECT_EQ(texts2[i].rect, texts1[i].rect);
    }
    child.DestroyWindow();
    dlg.DestroyWindow();
}

}  // namespace
