// The login dialog: config.ini at start, the check boxes, timer 10, every outcome of the
// login reply, and the ways out.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/LoginDlg.h"
#include "session/ConfigFile.h"
#include "tests/app/AppTestEnv.h"
#include "tests/portal_home/FakeSubsystems.h"

namespace apptest {
namespace {

using fw::headless::MessageBoxes;

class LoginDlgTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // These tests deliver the worker's outcomes by hand. A worker that told its own (no
        // server is configured) would race the test and could wait for this thread's message
        // box while this thread waits for it to stop.
        CLoginDlg::SetWorkerSetup([](SXSockThread& w) {
            w.SetDiagnostics(nullptr);
            w.SetLoginReceiver(nullptr);
        });
    }
    void TearDown() override {
        if (dlg_.IsWindow()) {
            dlg_.DestroyWindow();
        }
        CLoginDlg::SetWorkerSetup(nullptr);
        AppTest::TearDown();
    }
    void Open() {
        ASSERT_TRUE(dlg_.Create(CLoginDlg::IDD));
        dlg_.ShowWindow(fw::SW_SHOW);
        fw::PumpPending();
    }
    void WriteConfig(const std::string& text) { vq::test::WriteBytes(ConfigPath(), text); }
    void Type(const std::string& name, const std::string& password) {
        dlg_.SetDlgItemText(CLoginDlg::kUserName, name);
        dlg_.SetDlgItemText(CLoginDlg::kPassword, password);
    }
    bool LoginEnabled() const { return dlg_.GetDlgItem(fw::IDOK)->IsWindowEnabled(); }
    bool BusyShown() const { return dlg_.GetDlgItem(CLoginDlg::kBusy)->IsWindowVisible(); }
    void Deliver(RecordSetList sets, int32_t status = kStatusReply) {
        RequestResult r = Result(std::move(sets), status);
        dlg_.OnThreadReturn(r);
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> out;
        for (const auto& b : MessageBoxes()) {
            out.push_back(b.text);
        }
        return out;
    }

    fakes::FakeForms forms_;
    CLoginDlg dlg_{forms_};
};

TEST_F(LoginDlgTest, MissingConfigStartsEmptyAndIsCreatedWithItsStamps) {
    Open();
    EXPECT_EQ(dlg_.GetDlgItemText(CLoginDlg::kUserName), "");
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_UNCHECKED);
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kAutoLogin), fw::BST_UNCHECKED);
    const std::string file = vq::test::ReadBytes(ConfigPath());
    EXPECT_NE(file.find("[INFOR]\r\nNAME=config\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[VERSION]\r\nNAME=3.0\r\n"), std::string::npos) << file;

    EXPECT_EQ(dlg_.GetWindowText(), "Velquor3.0");
    const auto tray = fw::headless::TrayIcons();
    ASSERT_EQ(tray.size(), 1u);
    EXPECT_EQ(tray[0].uID, 131u);
    EXPECT_EQ(tray[0].uCallbackMessage, 1025u);
    EXPECT_EQ(std::string(tray[0].szTip), G("Velquor系统"));
    EXPECT_FALSE(dlg_.GetDlgItem(CLoginDlg::kApplyPicture)->IsWindowVisible());
    EXPECT_FALSE(BusyShown());
}

TEST_F(LoginDlgTest, RememberedLoginIsFilledInOrForgotten) {
    WriteConfig("[Manager]\r\nIsRemFlag=1\r\nUserName=demo\r\nUserPassword=pw1\r\n\r\n");
    Open();
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_CHECKED);
    EXPECT_EQ(dlg_.GetDlgItemText(CLoginDlg::kUserName), "demo");
    EXPECT_EQ(dlg_.GetDlgItemText(CLoginDlg::kPassword), "pw1");
    dlg_.DestroyWindow();

    WriteConfig("[Manager]\r\nIsRemFlag = 1\r\nUserName=demo\r\nUserPassword=pw1\r\n\r\n");
    Open();  // blanks around "=" are no IsRemFlag for the whole-file reader
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_UNCHECKED);
    EXPECT_EQ(dlg_.GetDlgItemText(CLoginDlg::kUserName), "");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), "");
}

