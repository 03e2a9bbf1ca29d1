#pragma once
// The history window of one chat: the logged conversation with a contact, newest first, ten
// messages a page, emoticon codes shown as pictures. A chat window opens a new one with
// CHistroyRecordDlg::Open(); it is modeless, has the desktop as parent and deletes itself
// when closed (keep its handle, not the pointer, to find it again).
//
// The view holds the pages shown so far, newest first: "older" appends the next ten older
// messages, "newer" takes the oldest page shown off again. A log that cannot be read leaves
// the view as it is and the older-page button off; the chat is not affected.

#include <cstddef>
#include <string>
#include <vector>

#include "messaging/RichEditCtrlEx.h"
#include "platform/Canvas.h"
#include "platform/Window.h"
#include "skin/MyDrawBtn.h"

class CHistroyRecordDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 220;
    // Controls of the template.
    static constexpr fw::UINT kMinimize = 1050;
    static constexpr fw::UINT kCloseTop = 1051;
    static constexpr fw::UINT kClose = 1052;
    static constexpr fw::UINT kUnused1 = 1053;
    static constexpr fw::UINT kOlderPage = 1054;
    static constexpr fw::UINT kUnused2 = 1055;
    static constexpr fw::UINT kNewerPage = 1056;
    static constexpr fw::UINT kHiddenEdit = 1057;
    static constexpr fw::UINT kContactName = 1069;
    // The view, made in code.
    static constexpr fw::UINT kView = 1066;
    static constexpr fw::DWORD kViewStyle = 0x52001144;
    static constexpr fw::UINT kBackground = 250;
    static constexpr std::size_t kPageSize = 10;

    // A new window (template 220, desktop as parent) showing `contactName` and the newest
    // ten messages between the user (the session's id) and `contactId`, shown at once. It
    // belongs to itself; null when it cannot be made.
    static CHistroyRecordDlg* Open(const std::string& contactId, const std::string& contactName);

    // The buttons' actions, as the user's clicks reach them.
    void ShowOlderPage();
    void ShowNewerPage();
    void Close();

    const std::string& ContactId() const { return contactId_; }
    // Messages of the log shown now, from the newest: 10 at opening, +10 per older page.
    std::size_t PageOffset() const { return pageOffset_; }
    CRichEditCtrlEx& View() { return view_; }

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

private:
    CHistroyRecordDlg();
    ~CHistroyRecordDlg() override;
    void SkinButtons();
    void MakeView();
    // Queries the page at `skip` and appends its texts; false when the log gave nothing.
    bool AppendPage(std::size_t skip, std::size_t* records);
    void EnableButton(fw::UINT id, bool on);

    std::string ownId_;
    std::string contactId_;
    std::string contactName_;
    std::size_t pageOffset_ = kPageSize;
    // Where each page after the first starts in the view, to take it off again.
    std::vector<int> pageStarts_;
    CRichEditCtrlEx view_;
    CMyDrawBtn buttons_[7];
    fw::Font font_;
};
