#pragma once
// The framework tests that every backend must pass. A backend's test binary instantiates the
// suite with a traits type:
//
//   struct MyTraits {
//       static std::unique_ptr<fw::Backend> Make();
//       static void LetTimePass(int ms);              // timers due in that time fire
//       static void ScriptMessageBoxes(std::vector<int> answers);
//       static std::vector<vqtest::BoxSeen> MessageBoxesSeen();
//       static void ScriptMenus(std::vector<fw::UINT> choices);
//       static void SetModalHook(std::function<void(fw::HWND)> hook);
//       // Addresses the backend handed to the browser from now on (none really opens).
//       static void CaptureOpenedUrls(const std::filesystem::path& scratchDir);
//       static std::vector<std::string> UrlsOpened(std::size_t atLeast);  // waits a little
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, BackendSuite, ::testing::Types<MyTraits>);

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Menu.h"
#include "platform/ToolTip.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "tests/platform/TestResources.h"

namespace vqtest {

struct BoxSeen {
    std::string text;
    std::string caption;
    fw::UINT flags = 0;
    int answer = 0;
};

// A dialog that writes down what reaches it.
class RecordingDialog : public fw::Dialog {
public:
    using fw::Dialog::Dialog;

    bool OnInitDialog() override {
        initCalls++;
        return true;
    }
    bool OnCommand(fw::UINT id, fw::UINT code, fw::HWND) override {
        commands.emplace_back(id, code);
        if (onCommand) {
            onCommand(id);
        }
        // OK and Cancel go on to OnOK/OnCancel.
        return id != fw::UINT(fw::IDOK) && id != fw::UINT(fw::IDCANCEL);
    }
    void OnTimer(fw::UINT id) override {
        timers.push_back(id);
        times.push_back(fw::GetTickCount());
        if (onTimer) {
            onTimer(id);
        }
    }
    void OnSize(fw::UINT type, int, int) override { sizes.push_back(type); }
    void OnDestroy() override { destroyCalls++; }
    void PostNcDestroy() override { ncDestroyed = true; }
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message >= fw::WM_USER) {
            user.push_back({message, wParam, lParam});
            userThread = std::this_thread::get_id();
            if (onUser) {
                onUser();
            }
            return fw::LRESULT(wParam) + lParam;
        }
        return fw::Dialog::WindowProc(message, wParam, lParam);
    }

    int Count(fw::UINT id, fw::UINT code) const {
        return int(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }

    std::vector<std::pair<fw::UINT, fw::UINT>> commands;
    std::vector<fw::UINT> timers;
    std::vector<std::int64_t> times;
    std::vector<fw::UINT> sizes;
    std::vector<fw::Msg> user;
    std::thread::id userThread;
    int initCalls = 0;
    int destroyCalls = 0;
    bool ncDestroyed = false;
    std::function<void(fw::UINT)> onCommand;
    std::function<void(fw::UINT)> onTimer;
    std::function<void()> onUser;
};

// An owner-drawn button: a picture with magenta as the transparent colour.
class DrawnButton : public fw::Window {
public:
    void DrawItem(const fw::DrawItemStruct& dis) override {
        states.push_back(dis.itemState);
        if (auto bmp = fw::Resources::Global().LoadBitmap(9300)) {
            dis.canvas->TransparentBlt(fw::Rect{0, 0, 4, 2}, *bmp, fw::Rect{0, 0, 4, 2},
                                       fw::RGB(255, 0, 255));
        }
    }
    std::vector<fw::UINT> states;
};

// A dialog whose background is navy.
class NavyDialog : public RecordingDialog {
public:
    using RecordingDialog::RecordingDialog;
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        canvas.FillSolidRect(canvas.ClientRect(), fw::RGB(0, 0, 128));
        return true;
    }
};

// A dialog that writes down the links its rich edits report, and answers the release.
class LinkDialog : public RecordingDialog {
public:
    using RecordingDialog::RecordingDialog;
    struct Seen {
        fw::UINT id;
        fw::UINT msg;
        fw::CharRange range;
        std::string text;
    };
    bool OnNotify(fw::UINT id, fw::NotifyHeader& header, fw::LRESULT& result) override {
        if (header.code != fw::EN_LINK) {
            return false;
        }
        const auto* link = reinterpret_cast<const fw::EnLink*>(&header);
        links.push_back({id, link->msg, link->chrg, link->text});
        result = link->msg == fw::WM_LBUTTONUP ? swallowRelease : 0;
        return true;
    }
    bool PreTranslateMessage(fw::HWND target, const fw::Msg& msg) override {
        // Ctrl+Enter sends, as the chat window does.
        if (msg.id == fw::WM_KEYDOWN && msg.wParam == fw::VK_RETURN &&
            (fw::GetKeyState(fw::VK_CONTROL) & 0x8000) != 0) {
            ctrlEnters.push_back(target);
            return true;
        }
        return false;
    }
    void OnKillFocus() override { killFocus++; }
    std::vector<Seen> links;
    std::vector<fw::HWND> ctrlEnters;
    fw::LRESULT swallowRelease = 0;
    int killFocus = 0;
};

inline bool PumpUntil(const std::function<bool()>& done, int maxMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (!fw::PumpPending()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return true;
}

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

}  // namespace vqtest

template <typename Traits>
class BackendSuite : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vq-fw-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        vqtest::MakeTestResources(dir_);
        ASSERT_TRUE(fw::InitWithBackend(Traits::Make(), dir_.string()));
    }
    void TearDown() override {
        Traits::SetModalHook(nullptr);
        fw::Shutdown();
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
};

