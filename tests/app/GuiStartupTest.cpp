// The same login and main window on the Qt backend (offscreen platform) against the
// reference service on loopback, with screenshots of both windows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/LoginDlg.h"
#include "app/OrvanelApp.h"
#include "app/OrvanelDlg.h"
#include "forms/Forms.h"
#include "messaging/Messaging.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/qt/web/QtWebRegister.h"
#include "portal/Portal.h"
#include "service/DemoData.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"
#include "tests/platform_qt/QtTestEnv.h"
#include "tests/service/ServiceHarness.h"

namespace {

class OffscreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override { env_ = std::make_unique<qttest::Environment>("offscreen"); }
    void TearDown() override { env_.reset(); }

private:
    std::unique_ptr<qttest::Environment> env_;
};

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment);

std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

// What the window shows, the framework's picture and the native widgets composed.
QImage Shot(fw::HWND hwnd) {
    auto* widget = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
    return widget != nullptr ? widget->grab().toImage() : QImage();
}

TEST(GuiStartup, LoginAndMainWindowOnTheQtBackend) {
    vq::test::TempDir work;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    setenv("VQ_COM_REGISTRY", work.File("com-registry").c_str(), 1);
    vqsvc::test::ServiceHarness service;
    std::filesystem::copy_file(service.PublicKeyPath(), work.File("pubkey.bin"));
    vq::test::WriteBytes(work.File("config.ini"),
                         "[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=" + std::to_string(service.HttpPort()) +
                             "\r\nTCPORT=" + std::to_string(service.TcpPort()) +
                             "\r\nUSE=2\r\n\r\n[URL]\r\nCOMMON=" + vqsvc::test::kCommon +
                             "\r\nRenZheng=" + vqsvc::test::kRenZheng + "\r\n\r\n");

    const char* src = std::getenv("VQ_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    auto backend = qttest::MakeBackend();
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(fw::InitWithBackend(std::move(backend), std::string(src) + "/res"));
    fw::qt::RegisterWebView();
    // The pages are beside the program, not beside the test.
    const char* runtime = std::getenv("VQ_RUNTIME_DIR");
    const std::string pages = runtime != nullptr ? std::string(runtime) + "/" : "";
    CMessaging messaging;
    CForms forms;
    CPortal portal(messaging, forms, pages);
    SetEndProcessHook([](int) {});
    std::atomic<bool> homeFilled{false};
    SetStartupObserver([&](StartupEvent e, fw::HWND) {
        if (e == StartupEvent::kHomeFilled) {
            homeFilled = true;
        }
    });
    CLoginDlg::SetWorkerSetup([](SXSockThread& w) { w.SetDiagnostics(nullptr); });
    Session().Reset();
    RequestQueue::Global().Clear();
    const vqsvc::DemoAccount demo = vqsvc::DemoAccounts().at(0);
    const auto shots = ScreenshotDir();
    {
        CLoginDlg login(forms);
        ASSERT_TRUE(login.Create(CLoginDlg::IDD));
        login.ShowWindow(fw::SW_SHOW);
        login.SetDlgItemText(CLoginDlg::kUserName, demo.login);
        login.SetDlgItemText(CLoginDlg::kPassword, demo.password);
        qttest::LetTimePass(300);
        const QImage loginShot = Shot(login.GetSafeHwnd());
        ASSERT_FALSE(loginShot.isNull());
        EXPECT_EQ(loginShot.width(), login.GetClientRect().Width());
        ASSERT_TRUE(loginShot.save(QString::fromStdString((shots / "app-login.png").string())));

        fw::input::Click(login.GetDlgItemHandle(fw::IDOK));
        ASSERT_TRUE(qttest::PumpUntil([&] { return !login.LoggingIn(); }, 20000));
        EXPECT_FALSE(login.IsWindowVisible()) << "the login succeeded";
        login.DestroyWindow();
    }
    EXPECT_FALSE(Session().SessionKey().empty());
    {
        COrvanelDlg main(portal, forms);
        ASSERT_TRUE(main.Create(COrvanelDlg::IDD));
        main.ShowWindow(fw::SW_SHOW);
        ASSERT_TRUE(qttest::PumpUntil([&] { return Session().Virid() == "1"; }, 20000));
        ASSERT_TRUE(qttest::PumpUntil([&] { return homeFilled.load(); }, 20000));
        qttest::LetTimePass(500);
        const QImage mainShot = Shot(main.GetSafeHwnd());
        ASSERT_FALSE(mainShot.isNull());
        EXPECT_EQ(mainShot.width(), 1005);
        EXPECT_EQ(mainShot.height(), 740);
        ASSERT_TRUE(mainShot.save(QString::fromStdString((shots / "app-main.png").string())));
        std::printf("screenshots: %s %s\n", (shots / "app-login.png").c_str(),
                    (shots / "app-main.png").c_str());
        EXPECT_TRUE(qttest::MessageBoxesSeen().empty());
        EXPECT_TRUE(service.Faults().empty());
        WorkerHost::Global().Stop();
        main.DestroyWindow();
    }
    CLoginDlg::SetWorkerSetup(nullptr);
    SetEndProcessHook(nullptr);
    SetStartupObserver(nullptr);
    fw::Shutdown();
    std::filesystem::current_path(previous);
}

}  // namespace
