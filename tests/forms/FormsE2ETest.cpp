// The forms against the reference service on loopback, on the headless backend: a real
// login dialog and main window, every form posted and its outcome shown by the main
// window's dispatcher, the password change, the network settings used by the next login.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/LoginDlg.h"
#include "app/OrvanelApp.h"
#include "app/OrvanelDlg.h"
#include "forms/CustomRequestDlg.h"
#include "forms/Forms.h"
#include "forms/ModifyPasswordDlg.h"
#include "forms/MyBestLoveDlg.h"
#include "forms/MyLoginStateSettingDlg.h"
#include "forms/QuestionnaireDlg.h"
#include "forms/SettingMyInfoDlg.h"
#include "forms/SettingNetDlg.h"
#include "service/DemoData.h"
#include "session/ConfigFile.h"
#include "tests/forms/FormsTestEnv.h"
#include "tests/service/ServiceHarness.h"

namespace formstest {
namespace {

using fw::headless::MessageBoxes;

constexpr fw::UINT kSettingsCommand = 32783;

// The portal page is a plain dialog here: the replies it would consume are released.
class PlainPortal : public IPortal {
public:
    std::unique_ptr<fw::Dialog> MakePortalPage(fw::Window* mainWindow) override {
        return std::make_unique<fw::Dialog>(132, mainWindow);
    }
    void CallScript(fw::Dialog&, const std::string&) override {}
    std::unique_ptr<fw::Dialog> MakeSystemSettingsPage(fw::Window* mainWindow) override {
        return std::make_unique<fw::Dialog>(182, mainWindow);
    }
};

// The notifier control is not registered in these tests.
class MainDlg : public COrvanelDlg {
public:
    using COrvanelDlg::COrvanelDlg;

protected:
    void NotifierShowWindow(const std::string&) override {}
    void NotifierShowMessage(const std::string&, const std::string&, const std::string&,
                             fw::Color) override {}
};

class FormsE2ETest : public FormsTest {
protected:
    void SetUp() override {
        setenv("VQ_COM_REGISTRY", dir_.File("com-registry").c_str(), 1);
        FormsTest::SetUp();
        Session().Reset();
        fw::headless::SetStallTimeoutMs(20000);
        SetEndProcessHook([](int) {});
        CLoginDlg::SetWorkerSetup([](SXSockThread& w) { w.SetDiagnostics(nullptr); });
        std::filesystem::copy_file(service_.PublicKeyPath(), dir_.File("pubkey.bin"));
        demo_ = vqsvc::DemoAccounts().at(0);
    }
    void TearDown() override {
        fw::headless::SetModalHook(nullptr);
        if (main_ && main_->IsWindow()) {
            main_->DestroyWindow();
        }
        main_.reset();
        login_.reset();
        WorkerHost::Global().Stop();
        CLoginDlg::SetWorkerSetup(nullptr);
        SetEndProcessHook(nullptr);
        FormsTest::TearDown();
    }

