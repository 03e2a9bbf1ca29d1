#pragma once
// The login dialog: remembered and automatic login through config.ini, the login through a
// fresh socket worker, and the outcome of the login reply (OnThreadReturn, on the worker
// thread). Ends with result 2 when the login succeeded.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/OrvanelApp.h"
#include "app/TrayIcon.h"
#include "platform/Window.h"
#include "protocol/SockThread.h"
#include "session/Subsystems.h"

class CLoginDlg : public fw::Dialog, public IThreadReturn {
public:
    static constexpr fw::UINT IDD = 129;
    static constexpr fw::UINT kRemember = 1000;
    static constexpr fw::UINT kAutoLogin = 1001;
    static constexpr fw::UINT kUserName = 1002;
    static constexpr fw::UINT kPassword = 1003;
    static constexpr fw::UINT kClose = 1004;
    static constexpr fw::UINT kMinimise = 1005;
    static constexpr fw::UINT kApply = 1011;
    static constexpr fw::UINT kNetSettings = 1014;
    static constexpr fw::UINT kApplyPicture = 1074;
    static constexpr fw::UINT kBusy = 1085;
    static constexpr fw::UINT kTrayId = 131;
    static constexpr fw::UINT kBackground = 130;
    static constexpr fw::UINT kAutoLoginTimer = 10;
    static constexpr fw::UINT kAutoLoginMs = 5000;
    static constexpr int kLoggedIn = 2;  // the dialog's result after a successful login

    // Tests shorten the worker's time limits and point it at their key file here.
    using WorkerSetup = std::function<void(SXSockThread& worker)>;
    static void SetWorkerSetup(WorkerSetup setup);

    // `forms` makes the network settings dialog (template 190) on first use; it outlives
    // the dialog.
    explicit CLoginDlg(IForms& forms, fw::Window* parent = nullptr);
    ~CLoginDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    void OnSysCommand(fw::UINT id, fw::LPARAM lParam) override;
    void OnTimer(fw::UINT id) override;
    void OnSize(fw::UINT type, int width, int height) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnDestroy() override;
    // Escape and closing are no login: result 2 belongs to a successful one.
    void OnCancel() override {}

    // The login reply, on the worker thread.
    void OnThreadReturn(RequestResult& result) override;

    // Button 1 and message 1028.
    void Login();
    bool LoggingIn() const { return loggingIn_.load(); }
    fw::Dialog* NetSettingsDialog() const { return netSettings_.get(); }

private:
    void StartWorker();
    // The login failed: the message, then the dialog is ready for another attempt.
    void Fail(const std::string& text, const std::string& caption, fw::UINT flags);
    void ReadyAgain();
    void OnRememberClicked();
    void OnAutoLoginClicked();
    void ShowAndCentre();
    void Close();
    void OpenNetSettings();

    IForms& forms_;
    CTrayIcon tray_;
    CButtonSkins buttons_;
    std::unique_ptr<fw::Dialog> netSettings_;
    std::string typedName_;
    std::string typedPassword_;
    std::shared_ptr<SXSockThread> worker_;
    std::atomic<bool> loggingIn_{false};
};
