#pragma once
// The main window: frames the portal page, hosts the notifier control, owns the tray icon,
// polls the service on timers and receives every service reply (OnThreadReturn, on the
// worker thread), which its dispatcher routes by tag to the window that consumes it.

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "app/OrvanelApp.h"
#include "app/Pallinotectrl1.h"
#include "app/TrayIcon.h"
#include "platform/Window.h"
#include "protocol/SockThread.h"
#include "session/ReplyRoutes.h"
#include "session/Subsystems.h"

class COrvanelDlg : public fw::Dialog, public IThreadReturn {
public:
    static constexpr fw::UINT IDD = 102;
    static constexpr fw::UINT kNotifierId = 1036;
    static constexpr fw::UINT kAboutCommand = 16;
    static constexpr fw::UINT kTrayId = 150;
    static constexpr fw::UINT kIconNormal = 128;
    static constexpr fw::UINT kIconAlert = 218;
    static constexpr fw::UINT kReviewerSound = 277;
    static constexpr fw::UINT kFlashTimer = 1;
    static constexpr fw::UINT kPollTimer = 2;
    static constexpr fw::UINT kChatTimer = 3;
    static constexpr fw::UINT kFlashMs = 500;
    static constexpr fw::UINT kPollMs = 100000;
    static constexpr fw::UINT kChatMs = 30000;
    static constexpr std::size_t kRememberedIds = 20;
    static constexpr std::size_t kAlertTextBytes = 300;
    static constexpr fw::Color kAlertColour = 0x0000FF;

    // `portal` makes the portal page (template 132) and the system settings page, `forms` the
    // personal settings window (template 238) on first use; both outlive the window.
    COrvanelDlg(IPortal& portal, IForms& forms, fw::Window* parent = nullptr);
    ~COrvanelDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    void OnSysCommand(fw::UINT id, fw::LPARAM lParam) override;
    void OnTimer(fw::UINT id) override;
    void OnPaint(fw::Canvas& canvas) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnGetMinMaxInfo(fw::MinMaxInfo& info) override;
    void OnDestroy() override;

    // The reply dispatcher: runs on the worker thread; windows are reached only through
    // synchronous messages and marshalled message boxes.
    void OnThreadReturn(RequestResult& result) override;

    fw::Dialog* PortalPage() const { return portal_.get(); }
    fw::Dialog* SettingsDialog() const { return settings_.get(); }
    // Made with the window and kept as an object only: nothing shows it.
    fw::Dialog* SystemSettingsPage() const { return systemSettings_.get(); }
    std::string Virid() const;
    std::array<std::string, kRememberedIds> RememberedNewsIds() const { return rememberedIds_; }
    const std::string& LastNewsId() const { return lastNewsId_; }
    bool Flashing() const { return flashing_; }
    bool AlertIconShowing() const { return alertIcon_; }
    const CTrayIcon& Tray() const { return tray_; }

protected:
    // The notifier control through its host wrapper (dispatch ids 9 and 1).
    virtual void NotifierShowWindow(const std::string& title);
    virtual void NotifierShowMessage(const std::string& caption, const std::string& text,
                                     const std::string& link, fw::Color colour);

private:
    void OnTrayCallback(fw::LPARAM mouseMessage);
    void OnNewArticles(RecordSetList& sets);
    void OnReviewerAlert();
    void OnTrayFlash(fw::LPARAM lParam);
    void OnTrayTip(fw::LPARAM lParam);
    void ShowMenuAtCursor(fw::UINT menuId);
    void ShowAbout();
    void ChangeUser();
    void OpenSettings();
    // Closes the window, removes the tray icon and ends the process; with `restart`, a new
    // instance of the program is started first. Any thread.
    void ExitProgram(bool restart);
    void ConfirmFromReply(RecordSet& set, const ReplyRoute& route);
    void TakeIdentity(RecordSet& set);
    void SetWindowIcons(fw::HICON icon);

    IPortal& portalMaker_;
    IForms& forms_;
    CPallinotectrl1 notifier_;
    std::unique_ptr<fw::Dialog> systemSettings_;
    std::unique_ptr<fw::Dialog> portal_;
    std::unique_ptr<fw::Dialog> settings_;
    fw::HWND portalHwnd_ = fw::kNoWindow;
    std::atomic<fw::HWND> settingsHwnd_{fw::kNoWindow};
    CTrayIcon tray_;
    CButtonSkins buttons_;
    bool alertIcon_ = false;
    bool flashing_ = false;
    std::array<std::string, kRememberedIds> rememberedIds_;
    std::string lastNewsId_;
    std::shared_ptr<SXSockThread> worker_;
};
