#pragma once
// The thread page inside the message dialog: shows "htmlPath\message.html" filled with the
// board document of the last "looklinyan" reply, pages through it, and posts the replies the
// user writes in its box to the thread.

#include <functional>
#include <span>
#include <string>

#include "pagehost/DHtmlDialog.h"
#include "protocol/RecordSet.h"
#include "session/WindowMessages.h"

// The page file, relative to the program's folder.
inline constexpr std::string_view kThreadPage = "htmlPath\\message.html";

class CLeavewordcontentHtmlDlg : public CDHtmlDialog {
public:
    static constexpr fw::UINT IDD = 283;

    explicit CLeavewordcontentHtmlDlg(fw::Window* parent = nullptr);
    ~CLeavewordcontentHtmlDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;

    // The message replies posted from here answer.
    void SetThreadId(std::string id) { threadId_ = std::move(id); }
    const std::string& ThreadId() const { return threadId_; }
    // Called after the page's "ButtonOK" or "ButtonCancel" has ended the dialog: a frame
    // around a hidden page shows nothing, so its owner closes too.
    void SetOnEnded(std::function<void()> onEnded) { onEnded_ = std::move(onEnded); }
    // The last thread shown (GBK); empty before the first reply.
    const std::string& BoardDocument() const { return boardDoc_; }

    // WindowMsg::kBoardThread: -1 when the reply had no record set.
    fw::LRESULT OnThread(RecordSetList& sets);

    // Element clicks.
    void OnPutInLeaveword();
    void OnButtonOK();
    void OnButtonCancel();

protected:
    std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const override;
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override;
    void OnDocumentComplete(const std::string& url) override;
    bool OnPageContextMenu() override { return true; }

private:
    // Binds the bridge to the document shown now; false without one.
    bool BindDocument();

    std::string threadId_;
    std::string boardDoc_;
    // Set once; the thread page's own links (paging) are always followed.
    const bool allowNavigation_ = true;
    std::function<void()> onEnded_;
};
