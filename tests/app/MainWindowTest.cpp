// The main window: initialisation, polling timers, tray flashing, menus and the ways out.

#include <string>
#include <vector>

#include "platform/Menu.h"
#include "portal/Portal.h"
#include "portal/SystemSettingHtmlDlg.h"
#include "session/ConfigFile.h"
#include "tests/app/MainWindowHarness.h"

namespace apptest {
namespace {

using fw::headless::MessageBoxes;

std::vector<ServiceRequest> Queued() {
    return RequestQueue::Global().Snapshot();
}

TEST_F(MainWindowTest, InitialisationPreparesWindowTrayPortalAndIdentityRequest) {
    Session().SetLogin("demo", "pw");
    Session().SetSessionKey("key1");
    ASSERT_TRUE(main_.Create(COrvanelDlg::IDD));

    EXPECT_EQ(main_.GetWindowText(), "Velquor3.0");
    EXPECT_EQ(main_.GetWindowRect(), (fw::Rect{0, 0, 1005, 740}));
    const auto tray = fw::headless::TrayIcons();
    ASSERT_EQ(tray.size(), 1u);
    EXPECT_EQ(tray[0].uID, 150u);
    EXPECT_EQ(tray[0].uCallbackMessage, 1026u);
    EXPECT_EQ(std::string(tray[0].szTip), G("欢迎使用Velquor！"));
    EXPECT_EQ(main_.notifierWindows, std::vector<std::string>{""});

    ASSERT_NE(main_.PortalPage(), nullptr);
    EXPECT_EQ(main_.PortalPage()->GetRectInParent(), (fw::Rect{0, 49, 1005, 744}));
    EXPECT_FALSE(main_.GetDlgItem(1005)->IsWindowVisible());
    EXPECT_FALSE(main_.GetDlgItem(1009)->IsWindowVisible());
    EXPECT_EQ(main_.GetDlgItem(1008)->GetRectInParent(), (fw::Rect{940, 5, 966, 24}));

    fw::Menu* system = main_.GetSystemMenu();
    ASSERT_NE(system, nullptr);
    const int last = system->GetMenuItemCount() - 1;
    ASSERT_GE(last, 1);
    EXPECT_EQ(system->GetMenuItemID(last), 16u);
    EXPECT_EQ(system->GetMenuString(last), G("关于 Orvanel(&A)..."));

    const auto queued = Queued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].kind, kRequestServiceCall);
    EXPECT_EQ(queued[0].text, "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=10&username=demo");
    EXPECT_EQ(queued[0].session, "key1");
}

TEST_F(MainWindowTest, PollingTimersAskForNewsAndChatWithTheIdentity) {
    Session().SetSessionKey("k");
    Open();
    RequestQueue::Global().Clear();
    Deliver(Reply("getviridbyuserna", {"usr_viruser_id", "org_id"}, {{"77", "3"}}));

    fw::headless::AdvanceClock(30000);
    auto queued = Queued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].text, "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=13&fromid=77");
    EXPECT_EQ(queued[0].session, "k");

    fw::headless::AdvanceClock(70000);  // at 100 s the news poll, after chat polls at 60 and 90 s
    queued = Queued();
    ASSERT_EQ(queued.size(), 4u);
    int polls = 0;
    for (const auto& q : queued) {
        if (q.text.find("SFUNCNO=18") != std::string::npos) {
            ++polls;
            EXPECT_EQ(q.text, "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=18&virid=77&orgid=3");
        }
    }
    EXPECT_EQ(polls, 1);
}

TEST_F(MainWindowTest, TrayFlashesUntilToldToStop) {
    Open();
    main_.SendMessage(1049, 0, 0);
    EXPECT_TRUE(main_.Flashing());
    fw::headless::AdvanceClock(500);
    EXPECT_EQ(main_.GetIcon(true), 218u);
    fw::headless::AdvanceClock(500);
    EXPECT_EQ(main_.GetIcon(true), 128u);
    fw::headless::AdvanceClock(500);
    const auto calls = fw::headless::TrayCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].data.hIcon, 218u);
    EXPECT_EQ(calls[1].data.hIcon, 128u);
    EXPECT_EQ(std::string(calls[0].data.szTip), G("您有新的消息，请注意查收！"));

    main_.SendMessage(1049, 0, 1);
    EXPECT_FALSE(main_.Flashing());
    EXPECT_EQ(main_.GetIcon(true), 128u);
    EXPECT_EQ(fw::headless::TrayIcons().at(0).hIcon, 128u);
    const size_t before = fw::headless::TrayCalls().size();
    fw::headless::AdvanceClock(2000);
    EXPECT_EQ(fw::headless::TrayCalls().size(), before) << "timer 1 stopped";
}

TEST_F(MainWindowTest, TrayDoubleClickStopsFlashingAndShowsTheWindow) {
    Open();
    main_.SendMessage(1049, 0, 0);
    main_.SendDlgItemMessage(1008, fw::BM_CLICK);
    EXPECT_FALSE(main_.IsWindowVisible());
    fw::input::TrayEvent(main_.GetSafeHwnd(), 150, 1026, fw::WM_LBUTTONDBLCLK);
    fw::PumpPending();
    EXPECT_TRUE(main_.IsWindowVisible());
    EXPECT_FALSE(main_.Flashing());
}