TEST_F(LoginDlgTest, CheckBoxesWriteTheirFlags) {
    WriteConfig("[Manager]\r\nIsRemFlag=1\r\nUserName=demo\r\nUserPassword=pw1\r\n\r\n");
    Open();
    const fw::HWND remember = dlg_.GetDlgItemHandle(CLoginDlg::kRemember);
    const fw::HWND autoLogin = dlg_.GetDlgItemHandle(CLoginDlg::kAutoLogin);
    fw::input::Click(autoLogin);
    fw::PumpPending();
    ASSERT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kAutoLogin), fw::BST_CHECKED);
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsLoginFlag), "1");
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsRemFlag), "1");

    // Clearing 1001 clears 1000 too and writes both flags as 0.
    fw::input::Click(autoLogin);
    fw::PumpPending();
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_UNCHECKED);
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsLoginFlag), "0");
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsRemFlag), "0");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "demo");

    fw::input::Click(remember);
    fw::PumpPending();
    ASSERT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_CHECKED);
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsRemFlag), "1");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), "pw1");

    fw::input::Click(remember);  // off: the login is forgotten
    fw::PumpPending();
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsRemFlag), "0");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), "");
}

TEST_F(LoginDlgTest, EmptyFieldsAreRefusedBeforeAnyRequest) {
    Open();
    for (auto [name, password] : {std::pair{"", "pw"}, std::pair{"demo", ""}}) {
        Type(name, password);
        fw::input::Click(dlg_.GetDlgItemHandle(fw::IDOK));
        fw::PumpPending();
    }
    const auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, G("用户名或密码为空！！"));
    EXPECT_EQ(boxes[0].caption, G("提示"));
    EXPECT_EQ(boxes[0].flags, fw::MB_OK);
    EXPECT_TRUE(LoginEnabled());
    EXPECT_FALSE(dlg_.LoggingIn());
    EXPECT_EQ(RequestQueue::Global().Size(), 0u);
    EXPECT_EQ(WorkerHost::Global().Current(), nullptr);
}

TEST_F(LoginDlgTest, FailedOutcomesShowTheirMessagesAndAllowAnotherTry) {
    Open();
    const std::string busy = G("服务器繁忙，请稍候连接！");
    struct Case {
        int32_t status;
        RecordSetList sets;
        std::string text;
    };
    std::vector<Case> cases;
    cases.push_back({kStatusProbeFailed, {}, busy});
    cases.push_back({kStatusNoConnection, {}, G("没有成功连接到服务器，请检查网络相关设置！")});
    cases.push_back({kStatusReply, {}, busy});
    cases.push_back({kStatusFailed, {}, busy});
    cases.push_back({kStatusReply, Reply("login", {"isok"}, {}), busy});
    cases.push_back({kStatusReply, Reply("login", {"ISOK", "session"}, {{"T", "s"}}), busy});
    for (Case& c : cases) {
        fw::headless::ClearRecords();
        Type("demo", "pw");
        dlg_.SendMessage(1028);  // as timer 10 does
        EXPECT_TRUE(BusyShown());
        EXPECT_FALSE(LoginEnabled());
        WorkerHost::Global().Stop();
        Deliver(std::move(c.sets), c.status);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.text});
        EXPECT_EQ(MessageBoxes().at(0).caption, G("提示"));
        EXPECT_EQ(MessageBoxes().at(0).flags, fw::MB_OK | fw::MB_ICONEXCLAMATION);
        EXPECT_FALSE(BusyShown());
        EXPECT_TRUE(LoginEnabled());
        EXPECT_FALSE(dlg_.LoggingIn());
    }
    EXPECT_TRUE(dlg_.IsWindowVisible());
}

TEST_F(LoginDlgTest, WrongPasswordKeepsASessionKeyOnlyWhenOneCame) {
    Open();
    Deliver(Reply("login", {"isok"}, {{"F"}}));
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, G("用户名或密码错误，登录失败!"));
    EXPECT_EQ(boxes[0].caption, fw::GetAppName());
    EXPECT_EQ(boxes[0].flags, fw::MB_OK);
    EXPECT_EQ(Session().SessionKey(), "");

    Deliver(Reply("login", {"isok", "session"}, {{"F", "abc"}}));
    EXPECT_EQ(Session().SessionKey(), "abc");
    EXPECT_EQ(Session().UserName(), "");
    EXPECT_TRUE(dlg_.IsWindowVisible());
}