TYPED_TEST_SUITE_P(BackendSuite);

using vqtest::G;
using vqtest::RecordingDialog;

TYPED_TEST_P(BackendSuite, DialogFromTemplateHasItsControls) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.initCalls, 1);
    EXPECT_FALSE(dlg.IsWindowVisible());  // modeless dialogs wait to be shown
    EXPECT_EQ(dlg.GetWindowText(), G("测试"));
    // 200 x 100 dialog units at 6/4 and 13/8 pixels per unit.
    EXPECT_EQ(dlg.GetClientRect(), (fw::Rect{0, 0, 300, 163}));

    fw::WindowInfo info;
    ASSERT_TRUE(fw::GetWindowInfo(dlg.GetDlgItemHandle(11), info));
    EXPECT_EQ(info.kind, fw::ControlKind::Edit);
    EXPECT_EQ(info.rect, (fw::Rect{75, 7, 165, 27}));  // (50, 4) 60 x 12 units
    EXPECT_EQ(info.font.face, G("宋体"));
    EXPECT_EQ(info.font.pixelHeight, 12);  // 9 points at 96 dpi
    ASSERT_TRUE(fw::GetWindowInfo(dlg.GetDlgItemHandle(22), info));
    EXPECT_EQ(info.kind, fw::ControlKind::IpAddress);
    ASSERT_TRUE(fw::GetWindowInfo(dlg.GetDlgItemHandle(24), info));
    EXPECT_EQ(info.kind, fw::ControlKind::Html);
    EXPECT_FALSE(info.visible);

    EXPECT_EQ(dlg.GetDlgItemText(10), G("标签"));
    EXPECT_EQ(dlg.GetDlgItem(99), nullptr);
    EXPECT_FALSE(dlg.GetDlgItem(21)->IsWindowVisible());
    dlg.ShowWindow(fw::SW_SHOW);
    EXPECT_TRUE(dlg.GetDlgItem(10)->IsWindowVisible());
    EXPECT_FALSE(dlg.GetDlgItem(21)->IsWindowVisible());

    dlg.SetDlgItemText(11, G("用户"));
    EXPECT_EQ(dlg.GetDlgItemText(11), G("用户"));
    dlg.CheckDlgButton(15, fw::BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(15), fw::BST_CHECKED);
    dlg.CheckRadioButton(16, 18, 17);
    EXPECT_EQ(dlg.IsDlgButtonChecked(16), 0);
    EXPECT_EQ(dlg.IsDlgButtonChecked(17), 1);
    dlg.GetDlgItem(20)->EnableWindow(false);
    EXPECT_FALSE(dlg.GetDlgItem(20)->IsWindowEnabled());
    EXPECT_TRUE(dlg.GetDlgItem(11)->IsWindowEnabled());
}

TYPED_TEST_P(BackendSuite, ModalDialogReturnsTheEndDialogValue) {
    fw::Window owner;
    ASSERT_TRUE(
        owner.CreateEx(0, "owner", fw::WS_POPUP | fw::WS_VISIBLE, fw::Rect{0, 0, 50, 50}, nullptr));
    RecordingDialog dlg(9001, &owner);
    bool ownerDisabledDuring = false;
    dlg.onCommand = [&](fw::UINT id) {
        if (id == 20) {
            ownerDisabledDuring = !owner.IsWindowEnabled();
            dlg.EndDialog(42);
        }
    };
    fw::HWND seen = fw::kNoWindow;
    TypeParam::SetModalHook([&](fw::HWND h) {
        seen = h;
        fw::PostMessage(h, fw::WM_COMMAND, fw::MAKEWPARAM(20, fw::BN_CLICKED), 0);
    });
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_NE(seen, fw::kNoWindow);
    EXPECT_TRUE(ownerDisabledDuring);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_FALSE(fw::IsWindow(seen));  // the window goes when the loop ends
    EXPECT_EQ(dlg.destroyCalls, 1);

    // Escape in a modal dialog is Cancel.
    TypeParam::SetModalHook([](fw::HWND h) {
        fw::PostToUiThread([h] {
            fw::Window* w = fw::Window::FromHandle(h);
            fw::input::Key(w->GetDlgItemHandle(11), fw::VK_ESCAPE, true);
        });
    });
    RecordingDialog second(9001);
    EXPECT_EQ(second.DoModal(), fw::IDCANCEL);

    RecordingDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), fw::kDialogAborted);
}

