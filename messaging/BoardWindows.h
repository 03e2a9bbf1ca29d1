#pragma once
// The board's windows as the messaging subsystem offers them to the portal: the compose window,
// made once and shown again, and the message dialog with its thread page. Once the user has
// closed a message dialog, every later thread link replaces it by a new one; that "closed" state
// lives here, for the life of the program. UI thread only.

#include <memory>
#include <string>

#include "platform/Types.h"
#include "protocol/RecordSet.h"

class CLeavewordDlg;
class CSeachStockChildDlg;

class CBoardWindows {
public:
    CBoardWindows();
    ~CBoardWindows();
    CBoardWindows(const CBoardWindows&) = delete;
    CBoardWindows& operator=(const CBoardWindows&) = delete;

    // The compose window (template 279): made on first use with the desktop as parent.
    void OpenLeaveword();
    // A board list link: shows the message dialog (template 282) for thread `messageId`. The
    // caller queues the thread's request; its reply comes back through OnBoardMessageReply.
    void OpenBoardMessage(const std::string& messageId);
    // A "looklinyan" reply, for the thread page (WindowMsg::kBoardThread). Without a message
    // dialog the record sets are released and 0 returned.
    fw::LRESULT OnBoardMessageReply(RecordSetList& sets);

    bool MessageDialogClosed() const { return messageDialogClosed_; }
    CLeavewordDlg* Leaveword() const { return leaveword_.get(); }
    CSeachStockChildDlg* MessageDialog() const { return messageDialog_.get(); }
    // The folder the thread page is read from (GBK); the program's own folder unless set.
    void SetProgramDir(std::string dir) { programDir_ = std::move(dir); }

private:
    std::unique_ptr<CLeavewordDlg> leaveword_;
    std::unique_ptr<CSeachStockChildDlg> messageDialog_;
    bool messageDialogClosed_ = false;  // set by the first close, never cleared
    std::string programDir_;
};
