// The skin catalogue: value rules, the image lists, loading twice, and the standard skin.

#include <gtest/gtest.h>

#include "platform/core/Text.h"
#include "skin/Skin.h"
#include "tests/skin/TestSupport.h"

namespace {

using skintest::TempDir;

const fw::Color kRed = fw::RGB(255, 0, 0);
const fw::Color kTeal = fw::RGB(0, 128, 128);

std::string SkinName() {
    return vq::Gbk("标准风格");
}

// Emoticon strip for resource 196: 50 cells of 20 x 20, teal with cell i's colour in a
// 10 x 10 middle. Registered before any skin loads (lookups of a missing id are cached).
void Start() {
    skintest::EnsureFramework();
    static skintest::TempDir res;
    static const bool registered = [] {
        fw::Bitmap faces(1000, 20, kTeal);
        for (int i = 0; i < 50; ++i) {
            for (int y = 5; y < 15; ++y) {
                for (int x = 5; x < 15; ++x) {
                    faces.SetPixel(i * 20 + x, y, fw::RGB(i * 5, 255 - i * 5, 7));
                }
            }
        }
        skintest::RegisterBitmaps(res, {{CSkin::kEmoticonBitmapId, faces}});
        return true;
    }();
    ASSERT_TRUE(registered);
}

// Writes Skin/<name>/skin.ini under `programDir` with the given key lines.
std::filesystem::path WriteSkin(const TempDir& programDir, const std::string& lines,
                                const std::string& name = SkinName()) {
    const std::filesystem::path folder = programDir.Path() / "Skin" / vq::GbkToUtf8(name);
    skintest::WriteBytes(folder / "skin.ini", "[" + name + "]\n" + lines);
    return folder;
}

// A strip of `n` 16 x 16 icons on red: icon i is filled with colour (i+1)*40 grey and has
// a 4 x 4 red hole in its top-left corner.
fw::Bitmap IconStrip(int n) {
    fw::Bitmap strip(16 * n, 16, kRed);
    for (int i = 0; i < n; ++i) {
        const unsigned v = static_cast<unsigned>((i + 1) * 40);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (x >= 4 || y >= 4) {
                    strip.SetPixel(i * 16 + x, y, fw::RGB(v, v, v));
                }
            }
        }
    }
    return strip;
}

TEST(SkinColour, ParsesThreePartsIntoColorref) {
    CSkin skin;
    EXPECT_EQ(skin.ParseColor("255,0,0"), 0x0000FFu);
    EXPECT_EQ(skin.ParseColor("0,0,255"), 0xFF0000u);
    EXPECT_EQ(skin.ParseColor("1,2,3"), 0x030201u);
    // Leading digits only, as atoi reads them.
    EXPECT_EQ(skin.ParseColor("12px,3x,4 "), 0x04030Cu);
}

TEST(SkinColour, EachPartIsTakenModulo256) {
    CSkin skin;
    EXPECT_EQ(skin.ParseColor("300,0,0"), 44u);
    EXPECT_EQ(skin.ParseColor("0,256,511"), 0xFF0000u);
    EXPECT_EQ(skin.ParseColor("-1,0,0"), 0xFFu);
}

TEST(SkinColour, AnEmptyOrMissingPartGivesBlack) {
    CSkin skin;
    EXPECT_EQ(skin.ParseColor("12,34"), 0u);
    EXPECT_EQ(skin.ParseColor(",1,2"), 0u);
    EXPECT_EQ(skin.ParseColor("1,,2"), 0u);
    EXPECT_EQ(skin.ParseColor("1,2,"), 0u);
    EXPECT_EQ(skin.ParseColor(""), 0u);
    EXPECT_EQ(skin.ParseColor("255"), 0u);
}