// A successful login ends the dialog with 2 and leaves the session ready for the main
// window, whose first request needs the key: the key comes after the outcome in the row.
TEST_F(LoginDlgTest, SuccessKeepsTheSessionAndEndsWithResultTwo) {
    WriteConfig("[Manager]\r\nIsRemFlag=1\r\n\r\n");
    CLoginDlg modal(forms_);
    fw::headless::SetModalHook([&](fw::HWND) {
        modal.SetDlgItemText(CLoginDlg::kUserName, "demo");
        modal.SetDlgItemText(CLoginDlg::kPassword, "pw1");
        modal.Login();
        WorkerHost::Global().Stop();
        fw::PostToUiThread([&] {
            RequestResult r =
                Result(Reply("login", {"isok", "session", "usr_viruser_id"}, {{"T", "k9", "7"}}));
            modal.OnThreadReturn(r);
        });
    });
    const auto result = modal.DoModal();
    fw::headless::SetModalHook(nullptr);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(Session().SessionKey(), "k9");
    EXPECT_EQ(Session().UserName(), "demo");
    EXPECT_EQ(Session().Password(), "pw1");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), "demo");
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), "pw1");
    EXPECT_TRUE(MessageBoxes().empty());
    EXPECT_TRUE(fw::headless::TrayIcons().empty()) << "the login removed the tray icon";
}

TEST_F(LoginDlgTest, LoginQueuesOneLoginRequestAndDropsThoseOfEarlierAttempts) {
    Open();
    Type("demo", "pw");
    dlg_.SendMessage(1028);
    WorkerHost::Global().Stop();
    Deliver({}, kStatusNoConnection);  // the request was never taken
    dlg_.SendMessage(1028);
    WorkerHost::Global().Stop();
    const auto queued = RequestQueue::Global().Snapshot();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].kind, kRequestLogin);
    EXPECT_EQ(queued[0].text, "x122");
    EXPECT_EQ(queued[0].session, "");
}

TEST_F(LoginDlgTest, EscapeIsNoLogin) {
    Open();
    fw::input::Key(dlg_.GetSafeHwnd(), fw::VK_ESCAPE, true);
    dlg_.SendMessage(fw::WM_COMMAND, fw::IDCANCEL);
    dlg_.SendMessage(fw::WM_CLOSE);
    fw::PumpPending();
    EXPECT_TRUE(dlg_.IsWindowVisible());
    EXPECT_TRUE(exits_.Codes().empty());
}

TEST_F(LoginDlgTest, CloseButtonTrayExitAndSystemCloseEndTheProcess) {
    Open();
    dlg_.SendMessage(fw::WM_COMMAND, CLoginDlg::kClose);
    EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
    EXPECT_TRUE(fw::headless::TrayIcons().empty());
    dlg_.DestroyWindow();

    exits_.Clear();
    Open();
    dlg_.SendMessage(fw::WM_COMMAND, 32774);
    EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
    dlg_.DestroyWindow();

    exits_.Clear();
    Open();
    dlg_.SendMessage(fw::WM_SYSCOMMAND, fw::SC_CLOSE);
    EXPECT_EQ(exits_.Codes(), std::vector<int>{1});
}

TEST_F(LoginDlgTest, MinimisedDialogHidesInTheTrayAndComesBack) {
    Open();
    fw::input::Click(dlg_.GetDlgItemHandle(CLoginDlg::kMinimise));
    fw::PumpPending();
    EXPECT_FALSE(dlg_.IsWindowVisible());
    fw::input::TrayEvent(dlg_.GetSafeHwnd(), 131, 1025, fw::WM_LBUTTONDBLCLK);
    fw::PumpPending();
    EXPECT_TRUE(dlg_.IsWindowVisible());

    fw::headless::ScriptMenus({32773});
    fw::input::TrayEvent(dlg_.GetSafeHwnd(), 131, 1025, fw::WM_RBUTTONUP);
    fw::PumpPending();
    const auto menus = fw::headless::Menus();
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].itemIds, (std::vector<fw::UINT>{32773, 32774}));

    fw::input::Click(dlg_.GetDlgItemHandle(CLoginDlg::kApply));
    fw::PumpPending();
    EXPECT_TRUE(dlg_.GetDlgItem(CLoginDlg::kApplyPicture)->IsWindowVisible());
}

