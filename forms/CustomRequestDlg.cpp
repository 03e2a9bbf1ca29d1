#include "forms/CustomRequestDlg.h"

#include <array>
#include <string>

#include "protocol/ServiceRequest.h"
#include "session/Session.h"

CCustomRequestDlg::CCustomRequestDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, true, true}) {}

bool CCustomRequestDlg::OnInitDialog() {
    SkinButton(kSubmit, 260);
    SkinCloseButton(kClose);
    for (const Field& f : kFields) {
        auto* edit = static_cast<fw::Edit*>(GetDlgItem(f.edit));
        if (edit == nullptr) {
            continue;
        }
        edit->LimitText(f.maxChars);
        if (f.digitsOnly) {
            edit->ModifyStyle(0, fw::ES_NUMBER);
        }
    }
    CenterWindow();
    return true;
}

bool CCustomRequestDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kSubmit:
            Submit();
            return true;
        case kClose:
            EndDialog(fw::IDCANCEL);
            return true;
        default:
            return CFormDialog::OnCommand(id, notifyCode, control);
    }
}

void CCustomRequestDlg::Submit() {
    std::array<std::string, std::size(kFields)> values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = GetDlgItemText(kFields[i].edit);
        if (values[i].empty()) {
            Tip("请将资料填完整后提交！");
            return;
        }
    }
    QueueSessionRequest(ServiceCall::kCustomRequest,
                        {values[0], values[1], values[2], values[3], values[4]});
    EndDialog(fw::IDOK);
}
