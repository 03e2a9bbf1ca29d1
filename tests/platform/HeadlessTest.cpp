// The shared backend suite on the headless backend, and what only the headless backend
// offers: the virtual clock, records, scripts and the stall guard.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/headless/Headless.h"
#include "tests/platform/BackendSuite.h"

namespace {

struct HeadlessTraits {
    static std::unique_ptr<fw::Backend> Make() { return fw::headless::CreateBackend(); }
    static void LetTimePass(int ms) { fw::headless::AdvanceClock(ms); }
    static void ScriptMessageBoxes(std::vector<int> answers) {
        fw::headless::ScriptMessageBoxes(std::move(answers));
    }
    static std::vector<vqtest::BoxSeen> MessageBoxesSeen() {
        std::vector<vqtest::BoxSeen> out;
        for (const auto& b : fw::headless::MessageBoxes()) {
            out.push_back({b.text, b.caption, b.flags, b.answer});
        }
        return out;
    }
    static void ScriptMenus(std::vector<fw::UINT> choices) {
        fw::headless::ScriptMenus(std::move(choices));
    }
    static void SetModalHook(std::function<void(fw::HWND)> hook) {
        fw::headless::SetModalHook(std::move(hook));
    }
    static void CaptureOpenedUrls(const std::filesystem::path&) {}
    static std::vector<std::string> UrlsOpened(std::size_t) { return fw::headless::UrlsOpened(); }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, BackendSuite, ::testing::Types<HeadlessTraits>);

namespace {

using vqtest::G;
using vqtest::RecordingDialog;

class HeadlessTest : public BackendSuite<HeadlessTraits> {};

TEST_F(HeadlessTest, VirtualClockFiresDueTimersInTimeOrder) {
    RecordingDialog a(9001), b(9001);
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    std::vector<std::pair<char, fw::UINT>> order;
    std::vector<std::int64_t> at;
    a.onTimer = [&](fw::UINT id) {
        order.emplace_back('a', id);
        at.push_back(fw::GetTickCount());
    };
    b.onTimer = [&](fw::UINT id) {
        order.emplace_back('b', id);
        at.push_back(fw::GetTickCount());
    };
    a.SetTimer(1, 500);
    b.SetTimer(2, 1200);
    a.SetTimer(3, 300);
    fw::headless::AdvanceClock(1300);
    const std::vector<std::pair<char, fw::UINT>> expected = {{'a', 3}, {'a', 1}, {'a', 3}, {'a', 3},
                                                             {'a', 1}, {'b', 2}, {'a', 3}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(at, (std::vector<std::int64_t>{300, 500, 600, 900, 1000, 1200, 1200}));
    EXPECT_EQ(fw::headless::Now(), 1300);
    // Nothing fires without the clock moving.
    fw::PumpPending();
    EXPECT_EQ(order.size(), expected.size());
    // Setting a timer again starts its period anew.
    a.SetTimer(1, 500);  // due at 1800, not 1500
    fw::headless::AdvanceClock(250);
    EXPECT_EQ(order.size(), expected.size() + 1);  // timer 3 at 1500
    EXPECT_EQ(order.back(), (std::pair<char, fw::UINT>{'a', 3}));
}

TEST_F(HeadlessTest, ClockAdvancedFromAnotherThreadFiresOnTheUiThread) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    std::thread::id ranOn;
    dlg.onTimer = [&](fw::UINT) {
        ranOn = std::this_thread::get_id();
        fw::PostQuitMessage(0);
    };
    dlg.SetTimer(7, 100);
    std::thread driver([] { fw::headless::AdvanceClock(100); });
    fw::RunMessageLoop();
    driver.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(HeadlessTest, ForgottenModalDialogEndsInsteadOfHanging) {
    fw::headless::SetStallTimeoutMs(30);
    RecordingDialog dlg(9001);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dlg.DoModal(), fw::kDialogAborted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(dlg.IsWindow());
}

TEST_F(HeadlessTest, DesktopServicesAreRecorded) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    dlg.SetWindowText(G("主窗口"));
    EXPECT_TRUE(
        fw::PlaySound(277, fw::SND_RESOURCE | fw::SND_ASYNC));  // no such resource: harmless
    EXPECT_EQ(fw::headless::SoundsPlayed(), (std::vector<fw::UINT>{277}));
    EXPECT_TRUE(fw::OpenUrl("http://127.0.0.1/console"));
    EXPECT_EQ(fw::headless::UrlsOpened(), (std::vector<std::string>{"http://127.0.0.1/console"}));
    EXPECT_TRUE(fw::StartNewInstance({"--backend=headless"}));
    ASSERT_EQ(fw::headless::ProcessesStarted().size(), 1u);
    EXPECT_EQ(fw::headless::ProcessesStarted()[0].args,
              (std::vector<std::string>{"--backend=headless"}));

    // A left-button drag starts the system move of the top-level window, also from a child.
    dlg.GetDlgItem(11)->SendMessage(fw::WM_SYSCOMMAND, fw::SC_DRAGMOVE, 0);
    EXPECT_EQ(fw::headless::SystemMoves(), (std::vector<fw::HWND>{dlg.GetSafeHwnd()}));
    dlg.SendMessage(fw::WM_SYSCOMMAND, fw::SC_MINIMIZE, 0);
    EXPECT_TRUE(dlg.IsIconic());

    fw::headless::SetForeignWindows({{77, G("行情软件"), false, true}});
    const auto windows = fw::EnumTopLevelWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_TRUE(windows[0].own);
    EXPECT_EQ(windows[0].title, G("主窗口"));
    EXPECT_EQ(windows[1].title, G("行情软件"));
    EXPECT_TRUE(fw::BringToForeground(windows[1]));
    EXPECT_EQ(fw::headless::ForeignForegroundCalls(), (std::vector<std::uint64_t>{77}));
    EXPECT_TRUE(fw::BringToForeground(windows[0]));
    EXPECT_EQ(fw::GetForegroundWindow(), dlg.GetSafeHwnd());
}

// A window that limits how small the user may make it.
class SizedWindow : public fw::Window {
public:
    void OnGetMinMaxInfo(fw::MinMaxInfo& info) override { info.minTrackSize = {250, 600}; }
};

TEST_F(HeadlessTest, SizeLimitsComeFromTheWindow) {
    SizedWindow w;
    ASSERT_TRUE(w.CreateEx(0, "w", fw::WS_POPUP, fw::Rect{0, 0, 300, 700}, nullptr));
    fw::headless::SetScreen({1024, 768}, {0, 0, 1024, 740});
    const fw::MinMaxInfo info = fw::QueryMinMaxInfo(w.GetSafeHwnd());
    EXPECT_EQ(info.minTrackSize, (fw::Point{250, 600}));
    EXPECT_EQ(info.maxTrackSize, (fw::Point{1024, 768}));
}

// A window that shows the hand over itself.
class HandWindow : public fw::Window {
public:
    bool OnSetCursor() override {
        fw::SetCursor(fw::Cursor::Hand);
        return true;
    }
};

TEST_F(HeadlessTest, TheWindowUnderThePointerChoosesTheCursor) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    HandWindow hand;
    ASSERT_TRUE(hand.SubclassDlgItem(20, &dlg));
    dlg.MoveWindow(100, 50, 300, 163);
    fw::input::Mouse(hand.GetSafeHwnd(), fw::WM_MOUSEMOVE, {1, 1});
    EXPECT_EQ(fw::headless::CurrentCursor(), fw::Cursor::Hand);
    // The pointer follows the input: button 20 sits at (6, 130) in the dialog.
    EXPECT_EQ(fw::GetCursorPos(), (fw::Point{107, 181}));
    fw::input::Mouse(dlg.GetDlgItemHandle(10), fw::WM_MOUSEMOVE, {1, 1});
    EXPECT_EQ(fw::headless::CurrentCursor(), fw::Cursor::Arrow);
}

TEST_F(HeadlessTest, TrayIconsNeedATrayAndAnOwner) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::NotifyIconData nid;
    nid.hWnd = dlg.GetSafeHwnd();
    nid.uID = 150;
    nid.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    nid.uCallbackMessage = 1026;
    nid.hIcon = 128;
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_MODIFY, &nid));  // not there yet
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_ADD, &nid));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_ADD, &nid));
    nid.hIcon = 218;
    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_MODIFY, &nid));
    ASSERT_EQ(fw::headless::TrayIcons().size(), 1u);
    EXPECT_EQ(fw::headless::TrayIcons()[0].hIcon, 218u);

    fw::input::TrayEvent(dlg.GetSafeHwnd(), 150, 1026, fw::WM_RBUTTONUP);
    ASSERT_TRUE(vqtest::PumpUntil([&] { return !dlg.user.empty(); }));
    EXPECT_EQ(dlg.user[0].id, 1026u);
    EXPECT_EQ(dlg.user[0].wParam, 150u);
    EXPECT_EQ(dlg.user[0].lParam, fw::LPARAM(fw::WM_RBUTTONUP));

    EXPECT_TRUE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &nid));
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_DELETE, &nid));
    fw::headless::SetTrayAvailable(false);
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_ADD, &nid));
    fw::headless::SetTrayAvailable(true);
    nid.hWnd = 0x7fffffff;  // not a window
    EXPECT_FALSE(fw::Shell_NotifyIcon(fw::NIM_ADD, &nid));
}

