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
