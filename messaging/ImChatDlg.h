#pragma once
// The chat window with one contact: a skinned, captionless, topmost window with the
// conversation above and the input box below. Messages typed here are sent as sub function 14
// and written to the message log; received ones are appended by the window that keeps the
// open chats (CChatWindows), or by the window itself for a "getim20" reply.

#include <ctime>
#include <memory>
#include <string>

#include "messaging/RichEditCtrlEx.h"
#include "platform/Canvas.h"
#include "platform/Window.h"
#include "protocol/RecordSet.h"
#include "session/WindowMessages.h"
#include "skin/MyDrawBtn.h"

class CImChatDlg;
class CHistroyRecordDlg;

// What a chat window needs from whoever keeps the open chats.
class IChatOwner {
public:
    virtual ~IChatOwner() = default;
    // The window is going away (closed by the user or destroyed with the program).
    virtual void ChatGone(CImChatDlg& chat) = 0;
    // Local time now, for the stamp of a sent message.
    virtual std::tm LocalNow() = 0;
};

class CImChatDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 195;
    // Controls of the template.
    static constexpr fw::UINT kHistory = 1025;
    static constexpr fw::UINT kClose = 1026;
    static constexpr fw::UINT kSend = 1027;
    static constexpr fw::UINT kMinimize = 1028;
    static constexpr fw::UINT kCloseTop = 1029;
    static constexpr fw::UINT kFont = 1030;
    static constexpr fw::UINT kEmoticons = 1031;
    static constexpr fw::UINT kFile = 1032;
    static constexpr fw::UINT kScreenshot = 1033;
    static constexpr fw::UINT kContactName = 1037;
    static constexpr fw::UINT kContactId = 1049;
    // The two rich edits made in code.
    static constexpr fw::UINT kReceived = 1034;
    static constexpr fw::UINT kInput = 1035;
    static constexpr fw::DWORD kReceivedStyle = 0x52001144;
    static constexpr fw::DWORD kInputStyle = 0x52001044;
    static constexpr int kInputLimit = 500;
    static constexpr fw::UINT kBackground = 202;
    // Commands of the emoticon picker: 10000 + index.
    static constexpr fw::UINT kFirstEmoticonCommand = 10000;
    static constexpr fw::UINT kLastEmoticonCommand = 10050;
    static constexpr fw::UINT kChatHistory = WindowMsg::kChatHistory;

    // A window for `contactId`, not yet created; `owner` outlives it. The window owns itself
    // once created: it is deleted when its window is destroyed.
    CImChatDlg(IChatOwner& owner, std::string contactId, std::string contactName);

    // Creates the window (template 195, desktop as parent) and shows it.
    bool Open();
    // Appends a message block at the end of the conversation, codes shown as pictures.
    void AppendBlock(const std::string& block);
    // Sends what the input box holds; `ctrlEnter` says it came from the keyboard, where an
    // empty box is answered with a message box.
    void Send(bool ctrlEnter);
    // The close buttons: the window goes away and the object with it.
    void Close();

    const std::string& ContactId() const { return contactId_; }
    const std::string& ContactName() const { return contactName_; }
    CRichEditCtrlEx& Received() { return received_; }
    CRichEditCtrlEx& Input() { return input_; }
    // Whether the user would see a message arrive here: shown, not minimised, in front.
    bool IsSeen() const;
    // Brings the window back from the tray or from behind other windows.
    void Activate();
    // The history window opened last from here, while it is open.
    CHistroyRecordDlg* History() const;

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool PreTranslateMessage(fw::HWND target, const fw::Msg& msg) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnCancel() override;
    void OnOK() override;
    void PostNcDestroy() override;

private:
    ~CImChatDlg() override;
    void SkinButtons();
    void MakeViews();
    void OnInputChanged();
    void OpenHistory();
    void OpenEmoticonPicker();
    fw::LRESULT OnHistoryReply(RecordSetList& sets);

    IChatOwner& owner_;
    std::string contactId_;
    std::string contactName_;
    CRichEditCtrlEx received_;
    CRichEditCtrlEx input_;
    CMyDrawBtn buttons_[9];
    fw::Font boldFont_;
    fw::Font normalFont_;
    fw::HWND history_ = fw::kNoWindow;
};
