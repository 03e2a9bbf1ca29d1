#include "forms/MyBestLoveDlg.h"

#include "forms/FormRules.h"
#include "platform/Framework.h"
#include "protocol/ServiceContract.h"
#include "protocol/ServiceRequest.h"
#include "session/Session.h"
#include "session/WindowMessages.h"

CMyBestLoveDlg::CMyBestLoveDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, false, false}) {}

CMyBestLoveDlg::~CMyBestLoveDlg() = default;

bool CMyBestLoveDlg::OnInitDialog() {
    SkinButton(kSendAndClose, 248);
    SkinButton(kSend, 246);
    SkinButton(kClose, 247);
    return true;
}

fw::LRESULT CMyBestLoveDlg::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    if (message == WindowMsg::kFavouriteColumns) {
        return OnColumns(reinterpret_cast<RecordSetList*>(lParam));
    }
    return CFormDialog::WindowProc(message, wParam, lParam);
}

fw::LRESULT CMyBestLoveDlg::OnColumns(RecordSetList* sets) {
    if (sets == nullptr || sets->empty() || sets->front() == nullptr) {
        fw::AfxMessageBox("QUEST FAILED!");
        return -1;
    }
    RecordSet& set = *sets->front();
    if (!EqualsNoCase(set.Tag(), ReplyTag::kAllColumns)) {
        return 0;
    }
    // The buttons of an earlier reply go first: left in place they would stand under the
    // new ones and keep a choice the new list may no longer offer.
    columns_.clear();
    chosen_.clear();
    bool first = true;
    for (const ColumnButton& b : ColumnButtons(set)) {
        auto button = std::make_unique<fw::Button>();
        const fw::DWORD style = fw::WS_CHILD | fw::WS_VISIBLE | fw::BS_AUTORADIOBUTTON |
                                (first ? fw::WS_GROUP | fw::WS_TABSTOP : 0);
        if (!button->CreateEx(fw::WS_EX_TRANSPARENT, b.caption, style, b.rect, this, b.id,
                              fw::ControlKind::Radio)) {
            continue;
        }
        // A column whose button id lies outside the choosable range is shown but cannot be
        // checked, so what is checked is always what would be sent.
        if (!::ChosenColumn(b.id)) {
            button->EnableWindow(false);
        }
        columns_.push_back(std::move(button));
        first = false;
    }
    return 0;
}

std::vector<fw::HWND> CMyBestLoveDlg::ColumnButtonHandles() const {
    std::vector<fw::HWND> out;
    for (const auto& b : columns_) {
        out.push_back(b->GetSafeHwnd());
    }
    return out;
}

bool CMyBestLoveDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    if (id >= kColumnButtonBase) {
        if (notifyCode == fw::BN_CLICKED) {
            if (const auto column = ::ChosenColumn(id)) {
                chosen_ = *column;
            }
        }
        return true;
    }
    switch (id) {
        case kSendAndClose:
            Send();
            CloseSettings();
            return true;
        case kSend:
            Send();
            return true;
        case kClose:
            CloseSettings();
            return true;
        default:
            return CFormDialog::OnCommand(id, notifyCode, control);
    }
}

void CMyBestLoveDlg::Send() {
    QueueSessionRequest(ServiceCall::kSetFavourite, {Session().Virid(), chosen_});
}

void CMyBestLoveDlg::CloseSettings() {
    if (fw::Window* settings = GetParent()) {
        settings->SendMessage(fw::WM_CLOSE);
    }
}