TYPED_TEST_P(BackendSuite, ModelessDialogLivesUntilDestroyed) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    const fw::HWND h = dlg.GetSafeHwnd();
    const fw::HWND child = dlg.GetDlgItemHandle(11);
    dlg.ShowWindow(fw::SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.EndDialog(fw::IDCANCEL);  // a modeless dialog hides and stays
    EXPECT_TRUE(fw::IsWindow(h));
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.ShowWindow(fw::SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_FALSE(dlg.Create());  // created once
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_FALSE(fw::IsWindow(h));
    EXPECT_FALSE(fw::IsWindow(child));
    EXPECT_EQ(dlg.destroyCalls, 1);
    EXPECT_TRUE(dlg.ncDestroyed);
    EXPECT_FALSE(dlg.DestroyWindow());
    // A message to a window that is gone is dropped.
    EXPECT_EQ(fw::SendMessage(h, fw::WM_USER + 1, 1, 1), 0);
    EXPECT_FALSE(fw::PostMessage(h, fw::WM_USER + 1, 1, 1));
}

TYPED_TEST_P(BackendSuite, ClicksAndKeysReachTheDispatchFunction) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    using Cmd = std::pair<fw::UINT, fw::UINT>;

    EXPECT_TRUE(fw::input::Click(dlg.GetDlgItemHandle(20)));
    ASSERT_EQ(dlg.commands, (std::vector<Cmd>{{20, fw::BN_CLICKED}}));
    dlg.GetDlgItem(20)->EnableWindow(false);
    EXPECT_FALSE(fw::input::Click(dlg.GetDlgItemHandle(20)));
    EXPECT_EQ(dlg.commands.size(), 1u);

    // A press that leaves the button before the release is not a click.
    const fw::HWND ok = dlg.GetDlgItemHandle(1);
    fw::input::Mouse(ok, fw::WM_LBUTTONDOWN, {2, 2}, fw::MK_LBUTTON);
    fw::input::Mouse(ok, fw::WM_LBUTTONUP, {500, 2});
    EXPECT_EQ(dlg.commands.size(), 1u);

    fw::input::Click(dlg.GetDlgItemHandle(15));
    EXPECT_EQ(dlg.IsDlgButtonChecked(15), 1);
    fw::input::Click(dlg.GetDlgItemHandle(15));
    EXPECT_EQ(dlg.IsDlgButtonChecked(15), 0);

    // Radio buttons: one per group.
    dlg.CheckDlgButton(19, 1);
    fw::input::Click(dlg.GetDlgItemHandle(16));
    fw::input::Click(dlg.GetDlgItemHandle(18));
    EXPECT_EQ(dlg.IsDlgButtonChecked(16), 0);
    EXPECT_EQ(dlg.IsDlgButtonChecked(18), 1);
    EXPECT_EQ(dlg.IsDlgButtonChecked(19), 1);

    // Enter in a multi-line editor is a line break, not OK; elsewhere it is OK.
    const std::size_t before = dlg.commands.size();
    fw::input::Key(dlg.GetDlgItemHandle(14), fw::VK_RETURN, true);
    EXPECT_EQ(dlg.GetDlgItemText(14), "\r\n");
    fw::input::Key(dlg.GetDlgItemHandle(11), fw::VK_RETURN, true);
    ASSERT_GT(dlg.commands.size(), before);
    EXPECT_EQ(dlg.commands.back(), (Cmd{fw::IDOK, fw::BN_CLICKED}));
    EXPECT_FALSE(dlg.IsWindowVisible());  // OnOK of a modeless dialog hides it
}

// Tab goes round the shown, enabled tab stops in the order they were made, drawn buttons
// among them; Shift+Tab goes back. Space presses the focused button, and so does Enter once
// the keyboard brought the focus there; a drawn button reached by the keyboard wears a
// dotted ring until the mouse presses.
TYPED_TEST_P(BackendSuite, TabReachesDrawnButtonsAndSpacePressesThem) {
    RecordingDialog dlg(9010);
    vqtest::DrawnButton drawn;
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(drawn.SubclassDlgItem(20, &dlg));
    dlg.ShowWindow(fw::SW_SHOW);
    const fw::HWND edit = dlg.GetDlgItemHandle(11);
    const fw::HWND button = dlg.GetDlgItemHandle(20);
    const fw::HWND check = dlg.GetDlgItemHandle(15);
    const fw::HWND ok = dlg.GetDlgItemHandle(fw::IDOK);
    fw::input::Focus(edit);
    ASSERT_EQ(fw::GetFocus(), edit);

    std::vector<fw::HWND> order;
    for (int i = 0; i < 4; ++i) {
        fw::input::Key(fw::GetFocus(), fw::VK_TAB, true);
        order.push_back(fw::GetFocus());
    }
    EXPECT_EQ(order, (std::vector<fw::HWND>{button, check, ok, edit}));
    fw::input::Key(edit, fw::VK_TAB, true, fw::MK_SHIFT);
    EXPECT_EQ(fw::GetFocus(), ok);
    fw::input::Key(ok, fw::VK_TAB, true, fw::MK_SHIFT);
    fw::input::Key(check, fw::VK_TAB, true, fw::MK_SHIFT);
    ASSERT_EQ(fw::GetFocus(), button);

    // The ring: the corner pixel inside the button's edge, light, then dark two pixels on.
    const fw::Rect r = dlg.GetDlgItem(20)->GetRectInParent();
    fw::Bitmap shot = fw::RenderWindow(dlg.GetSafeHwnd());
    EXPECT_EQ(shot.GetPixel(r.left + 1, r.top + 1), fw::RGB(255, 255, 255));
    EXPECT_EQ(shot.GetPixel(r.left + 3, r.top + 1), fw::RGB(32, 32, 32));
    EXPECT_NE(drawn.states.back() & fw::ODS_FOCUS, 0u);

    using Cmd = std::pair<fw::UINT, fw::UINT>;
    dlg.commands.clear();
    fw::input::Key(button, fw::VK_SPACE, true);
    fw::input::Key(button, fw::VK_SPACE, false);
    fw::input::Key(button, fw::VK_RETURN, true);
    EXPECT_EQ(dlg.commands, (std::vector<Cmd>{{20, fw::BN_CLICKED}, {20, fw::BN_CLICKED}}));
    fw::input::Key(button, fw::VK_TAB, true);
    fw::input::Key(check, fw::VK_SPACE, true);
    EXPECT_EQ(dlg.IsDlgButtonChecked(15), 1);

    // After a mouse press the ring goes and Enter on the pressed button is OK again.
    fw::input::Click(button);
    shot = fw::RenderWindow(dlg.GetSafeHwnd());
    EXPECT_NE(shot.GetPixel(r.left + 1, r.top + 1), fw::RGB(255, 255, 255));
    dlg.commands.clear();
    fw::input::Key(button, fw::VK_RETURN, true);
    EXPECT_EQ(dlg.commands, (std::vector<Cmd>{{fw::IDOK, fw::BN_CLICKED}}));
}

