// Start-up, login and the main window against the reference service on loopback, on the
// headless backend and its virtual clock.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/LoginDlg.h"
#include "service/DemoData.h"
#include "session/ConfigFile.h"
#include "tests/app/MainWindowHarness.h"
#include "tests/service/ServiceHarness.h"

namespace apptest {
namespace {

using fw::headless::MessageBoxes;

// A loopback listener that accepts connections and closes each after reading what comes
// first: a service that answers no probe.
class SilentPeer {
public:
    SilentPeer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        listen(fd_, 4);
        thread_ = std::thread([this] {
            for (int i = 0; i < 4 && !stop_; ++i) {
                const int c = accept(fd_, nullptr, nullptr);
                if (c < 0) {
                    return;
                }
                char buf[256];
                (void)recv(c, buf, sizeof buf, 0);
                close(c);
            }
        });
    }
    ~SilentPeer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A loopback port on which nobody listens.
uint16_t ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

class EndToEndTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        std::filesystem::copy_file(service_.PublicKeyPath(), dir_.File("pubkey.bin"));
        CLoginDlg::SetWorkerSetup([](SXSockThread& w) { w.SetDiagnostics(nullptr); });
        demo_ = vqsvc::DemoAccounts().at(0);
    }
    void TearDown() override {
        if (login_.IsWindow()) {
            login_.DestroyWindow();
        }
        CLoginDlg::SetWorkerSetup(nullptr);
        MainWindowTest::TearDown();
    }

    void WriteConfig(int use, uint16_t httpPort, uint16_t tcpPort, const std::string& more = {}) {
        vq::test::WriteBytes(ConfigPath(),
                             "[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=" + std::to_string(httpPort) +
                                 "\r\nTCPORT=" + std::to_string(tcpPort) +
                                 "\r\nUSE=" + std::to_string(use) +
                                 "\r\n\r\n[URL]\r\nCOMMON=" + vqsvc::test::kCommon +
                                 "\r\nRenZheng=" + vqsvc::test::kRenZheng + "\r\n\r\n" + more);
    }
    void WriteServiceConfig(int use, const std::string& more = {}) {
        WriteConfig(use, service_.HttpPort(), service_.TcpPort(), more);
    }

    void OpenLogin() {
        ASSERT_TRUE(login_.Create(CLoginDlg::IDD));
        login_.ShowWindow(fw::SW_SHOW);
        fw::PumpPending();
    }
    // Types and clicks the login button, then waits for the outcome.
    bool LogIn(const std::string& name, const std::string& password) {
        login_.SetDlgItemText(CLoginDlg::kUserName, name);
        login_.SetDlgItemText(CLoginDlg::kPassword, password);
        fw::input::Click(login_.GetDlgItemHandle(fw::IDOK));
        fw::PumpPending();
        return PumpUntil([&] { return !login_.LoggingIn(); }, 20000);
    }
    bool PortalGot(fw::UINT message, size_t times = 1) const {
        size_t n = 0;
        for (const auto& m : portal_) {
            n += m.message == message ? 1 : 0;
        }
        return n >= times;
    }
    const PageMessage* Last(fw::UINT message) const {
        for (auto it = portal_.rbegin(); it != portal_.rend(); ++it) {
            if (it->message == message) {
                return &*it;
            }
        }
        return nullptr;
    }
    // Logs in as the demo user and opens the main window up to its identity.
    void StartSession(int use) {
        WriteServiceConfig(use);
        OpenLogin();
        ASSERT_TRUE(LogIn(demo_.login, demo_.password));
        ASSERT_FALSE(login_.IsWindowVisible()) << "the login dialog ended";
        login_.DestroyWindow();
        Open();
        ASSERT_TRUE(PumpUntil([&] { return PortalGot(1044); }, 20000));
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> out;
        for (const auto& b : MessageBoxes()) {
            out.push_back(b.text);
        }
        return out;
    }

    vqsvc::test::ServiceHarness service_;
    vqsvc::DemoAccount demo_;
    CLoginDlg login_{forms_};
};

TEST_F(EndToEndTest, LoginThenIdentityCompletesTheSessionInBothTransports) {
    for (int use : {0, 2}) {
        SCOPED_TRACE(use);
        Session().Reset();
        portal_.clear();
        StartSession(use);
        const SessionValues s = Session().Get();
        EXPECT_EQ(s.userName, demo_.login);
        EXPECT_EQ(s.password, demo_.password);
        EXPECT_FALSE(s.sessionKey.empty());
        EXPECT_EQ(s.virid, "1") << "the demo user is the first account";
        EXPECT_EQ(s.trueName, vq::Gbk(demo_.trueName));
        EXPECT_EQ(s.orgIdList, "1,2,3");
        EXPECT_EQ(s.orgId, "1");
        EXPECT_EQ(main_.Virid(), "1");
        EXPECT_EQ(Last(1044)->viridOnArrival, "1") << "values are set before the portal hears";
        EXPECT_TRUE(MessageBoxes().empty()) << BoxTexts().at(0);
        EXPECT_TRUE(service_.Faults().empty());
        main_.DestroyWindow();
        WorkerHost::Global().Stop();
    }
}

