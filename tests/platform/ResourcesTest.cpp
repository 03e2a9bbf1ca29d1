// The resource file formats, and the program's own dialog templates and menus as the
// windows built on them expect them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "tests/platform/TestResources.h"

namespace {

using fw::ControlKind;
using fw::Rect;
using vq::Gbk;

TEST(DialogUnitsTest, OneFixedRule) {
    EXPECT_EQ(fw::DluToPixelsX(330), 495);
    EXPECT_EQ(fw::DluToPixelsY(170), 276);
    EXPECT_EQ(fw::DluToPixelsX(502), 753);
    EXPECT_EQ(fw::DluToPixelsY(327), 531);
    EXPECT_EQ(fw::DluToPixelsX(1), 2);  // 1.5 rounds up
    EXPECT_EQ(fw::DluToPixelsY(4), 7);  // 6.5 rounds up
    EXPECT_EQ(fw::DluToPixelsY(3), 5);  // 4.875
}

TEST(IndexFileTest, TakesGoodLinesAndSkipsTheRest) {
    fw::Resources r;
    const int taken = r.ParseIndex(
        "# comment\r\n"
        "bitmap 130 art/130-login.bmp\r\n"
        "   icon\t131\t art/tray one.bmp  \n"
        "sound 277 art/277.wav\n"
        "html 103 pages/home.html\n"
        "\n"
        "picture 5 art/x.bmp\n"    // unknown kind
        "bitmap 0 art/zero.bmp\n"  // id out of range
        "bitmap 70000 art/big.bmp\n"
        "bitmap 12\n"  // no path
        "bitmap 13 ../outside.bmp\n"
        "bitmap 14 /etc/passwd\n"
        "bitmap 15 art/../../up.bmp\n"
        "bitmap 130 art/130-again.bmp\n",  // a later entry replaces
        "/res");
    EXPECT_EQ(taken, 5);
    EXPECT_EQ(r.Errors().size(), 7u);
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Bitmap, 130), "/res/art/130-again.bmp");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Icon, 131), "/res/art/tray one.bmp");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Sound, 277), "/res/art/277.wav");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Html, 103), "/res/pages/home.html");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Bitmap, 131), "");  // kinds are separate
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Bitmap, 13), "");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Bitmap, 15), "");
    EXPECT_EQ(r.LoadBitmap(999), nullptr);  // missing: nothing, no failure
}

TEST(IndexFileTest, ModuleFilesKeepTheirIdsApart) {
    fw::Resources r;
    r.ParseIndex("bitmap 213 art/chat-tool.bmp\n", "/res");
    r.ParseIndex("# control library\nmodule Pallinote\nbitmap 213 art/pallinote/close.bmp\n",
                 "/res");
    EXPECT_EQ(r.FilePath(fw::ResourceKind::Bitmap, 213), "/res/art/chat-tool.bmp");
    EXPECT_EQ(r.Module("Pallinote").FilePath(fw::ResourceKind::Bitmap, 213),
              "/res/art/pallinote/close.bmp");
    EXPECT_EQ(r.Module("Other").FilePath(fw::ResourceKind::Bitmap, 213), "");
    fw::Resources late;
    late.ParseIndex("bitmap 1 a.bmp\nmodule X\nbitmap 2 b.bmp\n", "");
    EXPECT_EQ(late.Errors().size(), 1u);  // a module line after entries is refused
    EXPECT_EQ(late.FilePath(fw::ResourceKind::Bitmap, 2), "b.bmp");
}