TYPED_TEST_P(BackendSuite, NumberedMessagesArriveInOrder) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.SendMessage(fw::WM_USER + 25, 3, 4), 7);
    ASSERT_EQ(dlg.user.size(), 1u);
    EXPECT_EQ(dlg.user[0].id, fw::WM_USER + 25);

    EXPECT_TRUE(dlg.PostMessage(fw::WM_USER + 5, 1, 0));
    EXPECT_TRUE(dlg.PostMessage(fw::WM_USER + 6, 2, 0));
    EXPECT_EQ(dlg.user.size(), 1u);  // posted messages wait for the loop
    ASSERT_TRUE(vqtest::PumpUntil([&] { return dlg.user.size() == 3; }));
    EXPECT_EQ(dlg.user[1].id, fw::WM_USER + 5);
    EXPECT_EQ(dlg.user[2].id, fw::WM_USER + 6);
}

TYPED_TEST_P(BackendSuite, SendFromAnotherThreadWaitsForTheUiThread) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    const fw::HWND h = dlg.GetSafeHwnd();
    std::atomic<bool> handled{false};
    dlg.onUser = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        handled = true;
    };
    TypeParam::ScriptMessageBoxes({fw::IDYES});
    fw::LRESULT got = 0;
    bool handledBeforeReturn = false;
    int answer = 0;
    std::string textSeenByWorker;
    std::thread worker([&] {
        got = fw::SendMessage(h, fw::WM_USER + 25, 0, 1);
        handledBeforeReturn = handled;
        answer = fw::MessageBox(h, G("该账号已经在别处登录了！"), G("提示"),
                                fw::MB_YESNO | fw::MB_ICONQUESTION);
        // Window operations from this thread are carried out on the UI thread.
        dlg.SetDlgItemText(11, "worker");
        textSeenByWorker = dlg.GetDlgItemText(11);
        fw::PostQuitMessage(5);
    });
    EXPECT_EQ(fw::RunMessageLoop(), 5);
    worker.join();
    EXPECT_EQ(got, 1);
    EXPECT_TRUE(handledBeforeReturn);
    EXPECT_EQ(dlg.userThread, std::this_thread::get_id());
    EXPECT_EQ(answer, fw::IDYES);
    EXPECT_EQ(textSeenByWorker, "worker");
    const auto boxes = TypeParam::MessageBoxesSeen();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, G("该账号已经在别处登录了！"));
    EXPECT_EQ(boxes[0].caption, G("提示"));
    EXPECT_EQ(boxes[0].flags, fw::MB_YESNO | fw::MB_ICONQUESTION);
}

TYPED_TEST_P(BackendSuite, TimersFireUntilKilled) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.SetTimer(1, 100);
    dlg.SetTimer(2, 250);
    dlg.onTimer = [&](fw::UINT id) {
        if (id == 2) {
            dlg.KillTimer(2);  // a handler may stop its own timer
        }
    };
    TypeParam::LetTimePass(520);
    const auto count = [&](fw::UINT id) {
        return std::count(dlg.timers.begin(), dlg.timers.end(), id);
    };
    EXPECT_GE(count(1), 3);
    EXPECT_EQ(count(2), 1);
    EXPECT_TRUE(dlg.KillTimer(1));
    EXPECT_FALSE(dlg.KillTimer(1));
    const auto fired = dlg.timers.size();
    TypeParam::LetTimePass(300);
    EXPECT_EQ(dlg.timers.size(), fired);
}

TYPED_TEST_P(BackendSuite, MessageBoxesAreAnswered) {
    TypeParam::ScriptMessageBoxes({fw::IDNO});
    EXPECT_EQ(fw::MessageBox(fw::kNoWindow, G("你确定要重新登录吗？"), G("确认信息："),
                             fw::MB_YESNO | fw::MB_ICONQUESTION),
              fw::IDNO);
    EXPECT_EQ(fw::AfxMessageBox("QUEST FAILED!"), fw::IDOK);
    const auto boxes = TypeParam::MessageBoxesSeen();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, G("确认信息："));
    EXPECT_EQ(boxes[1].text, "QUEST FAILED!");
    EXPECT_EQ(boxes[1].caption, fw::GetAppName());
    EXPECT_EQ(boxes[1].flags & fw::MB_TYPEMASK, fw::MB_OK);
}

