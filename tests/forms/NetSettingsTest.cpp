// The network settings dialog on the headless backend: what it shows, what it writes to
// config.ini, and what it refuses.

#include <gtest/gtest.h>

#include <memory>

#include "forms/Forms.h"
#include "forms/SettingNetDlg.h"
#include "session/ConfigFile.h"
#include "tests/forms/FormsTestEnv.h"

namespace formstest {
namespace {

constexpr const char* kConfig =
    "[NET]\r\nIP=192.168.10.20\r\nHTTPPORT=80\r\nTCPORT=9000\r\nUSE=2\r\n\r\n"
    "[Manager]\r\nIsRemFlag=1\r\n\r\n";

class NetSettingsTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        WriteConfig(kConfig);
        login_ = std::make_unique<fw::Dialog>(129);
        ASSERT_TRUE(login_->Create());
    }
    void TearDown() override {
        fw::headless::SetModalHook(nullptr);
        login_.reset();
        FormsTest::TearDown();
    }
    // Runs the dialog modally as the login dialog does; `act` runs inside its loop.
    int RunModal(const std::function<void(fw::Window& dlg)>& act) {
        std::unique_ptr<fw::Dialog> dlg = forms_.MakeNetSettingsDialog(login_.get());
        fw::headless::SetModalHook([&](fw::HWND hwnd) {
            fw::headless::SetModalHook(nullptr);
            act(*fw::Window::FromHandle(hwnd));
        });
        return static_cast<int>(dlg->DoModal());
    }
    static void SetAddress(fw::Window& dlg, std::uint32_t address) {
        fw::input::SetIpAddress(dlg.GetDlgItemHandle(CSettingNetDlg::kAddress), address);
    }
    static void SetPort(fw::Window& dlg, const std::string& port) {
        fw::input::SetEditText(dlg.GetDlgItemHandle(CSettingNetDlg::kPort), port);
    }

    CForms forms_;
    std::unique_ptr<fw::Dialog> login_;
};

TEST_F(NetSettingsTest, ShowsTheStoredAddressAndPort) {
    std::string port;
    std::uint8_t f[4] = {};
    int filled = 0;
    RunModal([&](fw::Window& dlg) {
        port = dlg.GetDlgItemText(CSettingNetDlg::kPort);
        filled = static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(CSettingNetDlg::kAddress))
                     ->GetAddress(f[0], f[1], f[2], f[3]);
        Click(dlg, CSettingNetDlg::kCancel);
    });
    EXPECT_EQ(port, "9000");
    EXPECT_EQ(filled, 4);
    EXPECT_EQ((std::vector<int>{f[0], f[1], f[2], f[3]}), (std::vector<int>{192, 168, 10, 20}));
}

