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
    m_tnd.cbSize = 504;
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
        m_bEnabled = false;
        return false;
    }
    m_owner = owner->GetSafeHwnd();
    m_tnd.hWnd = m_owner;
    m_tnd.uID = id;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    m_tnd.uCallbackMessage = callbackMessage;
    CopyTip(m_tnd.szTip, tip);
    m_bEnabled = fw::Shell_NotifyIcon(fw::NIM_ADD, &m_tnd);
    return m_bEnabled;
}

bool CTrayIcon::SetIcon(fw::Window* owner, fw::HICON icon) {
    if (!Usable(owner)) {
        m_bEnabled = false;
        return false;
    }
    m_owner = owner->GetSafeHwnd();
    m_tnd.hWnd = m_owner;
    m_tnd.uID = kAlertId;
    m_tnd.hIcon = icon;
    m_tnd.uFlags = fw::NIF_MESSAGE | fw::NIF_ICON | fw::NIF_TIP;
    m_tnd.uCallbackMessage = kAlertMessage;
    CopyTip(m_tnd.szTip, vq::Gbk("您有新的消息，请注意查收！"));
    m_bEnabled = fw::Shell_NotifyIcon(fw::NIM_MODIFY, &m_tnd);
    return m_bEnabled;
}

void CTrayIcon::Remove() {
    if (!m_bEnabled) {
        return;
    }
    m_tnd.uFlags = 0;
    fw::Shell_NotifyIcon(fw::NIM_DELETE, &m_tnd);
    m_bEnabled = false;
}

fw::LRESULT CTrayIcon::OnTrayNotification(fw::WPARAM id, fw::LPARAM mouseMessage) {
    if (id != m_tnd.uID) {
        return 0;
    }
    const auto message = static_cast<fw::UINT>(mouseMessage);
    if (message != fw::WM_RBUTTONUP && message != fw::WM_LBUTTONDBLCLK) {
        return 1;
    }
    fw::Menu menu;
    // A missing menu resource leaves the click without effect instead of failing.
    fw::Menu* sub = menu.LoadMenu(m_tnd.uID) ? menu.GetSubMenu(0) : nullptr;
    fw::Window* owner = fw::Window::FromHandle(m_owner);
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