TYPED_TEST_P(BackendSuite, MenuChoiceArrivesAsCommand) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::Menu menu;
    ASSERT_TRUE(menu.LoadMenu(9100));
    fw::Menu* sub = menu.GetSubMenu(0);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetMenuItemCount(), 3);
    EXPECT_EQ(sub->GetMenuItemID(0), 32001u);
    EXPECT_EQ(sub->GetMenuItemID(1), fw::kNoMenuItem);  // the separator
    EXPECT_EQ(sub->GetDefaultItem(), 32002u);
    EXPECT_TRUE(sub->SetDefaultItem(0, true));
    EXPECT_EQ(sub->GetDefaultItem(), 32001u);
    EXPECT_EQ(menu.GetSubMenu(3), nullptr);

    TypeParam::ScriptMenus({32002});
    EXPECT_NE(sub->TrackPopupMenu(fw::TPM_LEFTBUTTON, 100, 200, &dlg), 0u);
    ASSERT_TRUE(vqtest::PumpUntil([&] { return !dlg.commands.empty(); }));
    EXPECT_EQ(dlg.commands.back(), (std::pair<fw::UINT, fw::UINT>{32002, 0}));

    TypeParam::ScriptMenus({32001});
    EXPECT_EQ(sub->TrackPopupMenu(fw::TPM_RETURNCMD, 0, 0, &dlg), 32001u);
    TypeParam::ScriptMenus({});
    EXPECT_EQ(sub->TrackPopupMenu(0, 0, 0, &dlg), 0u);
    fw::PumpPending();
    EXPECT_EQ(dlg.commands.size(), 1u);

    fw::Menu none;
    EXPECT_FALSE(none.LoadMenu(4242));
    EXPECT_EQ(none.GetSubMenu(0), nullptr);
}

TYPED_TEST_P(BackendSuite, OwnerDrawTransparencyAndRegionsPixelByPixel) {
    vqtest::NavyDialog dlg(9002);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    vqtest::DrawnButton button;
    ASSERT_TRUE(button.SubclassDlgItem(30, &dlg));
    const fw::Color navy = fw::RGB(0, 0, 128);

    fw::Bitmap shot = fw::RenderWindow(dlg.GetSafeHwnd());
    ASSERT_EQ(shot.GetSize(), (fw::Size{40, 30}));
    EXPECT_EQ(shot.GetPixel(0, 0), navy);
    EXPECT_EQ(shot.GetPixel(10, 10), fw::RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(11, 10), navy);  // magenta shows the parent
    EXPECT_EQ(shot.GetPixel(12, 10), fw::RGB(0, 255, 0));
    EXPECT_EQ(shot.GetPixel(13, 10), fw::RGB(0, 0, 255));
    EXPECT_EQ(shot.GetPixel(10, 11), navy);
    EXPECT_EQ(shot.GetPixel(15, 13), navy);  // inside the button, not painted by it
    ASSERT_FALSE(button.states.empty());
    EXPECT_EQ(button.states.back() & fw::ODS_SELECTED, 0u);

    // Pressed and disabled states reach the drawing code.
    fw::input::Mouse(button.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {1, 1}, fw::MK_LBUTTON);
    fw::RenderWindow(dlg.GetSafeHwnd());
    EXPECT_NE(button.states.back() & fw::ODS_SELECTED, 0u);
    fw::input::Mouse(button.GetSafeHwnd(), fw::WM_LBUTTONUP, {1, 1});
    EXPECT_EQ(dlg.commands.back(), (std::pair<fw::UINT, fw::UINT>{30, fw::BN_CLICKED}));
    button.EnableWindow(false);
    fw::RenderWindow(dlg.GetSafeHwnd());
    EXPECT_NE(button.states.back() & fw::ODS_DISABLED, 0u);

    // A child's region clips what it shows.
    fw::Region shape(fw::Rect{0, 0, 8, 6});
    shape.Difference(fw::Region(fw::Rect{0, 0, 1, 1}));
    button.SetWindowRgn(shape);
    shot = fw::RenderWindow(dlg.GetSafeHwnd());
    EXPECT_EQ(shot.GetPixel(10, 10), navy);
    EXPECT_EQ(shot.GetPixel(12, 10), fw::RGB(0, 255, 0));

    // The window's own shape is kept for the backend.
    fw::Region cut(fw::Rect{0, 0, 40, 30});
    cut.Difference(fw::Region(fw::Rect{0, 0, 2, 1}))
        .Difference(fw::Region(fw::Rect{39, 29, 40, 30}));
    dlg.SetWindowRgn(cut);
    fw::WindowInfo info;
    ASSERT_TRUE(fw::GetWindowInfo(dlg.GetSafeHwnd(), info));
    EXPECT_TRUE(info.hasRegion);
    EXPECT_FALSE(info.region.Contains({1, 0}));
    EXPECT_FALSE(info.region.Contains({39, 29}));
    EXPECT_TRUE(info.region.Contains({2, 0}));
    EXPECT_EQ(info.region.Area(), 40 * 30 - 3);
}

TYPED_TEST_P(BackendSuite, EditsApplyTheirRules) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    const fw::HWND name = dlg.GetDlgItemHandle(11);
    dlg.SendDlgItemMessage(11, fw::EM_LIMITTEXT, 3);
    EXPECT_EQ(fw::input::Type(name, G("提示ab")), 3);  // characters, not bytes
    EXPECT_EQ(dlg.GetDlgItemText(11), G("提示a"));
    EXPECT_EQ(std::count(dlg.commands.begin(), dlg.commands.end(),
                         std::pair<fw::UINT, fw::UINT>{11, fw::EN_CHANGE}),
              1);
    // The program itself is not bound by the limit.
    dlg.SetDlgItemText(11, "abcdef");
    EXPECT_EQ(dlg.GetDlgItemText(11), "abcdef");

    EXPECT_EQ(fw::input::Type(dlg.GetDlgItemHandle(13), "12a3"), 3);
    EXPECT_EQ(dlg.GetDlgItemText(13), "123");

    static_cast<fw::Edit*>(dlg.GetDlgItem(13))->SetReadOnly(true);
    EXPECT_EQ(fw::input::Type(dlg.GetDlgItemHandle(13), "4"), 0);

    // A password shows as stars.
    dlg.SetDlgItemText(12, "secret");
    std::vector<fw::TextRecord> texts;
    fw::RenderWindow(dlg.GetSafeHwnd(), texts);
    bool sawStars = false;
    for (const auto& t : texts) {
        EXPECT_NE(t.text, "secret");
        sawStars = sawStars || t.text == "******";
    }
    EXPECT_TRUE(sawStars);

    auto* ip = static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(22));
    std::uint8_t a = 9, b = 9, c = 9, d = 9;
    EXPECT_EQ(ip->GetAddress(a, b, c, d), 0);
    ip->SetAddress(192, 168, 1, 20);
    EXPECT_EQ(ip->GetAddress(a, b, c, d), 4);
    EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{192, 168, 1, 20}));
    EXPECT_EQ(ip->GetWindowText(), "192.168.1.20");
}

