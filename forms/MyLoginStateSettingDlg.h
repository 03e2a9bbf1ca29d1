#pragma once
// The login-state page of the personal settings window: four picture radio buttons; the
// choice is kept in config.ini at once and sent to the service on request (sub function 43).

#include <string>

#include "forms/FormDialog.h"

class CMyLoginStateSettingDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 276;
    static constexpr fw::UINT kSendAndClose = 1086;
    static constexpr fw::UINT kSend = 1088;
    static constexpr fw::UINT kClose = 1087;
    static constexpr fw::UINT kBackground = 271;

    explicit CMyLoginStateSettingDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    void OnOK() override {}
    void OnCancel() override {}

    // "0" to "3", or empty before any choice.
    const std::string& ChosenState() const { return chosen_; }

private:
    void Choose(fw::UINT radio);
    void Send();
    void CloseSettings();

    std::string chosen_;
};
