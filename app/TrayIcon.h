#pragma once
// The program's icon in the notification area, for one owner window. The login dialog and
// the main window each own one; the main window's icon flashes for new messages.

#include <string>

#include "platform/Framework.h"
#include "platform/Types.h"
#include "platform/Window.h"
#include "session/WindowMessages.h"

class CTrayIcon {
public:
    CTrayIcon();
    virtual ~CTrayIcon();  // removes the icon
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon (tip, owner, callback message, picture, icon id). Returns the flag, which
    // stays false when the desktop has no notification area or the owner is not a window.
    bool Create(const std::string& tip, fw::Window* owner, fw::UINT callbackMessage, fw::HICON icon,
                fw::UINT id);
    // Changes the picture of the main window's icon (the id, message and tip are fixed, see
    // kAlertId); the flag becomes the result of the change.
    bool SetIcon(fw::Window* owner, fw::HICON icon);
    // The tip SetIcon writes instead of its fixed one while chat messages wait (GBK; empty:
    // the fixed tip again).
    void SetAlertTip(std::string tip) { alertTip_ = std::move(tip); }
    // Changes the tip of the icon as it stands (kept in Data() even when the icon is not
    // present, which the result then says).
    bool SetTip(const std::string& tip);
    // Removes the icon when it is present; a second call does nothing.
    void Remove();
    bool IsPresent() const { return enabled_; }

    // A mouse event on the icon (the owner's callback message: wParam is the icon id, lParam
    // the mouse message). Returns 0 for another icon id, 1 otherwise.
    virtual fw::LRESULT OnTrayNotification(fw::WPARAM id, fw::LPARAM mouseMessage);

    const fw::NotifyIconData& Data() const { return trayData_; }

    // SetIcon always modifies the main window's icon with its alert tip.
    static constexpr fw::UINT kAlertId = 150;
    static constexpr fw::UINT kAlertMessage = WindowMsg::kMainTray;

private:
    bool Usable(fw::Window* owner) const;

    bool enabled_ = false;
    fw::NotifyIconData trayData_;
    fw::HWND owner_ = fw::kNoWindow;
    std::string alertTip_;
};