TEST(DefinitionFileTest, DialogsMenusAndStrings) {
    fw::Resources r;
    const int taken = r.ParseDefinitions(
        "DIALOG 7 100 40\n"
        "  CAPTION \"标题 \\\"q\\\" \\\\\"\n"
        "  EXSTYLE topmost\n"
        "  CONTROL 3 edit 10 4 20 8 \"\" password|number|hidden\n"
        "  CONTROL 4 picture 0 0 8 8 \"\" IMAGE 265\n"
        "  CONTROL 5 slider 0 0 8 8 \"\"\n"  // unknown kind: skipped
        "END\n"
        "MENU 8\n"
        "  POPUP \"p\"\n"
        "    ITEM 100 \"一\"\n"
        "    SEPARATOR\n"
        "    POPUP \"sub\"\n"
        "      ITEM 101 \"二\" DEFAULT\n"
        "    END\n"
        "  END\n"
        "END\n"
        "STRINGTABLE\n"
        "  101 \"关于\"\n"
        "END\n",
        "t.vqrc");
    EXPECT_EQ(taken, 3);
    ASSERT_EQ(r.Errors().size(), 1u);
    const fw::DialogTemplate* d = r.FindDialog(7);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->caption, Gbk("标题 \"q\" \\"));
    EXPECT_EQ(d->size, (fw::Size{150, 65}));
    EXPECT_EQ(d->exStyle, fw::WS_EX_TOPMOST);
    ASSERT_EQ(d->controls.size(), 2u);
    EXPECT_EQ(d->controls[0].rect, (Rect{15, 7, 45, 20}));
    EXPECT_EQ(d->controls[0].style & (fw::ES_PASSWORD | fw::ES_NUMBER | fw::WS_VISIBLE),
              fw::ES_PASSWORD | fw::ES_NUMBER);
    EXPECT_EQ(d->controls[1].imageId, 265u);
    const fw::MenuTemplate* m = r.FindMenu(8);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->items.size(), 1u);
    ASSERT_EQ(m->items[0].items.size(), 3u);
    EXPECT_TRUE(m->items[0].items[1].separator);
    EXPECT_EQ(m->items[0].items[2].items[0].id, 101u);
    EXPECT_TRUE(m->items[0].items[2].items[0].isDefault);
    EXPECT_EQ(r.LoadString(101), Gbk("关于"));
    EXPECT_FALSE(r.LoadString(102));
}

TEST(DefinitionFileTest, BrokenInputNeverStopsTheLoad) {
    fw::Resources r;
    r.ParseDefinitions(
        "DIALOG 1 10 10\n  CONTROL 2 edit 1 1 1\nEND\n"  // short control line
        "DIALOG x 10 10\nEND\n"
        "STRINGTABLE\n  5 \"unclosed\n  6 \"ok\"\nEND\n"
        "MENU 9\n  POPUP \"p\"\n",  // no END
        "bad.vqrc");
    EXPECT_NE(r.FindDialog(1), nullptr);
    EXPECT_EQ(r.FindDialog(1)->controls.size(), 0u);
    EXPECT_EQ(r.LoadString(6), "ok");
    EXPECT_FALSE(r.LoadString(5));
    EXPECT_EQ(r.FindMenu(9), nullptr);
    EXPECT_GE(r.Errors().size(), 4u);
}

TEST(ResourceFolderTest, ReadsEveryFileBelowAndLoadsPictures) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vq-res-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    vqtest::MakeTestResources(dir);
    fw::Resources r;
    ASSERT_TRUE(r.LoadDirectory(dir.string()));
    EXPECT_TRUE(r.Errors().empty());
    EXPECT_NE(r.FindDialog(9001), nullptr);
    auto bmp = r.LoadBitmap(9300);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->GetPixel(1, 0), fw::RGB(255, 0, 255));
    EXPECT_EQ(r.LoadBitmap(9300).get(), bmp.get());  // cached
    ASSERT_NE(r.LoadIcon(9301), nullptr);
    EXPECT_EQ(r.LoadBitmap(9301), nullptr);
    EXPECT_FALSE(r.LoadDirectory((dir / "missing").string()));
    std::filesystem::remove_all(dir);
}

// ---- The program's own resources ----

class ProgramResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* src = std::getenv("VQ_SOURCE_DIR");
        const std::string root = src != nullptr ? src : VQ_TEST_SOURCE_DIR;
        res_ = new fw::Resources();
        loaded_ = res_->LoadDirectory(root + "/res");
    }
    static void TearDownTestSuite() {
        delete res_;
        res_ = nullptr;
    }
    static const fw::ControlTemplate* Control(fw::UINT dialog, fw::UINT id) {
        const fw::DialogTemplate* d = res_->FindDialog(dialog);
        if (d == nullptr) {
            return nullptr;
        }
        for (const auto& c : d->controls) {
            if (c.id == id) {
                return &c;
            }
        }
        return nullptr;
    }
    static fw::Resources* res_;
    static bool loaded_;
};
fw::Resources* ProgramResourcesTest::res_ = nullptr;
bool ProgramResourcesTest::loaded_ = false;

