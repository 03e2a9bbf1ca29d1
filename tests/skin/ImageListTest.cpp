// Image lists: cutting strips, the mask colour, drawing over a canvas.

#include <gtest/gtest.h>

#include "skin/ImageList.h"

namespace {

const fw::Color kKey = fw::RGB(255, 0, 0);

TEST(ImageList, CutsAStripIntoImagesAndDropsANarrowerRest) {
    CImageList list;
    ASSERT_TRUE(list.Create(4, 4, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 4));
    fw::Bitmap strip(4 * 3 + 2, 4, fw::RGB(1, 1, 1));
    EXPECT_EQ(list.Add(strip, kKey), 0);
    EXPECT_EQ(list.GetImageCount(), 3);
    EXPECT_EQ(list.Add(strip, kKey), 3);
    EXPECT_EQ(list.GetImageCount(), 6);
    EXPECT_EQ(list.Add(fw::Bitmap(3, 4), kKey), -1);
    EXPECT_EQ(list.GetImageCount(), 6);
}

TEST(ImageList, DrawLeavesOutExactlyTheMaskColour) {
    CImageList list;
    list.Create(3, 2, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 1);
    fw::Bitmap img(3, 2, fw::RGB(10, 20, 30));
    img.SetPixel(0, 0, kKey);
    img.SetPixel(1, 0, fw::RGB(254, 0, 0));  // near the key is not the key
    list.Add(img, kKey);
    fw::Canvas canvas(5, 4, fw::RGB(200, 200, 200));
    ASSERT_TRUE(list.Draw(canvas, 0, {1, 1}));
    EXPECT_EQ(canvas.GetPixel(1, 1), fw::RGB(200, 200, 200));
    EXPECT_EQ(canvas.GetPixel(2, 1), fw::RGB(254, 0, 0));
    EXPECT_EQ(canvas.GetPixel(3, 2), fw::RGB(10, 20, 30));
    EXPECT_EQ(canvas.GetPixel(0, 0), fw::RGB(200, 200, 200));
    EXPECT_FALSE(list.Draw(canvas, 1, {0, 0}));
    EXPECT_FALSE(list.Draw(canvas, -1, {0, 0}));
}

// A strip with a drawn 2x picture: on a canvas at scale 2 each image shows its own cut of
// the 2x picture, its key pixels left out; at scale 1 the 1x pixels as before.
TEST(ImageList, ImagesOfAStripWithA2xPictureAreDrawnSharpAtScaleTwo) {
    const fw::Color a = fw::RGB(10, 20, 30), b = fw::RGB(40, 50, 60), c = fw::RGB(70, 80, 90);
    const fw::Color back = fw::RGB(200, 200, 200);
    fw::Bitmap strip(4, 2, a);  // two images of 2x2
    fw::Bitmap twice(8, 4, b);
    // Image 1's 2x cut (device columns 4-7): a key pixel at (4, 0), colour c at (7, 3).
    twice.SetPixel(4, 0, kKey);
    twice.SetPixel(7, 3, c);
    twice.SetPixel(3, 3, c);  // image 0's last device pixel
    ASSERT_TRUE(strip.AttachDoubleSize(twice));
    CImageList list;
    ASSERT_TRUE(list.Create(2, 2, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 2));
    ASSERT_EQ(list.Add(strip, kKey), 0);

    fw::Canvas sharp(4, 3, back, 2);
    ASSERT_TRUE(list.Draw(sharp, 1, {1, 1}));
    const fw::Bitmap& px = sharp.GetBitmap();
    const auto at = [&](int x, int y) { return fw::PixelToColor(px.Row(y)[x]); };
    EXPECT_EQ(at(2, 2), back) << "the key pixel is left out";
    EXPECT_EQ(at(3, 2), b);
    EXPECT_EQ(at(5, 5), c);
    EXPECT_EQ(at(4, 5), b);
    EXPECT_EQ(at(1, 1), back) << "outside the image";
    ASSERT_TRUE(list.Draw(sharp, 0, {0, 0}));
    EXPECT_EQ(at(3, 3), c);
    EXPECT_EQ(at(2, 2), b);

    fw::Canvas plain(4, 3, back);
    ASSERT_TRUE(list.Draw(plain, 1, {1, 1}));
    EXPECT_EQ(plain.GetPixel(1, 1), a);
    EXPECT_EQ(plain.GetPixel(2, 2), a);
}

TEST(ImageList, WithoutTheMaskFlagNothingIsTransparent) {
    CImageList list;
    list.Create(2, 2, CImageList::ILC_COLOR32, 0, 1);
    list.Add(fw::Bitmap(2, 2, kKey), kKey);
    EXPECT_FALSE(list.IsTransparent(0, 0, 0));
    EXPECT_EQ(list.Render(0, 0).GetPixel(1, 1), kKey);
}

TEST(ImageList, RowsMissingFromAShortStripAreTransparent) {
    CImageList list;
    list.Create(2, 4, CImageList::ILC_COLOR32 | CImageList::ILC_MASK, 0, 1);
    list.Add(fw::Bitmap(2, 3, fw::RGB(5, 5, 5)), kKey);
    EXPECT_FALSE(list.IsTransparent(0, 1, 2));
    EXPECT_TRUE(list.IsTransparent(0, 1, 3));
    EXPECT_TRUE(list.IsTransparent(0, 2, 0));  // outside the image
}

TEST(ImageList, DeleteEmptiesAndAddBeforeCreateFails) {
    CImageList list;
    EXPECT_EQ(list.Add(fw::Bitmap(4, 4), kKey), -1);
    list.Create(2, 2, CImageList::ILC_MASK, 0, 1);
    list.Add(fw::Bitmap(4, 2), kKey);
    list.DeleteImageList();
    EXPECT_EQ(list.GetImageCount(), 0);
    EXPECT_FALSE(list.IsCreated());
}

}  // namespace