TYPED_TEST_P(BackendSuite, RichEditKeepsPicturesAsCharacters) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::RichEdit edit;
    ASSERT_TRUE(edit.Create(fw::WS_VISIBLE | fw::ES_MULTILINE, fw::Rect{0, 0, 100, 40}, &dlg, 40));
    edit.SetEventMask(edit.GetEventMask() | fw::ENM_CHANGE);
    edit.LimitText(500);
    EXPECT_EQ(fw::input::Type(edit.GetSafeHwnd(), std::string(501, 'a')), 500);
    EXPECT_EQ(edit.GetTextLength(), 500);
    EXPECT_EQ(fw::input::Type(edit.GetSafeHwnd(), "b"), 0);

    edit.Clear();
    EXPECT_EQ(edit.GetTextLength(), 0);
    auto picture = std::make_shared<const fw::Bitmap>(20, 20);
    edit.ReplaceSel(G("提x"));
    edit.InsertPicture(picture, 3);
    edit.ReplaceSel("y");
    EXPECT_EQ(edit.GetTextLength(), 4);
    ASSERT_EQ(edit.GetObjectCount(), 1);
    fw::RichObjectInfo obj;
    ASSERT_TRUE(edit.GetObjectInfo(0, obj));
    EXPECT_EQ(obj.cp, 2);
    EXPECT_EQ(obj.user, 3u);
    EXPECT_FALSE(edit.GetObjectInfo(1, obj));
    EXPECT_EQ(edit.GetTextRange(0, 2), G("提x"));
    EXPECT_EQ(edit.GetTextRange(3, 4), "y");
    // Replacing a selection that holds the picture removes it.
    edit.SetSel(1, 3);
    edit.ReplaceSel("-");
    EXPECT_EQ(edit.GetObjectCount(), 0);
    EXPECT_EQ(edit.GetWindowText(), G("提-y"));
}

TYPED_TEST_P(BackendSuite, RichEditFindsLinksAndReportsClicksOnThem) {
    TypeParam::CaptureOpenedUrls(this->dir_);
    vqtest::LinkDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    fw::RichEdit view;
    ASSERT_TRUE(view.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_READONLY,
                            fw::Rect{0, 0, 200, 80}, &dlg, 1034));
    view.SetEventMask(view.GetEventMask() | fw::ENM_LINK);
    const std::string address = "http://news.example.cn/a?id=7";
    view.ReplaceSel(G("新闻：") + address + G(", 另见www.example.cn。"));
    EXPECT_TRUE(view.GetLinks().empty());  // detection is off until asked for
    EXPECT_FALSE(fw::input::ClickRichEditChar(view.GetSafeHwnd(), 10));

    view.SetAutoUrlDetect(true);
    EXPECT_TRUE(view.GetAutoUrlDetect());
    // Three characters before the address; the comma after it and the full stop after the
    // second address end them.
    const std::vector<fw::RichLink> links = view.GetLinks();
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].range, (fw::CharRange{3, 32}));
    EXPECT_EQ(links[0].text, address);
    EXPECT_EQ(links[1].range, (fw::CharRange{36, 50}));
    EXPECT_EQ(links[1].text, "www.example.cn");

    // A click on the first: press and release reported with the range, then it opens.
    EXPECT_TRUE(fw::input::ClickRichEditChar(view.GetSafeHwnd(), 31));
    ASSERT_EQ(dlg.links.size(), 2u);
    EXPECT_EQ(dlg.links[0].msg, fw::WM_LBUTTONDOWN);
    EXPECT_EQ(dlg.links[1].msg, fw::WM_LBUTTONUP);
    EXPECT_EQ(dlg.links[1].id, 1034u);
    EXPECT_EQ(dlg.links[1].range, (fw::CharRange{3, 32}));
    EXPECT_EQ(dlg.links[1].text, address);
    EXPECT_EQ(TypeParam::UrlsOpened(1), (std::vector<std::string>{address}));

    // A parent that takes the release keeps the link from opening.
    dlg.swallowRelease = 1;
    EXPECT_TRUE(fw::input::ClickRichEditChar(view.GetSafeHwnd(), 36));
    EXPECT_EQ(dlg.links.back().range, (fw::CharRange{36, 50}));
    dlg.swallowRelease = 0;
    // Without link notifications the parent hears nothing and the link still opens; an
    // address without a scheme opens as a web address.
    view.SetEventMask(fw::ENM_NONE);
    EXPECT_TRUE(fw::input::ClickRichEditChar(view.GetSafeHwnd(), 40));
    EXPECT_EQ(dlg.links.size(), 4u);
    EXPECT_EQ(TypeParam::UrlsOpened(2),
              (std::vector<std::string>{address, "http://www.example.cn"}));

    // Text outside links, and a picture, are not links; a picture ends an address.
    EXPECT_FALSE(fw::input::ClickRichEditChar(view.GetSafeHwnd(), 1));
    view.SetSel(-1, -1);
    view.ReplaceSel(" ftp://host/x");
    view.InsertPicture(std::make_shared<const fw::Bitmap>(4, 4), 14);
    view.ReplaceSel(G("yz mailto:a@b.cn httpx://no xwww.no www."));
    std::vector<std::string> texts;
    for (const fw::RichLink& l : view.GetLinks()) {
        texts.push_back(l.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{address, "www.example.cn", "ftp://host/x",
                                               "mailto:a@b.cn"}));
}

