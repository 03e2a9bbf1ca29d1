#include "forms/MyLoginStateSettingDlg.h"

#include "forms/FormRules.h"
#include "protocol/ServiceRequest.h"
#include "session/ConfigFile.h"
#include "session/Session.h"

CMyLoginStateSettingDlg::CMyLoginStateSettingDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, false, false}) {}

bool CMyLoginStateSettingDlg::OnInitDialog() {
    SkinButton(kSendAndClose, 248);
    SkinButton(kSend, 246);
    SkinButton(kClose, 247);
    const std::string stored = IniReadText(ConfigId::kLoginStateValue);
    const fw::UINT radio = LoginStateRadio(stored);
    for (const LoginStateChoice& c : kLoginStates) {
        CheckDlgButton(c.radio, c.radio == radio ? fw::BST_CHECKED : fw::BST_UNCHECKED);
    }
    // Only a value that checks a button is a choice: anything else would be sent as it is.
    chosen_ = radio != 0 ? stored : std::string();
    return true;
}

bool CMyLoginStateSettingDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    if (LoginStateValue(id) != 0) {
        if (notifyCode == fw::BN_CLICKED) {
            Choose(id);
        }
        return true;
    }
    switch (id) {
        case kSendAndClose:
            Send();
            CloseSettings();
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

void CMyLoginStateSettingDlg::Choose(fw::UINT radio) {
    chosen_ = std::string(1, LoginStateValue(radio));
    IniWriteValues({{ConfigId::kLoginStateValue, chosen_}});
}

void CMyLoginStateSettingDlg::Send() {
    QueueSessionRequest(ServiceCall::kLoginState, {chosen_, Session().Virid()});
}

void CMyLoginStateSettingDlg::CloseSettings() {
    if (fw::Window* settings = GetParent()) {
        settings->SendMessage(fw::WM_CLOSE);
    }
}