TEST(SkinLoad, ReadsValuesWithCommentsAndTheirEmptyDefaults) {
    Start();
    TempDir dir;
    const auto folder = WriteSkin(dir,
                                  "MainBk=255,0,0 ;red, with a comment\n"
                                  "MainBorder=12,34\n"
                                  "TreeGroupColor=300,0,0\n"
                                  "TreeBkColor=\n"
                                  "TabIconTop=12px\n"
                                  "TabIconLeft=-3\n"
                                  "IMTabSpace=; nothing but a comment\n"
                                  "MainBkImg=back.bmp ; the panel\n"
                                  "MainStatus=missing.bmp\n"
                                  "Tab2Bmp=tab.bmp\n");
    skintest::WriteBmp(folder / "back.bmp", skintest::Solid(7, 5, fw::RGB(1, 2, 3)));
    skintest::WriteBmp(folder / "tab.bmp", skintest::Solid(3, 2, fw::RGB(9, 9, 9)));

    CSkin skin;
    skin.LoadSkin(dir.Str(), SkinName());
    EXPECT_EQ(skin.m_clrMainBk, 0x0000FFu);
    EXPECT_EQ(skin.m_clrMainBorder, 0u);
    EXPECT_EQ(skin.m_clrTreeGroupColor, 44u);
    EXPECT_EQ(skin.m_clrTreeBkColor, 0u);
    EXPECT_EQ(skin.m_clrChatFocusColor, 0u);  // key absent
    EXPECT_EQ(skin.m_nTabIconTop, 12);
    EXPECT_EQ(skin.m_nTabIconLeft, -3);
    EXPECT_EQ(skin.m_nIMTabSpace, 0);
    EXPECT_EQ(skin.m_nIMTabTopEdge, 0);
    // A file name followed by blanks and a comment still names the file.
    ASSERT_TRUE(skin.m_hMainBkImg);
    EXPECT_EQ(skin.m_hMainBkImg->Width(), 7);
    EXPECT_EQ(skin.m_hMainBkImg->GetPixel(6, 4), fw::RGB(1, 2, 3));
    // A missing file is no bitmap, and the entries after it still load.
    EXPECT_FALSE(skin.m_hMainStatus);
    EXPECT_TRUE(skin.m_bmpMainStatus.IsNull());
    ASSERT_TRUE(skin.m_hTab2Bmp);
    EXPECT_EQ(skin.m_bmpTab2Bmp.Get(), skin.m_hTab2Bmp.get());
    EXPECT_FALSE(skin.m_bmpTabBkPhoto.Get());
    EXPECT_EQ(skin.m_strSkinFolder, folder.string() + "/");
}

TEST(SkinLoad, AMissingFileOrSectionLoadsEmpty) {
    Start();
    TempDir dir;
    CSkin skin;
    skin.LoadSkin(dir.Str(), SkinName());
    EXPECT_EQ(skin.m_clrMainBk, 0u);
    EXPECT_EQ(skin.m_nTabIconTop, 0);
    for (const auto& e : CSkin::kBitmapEntries) {
        EXPECT_FALSE(skin.*e.field) << e.key;
    }
    WriteSkin(dir, "MainBk=1,2,3\n", vq::Gbk("别的风格"));
    skin.LoadSkin(dir.Str(), SkinName());
    EXPECT_EQ(skin.m_clrMainBk, 0u);
    EXPECT_EQ(skin.m_imgMain.GetImageCount(), 0);
}

TEST(SkinLoad, TablesHoldEveryEntryOnceInReadingOrder) {
    std::set<std::string> keys;
    for (const auto& e : CSkin::kBitmapEntries)
        keys.insert(e.key);
    for (const auto& e : CSkin::kColorEntries)
        keys.insert(e.key);
    for (const auto& e : CSkin::kNumberEntries)
        keys.insert(e.key);
    EXPECT_EQ(keys.size(), 80u);
    EXPECT_STREQ(CSkin::kBitmapEntries[0].key, "MainIcon");
    EXPECT_STREQ(CSkin::kBitmapEntries[14].key, "ULMaskBmp");
    EXPECT_STREQ(CSkin::kColorEntries[0].key, "MainBk");
    EXPECT_STREQ(CSkin::kColorEntries[60].key, "ShortCutFocusTextClr");
    EXPECT_STREQ(CSkin::kNumberEntries[3].key, "IMTabTopEdge");
}

