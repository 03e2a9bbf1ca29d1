#pragma once
// The network settings dialog, run modally from the login dialog: the service address and
// the TCP port of config.ini's [NET] section. "确定" writes both at once and ends with OK;
// "取消" and the close button end with Cancel and write nothing.

#include "forms/FormDialog.h"

class CSettingNetDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 190;
    static constexpr fw::UINT kAddress = 1023;
    static constexpr fw::UINT kPort = 1024;
    static constexpr fw::UINT kSave = 1019;
    static constexpr fw::UINT kCancel = 1020;
    static constexpr fw::UINT kClose = 1021;
    static constexpr fw::UINT kBackground = 186;

    explicit CSettingNetDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    // Enter is "确定": ending with OK must mean the settings were written.
    void OnOK() override { Save(); }

private:
    void Save();
};
