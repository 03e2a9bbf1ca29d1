// CTrayIcon on the headless backend: what reaches the notification area and the owner.

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

#include "app/TrayIcon.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "tests/platform/TestResources.h"

namespace {

using vq::Gbk;

class Owner : public fw::Window {
public:
    bool OnCommand(fw::UINT id, fw::UINT code, fw::HWND) override {
        commands.emplace_back(id, code);
        return true;
    }
    std::vector<std::pair<fw::UINT, fw::UINT>> commands;
};

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("vq-tray-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        vqtest::WriteFile(dir_ / "menus.vqrc",
                          "MENU 131\n POPUP \"t\"\n  ITEM 32773 \"显示登录面板\"\n  ITEM 32774 "
                          "\"退出\"\n END\nEND\n"
                          "MENU 150\n POPUP \"t\"\n  ITEM 32777 \"显示主面板\"\n  ITEM 32778 "
                          "\"退出\"\n END\nEND\n");
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), dir_.string()));
        ASSERT_TRUE(owner_.CreateEx(0, "owner", fw::WS_POPUP, fw::Rect{0, 0, 10, 10}, nullptr));
    }
    void TearDown() override {
        owner_.DestroyWindow();
        fw::Shutdown();
        std::filesystem::remove_all(dir_);
    }
    std::vector<fw::headless::TrayRecord> Calls(fw::DWORD op) {
        std::vector<fw::headless::TrayRecord> out;
        for (const auto& c : fw::headless::TrayCalls()) {
            if (c.op == op) {
                out.push_back(c);
            }
        }
        return out;
    }
    std::filesystem::path dir_;
    Owner owner_;
};

TEST_F(TrayIconTest, CreateAddsTheIconWithItsMessageAndTip) {
    CTrayIcon tray;
    EXPECT_TRUE(tray.Create(Gbk("Velquor系统"), &owner_, 1025, 131, 131));
    EXPECT_TRUE(tray.IsPresent());
    const auto icons = fw::headless::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].hWnd, owner_.GetSafeHwnd());
    EXPECT_EQ(icons[0].uID, 131u);
    EXPECT_EQ(icons[0].uCallbackMessage, 1025u);
    EXPECT_EQ(icons[0].hIcon, 131u);
    EXPECT_EQ(std::string(icons[0].szTip), Gbk("Velquor系统"));
    EXPECT_EQ(icons[0].uFlags, fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP);
    EXPECT_EQ(icons[0].cbSize, 504u);
}

TEST_F(TrayIconTest, SetIconBeforeCreateStillAsksAndReportsFailure) {
    CTrayIcon tray;
    EXPECT_FALSE(tray.SetIcon(&owner_, 218));
    EXPECT_FALSE(tray.IsPresent());
    const auto modifies = Calls(fw::NIM_MODIFY);
    ASSERT_EQ(modifies.size(), 1u);
    EXPECT_FALSE(modifies[0].result);
    EXPECT_EQ(modifies[0].data.uID, 150u);
    EXPECT_EQ(modifies[0].data.uCallbackMessage, 1026u);
    EXPECT_EQ(modifies[0].data.hIcon, 218u);
    EXPECT_EQ(std::string(modifies[0].data.szTip), Gbk("您有新的消息，请注意查收！"));
}

TEST_F(TrayIconTest, FlashingLeavesTheAlertTip) {
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create(Gbk("欢迎使用Velquor！"), &owner_, 1026, 128, 150));
    EXPECT_TRUE(tray.SetIcon(&owner_, 218));
    EXPECT_TRUE(tray.SetIcon(&owner_, 128));
    const auto icons = fw::headless::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].hIcon, 128u);
    EXPECT_EQ(std::string(icons[0].szTip), Gbk("您有新的消息，请注意查收！"));
}

TEST_F(TrayIconTest, RemovingTwiceIsHarmlessAndDestructionRemoves) {
    {
        CTrayIcon tray;
        ASSERT_TRUE(tray.Create("tip", &owner_, 1025, 131, 131));
        tray.Remove();
        tray.Remove();
        EXPECT_FALSE(tray.IsPresent());
        EXPECT_EQ(Calls(fw::NIM_DELETE).size(), 1u);
    }
    EXPECT_EQ(Calls(fw::NIM_DELETE).size(), 1u);  // nothing left to remove
    {
        CTrayIcon tray;
        ASSERT_TRUE(tray.Create("tip", &owner_, 1025, 131, 131));
    }
    EXPECT_EQ(Calls(fw::NIM_DELETE).size(), 2u);
    EXPECT_TRUE(fw::headless::TrayIcons().empty());
}