    static bool PumpUntil(const std::function<bool()>& done, int limitMs = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            if (!fw::PumpPending()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return true;
    }
    // Waits for the next message box and returns its text.
    std::string NextBox() {
        const std::size_t seen = shown_;
        if (!PumpUntil([&] { return MessageBoxes().size() > seen; })) {
            return "(no message)";
        }
        shown_ = seen + 1;
        return MessageBoxes()[seen].text;
    }

    void WriteConfig(uint16_t tcpPort) {
        FormsTest::WriteConfig(
            "[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=" + std::to_string(service_.HttpPort()) +
            "\r\nTCPORT=" + std::to_string(tcpPort) + "\r\nUSE=2\r\n\r\n" + "[URL]\r\nCOMMON=" +
            vqsvc::test::kCommon + "\r\nRenZheng=" + vqsvc::test::kRenZheng + "\r\n\r\n");
    }
    void OpenLogin() {
        login_ = std::make_unique<CLoginDlg>(forms_);
        ASSERT_TRUE(login_->Create(CLoginDlg::IDD));
        login_->ShowWindow(fw::SW_SHOW);
        fw::PumpPending();
    }
    // Types, clicks the login button and waits for the outcome; true when it succeeded.
    bool LogIn(const std::string& name, const std::string& password) {
        login_->SetDlgItemText(CLoginDlg::kUserName, name);
        login_->SetDlgItemText(CLoginDlg::kPassword, password);
        fw::input::Click(login_->GetDlgItemHandle(fw::IDOK));
        fw::PumpPending();
        if (!PumpUntil([&] { return !login_->LoggingIn(); })) {
            return false;
        }
        fw::PumpPending();
        return !login_->IsWindowVisible();
    }
    // Logs in as the demo user and opens the main window up to the user's identity.
    void StartSession(const std::string& password) {
        OpenLogin();
        ASSERT_TRUE(LogIn(demo_.login, password));
        login_->DestroyWindow();
        main_ = std::make_unique<MainDlg>(portal_, forms_);
        ASSERT_TRUE(main_->Create(COrvanelDlg::IDD));
        ASSERT_TRUE(PumpUntil([&] { return !Session().Virid().empty(); }));
        fw::PumpPending();
        shown_ = MessageBoxes().size();
    }
    void EndSession() {
        main_->DestroyWindow();
        main_.reset();
        WorkerHost::Global().Stop();
        RequestQueue::Global().Clear();
        Session().Reset();
    }
    CSettingMyInfoDlg& Settings() {
        main_->SendMessage(fw::WM_COMMAND, fw::MAKEWPARAM(kSettingsCommand, 0), 0);
        fw::PumpPending();
        EXPECT_NE(main_->SettingsDialog(), nullptr);
        return *static_cast<CSettingMyInfoDlg*>(main_->SettingsDialog());
    }
    // Every queued request has been answered (the worker removes each once handled).
    bool Drained() {
        return PumpUntil([] { return RequestQueue::Global().Size() == 0; });
    }

    vqsvc::test::ServiceHarness service_;
    vqsvc::DemoAccount demo_;
    CForms forms_;
    PlainPortal portal_;
    std::unique_ptr<CLoginDlg> login_;
    std::unique_ptr<MainDlg> main_;
    std::size_t shown_ = 0;
};

TEST_F(FormsE2ETest, EveryFormIsPostedAndItsOutcomeShown) {
    WriteConfig(service_.TcpPort());
    StartSession(demo_.password);
    CSettingMyInfoDlg& s = Settings();

    // Favourite column: the list comes from the service, the choice goes back.
    Click(s, CSettingMyInfoDlg::kFavouritesPage);
    CMyBestLoveDlg& favourites = *s.FavouritesPage();
    ASSERT_TRUE(PumpUntil([&] { return !favourites.ColumnButtonHandles().empty(); }));
    const fw::HWND firstColumn = favourites.ColumnButtonHandles().front();
    fw::input::Click(firstColumn);
    fw::PumpPending();
    EXPECT_FALSE(favourites.ChosenColumn().empty());
    Click(favourites, CMyBestLoveDlg::kSend);
    EXPECT_EQ(NextBox(), G("设置成功！"));

    // Login state.
    Click(s, CSettingMyInfoDlg::kLoginStatePage);
    Click(*s.LoginStatePage(), 1090);
    Click(*s.LoginStatePage(), 1088);
    EXPECT_EQ(NextBox(), G("登录状态设置成功！"));
    EXPECT_EQ(IniReadText(ConfigId::kLoginStateValue), "2");

    // Questionnaire, opened as the home page opens it.
    forms_.OpenQuestionnaire(*main_->PortalPage());
    CQuestionnaireDlg& q = *forms_.Questionnaire();
    Click(q, 1079);
    Type(q, CQuestionnaireDlg::kRemark, G("内容很好 & 很及时"));
    Click(q, CQuestionnaireDlg::kSubmit);
    EXPECT_EQ(NextBox(), G("资料已成功提交，谢谢你的参与！"));

    // Custom request: accepted once, refused the second time.
    forms_.OpenCustomRequest(*main_->PortalPage());
    CCustomRequestDlg& c = *forms_.CustomRequest();
    Type(c, CCustomRequestDlg::kName, G("张三"));
    Type(c, CCustomRequestDlg::kIdNumber, "11010519491231002X");
    Type(c, CCustomRequestDlg::kAddress, G("北京路1号"));
    Type(c, CCustomRequestDlg::kMobile, "13800138000");
    Type(c, CCustomRequestDlg::kPhone, "01012345678");
    Click(c, CCustomRequestDlg::kSubmit);
    EXPECT_EQ(NextBox(), G("资料已成功提交！"));
    forms_.OpenCustomRequest(*main_->PortalPage());
    Click(c, CCustomRequestDlg::kSubmit);
    EXPECT_EQ(NextBox(), G("对不起，该资料只能提交一次！"));

    for (const auto& b : MessageBoxes()) {
        EXPECT_EQ(b.caption, G("提示"));
    }
    EXPECT_TRUE(service_.Faults().empty());
}

TEST_F(FormsE2ETest, AnEmptyFavouriteIsRefusedByTheService) {
    WriteConfig(service_.TcpPort());
    StartSession(demo_.password);
    CSettingMyInfoDlg& s = Settings();
    Click(s, CSettingMyInfoDlg::kFavouritesPage);
    ASSERT_TRUE(PumpUntil([&] { return !s.FavouritesPage()->ColumnButtonHandles().empty(); }));
    Click(*s.FavouritesPage(), CMyBestLoveDlg::kSendAndClose);
    EXPECT_EQ(NextBox(), G("设置失败！"));
    EXPECT_FALSE(s.IsWindowVisible());
}

TEST_F(FormsE2ETest, TheNewPasswordLogsInAndTheOldOneNoLonger) {
    WriteConfig(service_.TcpPort());
    StartSession(demo_.password);
    CSettingMyInfoDlg& s = Settings();
    CModifyPasswordDlg& p = *s.PasswordPage();
    Type(p, CModifyPasswordDlg::kOld, demo_.password);
    Type(p, CModifyPasswordDlg::kNew, "NewPass9");
    Type(p, CModifyPasswordDlg::kConfirm, "newpass9");
    Click(p, CModifyPasswordDlg::kSendAndClose);
    EXPECT_FALSE(s.IsWindowVisible());
    ASSERT_TRUE(Drained());
    EndSession();

    OpenLogin();
    EXPECT_FALSE(LogIn(demo_.login, demo_.password));
    EXPECT_EQ(NextBox(), G("用户名或密码错误，登录失败!"));
    EXPECT_TRUE(LogIn(demo_.login, "NewPass9"));
    const std::vector<std::string> faults = service_.Faults();
    ASSERT_EQ(faults.size(), 1u) << "only the old password's refusal";
    EXPECT_NE(faults[0].find("login refused"), std::string::npos) << faults[0];
}

TEST_F(FormsE2ETest, NetworkSettingsAreWrittenAndUsedByTheNextLogin) {
    // A port on which nobody listens: the first login cannot connect.
    uint16_t closed = 0;
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        closed = ntohs(a.sin_port);
        close(fd);
    }
    WriteConfig(closed);
    FormsTest::WriteConfig(ConfigText() + "[Manager]\r\nIsRemFlag=0\r\n\r\n");
    OpenLogin();
    EXPECT_FALSE(LogIn(demo_.login, demo_.password));
    EXPECT_EQ(NextBox(), G("没有成功连接到服务器，请检查网络相关设置！"));

