#pragma once
// The system settings page: its built-in grey page with an OK and a Cancel button.

#include "pagehost/DHtmlDialog.h"

constexpr fw::UINT IDD_SYSTEMSETTINGHTMLDLG = 182;

class CSystemSettingHtmlDlg : public CDHtmlDialog {
public:
    explicit CSystemSettingHtmlDlg(fw::Window* pParent = nullptr);

    bool OnInitDialog() override;
    void OnButtonOK();
    void OnButtonCancel();

protected:
    std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const override;
};
