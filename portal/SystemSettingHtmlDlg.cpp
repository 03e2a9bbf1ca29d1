#include "portal/SystemSettingHtmlDlg.h"

CSystemSettingHtmlDlg::CSystemSettingHtmlDlg(fw::Window* pParent)
    : CDHtmlDialog(IDD_SYSTEMSETTINGHTMLDLG, IDR_HTML_SYSTEMSETTINGHTMLDLG, pParent) {}

std::span<const CDHtmlDialog::DHtmlEventMapEntry> CSystemSettingHtmlDlg::GetDHtmlEventMap() const {
    static const DHtmlEventMapEntry kMap[] = {
        {"ButtonOK", Handler(&CSystemSettingHtmlDlg::OnButtonOK)},
        {"ButtonCancel", Handler(&CSystemSettingHtmlDlg::OnButtonCancel)},
    };
    return kMap;
}

bool CSystemSettingHtmlDlg::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    CenterWindow();
    return true;
}

void CSystemSettingHtmlDlg::OnButtonOK() {
    OnOK();
}

void CSystemSettingHtmlDlg::OnButtonCancel() {
    OnCancel();
}