    // The server-settings button runs the dialog modally; the user puts the right port in.
    bool shown = false;
    fw::headless::SetModalHook([&](fw::HWND hwnd) {
        fw::headless::SetModalHook(nullptr);
        fw::Window& d = *fw::Window::FromHandle(hwnd);
        shown = static_cast<fw::Dialog&>(d).TemplateId() == CSettingNetDlg::IDD;
        fw::input::SetIpAddress(d.GetDlgItemHandle(CSettingNetDlg::kAddress), 0x7F000001);
        fw::input::SetEditText(d.GetDlgItemHandle(CSettingNetDlg::kPort),
                               std::to_string(service_.TcpPort()));
        Click(d, CSettingNetDlg::kSave);
    });
    Click(*login_, CLoginDlg::kNetSettings);
    EXPECT_TRUE(shown);
    EXPECT_EQ(IniReadText(ConfigId::kNetTcPort), std::to_string(service_.TcpPort()));
    EXPECT_EQ(IniReadText(ConfigId::kNetIp), "127.0.0.1");
    EXPECT_EQ(IniReadText(ConfigId::kManagerIsRemFlag), "0") << "the rest of the file is kept";

    EXPECT_TRUE(LogIn(demo_.login, demo_.password));
    EXPECT_TRUE(service_.Faults().empty());
}

}  // namespace
}  // namespace formstest