TYPED_TEST_P(BackendSuite, RichEditSelectionLimitFontAndKeys) {
    vqtest::LinkDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    fw::RichEdit input;
    ASSERT_TRUE(input.Create(fw::WS_VISIBLE | fw::ES_MULTILINE | fw::ES_WANTRETURN,
                             fw::Rect{0, 100, 200, 140}, &dlg, 1035));
    input.SetEventMask(input.GetEventMask() | fw::ENM_CHANGE | fw::ENM_LINK);
    const fw::Font song = fw::Font::FromHeight(G("宋体"), 12, fw::FW_NORMAL);
    input.SetFont(song);
    fw::WindowInfo info;
    ASSERT_TRUE(fw::GetWindowInfo(input.GetSafeHwnd(), info));
    EXPECT_EQ(info.font, song);

    // The user puts the caret between the characters; a picture goes in there.
    input.SetFocus();
    fw::input::Type(input.GetSafeHwnd(), G("你好"));
    fw::input::Select(input.GetSafeHwnd(), 1, 1);
    int start = -1, end = -1;
    input.GetSel(start, end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 1);
    input.InsertPicture(std::make_shared<const fw::Bitmap>(20, 20), 14);
    fw::RichObjectInfo obj;
    ASSERT_TRUE(input.GetObjectInfo(0, obj));
    EXPECT_EQ(obj.cp, 1);
    fw::CharRange range;
    input.SendMessage(fw::EM_EXGETSEL, 0, fw::LPARAM(&range));
    EXPECT_EQ(range, (fw::CharRange{2, 2}));  // the caret follows the picture
    const fw::CharRange all{0, -1};
    input.SendMessage(fw::EM_EXSETSEL, 0, fw::LPARAM(&all));
    input.GetSel(start, end);
    EXPECT_EQ(end, 3);

    // Ctrl+Enter reaches the dialog first and is consumed; Enter alone is a line break.
    const int changes = dlg.Count(1035, fw::EN_CHANGE);
    fw::input::Select(input.GetSafeHwnd(), 3, 3);
    fw::input::Key(input.GetSafeHwnd(), fw::VK_RETURN, true, fw::MK_CONTROL);
    EXPECT_EQ(dlg.ctrlEnters, (std::vector<fw::HWND>{input.GetSafeHwnd()}));
    EXPECT_EQ(input.GetTextLength(), 3);
    fw::input::Key(input.GetSafeHwnd(), fw::VK_RETURN, true, 0);
    EXPECT_EQ(input.GetTextRange(3, -1), "\r\n");
    EXPECT_EQ(dlg.Count(1035, fw::EN_CHANGE), changes + 1);
    EXPECT_TRUE(dlg.IsWindowVisible());  // not taken for OK

    // The limit counts a picture as one character.
    input.Clear();
    input.LimitText(3);
    EXPECT_EQ(input.SendMessage(fw::EM_GETLIMITTEXT), 3);
    fw::input::Type(input.GetSafeHwnd(), "ab");
    input.InsertPicture(std::make_shared<const fw::Bitmap>(20, 20), 3);
    EXPECT_EQ(fw::input::Type(input.GetSafeHwnd(), "c"), 0);
    EXPECT_EQ(input.GetTextLength(), 3);
    // Read-only refuses the user, not the program.
    input.LimitText(0);
    input.SetReadOnly(true);
    EXPECT_EQ(fw::input::Type(input.GetSafeHwnd(), "d"), 0);
    input.ReplaceSel("e");
    EXPECT_EQ(input.GetTextLength(), 4);
}

TYPED_TEST_P(BackendSuite, FocusLeavesWithAClickElsewhereOrToAnotherProgram) {
    vqtest::LinkDialog first(9001);
    vqtest::LinkDialog second(9001);
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(second.Create());
    first.ShowWindow(fw::SW_SHOW);
    second.ShowWindow(fw::SW_SHOW);
    first.SetFocus();
    ASSERT_EQ(fw::GetFocus(), first.GetSafeHwnd());
    // A press inside the same window leaves the focus alone; one in another window takes it.
    fw::input::Mouse(first.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {1, 1}, fw::MK_LBUTTON);
    fw::input::Mouse(first.GetSafeHwnd(), fw::WM_LBUTTONUP, {1, 1});
    EXPECT_EQ(first.killFocus, 0);
    fw::input::Mouse(second.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {1, 1}, fw::MK_LBUTTON);
    fw::input::Mouse(second.GetSafeHwnd(), fw::WM_LBUTTONUP, {1, 1});
    EXPECT_EQ(first.killFocus, 1);
    EXPECT_EQ(fw::GetFocus(), second.GetSafeHwnd());
    fw::input::Focus(fw::kNoWindow);
    EXPECT_EQ(second.killFocus, 1);
    EXPECT_EQ(fw::GetFocus(), fw::kNoWindow);
}