TEST_F(ProgramResourcesTest, EveryNamedDialogIsThere) {
    ASSERT_TRUE(loaded_);
    for (std::string e : res_->Errors()) {
        ADD_FAILURE() << e;
    }
    for (fw::UINT id : {100u, 102u, 129u, 132u, 182u, 190u, 195u, 200u, 220u, 225u, 228u,
                        238u, 243u, 255u, 258u, 266u, 268u, 276u, 279u, 282u, 283u}) {
        EXPECT_NE(res_->FindDialog(id), nullptr) << id;
    }
}

TEST_F(ProgramResourcesTest, LoginDialogMatchesItsLayout) {
    const fw::DialogTemplate* d = res_->FindDialog(129);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->size, (fw::Size{495, 276}));  // 330 x 170 units
    EXPECT_EQ(d->style & fw::WS_CAPTION, 0u);
    ASSERT_NE(Control(129, 1002), nullptr);
    EXPECT_EQ(Control(129, 1002)->rect.TopLeft(), (fw::Point{276, 102}));  // (184, 63) units
    EXPECT_EQ(Control(129, 1003)->rect.TopLeft(), (fw::Point{275, 138}));  // (183, 85)
    EXPECT_NE(Control(129, 1003)->style & fw::ES_PASSWORD, 0u);
    EXPECT_EQ(Control(129, 1000)->kind, ControlKind::CheckBox);
    EXPECT_EQ(Control(129, 1000)->rect.TopLeft(), (fw::Point{198, 172}));  // (132, 106)
    EXPECT_EQ(Control(129, 1001)->rect.TopLeft(), (fw::Point{302, 171}));  // (201, 105)
    EXPECT_EQ(Control(129, 1)->caption, Gbk("确定"));
    EXPECT_EQ(Control(129, 1)->rect.TopLeft(), (fw::Point{198, 202}));  // (132, 124)
    EXPECT_EQ(Control(129, 1014)->caption, Gbk("服务器设置"));
    EXPECT_EQ(Control(129, 1014)->rect.TopLeft(), (fw::Point{296, 203}));  // (197, 125)
    EXPECT_EQ(Control(129, 1011)->caption, Gbk("申请使用"));
    EXPECT_EQ(Control(129, 1074)->imageId, 265u);
    EXPECT_EQ(Control(129, 1085)->imageId, 270u);
    // The application picture sits below the login button.
    EXPECT_GE(Control(129, 1074)->rect.top, Control(129, 1)->rect.bottom);
    for (fw::UINT id : {1u, 1004u, 1005u, 1011u, 1014u}) {
        EXPECT_EQ(Control(129, id)->style & fw::BS_TYPEMASK, fw::BS_OWNERDRAW) << id;
    }
}