TEST_F(HeadlessTest, MenusAreRecordedWithTheirItems) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    fw::Menu menu;
    ASSERT_TRUE(menu.LoadMenu(9100));
    fw::headless::ScriptMenus({40000});  // not an item: dismisses
    EXPECT_EQ(menu.GetSubMenu(0)->TrackPopupMenu(fw::TPM_RETURNCMD, 5, 6, &dlg), 0u);
    const auto menus = fw::headless::Menus();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].itemIds, (std::vector<fw::UINT>{32001, 32002}));
    EXPECT_EQ(menus[0].itemTexts[1], G("第二"));
    EXPECT_EQ(menus[0].defaultId, 32002u);
    EXPECT_EQ(menus[0].at, (fw::Point{5, 6}));
    EXPECT_EQ(menus[0].owner, dlg.GetSafeHwnd());
}

TEST_F(HeadlessTest, ShutdownReleasesAWaitingSender) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    const fw::HWND h = dlg.GetSafeHwnd();
    std::atomic<bool> returned{false};
    fw::LRESULT got = -1;
    std::thread worker([&] {
        got = fw::SendMessage(h, fw::WM_USER + 9, 1, 1);
        returned = true;
    });
    // The UI thread never pumps: only the shutdown can let the worker go.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    dlg.DestroyWindow();
    fw::Shutdown();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(got, 0);
}