TYPED_TEST_P(BackendSuite, ToolTipShowsTheTextOfTheToolUnderThePointer) {
    RecordingDialog owner(9002);
    ASSERT_TRUE(owner.Create());
    owner.ShowWindow(fw::SW_SHOW);
    fw::ToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&owner));
    ASSERT_TRUE(tip.AddTool(1000, fw::Rect{0, 0, 20, 20}, "/:O"));
    ASSERT_TRUE(tip.AddTool(1001, fw::Rect{20, 0, 40, 20}, "/:-/"));
    tip.SetTipTextColor(fw::RGB(0, 128, 128));
    EXPECT_EQ(tip.GetToolCount(), 2);
    const auto move = [&](int x, int y) {
        tip.RelayEvent(fw::Msg{fw::WM_MOUSEMOVE, 0, fw::MAKELPARAM(x, y)});
    };
    move(5, 5);
    EXPECT_EQ(tip.ShownTool(), 0u);  // not at once
    EXPECT_FALSE(tip.IsWindowVisible());
    TypeParam::LetTimePass(int(fw::ToolTipCtrl::kInitialDelayMs) + 200);
    EXPECT_EQ(tip.ShownTool(), 1000u);
    EXPECT_TRUE(tip.IsWindowVisible());
    EXPECT_EQ(tip.GetWindowText(), "/:O");
    std::vector<fw::TextRecord> texts;
    fw::RenderWindow(tip.GetSafeHwnd(), texts);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().text, "/:O");
    EXPECT_EQ(texts.back().color, fw::RGB(0, 128, 128));
    // From one tool to the next the tip follows at once; outside every tool it goes.
    move(25, 5);
    EXPECT_EQ(tip.ShownTool(), 1001u);
    EXPECT_EQ(tip.GetWindowText(), "/:-/");
    move(35, 25);
    EXPECT_EQ(tip.ShownTool(), 0u);
    EXPECT_FALSE(tip.IsWindowVisible());
    move(5, 5);
    tip.RelayEvent(fw::Msg{fw::WM_LBUTTONDOWN, fw::MK_LBUTTON, fw::MAKELPARAM(5, 5)});
    TypeParam::LetTimePass(int(fw::ToolTipCtrl::kInitialDelayMs) + 200);
    EXPECT_EQ(tip.ShownTool(), 0u);  // the press cancelled the wait
    // It goes with its owner.
    const fw::HWND tipHandle = tip.GetSafeHwnd();
    owner.DestroyWindow();
    EXPECT_FALSE(fw::IsWindow(tipHandle));
}

TYPED_TEST_P(BackendSuite, WindowPlacementAndState) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    dlg.MoveWindow(10, 20, 200, 100);
    EXPECT_EQ(dlg.GetWindowRect(), (fw::Rect{10, 20, 210, 120}));
    fw::Window* edit = dlg.GetDlgItem(11);
    EXPECT_EQ(edit->GetWindowRect(), (fw::Rect{85, 27, 175, 47}));
    EXPECT_EQ(dlg.ScreenToClient(fw::Point{15, 25}), (fw::Point{5, 5}));

    dlg.CenterWindow();
    const fw::Rect area = fw::GetWorkArea();
    const fw::Rect r = dlg.GetWindowRect();
    EXPECT_LE(std::abs((r.left - area.left) - (area.right - r.right)), 1);
    EXPECT_LE(std::abs((r.top - area.top) - (area.bottom - r.bottom)), 1);

    dlg.SetWindowPos(fw::HWND_TOPMOST, 0, 0, 0, 0, fw::SWP_NOMOVE | fw::SWP_NOSIZE);
    EXPECT_NE(dlg.GetExStyle() & fw::WS_EX_TOPMOST, 0u);
    dlg.ShowWindow(fw::SW_MINIMIZE);
    EXPECT_TRUE(dlg.IsIconic());
    EXPECT_EQ(dlg.sizes.back(), fw::SIZE_MINIMIZED);
    dlg.ShowWindow(fw::SW_RESTORE);
    EXPECT_FALSE(dlg.IsIconic());
    dlg.SetIcon(131, true);
    EXPECT_EQ(dlg.GetIcon(true), 131u);
}

REGISTER_TYPED_TEST_SUITE_P(
    BackendSuite, TabReachesDrawnButtonsAndSpacePressesThem, DialogFromTemplateHasItsControls,
    ModalDialogReturnsTheEndDialogValue, ModelessDialogLivesUntilDestroyed,
    ClicksAndKeysReachTheDispatchFunction, NumberedMessagesArriveInOrder,
    SendFromAnotherThreadWaitsForTheUiThread, TimersFireUntilKilled, MessageBoxesAreAnswered,
    MenuChoiceArrivesAsCommand, OwnerDrawTransparencyAndRegionsPixelByPixel, EditsApplyTheirRules,
    RichEditKeepsPicturesAsCharacters, RichEditFindsLinksAndReportsClicksOnThem,
    RichEditSelectionLimitFontAndKeys, FocusLeavesWithAClickElsewhereOrToAnotherProgram,
    ToolTipShowsTheTextOfTheToolUnderThePointer, WindowPlacementAndState);