TEST_F(ProgramResourcesTest, WindowsHaveTheControlsTheirCodeUses) {
    struct Need {
        fw::UINT dialog;
        std::vector<fw::UINT> controls;
    };
    const std::vector<Need> needs = {
        {102, {1005, 1006, 1007, 1008, 1009, 1010, 1011, 1013, 1036}},
        {190, {1019, 1020, 1021, 1023, 1024}},
        {195, {1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1037, 1049}},
        {220, {1050, 1051, 1052, 1053, 1054, 1055, 1056, 1057, 1069}},
        {228, {1039, 1040, 1041, 1048}},
        {238, {1040, 1041, 1043, 1045, 1058}},
        {243, {1063, 1064, 1065}},
        {255, {1059, 1060, 1061, 1062, 1063, 1064}},
        {258, {1070, 1071, 1073, 1074, 1075, 1076, 1077}},
        {266, {1073, 1075, 1076, 1077, 1078, 1079, 1080, 1081, 1082, 1083, 1084, 1085}},
        {268, {1078, 1079, 1080, 1081, 1082, 1083, 1084}},
        {276, {1086, 1087, 1088, 1089, 1090, 1091, 1092}},
        {279, {1073, 1074, 1093, 1094, 1095}},
        {282, {1096, 1097, 1098, 1099}},
    };
    for (const Need& n : needs) {
        for (fw::UINT id : n.controls) {
            EXPECT_NE(Control(n.dialog, id), nullptr) << n.dialog << "/" << id;
        }
    }
    // Kinds that the code relies on.
    EXPECT_EQ(Control(190, 1023)->kind, ControlKind::IpAddress);
    EXPECT_NE(Control(190, 1024)->style & fw::ES_NUMBER, 0u);
    EXPECT_NE(Control(258, 1076)->style & fw::ES_NUMBER, 0u);
    EXPECT_NE(Control(258, 1077)->style & fw::ES_NUMBER, 0u);
    EXPECT_EQ(Control(258, 1073)->style & fw::ES_NUMBER, 0u);
    EXPECT_NE(Control(266, 1073)->style & fw::ES_MULTILINE, 0u);
    EXPECT_EQ(Control(268, 1078)->kind, ControlKind::Static);  // replaced by the page view
    EXPECT_FALSE(Control(195, 1049)->style & fw::WS_VISIBLE);
    for (fw::UINT id : {1089u, 1090u, 1091u, 1092u}) {
        EXPECT_EQ(Control(276, id)->kind, ControlKind::Radio);
    }
    EXPECT_EQ(Control(195, 1027)->caption, Gbk("发送"));
    EXPECT_EQ(Control(195, 1025)->caption, Gbk("聊天记录"));
    // Sizes given in dialog units and pixels.
    EXPECT_EQ(res_->FindDialog(195)->size, (fw::Size{753, 531}));
    EXPECT_EQ(res_->FindDialog(220)->size, (fw::Size{753, 531}));
    EXPECT_EQ(res_->FindDialog(238)->size, (fw::Size{647, 410}));
    EXPECT_EQ(res_->FindDialog(266)->size, (fw::Size{467, 312}));
    EXPECT_NE(res_->FindDialog(195)->exStyle & fw::WS_EX_TOPMOST, 0u);
    EXPECT_NE(res_->FindDialog(220)->exStyle & fw::WS_EX_TOPMOST, 0u);
    EXPECT_NE(res_->FindDialog(258)->exStyle & fw::WS_EX_TOPMOST, 0u);
    // Pages are children of their frames.
    for (fw::UINT id : {132u, 225u, 243u, 255u, 276u, 283u}) {
        EXPECT_NE(res_->FindDialog(id)->style & fw::WS_CHILD, 0u) << id;
    }
}

TEST_F(ProgramResourcesTest, MenusAndStrings) {
    struct Want {
        fw::UINT menu;
        std::vector<std::pair<fw::UINT, const char*>> items;
    };
    const std::vector<Want> wants = {
        {131, {{32773, "显示登录面板"}, {32774, "退出"}}},
        {150, {{32777, "显示主面板"}, {32778, "退出"}}},
        {193, {{32782, "更改用户"}, {32783, "系统设置"}, {32784, "退出"}}},
        {194, {{32788, "检查更新"}, {32805, "常见问题解答"}, {32790, "关于"}}},
    };
    for (const Want& w : wants) {
        const fw::MenuTemplate* m = res_->FindMenu(w.menu);
        ASSERT_NE(m, nullptr) << w.menu;
        ASSERT_EQ(m->items.size(), 1u);
        const auto& items = m->items[0].items;
        ASSERT_EQ(items.size(), w.items.size()) << w.menu;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].id, w.items[i].first);
            EXPECT_EQ(items[i].text, Gbk(w.items[i].second));
        }
    }
    EXPECT_EQ(res_->LoadString(101), Gbk("关于 Orvanel(&A)..."));
    EXPECT_EQ(res_->LoadString(200), Gbk("常规"));
}

}  // namespace