// A loopback connection: the client end is watched, the server end writes and closes.
class SocketSelectTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(::listen(listener_, 1), 0);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        client_ = ::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(::connect(client_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        server_ = ::accept(listener_, nullptr, nullptr);
        ASSERT_GE(server_, 0);
    }
    void TearDown() override {
        for (int fd : {client_, server_, listener_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        HeadlessTest::TearDown();
    }
    int listener_ = -1, client_ = -1, server_ = -1;
};

TEST_F(SocketSelectTest, ReadAndCloseArriveAsWindowMessages) {
    RecordingDialog dlg(9001);
    ASSERT_TRUE(dlg.Create());
    std::string received;
    dlg.onUser = [&] {
        const fw::Msg m = dlg.user.back();
        if (m.lParam == fw::FD_READ) {
            char buf[1024];
            const ssize_t n = ::recv(int(m.wParam), buf, sizeof buf, 0);
            if (n > 0) {
                received.append(buf, std::size_t(n));
            }
        }
    };
    ASSERT_TRUE(
        fw::AsyncSelect(client_, dlg.GetSafeHwnd(), fw::WM_USER + 100, fw::FD_READ | fw::FD_CLOSE));
    ASSERT_EQ(::send(server_, "abc", 3, 0), 3);
    ASSERT_TRUE(vqtest::PumpUntil([&] { return received == "abc"; }));
    ASSERT_EQ(dlg.user.size(), 1u);  // one notice for one read
    EXPECT_EQ(dlg.user[0].wParam, fw::WPARAM(client_));

    ::close(server_);
    server_ = -1;
    ASSERT_TRUE(vqtest::PumpUntil([&] { return dlg.user.back().lParam == fw::FD_CLOSE; }));
    const auto count = dlg.user.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    fw::PumpPending();
    EXPECT_EQ(dlg.user.size(), count);  // the close comes once
    EXPECT_FALSE(fw::AsyncSelect(client_, 0x7fffffff, fw::WM_USER + 100, fw::FD_READ));
}

}  // namespace

namespace {

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) {
            old_ = v;
            had_ = true;
        }
    }
    ~EnvGuard() {
        if (had_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(BackendChoiceTest, OptionThenEnvironmentThenDisplay) {
    EnvGuard backend("VQ_BACKEND"), display("DISPLAY"), wayland("WAYLAND_DISPLAY"),
        res("VQ_RES_DIR");
    ::unsetenv("VQ_BACKEND");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    char prog[] = "Orvanel";
    char opt[] = "--backend=headless";
    char other[] = "--user=x";
    char* plain[] = {prog, other};
    char* withOption[] = {prog, other, opt};
    EXPECT_EQ(fw::ChooseBackendName(2, plain), "headless");
    ::setenv("DISPLAY", ":0", 1);
    // A display alone chooses Qt only when a Qt backend is linked in.
    EXPECT_EQ(fw::ChooseBackendName(2, plain), fw::HasBackend("qt") ? "qt" : "headless");
    fw::RegisterBackend("qt", [] { return fw::headless::CreateBackend(); });
    EXPECT_EQ(fw::ChooseBackendName(2, plain), "qt");
    ::unsetenv("DISPLAY");
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(fw::ChooseBackendName(2, plain), "qt");
    ::setenv("VQ_BACKEND", "headless", 1);
    EXPECT_EQ(fw::ChooseBackendName(2, plain), "headless");
    ::setenv("VQ_BACKEND", "qt", 1);
    EXPECT_EQ(fw::ChooseBackendName(3, withOption), "headless");

    // Init with an unknown backend falls back to the headless one.
    ::setenv("VQ_RES_DIR", "/nonexistent", 1);
    char bogus[] = "--backend=nothing";
    char* args[] = {prog, bogus};
    ASSERT_TRUE(fw::Init(2, args));
    EXPECT_TRUE(fw::headless::Active());
    fw::Shutdown();
}

}  // namespace

TEST_F(HeadlessTest, PictureRadioLeavesMagentaToTheBackground) {
    vqtest::NavyDialog dlg(9004);
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(fw::SW_SHOW);
    const fw::Bitmap shot = fw::RenderWindow(dlg.GetSafeHwnd());
    // The 4x2 picture sits right of the 13-pixel box, centred in the 10-pixel-high control.
    EXPECT_EQ(shot.GetPixel(17, 4), fw::RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(18, 4), fw::RGB(0, 0, 128));
    EXPECT_EQ(shot.GetPixel(19, 4), fw::RGB(0, 255, 0));
    EXPECT_EQ(shot.GetPixel(17, 5), fw::RGB(0, 0, 128));
}