// Timer 10 logs in every 5 s, but never while a login is still under way.
TEST_F(LoginDlgTest, AutomaticLoginWaitsForTheLoginUnderWay) {
    WriteConfig(
        "[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag=1\r\nUserName=demo\r\nUserPassword=pw\r\n\r\n");
    Open();
    EXPECT_EQ(dlg_.IsDlgButtonChecked(CLoginDlg::kAutoLogin), fw::BST_CHECKED);
    CLoginDlg::SetWorkerSetup([](SXSockThread& w) { w.SetDiagnostics(nullptr); });
    EXPECT_EQ(WorkerHost::Global().Current(), nullptr);
    fw::headless::AdvanceClock(5000);
    const auto first = WorkerHost::Global().Current();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(dlg_.LoggingIn());

    // The worker cannot tell its outcome while this thread is busy: the login is still
    // under way when the timer comes round again.
    fw::headless::AdvanceClock(5000);
    EXPECT_EQ(WorkerHost::Global().Current(), first);

    EXPECT_TRUE(PumpUntil([&] { return !dlg_.LoggingIn(); }, 15000));
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{G("没有成功连接到服务器，请检查网络相关设置！")});
    fw::headless::AdvanceClock(5000);
    EXPECT_NE(WorkerHost::Global().Current(), first) << "a failed automatic login is retried";

    // Clearing the box stops the retries.
    EXPECT_TRUE(PumpUntil([&] { return !dlg_.LoggingIn(); }, 15000));
    fw::input::Click(dlg_.GetDlgItemHandle(CLoginDlg::kAutoLogin));
    fw::PumpPending();
    const auto last = WorkerHost::Global().Current();
    fw::headless::AdvanceClock(15000);
    EXPECT_EQ(WorkerHost::Global().Current(), last);
    CLoginDlg::SetWorkerSetup(nullptr);
}

// Button 1014 runs the network settings dialog modally, with the login dialog as its parent;
// it is made on the first press and kept for the next.
TEST_F(LoginDlgTest, NetworkSettingsRunModallyAndAreMadeOnce) {
    Open();
    std::vector<fw::UINT> modal;
    fw::headless::SetModalHook([&](fw::HWND dialog) {
        modal.push_back(static_cast<fw::Dialog*>(fw::Window::FromHandle(dialog))->TemplateId());
        fw::PostMessage(dialog, fw::WM_COMMAND, fw::IDCANCEL);
    });
    dlg_.SendMessage(fw::WM_COMMAND, CLoginDlg::kNetSettings);
    dlg_.SendMessage(fw::WM_COMMAND, CLoginDlg::kNetSettings);
    fw::headless::SetModalHook(nullptr);
    EXPECT_EQ(modal, (std::vector<fw::UINT>{190, 190}));
    EXPECT_EQ(forms_.netSettingsMade, 1);
    ASSERT_NE(dlg_.NetSettingsDialog(), nullptr);
    EXPECT_EQ(dlg_.NetSettingsDialog()->ParentWindow(), &dlg_);
    EXPECT_TRUE(dlg_.IsWindowVisible()) << "the login dialog stays";
}

// The real ending, without a hook: the step before it runs on the ending thread, then the
// process ends with the code and without destructors.
TEST(ProcessEnd, TheStepBeforeTheEndRunsAndTheCodeIsKept) {
    vq::test::TempDir dir;
    const std::string file = dir.File("closed");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetBeforeProcessEnd([&file] {
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0 && ::write(fd, "closed", 6) == 6) {
                ::close(fd);
            }
        });
        EndProcess(7);
        ::_exit(99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(vq::test::ReadBytes(file), "closed");
}

}  // namespace
}  // namespace apptest