TEST_F(TrayIconTest, NoTrayOrNoOwnerMeansNoIcon) {
    fw::headless::SetTrayAvailable(false);
    CTrayIcon tray;
    EXPECT_FALSE(tray.Create("tip", &owner_, 1025, 131, 131));
    EXPECT_FALSE(tray.IsPresent());
    tray.Remove();  // harmless
    EXPECT_TRUE(Calls(fw::NIM_DELETE).empty());
    fw::headless::SetTrayAvailable(true);

    const std::size_t before = fw::headless::TrayCalls().size();
    fw::Window notCreated;
    EXPECT_FALSE(tray.Create("tip", &notCreated, 1025, 131, 131));
    EXPECT_FALSE(tray.Create("tip", nullptr, 1025, 131, 131));
    EXPECT_FALSE(tray.SetIcon(nullptr, 218));
    EXPECT_EQ(fw::headless::TrayCalls().size(), before);  // the shell was not asked
}

TEST_F(TrayIconTest, LongTipIsCutWithoutSplittingACharacter) {
    CTrayIcon tray;
    std::string tip = "a";
    for (int i = 0; i < 80; ++i) {
        tip += Gbk("提");
    }
    ASSERT_TRUE(tray.Create(tip, &owner_, 1025, 131, 131));
    const std::string kept(tray.Data().szTip);
    EXPECT_EQ(kept.size(), 127u);  // "a" and 63 double-byte characters
    EXPECT_EQ(kept, tip.substr(0, 127));
}

TEST_F(TrayIconTest, OtherIconsNotificationsAreIgnored) {
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create("tip", &owner_, 1025, 131, 131));
    EXPECT_EQ(tray.OnTrayNotification(150, fw::WM_RBUTTONUP), 0);
    EXPECT_EQ(tray.OnTrayNotification(150, fw::WM_LBUTTONDBLCLK), 0);
    EXPECT_TRUE(fw::headless::Menus().empty());
    EXPECT_TRUE(owner_.commands.empty());
    EXPECT_EQ(tray.OnTrayNotification(131, fw::WM_MOUSEMOVE), 1);
}

TEST_F(TrayIconTest, RightClickOpensTheIconsMenuAtTheCursor) {
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create("tip", &owner_, 1025, 131, 131));
    fw::headless::SetCursorPos({1200, 780});
    fw::headless::ScriptMenus({32774});
    EXPECT_EQ(tray.OnTrayNotification(131, fw::WM_RBUTTONUP), 1);
    const auto menus = fw::headless::Menus();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].itemIds, (std::vector<fw::UINT>{32773, 32774}));
    EXPECT_EQ(menus[0].defaultId, 32773u);  // the first item
    EXPECT_EQ(menus[0].at, (fw::Point{1200, 780}));
    EXPECT_EQ(menus[0].owner, owner_.GetSafeHwnd());
    EXPECT_EQ(fw::headless::ForegroundCalls(), (std::vector<fw::HWND>{owner_.GetSafeHwnd()}));
    fw::PumpPending();
    ASSERT_EQ(owner_.commands.size(), 1u);
    EXPECT_EQ(owner_.commands[0].first, 32774u);
}

TEST_F(TrayIconTest, DoubleClickSendsTheFirstItem) {
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create("tip", &owner_, 1026, 128, 150));
    EXPECT_EQ(tray.OnTrayNotification(150, fw::WM_LBUTTONDBLCLK), 1);
    ASSERT_EQ(owner_.commands.size(), 1u);  // sent, not posted
    EXPECT_EQ(owner_.commands[0].first, 32777u);
    EXPECT_TRUE(fw::headless::Menus().empty());
    EXPECT_EQ(fw::headless::ForegroundCalls().size(), 1u);
}

TEST_F(TrayIconTest, MissingMenuResourceDoesNothing) {
    CTrayIcon tray;
    ASSERT_TRUE(tray.Create("tip", &owner_, 1025, 999, 999));
    EXPECT_EQ(tray.OnTrayNotification(999, fw::WM_RBUTTONUP), 1);
    EXPECT_EQ(tray.OnTrayNotification(999, fw::WM_LBUTTONDBLCLK), 1);
    EXPECT_TRUE(fw::headless::Menus().empty());
    EXPECT_TRUE(owner_.commands.empty());
}

}  // namespace
