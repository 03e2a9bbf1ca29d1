#include "messaging/LeavewordDlg.h"

#include "messaging/BoardDocument.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "protocol/ServiceRequest.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

CLeavewordDlg::CLeavewordDlg(fw::Window* parent) : fw::Dialog(IDD, parent) {}

CLeavewordDlg::~CLeavewordDlg() = default;

bool CLeavewordDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    MoveWindow(0, 0, kWidth, kHeight);
    CenterWindow();
    if (auto* title = static_cast<fw::Edit*>(GetDlgItem(kTitleEdit))) {
        title->LimitText(kTitleLimit);
    }
    if (auto* content = static_cast<fw::Edit*>(GetDlgItem(kContentEdit))) {
        content->LimitText(kContentLimit);
    }
    post_.SubclassDlgItem(kPost, this);
    post_.SetBitmaps(280, 280, 280, 280);
    close_.SubclassDlgItem(kClose, this);
    close_.SetBitmaps(140, 134, 135, 140);
    minimize_.SubclassDlgItem(kMinimize, this);
    minimize_.SetBitmaps(141, 133, 136, 141);
    return true;
}

bool CLeavewordDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kPost:
            Post();
            return true;
        case kClose:
            ShowWindow(fw::SW_HIDE);
            return true;
        case kMinimize:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void CLeavewordDlg::OnCancel() {
    ShowWindow(fw::SW_HIDE);
}

void CLeavewordDlg::Post() {
    const std::string title = GetDlgItemText(kTitleEdit);
    const std::string content = GetDlgItemText(kContentEdit);
    // A title or content of blanks counts as missing: the service would refuse the message
    // after both fields had been emptied here.
    if (BoardDocument::IsBlank(title) || BoardDocument::IsBlank(content)) {
        fw::MessageBox(GetSafeHwnd(), vq::Gbk("请将资料填完整后再发表！"), vq::Gbk("提示"),
                       fw::MB_OK | fw::MB_ICONEXCLAMATION);
        return;
    }
    const SessionValues s = Session().Get();
    // Title and content are escaped by the request builder: an "&" typed here stays text.
    QueueSessionRequest(ServiceCall::kBoardPost, {s.virid, content, title, s.orgId});
    SetDlgItemText(kTitleEdit, "");
    SetDlgItemText(kContentEdit, "");
}

bool CLeavewordDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    PaintSkinBackground(*this, canvas, kBackground, false);
    return true;
}

void CLeavewordDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    fw::Dialog::OnLButtonDown(keys, p);
}
