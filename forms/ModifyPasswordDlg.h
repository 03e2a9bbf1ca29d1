#pragma once
// The password page of the personal settings window: old, new and confirmation password;
// the new one goes to the service as its MD5 digest (sub function 37).

#include <string>

#include "forms/FormDialog.h"

class CModifyPasswordDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 255;
    static constexpr fw::UINT kOld = 1062;
    static constexpr fw::UINT kNew = 1064;
    static constexpr fw::UINT kConfirm = 1063;
    static constexpr fw::UINT kSendAndClose = 1059;
    static constexpr fw::UINT kSend = 1061;
    static constexpr fw::UINT kClose = 1060;
    static constexpr fw::UINT kBackground = 257;
    static constexpr int kMaxChars = 15;

    explicit CModifyPasswordDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    // A child page: Enter and Escape are the settings window's business.
    void OnOK() override {}
    void OnCancel() override {}

    // Checks the three edits and queues the change; false (with a message) when refused.
    bool Send();

private:
    void CloseSettings();
};

// The digest the service keeps for a password: MD5 as 32 lower-case hexadecimal digits.
std::string PasswordDigest(const std::string& password);