TEST(SkinImageLists, AreBuiltFromTheSkinBitmapsAndResource196) {
    Start();
    TempDir dir;
    const auto folder = WriteSkin(dir,
                                  "MainIcon=main.bmp\n"
                                  "SmallStatus=status.bmp\n"
                                  "MsgWndIcon=msg.bmp\n");
    skintest::WriteBmp(folder / "main.bmp", IconStrip(4));
    skintest::WriteBmp(folder / "status.bmp", IconStrip(5));
    skintest::WriteBmp(folder / "msg.bmp", IconStrip(10));

    CSkin skin;
    skin.LoadSkin(dir.Str(), SkinName());
    ASSERT_EQ(skin.m_imgMain.GetImageCount(), 4);
    EXPECT_EQ(skin.m_imgMain.GetImageSize().cx, 16);
    EXPECT_TRUE(skin.m_imgMain.IsTransparent(2, 0, 0));
    EXPECT_FALSE(skin.m_imgMain.IsTransparent(2, 4, 4));
    // The icons went into the list; the bitmap is gone with its handle.
    EXPECT_TRUE(skin.m_bmpMainIcon.IsNull());
    EXPECT_FALSE(skin.m_hMainIcon);

    // List two: images 1 and 2 of list one, then the five status icons.
    ASSERT_EQ(skin.m_imgState.GetImageCount(), 2 + 5);
    EXPECT_EQ(skin.m_imgState.Render(0, 0).GetPixel(8, 8), fw::RGB(80, 80, 80));
    EXPECT_EQ(skin.m_imgState.Render(1, 0).GetPixel(8, 8), fw::RGB(120, 120, 120));
    EXPECT_TRUE(skin.m_imgState.IsTransparent(0, 1, 1));
    EXPECT_EQ(skin.m_imgState.Render(6, 0).GetPixel(8, 8), fw::RGB(200, 200, 200));

    ASSERT_EQ(skin.m_imgEmotion.GetImageCount(), 50);
    EXPECT_EQ(skin.m_imgEmotion.GetImageSize().cx, 20);
    EXPECT_EQ(skin.m_imgEmotion.Flags(), 9u);
    EXPECT_TRUE(skin.m_imgEmotion.IsTransparent(14, 0, 0));
    EXPECT_EQ(skin.m_imgEmotion.Render(14, fw::RGB(255, 255, 255)).GetPixel(10, 10),
              fw::RGB(70, 185, 7));
    EXPECT_EQ(skin.m_imgEmotion.Render(14, fw::RGB(255, 255, 255)).GetPixel(1, 1),
              fw::RGB(255, 255, 255));

    EXPECT_EQ(skin.m_imgMsgWnd.GetImageCount(), 10);

    skin.Release();
    EXPECT_EQ(skin.m_imgEmotion.GetImageCount(), 0);
    EXPECT_FALSE(skin.m_hSmallStatus);
    EXPECT_TRUE(skin.m_bmpSmallStatus.IsNull());
}

TEST(SkinLoad, ASecondLoadReleasesTheFirst) {
    Start();
    TempDir dir;
    const auto folder = WriteSkin(dir, "MainStatus=s.bmp\nMainIcon=m.bmp\nMainBk=1,2,3\n");
    skintest::WriteBmp(folder / "s.bmp", skintest::Solid(4, 4, 0));
    skintest::WriteBmp(folder / "m.bmp", IconStrip(3));
    const std::string other = vq::Gbk("夜间");
    WriteSkin(dir, "MainBk=4,5,6\n", other);

    CSkin skin;
    skin.LoadSkin(dir.Str(), SkinName());
    ASSERT_TRUE(skin.m_hMainStatus);
    std::weak_ptr<const fw::Bitmap> first = skin.m_hMainStatus;
    EXPECT_EQ(skin.m_imgMain.GetImageCount(), 3);

    skin.LoadSkin(dir.Str(), other);
    EXPECT_TRUE(first.expired());  // nothing keeps the first skin's bitmap alive
    EXPECT_FALSE(skin.m_hMainStatus);
    EXPECT_TRUE(skin.m_bmpMainStatus.IsNull());
    EXPECT_EQ(skin.m_imgMain.GetImageCount(), 0);
    EXPECT_EQ(skin.m_clrMainBk, fw::RGB(4, 5, 6));
    EXPECT_EQ(skin.m_strSkinName, other);
}

TEST(StandardSkin, LoadsEveryEntryOfTheShippedFolder) {
    Start();
    CSkin skin;
    skin.LoadSkin((skintest::SourceDir() / "res").string(), SkinName());
    for (const auto& e : CSkin::kBitmapEntries) {
        if (std::string(e.key) == "MainIcon") {
            continue;  // consumed by the first image list
        }
        EXPECT_TRUE(skin.*e.field) << e.key;
    }
    for (const auto& e : CSkin::kColorEntries) {
        EXPECT_NE(skin.*e.field, 0u) << e.key;  // no entry of the standard skin is black
    }
    for (const auto& e : CSkin::kNumberEntries) {
        EXPECT_GT(skin.*e.field, 0) << e.key;
    }
    EXPECT_GE(skin.m_imgMain.GetImageCount(), 3);
    EXPECT_EQ(skin.m_imgState.GetImageCount(), 2 + skin.m_hSmallStatus->Width() / 16);
    EXPECT_GE(skin.m_imgMsgWnd.GetImageCount(), 1);
    EXPECT_EQ(skin.m_imgEmotion.GetImageCount(), 50);
}

}  // namespace
