#include "forms/QuestionnaireDlg.h"

#include "protocol/ServiceRequest.h"
#include "session/Session.h"

CQuestionnaireDlg::CQuestionnaireDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, false, true}) {}

bool CQuestionnaireDlg::OnInitDialog() {
    SkinButton(kSubmit, 260);
    SkinCloseButton(kClose);
    CheckRadioButton(kFirstHighlight, kLastHighlight, kFirstHighlight);
    CheckRadioButton(kFirstScore, kLastScore, kFirstScore);
    const fw::Rect place = GetWindowRect();
    MoveWindow(place.left, place.top, kWidth, kHeight);
    CenterWindow();
    return true;
}

bool CQuestionnaireDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    if (id >= kFirstHighlight && id <= kLastHighlight) {
        highlight_ = std::to_string(id - kFirstHighlight + 1);
        return true;
    }
    if (id >= kFirstScore && id <= kLastScore) {
        score_ = std::to_string(5 - (id - kFirstScore));
        return true;
    }
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

void CQuestionnaireDlg::Submit() {
    const std::string remark = GetDlgItemText(kRemark);
    if (remark.empty()) {
        Tip("请将内容填完整后提交！");
        return;
    }
    QueueSessionRequest(ServiceCall::kQuestionnaire,
                        {Session().Virid(), score_, highlight_, remark});
    EndDialog(fw::IDOK);
}