TEST_F(EndToEndTest, RememberedLoginIsWrittenAndReadBack) {
    WriteServiceConfig(2, "[Manager]\r\nIsRemFlag=1\r\n\r\n");
    OpenLogin();
    ASSERT_TRUE(LogIn(demo_.login, demo_.password));
    login_.DestroyWindow();
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserName), demo_.login);
    EXPECT_EQ(IniReadText(ConfigId::kManagerUserPassword), demo_.password);
    OpenLogin();
    EXPECT_EQ(login_.GetDlgItemText(CLoginDlg::kUserName), demo_.login);
    EXPECT_EQ(login_.GetDlgItemText(CLoginDlg::kPassword), demo_.password);
    EXPECT_EQ(login_.IsDlgButtonChecked(CLoginDlg::kRemember), fw::BST_CHECKED);
}

TEST_F(EndToEndTest, RefusedAndFailedLoginsSayWhy) {
    WriteServiceConfig(2);
    OpenLogin();
    ASSERT_TRUE(LogIn(demo_.login, "wrong"));
    ASSERT_TRUE(LogIn("", "x"));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{G("用户名或密码错误，登录失败!"),
                                                    G("用户名或密码为空！！")}));
    EXPECT_TRUE(login_.IsWindowVisible());
    EXPECT_EQ(Session().UserName(), "");

    fw::headless::ClearRecords();
    WriteConfig(2, ClosedPort(), ClosedPort());
    ASSERT_TRUE(LogIn(demo_.login, demo_.password));
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{G("没有成功连接到服务器，请检查网络相关设置！")});

    // Binary mode probes first; a peer that answers no probe is a busy service.
    fw::headless::ClearRecords();
    SilentPeer peer;
    WriteConfig(2, 0, peer.Port());
    ASSERT_TRUE(LogIn(demo_.login, demo_.password));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{G("服务器繁忙，请稍候连接！")});
    EXPECT_TRUE(login_.GetDlgItem(fw::IDOK)->IsWindowEnabled());
}

TEST_F(EndToEndTest, AutomaticLoginRetriesEveryFiveSecondsUntilTheServiceIsBack) {
    const std::string remembered =
        "[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag=1\r\nUserName=" + demo_.login +
        "\r\nUserPassword=" + demo_.password + "\r\n\r\n";
    const uint16_t down = ClosedPort();
    WriteConfig(2, down, down, remembered);
    OpenLogin();
    const std::string noConnection = G("没有成功连接到服务器，请检查网络相关设置！");
    for (size_t attempt = 1; attempt <= 3; ++attempt) {
        fw::headless::AdvanceClock(5000);
        ASSERT_TRUE(PumpUntil([&] { return MessageBoxes().size() == attempt; }, 15000));
        ASSERT_TRUE(PumpUntil([&] { return !login_.LoggingIn(); }));
        EXPECT_EQ(MessageBoxes().back().text, noConnection);
    }
    fw::headless::AdvanceClock(4999);
    fw::PumpPending();
    EXPECT_FALSE(login_.LoggingIn()) << "no attempt before the period is over";

    // The service is back (each attempt reads the address afresh).
    WriteServiceConfig(2, remembered);
    fw::headless::AdvanceClock(1);
    ASSERT_TRUE(PumpUntil([&] { return !login_.IsWindowVisible(); }, 20000));
    EXPECT_EQ(MessageBoxes().size(), 3u);
    EXPECT_FALSE(Session().SessionKey().empty());
}

