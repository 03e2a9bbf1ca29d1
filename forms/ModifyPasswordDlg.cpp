#include "forms/ModifyPasswordDlg.h"

#include <cstdint>

#include "forms/FormRules.h"
#include "protocol/Crypto.h"
#include "protocol/ServiceRequest.h"
#include "session/Session.h"

std::string PasswordDigest(const std::string& password) {
    std::uint8_t digest[16];
    CalcMD5(reinterpret_cast<const std::uint8_t*>(password.data()), password.size(), digest);
    return HexEncode(digest, sizeof digest);
}

CModifyPasswordDlg::CModifyPasswordDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, false, false}) {}

bool CModifyPasswordDlg::OnInitDialog() {
    for (fw::UINT id : {kOld, kNew, kConfirm}) {
        if (auto* edit = static_cast<fw::Edit*>(GetDlgItem(id))) {
            edit->LimitText(kMaxChars);
        }
    }
    SkinButton(kSendAndClose, 248);
    SkinButton(kSend, 246);
    SkinButton(kClose, 247);
    return true;
}

bool CModifyPasswordDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kSendAndClose:
            if (Send()) {
                CloseSettings();
            }
            return true;
        case kSend:
            Send();
            return true;
        case kClose:
            CloseSettings();
            return true;
        default:
            return CFormDialog::OnCommand(id, notifyCode, control);
    }
}

void CModifyPasswordDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    (void)keys;
    (void)p;
    SetFocus();
}

bool CModifyPasswordDlg::Send() {
    const std::string oldPassword = GetDlgItemText(kOld);
    const std::string newPassword = GetDlgItemText(kNew);
    const std::string confirmation = GetDlgItemText(kConfirm);
    if (oldPassword.empty() || newPassword.empty() || confirmation.empty()) {
        Tip("输入内容不能为空！");
        return false;
    }
    if (!SameIgnoringCase(oldPassword, Session().Password())) {
        Tip("原密码输入有误，请重新输入！");
        SetDlgItemText(kOld, "");
        return false;
    }
    if (!SameIgnoringCase(newPassword, confirmation)) {
        Tip("原密码与新密码不一致！");
        SetDlgItemText(kNew, "");
        SetDlgItemText(kConfirm, "");
        return false;
    }
    QueueSessionRequest(ServiceCall::kChangePassword,
                        {Session().Virid(), PasswordDigest(newPassword)});
    return true;
}

void CModifyPasswordDlg::CloseSettings() {
    if (fw::Window* settings = GetParent()) {
        settings->SendMessage(fw::WM_CLOSE);
    }
}
