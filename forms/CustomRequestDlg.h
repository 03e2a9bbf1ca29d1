#pragma once
// The custom request: a customer's name, id number, address, mobile and phone, sent to the
// service (sub function 41). Made once with the portal page as parent, topmost.

#include "forms/FormDialog.h"

class CCustomRequestDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 258;
    static constexpr fw::UINT kName = 1073;
    static constexpr fw::UINT kIdNumber = 1075;
    static constexpr fw::UINT kAddress = 1074;
    static constexpr fw::UINT kMobile = 1076;
    static constexpr fw::UINT kPhone = 1077;
    static constexpr fw::UINT kSubmit = 1071;
    static constexpr fw::UINT kClose = 1070;
    static constexpr fw::UINT kBackground = 259;

    struct Field {
        fw::UINT edit;
        int maxChars;
        bool digitsOnly;
    };
    // In the order of the request's parameters: name, usrcode, addr, mobile, pho.
    static constexpr Field kFields[] = {
        {kName, 8, false},   {kIdNumber, 18, false}, {kAddress, 20, false},
        {kMobile, 12, true}, {kPhone, 12, true},
    };

    explicit CCustomRequestDlg(fw::Window* parent = nullptr);

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;

private:
    void Submit();
};
