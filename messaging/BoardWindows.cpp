#include "messaging/BoardWindows.h"

#include "messaging/LeavewordDlg.h"
#include "messaging/LeavewordcontentHtmlDlg.h"
#include "messaging/SeachStockChildDlg.h"
#include "session/WindowMessages.h"

CBoardWindows::CBoardWindows() = default;

CBoardWindows::~CBoardWindows() {
    if (messageDialog_) {
        messageDialog_->DestroyWindow();
    }
    if (leaveword_) {
        leaveword_->DestroyWindow();
    }
}

void CBoardWindows::OpenLeaveword() {
    if (!leaveword_ || !leaveword_->IsWindow()) {
        leaveword_ = std::make_unique<CLeavewordDlg>();
        leaveword_->Create(CLeavewordDlg::IDD, nullptr);
    }
    leaveword_->ShowWindow(fw::SW_SHOW);
}

void CBoardWindows::OpenBoardMessage(const std::string& messageId) {
    if (messageDialog_ && (messageDialogClosed_ || !messageDialog_->IsWindow())) {
        messageDialog_->DestroyWindow();
        messageDialog_.reset();
    }
    if (!messageDialog_) {
        messageDialog_ = std::make_unique<CSeachStockChildDlg>();
        messageDialog_->SetOnClosed([this] { messageDialogClosed_ = true; });
        messageDialog_->Create(CSeachStockChildDlg::IDD, nullptr);
        if (CLeavewordcontentHtmlDlg* page = messageDialog_->ContentPage();
            page != nullptr && !programDir_.empty()) {
            page->SetProgramDir(programDir_);
        }
    }
    messageDialog_->ShowWindow(fw::SW_SHOW);
    if (CLeavewordcontentHtmlDlg* page = messageDialog_->ContentPage()) {
        page->SetThreadId(messageId);
    }
}

fw::LRESULT CBoardWindows::OnBoardMessageReply(RecordSetList& sets) {
    CLeavewordcontentHtmlDlg* page = messageDialog_ ? messageDialog_->ContentPage() : nullptr;
    if (page == nullptr || !page->IsWindow()) {
        sets.clear();
        return 0;
    }
    return page->SendMessage(WindowMsg::kBoardThread, 0, reinterpret_cast<fw::LPARAM>(&sets));
}