TEST_F(MainWindowTest, MenuButtonsOpenTheirMenusBesideTheCursor) {
    Open();
    fw::headless::SetCursorPos({500, 300});
    fw::headless::ScriptMenus({32788, 0});
    main_.SendMessage(fw::WM_COMMAND, 1010);  // menu 193, "检查更新" is not in it
    main_.SendMessage(fw::WM_COMMAND, 1011);
    fw::PumpPending();
    const auto menus = fw::headless::Menus();
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].at, (fw::Point{470, 310}));
    EXPECT_EQ(menus[0].itemIds, (std::vector<fw::UINT>{32782, 32783, 32784}));
    EXPECT_EQ(menus[1].itemIds, (std::vector<fw::UINT>{32788, 32805, 32790}));

    main_.SendMessage(fw::WM_COMMAND, 32788);
    const auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, G("当前使用的是最新版本，无需更新！"));
    EXPECT_EQ(boxes[0].caption, G("提示"));
}

TEST_F(MainWindowTest, ExitEndsTheProcessWithoutRestarting) {
    for (fw::UINT command : {32778u, 32784u}) {
        Open();
        main_.SendMessage(fw::WM_COMMAND, command);
        EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
        EXPECT_TRUE(fw::headless::TrayIcons().empty());
        EXPECT_TRUE(fw::headless::ProcessesStarted().empty());
        main_.DestroyWindow();
        exits_.Clear();
    }
}

TEST_F(MainWindowTest, ChangingUserForgetsTheLoginAndStartsAgain) {
    ASSERT_TRUE(IniWriteValues({{ConfigId::kManagerIsRemFlag, "1"},
                                {ConfigId::kManagerIsLoginFlag, "1"},
                                {ConfigId::kManagerUserName, "demo"},
                                {ConfigId::kManagerUserPassword, "pw"}}));
    Open();
    fw::headless::ScriptMessageBoxes({fw::IDNO});
    main_.SendMessage(fw::WM_COMMAND, 32782);
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "demo");
    EXPECT_TRUE(exits_.Codes().empty());

    fw::headless::ScriptMessageBoxes({fw::IDYES});
    main_.SendMessage(fw::WM_COMMAND, 32782);
    const auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, G("你确定要重新登录吗？"));
    EXPECT_EQ(boxes[1].caption, G("确认信息："));
    EXPECT_EQ(IniReadInt(ConfigId::kManagerIsRemFlag), 0);
    EXPECT_EQ(IniReadInt(ConfigId::kManagerIsLoginFlag), 0);
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), "");
    EXPECT_EQ(fw::headless::ProcessesStarted().size(), 1u);
    EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
}

TEST_F(MainWindowTest, AboutBoxFromTheSystemMenuAndTheHelpMenu) {
    Open();
    std::vector<fw::UINT> shown;
    fw::headless::SetModalHook([&](fw::HWND dialog) {
        fw::Window* w = fw::Window::FromHandle(dialog);
        shown.push_back(w != nullptr ? static_cast<fw::Dialog*>(w)->TemplateId() : 0);
        fw::PostMessage(dialog, fw::WM_COMMAND, fw::IDOK);
    });
    main_.SendMessage(fw::WM_SYSCOMMAND, 16);
    main_.SendMessage(fw::WM_COMMAND, 32790);
    fw::headless::SetModalHook(nullptr);
    EXPECT_EQ(shown, (std::vector<fw::UINT>{100, 100}));
}

// One system settings page is made together with the main window, with the window as its
// parent, and exists as an object only: nothing the user does shows it.
TEST_F(MainWindowTest, SystemSettingsPageComesWithTheWindowAsAnObjectOnly) {
    {
        CPortal portal(messaging_, forms_);
        COrvanelDlg main(portal, forms_);
        auto* page = dynamic_cast<CSystemSettingHtmlDlg*>(main.SystemSettingsPage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->TemplateId(), 182u);
        EXPECT_EQ(page->ParentWindow(), &main);
        EXPECT_FALSE(page->IsWindow());
    }
    EXPECT_EQ(portalMaker_.systemSettingsMade, 1) << "made with the window";
    Open();
    main_.SendMessage(fw::WM_COMMAND, 32783);  // 系统设置: the personal settings, not this page
    main_.SendMessage(fw::WM_COMMAND, 32783);
    EXPECT_EQ(portalMaker_.systemSettingsMade, 1);
    ASSERT_NE(main_.SystemSettingsPage(), nullptr);
    EXPECT_FALSE(main_.SystemSettingsPage()->IsWindow());
    EXPECT_EQ(forms_.settingsMade, 1) << "the personal settings window is made once and kept";
}

// Button 1005 calls the portal page's "showflash" through the portal.
TEST_F(MainWindowTest, FlashButtonCallsThePortalPage) {
    Open();
    main_.SendMessage(fw::WM_COMMAND, 1005);
    EXPECT_EQ(portalMaker_.scripts, std::vector<std::string>{"showflash"});
}

// Without one of its subsystems the program says which and starts nothing.
TEST_F(MainWindowTest, AMissingSubsystemStopsTheStart) {
    std::vector<fw::UINT> modal;
    fw::headless::SetModalHook([&](fw::HWND dialog) {
        modal.push_back(static_cast<fw::Dialog*>(fw::Window::FromHandle(dialog))->TemplateId());
        fw::PostMessage(dialog, fw::WM_COMMAND, fw::IDCANCEL);
    });
    COrvanelApp app(Subsystems{&portalMaker_, &messaging_, nullptr});
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Orvanel: cannot start: the forms subsystem is missing\n");
    COrvanelApp none(Subsystems{});
    testing::internal::CaptureStderr();
    EXPECT_EQ(none.Run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Orvanel: cannot start: the portal subsystem is missing\n"
              "Orvanel: cannot start: the messaging subsystem is missing\n"
              "Orvanel: cannot start: the forms subsystem is missing\n");
    fw::headless::SetModalHook(nullptr);
    EXPECT_TRUE(modal.empty()) << "no login dialog";
    EXPECT_TRUE(exits_.Codes().empty());
}

}  // namespace
}  // namespace apptest
