#include "app/TrayIcon.h"

#include <cstring>

#include "platform/Menu.h"
#include "platform/core/Text.h"

namespace {

void CopyTip(char (&dst)[128], const std::string& tip) {
    // At most 127 bytes, never half a double-byte character.
    const std::string cut = vq::GbkCut(tip, sizeof(dst) - 1);
    std::memset(dst, 0, sizeof(dst));
    std::memcpy(dst, cut.data(), cut.size());
}

}  // namespace

CTrayIcon::CTrayIcon() {
    trayData_.cbSize = 504;
}

CTrayIcon::~CTrayIcon() {
    Remove();
}

bool CTrayIcon::Usable(fw::Window* owner) const {
    return fw::GetSystemMajorVersion() >= 4 && owner != nullptr && owner->IsWindow();
}

bool CTrayIcon::Create(const std::string& tip, fw::Window* owner, fw::UINT callbackMessage,
                       fw::HICON icon, fw::UINT id) {
    if (!Usable(owner)) {
        enabled_ = false;
        return false;
    }
    owner_ = owner->GetSafeHwnd();
    trayData_.hWnd = owner_;
    trayData_.uID = id;
    trayData_.hIcon = icon;
    trayData_.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    trayData_.uCallbackMessage = callbackMessage;
    CopyTip(trayData_.szTip, tip);
    enabled_ = fw::Shell_NotifyIcon(fw::NIM_ADD, &trayData_);
    return enabled_;
}

bool CTrayIcon::SetIcon(fw::Window* owner, fw::HICON icon) {
    if (!Usable(owner)) {
        enabled_ = false;
        return false;
    }
    owner_ = owner->GetSafeHwnd();
    trayData_.hWnd = owner_;
    trayData_.uID = kAlertId;
    trayData_.hIcon = icon;
    trayData_.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    trayData_.uCallbackMessage = kAlertMessage;
    CopyTip(trayData_.szTip, alertTip_.empty() ? vq::Gbk("您有新的消息，请注意查收！") : alertTip_);
    enabled_ = fw::Shell_NotifyIcon(fw::NIM_MODIFY, &trayData_);
    return enabled_;
}

bool CTrayIcon::SetTip(const std::string& tip) {
    CopyTip(trayData_.szTip, tip);
    if (!enabled_) {
        return false;
    }
    trayData_.uFlags = fw::NIF_TIP;
    return fw::Shell_NotifyIcon(fw::NIM_MODIFY, &trayData_);
}

void CTrayIcon::Remove() {
    if (!enabled_) {
        return;
    }
    trayData_.uFlags = 0;
    fw::Shell_NotifyIcon(fw::NIM_DELETE, &trayData_);
    enabled_ = false;
}

fw::LRESULT CTrayIcon::OnTrayNotification(fw::WPARAM id, fw::LPARAM mouseMessage) {
    if (id != trayData_.uID) {
        return 0;
    }
    const auto message = static_cast<fw::UINT>(mouseMessage);
    if (message != fw::WM_RBUTTONUP && message != fw::WM_LBUTTONDBLCLK) {
        return 1;
    }
    fw::Menu menu;
    // A missing menu resource leaves the click without effect instead of failing.
    fw::Menu* sub = menu.LoadMenu(trayData_.uID) ? menu.GetSubMenu(0) : nullptr;
    fw::Window* owner = fw::Window::FromHandle(owner_);
    if (sub == nullptr || sub->GetMenuItemCount() == 0 || owner == nullptr) {
        return 1;
    }
    if (message == fw::WM_RBUTTONUP) {
        sub->SetDefaultItem(0, true);
        owner->SetForegroundWindow();
        const fw::Point at = fw::GetCursorPos();
        sub->TrackPopupMenu(fw::TPM_LEFTBUTTON, at.x, at.y, owner);
    } else {
        owner->SetForegroundWindow();
        owner->SendMessage(fw::WM_COMMAND, sub->GetMenuItemID(0), 0);
    }
    return 1;
}