// A service slower than the timer's period: the login under way is not replaced, so the
// automatic login gets through.
TEST_F(EndToEndTest, AutomaticLoginSurvivesASlowService) {
    WriteServiceConfig(2, "[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag=1\r\nUserName=" + demo_.login +
                              "\r\nUserPassword=" + demo_.password + "\r\n\r\n");
    OpenLogin();
    fw::headless::AdvanceClock(5000);
    ASSERT_TRUE(login_.LoggingIn());
    const auto worker = WorkerHost::Global().Current();
    // The timer comes round twice before this thread lets the reply in.
    fw::headless::AdvanceClock(5000);
    fw::headless::AdvanceClock(5000);
    EXPECT_EQ(WorkerHost::Global().Current(), worker);
    ASSERT_TRUE(PumpUntil([&] { return !login_.LoggingIn(); }, 20000));
    EXPECT_FALSE(login_.IsWindowVisible());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(EndToEndTest, PollingTimersAskForChatsAndNewsOfThisUser) {
    StartSession(2);
    fw::headless::AdvanceClock(30000);
    ASSERT_TRUE(PumpUntil([&] { return PortalGot(1033); }, 20000));
    // The service lists a user's unread chats only when asked with the user's own id.
    const PageMessage* chats = Last(1033);
    ASSERT_EQ(chats->firstTag, "getinfoIM");
    RecordSet& set = *chats->reply->front();
    ASSERT_GT(set.RowCount(), 0);
    set.MoveFirst();
    EXPECT_EQ(set.Value("toid"), "1");

    fw::headless::AdvanceClock(70000);
    ASSERT_TRUE(PumpUntil([&] { return PortalGot(1033, 3); }, 20000));
    ASSERT_TRUE(PumpUntil([&] { return RequestQueue::Global().Size() == 0; }, 20000));
    EXPECT_TRUE(service_.Faults().empty());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(EndToEndTest, PostedFormOutcomeIsConfirmedAndColumnsWithoutDialogAreDropped) {
    StartSession(0);
    QueueSessionRequest(ServiceCall::kFavouriteColumns, {Session().Virid(), ""});
    QueueSessionRequest(ServiceCall::kLoginState, {"2", Session().Virid()});
    ASSERT_TRUE(PumpUntil([&] { return !MessageBoxes().empty(); }, 20000));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{G("登录状态设置成功！")});
    EXPECT_TRUE(settings_.empty());
    EXPECT_EQ(portal_.size(), 1u) << "only the identity reached the portal";
}

TEST_F(EndToEndTest, LoginElsewhereEndsTheSessionAndRestartsTheProgram) {
    StartSession(2);
    vqsvc::test::TestClient other(service_.TcpPort(), false);
    ASSERT_TRUE(other.Login(demo_.login, demo_.password, service_.PublicKeyPath()));
    fw::headless::AdvanceClock(30000);
    ASSERT_TRUE(PumpUntil([&] { return !exits_.Codes().empty(); }, 20000));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{G("该账号已经在别处登录了！")});
    EXPECT_EQ(fw::headless::ProcessesStarted().size(), 1u);
    EXPECT_TRUE(fw::headless::TrayIcons().empty());
}

TEST_F(EndToEndTest, LostConnectionAsksWhetherToLogInAgain) {
    StartSession(2);
    service_.StopServer();
    fw::headless::ScriptMessageBoxes({fw::IDNO});
    fw::headless::AdvanceClock(30000);
    ASSERT_TRUE(PumpUntil([&] { return !MessageBoxes().empty(); }, 20000));
    EXPECT_EQ(MessageBoxes()[0].caption, G("网络错误"));
    EXPECT_EQ(MessageBoxes()[0].text, G("你确定要重新登录吗？"));
    EXPECT_TRUE(exits_.Codes().empty());
    EXPECT_TRUE(main_.IsWindow());
}

// The application object runs the login dialog modally, then the main window on result 2.
class StartupApp : public COrvanelApp {
public:
    explicit StartupApp(const Subsystems& subsystems) : COrvanelApp(subsystems) {}
};

TEST_F(EndToEndTest, ApplicationRunsLoginThenMainWindow) {
    WriteServiceConfig(2);
    std::vector<fw::UINT> modal;
    fw::headless::SetModalHook([&](fw::HWND dialog) {
        auto* d = static_cast<fw::Dialog*>(fw::Window::FromHandle(dialog));
        modal.push_back(d->TemplateId());
        if (d->TemplateId() == CLoginDlg::IDD) {
            d->SetDlgItemText(CLoginDlg::kUserName, demo_.login);
            d->SetDlgItemText(CLoginDlg::kPassword, demo_.password);
            fw::PostMessage(dialog, fw::WM_COMMAND, fw::IDOK);
        } else {
            // Leaves the main window once the identity has reached the portal page.
            SetStartupObserver([dialog](StartupEvent e, fw::HWND) {
                if (e == StartupEvent::kIdentity) {
                    fw::PostMessage(dialog, fw::WM_COMMAND, 32784);
                }
            });
        }
    });
    StartupApp app(Subsystems{&portalMaker_, &messaging_, &forms_});
    app.SetProgramDir(dir_.path() + "/");
    EXPECT_EQ(app.RunDialogs(), 0);
    fw::headless::SetModalHook(nullptr);
    EXPECT_EQ(modal, (std::vector<fw::UINT>{CLoginDlg::IDD, COrvanelDlg::IDD}));
    EXPECT_EQ(Session().Virid(), "1");
    EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
    EXPECT_TRUE(PortalGot(1044));
}

}  // namespace
}  // namespace apptest