TEST_F(NetSettingsTest, SaveWritesAddressWithoutLeadingZerosAndPortAndEndsWithOk) {
    const int result = RunModal([&](fw::Window& dlg) {
        SetAddress(dlg, 0x01020304);
        SetPort(dlg, "8001");
        Click(dlg, CSettingNetDlg::kSave);
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(ConfigText(),
              "[NET]\r\nIP=1.2.3.4\r\nHTTPPORT=80\r\nTCPORT=8001\r\nUSE=2\r\n\r\n"
              "[Manager]\r\nIsRemFlag=1\r\n\r\n");
    const NetSettings net = ReadNetSettings();
    EXPECT_EQ(net.ip, "1.2.3.4");
    EXPECT_EQ(net.port, 8001) << "what the next login uses";
}

TEST_F(NetSettingsTest, RunAgainTheDialogShowsWhatWasSavedLast) {
    // The login dialog keeps the object and runs it modally at every press.
    std::unique_ptr<fw::Dialog> dlg = forms_.MakeNetSettingsDialog(login_.get());
    std::string port;
    for (const char* typed : {"8001", "8002"}) {
        fw::headless::SetModalHook([&](fw::HWND hwnd) {
            fw::headless::SetModalHook(nullptr);
            fw::Window& d = *fw::Window::FromHandle(hwnd);
            port = d.GetDlgItemText(CSettingNetDlg::kPort);
            SetPort(d, typed);
            Click(d, CSettingNetDlg::kSave);
        });
        EXPECT_EQ(dlg->DoModal(), fw::IDOK);
    }
    EXPECT_EQ(port, "8001");
    EXPECT_EQ(IniReadText(ConfigId::kNetTcPort), "8002");
    EXPECT_EQ(IniReadText(ConfigId::kNetIp), "192.168.10.20");
}

TEST_F(NetSettingsTest, EnterSavesToo) {
    const int result = RunModal([&](fw::Window& dlg) {
        SetAddress(dlg, 0x0A000009);
        SetPort(dlg, "7");
        const fw::HWND port = dlg.GetDlgItemHandle(CSettingNetDlg::kPort);
        fw::input::Focus(port);
        fw::input::Key(port, fw::VK_RETURN, true);
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(IniReadText(ConfigId::kNetIp), "10.0.0.9");
    EXPECT_EQ(IniReadText(ConfigId::kNetTcPort), "7");
}

TEST_F(NetSettingsTest, MissingFileIsCreated) {
    std::filesystem::remove(ConfigPath());
    EXPECT_EQ(RunModal([&](fw::Window& dlg) {
                  SetAddress(dlg, 0x7F000001);
                  SetPort(dlg, "65535");
                  Click(dlg, CSettingNetDlg::kSave);
              }),
              fw::IDOK);
    EXPECT_EQ(IniReadText(ConfigId::kNetIp), "127.0.0.1");
    EXPECT_EQ(IniReadText(ConfigId::kNetTcPort), "65535");
}

TEST_F(NetSettingsTest, CancelAndCloseWriteNothing) {
    for (fw::UINT button : {CSettingNetDlg::kCancel, CSettingNetDlg::kClose}) {
        const int result = RunModal([&](fw::Window& dlg) {
            SetAddress(dlg, 0x01020304);
            SetPort(dlg, "8001");
            Click(dlg, button);
        });
        EXPECT_EQ(result, fw::IDCANCEL) << button;
        EXPECT_EQ(ConfigText(), kConfig) << button;
    }
    const int result = RunModal([&](fw::Window& dlg) {
        SetPort(dlg, "8001");
        fw::input::Close(dlg.GetSafeHwnd());
    });
    EXPECT_EQ(result, fw::IDCANCEL);
    EXPECT_EQ(ConfigText(), kConfig);
}

TEST_F(NetSettingsTest, APortThatIsNoPortIsRefusedAndNothingIsWritten) {
    for (const char* bad : {"", "0", "65536", "123456"}) {
        bool stillOpen = false;
        const int result = RunModal([&](fw::Window& dlg) {
            SetAddress(dlg, 0x01020304);
            SetPort(dlg, bad);
            Click(dlg, CSettingNetDlg::kSave);
            stillOpen = dlg.IsWindowVisible();
            EXPECT_EQ(dlg.GetDlgItemText(CSettingNetDlg::kPort), bad) << "what was typed stays";
            Click(dlg, CSettingNetDlg::kCancel);
        });
        EXPECT_TRUE(stillOpen) << bad;
        EXPECT_EQ(result, fw::IDCANCEL) << bad;
        EXPECT_EQ(ConfigText(), kConfig) << bad;
    }
    const std::vector<std::string> texts = BoxTexts();
    ASSERT_EQ(texts.size(), 4u);
    for (const auto& t : texts) {
        EXPECT_EQ(t, G("端口号必须是 1 到 65535 之间的数字！"));
    }
}

TEST_F(NetSettingsTest, ThePortFieldTakesDigitsOnly) {
    RunModal([&](fw::Window& dlg) {
        EXPECT_EQ(Type(dlg, CSettingNetDlg::kPort, "x"), 0);
        Click(dlg, CSettingNetDlg::kCancel);
    });
}

TEST_F(NetSettingsTest, ABlankAddressFieldIsRefused) {
    bool stillOpen = false;
    RunModal([&](fw::Window& dlg) {
        static_cast<fw::IpAddressCtrl*>(dlg.GetDlgItem(CSettingNetDlg::kAddress))->ClearAddress();
        SetPort(dlg, "8001");
        Click(dlg, CSettingNetDlg::kSave);
        stillOpen = dlg.IsWindowVisible();
        Click(dlg, CSettingNetDlg::kCancel);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(ConfigText(), kConfig);
    EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(NetSettingsTest, AnUnwritableFileLeavesTheOldSettingsAndTheDialogOpen) {
    // A folder where the file should be: nothing can replace it.
    std::filesystem::remove(ConfigPath());
    std::filesystem::create_directory(ConfigPath());
    bool stillOpen = false;
    const int result = RunModal([&](fw::Window& dlg) {
        SetAddress(dlg, 0x01020304);
        SetPort(dlg, "8001");
        Click(dlg, CSettingNetDlg::kSave);
        stillOpen = dlg.IsWindowVisible();
        Click(dlg, CSettingNetDlg::kCancel);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, fw::IDCANCEL);
    EXPECT_TRUE(std::filesystem::is_directory(ConfigPath()));
    EXPECT_EQ(BoxTexts().size(), 1u);
}

TEST_F(NetSettingsTest, SkinnedWithCutCornersAndDraggable) {
    RunModal([&](fw::Window& dlg) {
        fw::RenderWindow(dlg.GetSafeHwnd());
        EXPECT_TRUE(dlg.HasWindowRgn());
        EXPECT_FALSE(dlg.GetWindowRgn().Contains(fw::Point{0, 0}));
        fw::input::Mouse(dlg.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {150, 30}, fw::MK_LBUTTON);
        fw::PumpPending();
        EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{dlg.GetSafeHwnd()});
        Click(dlg, CSettingNetDlg::kClose);
    });
}

}  // namespace
}  // namespace formstest
