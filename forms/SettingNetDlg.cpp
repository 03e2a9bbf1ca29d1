#include "forms/SettingNetDlg.h"

#include "forms/FormRules.h"
#include "session/ConfigFile.h"

CSettingNetDlg::CSettingNetDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, true, true}) {}

bool CSettingNetDlg::OnInitDialog() {
    SkinButton(kSave, 184);
    SkinButton(kCancel, 185);
    SkinCloseButton(kClose);
    SetDlgItemText(kPort, IniReadText(ConfigId::kNetTcPort));
    if (auto* address = static_cast<fw::IpAddressCtrl*>(GetDlgItem(kAddress))) {
        // An address the control cannot show leaves it blank rather than half filled.
        if (const auto parts = ParseDottedAddress(IniReadText(ConfigId::kNetIp))) {
            address->SetAddress((*parts)[0], (*parts)[1], (*parts)[2], (*parts)[3]);
        } else {
            address->ClearAddress();
        }
    }
    return true;
}

bool CSettingNetDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kSave:
            Save();
            return true;
        case kCancel:
        case kClose:
            EndDialog(fw::IDCANCEL);
            return true;
        default:
            return CFormDialog::OnCommand(id, notifyCode, control);
    }
}

void CSettingNetDlg::Save() {
    auto* address = static_cast<fw::IpAddressCtrl*>(GetDlgItem(kAddress));
    DottedAddress parts{};
    const int filled =
        address != nullptr ? address->GetAddress(parts[0], parts[1], parts[2], parts[3]) : 0;
    // A blank field would be stored as 0, and the next login would go nowhere.
    if (filled != 4) {
        Tip("请输入完整的服务器地址！");
        return;
    }
    const std::optional<int> port = ParsePortText(GetDlgItemText(kPort));
    if (!port) {
        Tip("端口号必须是 1 到 65535 之间的数字！");
        return;
    }
    if (!WriteNetAddress(FormatDottedAddress(parts), std::to_string(*port))) {
        // Nothing was written; the dialog stays with what the user typed.
        Tip("服务器设置未能保存，请重试！");
        return;
    }
    EndDialog(fw::IDOK);
}
