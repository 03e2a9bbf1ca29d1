#include "messaging/ImChatDlg.h"

#include "messaging/ChatTexts.h"
#include "messaging/Emoticons.h"
#include "messaging/HistroyRecordDlg.h"
#include "messaging/ImageSelector.h"
#include "messaging/log/MessageLog.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "session/Session.h"
#include "skin/SkinFrame.h"

namespace {

struct ButtonBitmaps {
    fw::UINT id;
    fw::UINT normal, hover, pressed, disabled;
};

constexpr ButtonBitmaps kButtons[] = {
    {CImChatDlg::kMinimize, 197, 204, 197, 197},   {CImChatDlg::kCloseTop, 200, 199, 199, 200},
    {CImChatDlg::kHistory, 207, 207, 207, 207},    {CImChatDlg::kClose, 206, 206, 206, 206},
    {CImChatDlg::kSend, 205, 205, 205, 205},       {CImChatDlg::kFont, 209, 215, 215, 209},
    {CImChatDlg::kEmoticons, 211, 214, 214, 211},  {CImChatDlg::kFile, 208, 216, 216, 208},
    {CImChatDlg::kScreenshot, 210, 213, 213, 210},
};

// Not offered in this version of the window.
constexpr fw::UINT kHiddenButtons[] = {CImChatDlg::kFont, CImChatDlg::kEmoticons, CImChatDlg::kFile,
                                       CImChatDlg::kScreenshot};

constexpr fw::Rect kReceivedPlace{122, 85, 122 + 624, 85 + 295};
constexpr fw::Rect kInputPlace{122, 420, 122 + 624, 420 + 77};

const char* const kFontFace = "宋体";
constexpr int kFontHeight = 12;

}  // namespace

CImChatDlg::CImChatDlg(IChatOwner& owner, std::string contactId, std::string contactName)
    : fw::Dialog(IDD, nullptr),
      owner_(owner),
      contactId_(std::move(contactId)),
      contactName_(std::move(contactName)) {}

CImChatDlg::~CImChatDlg() = default;

bool CImChatDlg::Open() {
    if (!Create(IDD, nullptr)) {
        return false;
    }
    ShowWindow(fw::SW_SHOW);
    return true;
}

bool CImChatDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    CenterWindow();
    SkinButtons();
    if (fw::Window* send = GetDlgItem(kSend)) {
        send->EnableWindow(false);
    }
    for (fw::UINT id : kHiddenButtons) {
        if (fw::Window* b = GetDlgItem(id)) {
            b->ShowWindow(fw::SW_HIDE);
        }
    }
    MakeViews();
    SetDlgItemText(kContactName, contactName_);
    SetDlgItemText(kContactId, contactId_);
    if (fw::Window* id = GetDlgItem(kContactId)) {
        id->ShowWindow(fw::SW_HIDE);
    }
    return true;
}

void CImChatDlg::SkinButtons() {
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonBitmaps& b = kButtons[i];
        if (buttons_[i].SubclassDlgItem(b.id, this)) {
            buttons_[i].SetBitmaps(b.normal, b.hover, b.pressed, b.disabled);
        }
    }
}

void CImChatDlg::MakeViews() {
    boldFont_ = fw::Font::FromHeight(vq::Gbk(kFontFace), kFontHeight, fw::FW_BOLD);
    normalFont_ = fw::Font::FromHeight(vq::Gbk(kFontFace), kFontHeight, fw::FW_NORMAL);

    received_.Create(kReceivedStyle, kReceivedPlace, this, kReceived);
    received_.SetEventMask(received_.GetEventMask() | fw::ENM_LINK);
    received_.SetAutoURLDetect(true);
    received_.SetReadOnly(true);
    received_.SetFont(normalFont_);

    input_.Create(kInputStyle, kInputPlace, this, kInput);
    input_.SetEventMask(input_.GetEventMask() | fw::ENM_LINK | fw::ENM_CHANGE);
    input_.SetFont(normalFont_);
    input_.LimitText(kInputLimit);

    received_.MoveWindow(kReceivedPlace);
    input_.MoveWindow(kInputPlace);
}

void CImChatDlg::AppendBlock(const std::string& block) {
    if (!received_.IsWindow()) {
        return;
    }
    // The user may have put the caret anywhere in the conversation.
    const int end = received_.GetTextLength();
    received_.SetSel(end, end);
    InsertEmoticonText(block, received_);
}

void CImChatDlg::Send(bool ctrlEnter) {
    const std::string stamp = ChatTexts::SentTimeStamp(owner_.LocalNow());
    const std::string content = ReadEmoticonText(input_);
    if (content.empty()) {
        if (ctrlEnter) {
            fw::MessageBox(GetSafeHwnd(), vq::Gbk("请输入消息内容！"), vq::Gbk("提示"),
                           fw::MB_OK | fw::MB_ICONEXCLAMATION);
        }
        return;
    }
    const SessionValues me = Session().Get();
    const std::string block = ChatTexts::MessageBlock(me.trueName, stamp, content);
    AppendBlock(block);
    // The id is read back from the window, where the contact's id was put at set-up.
    const std::string contactId = GetDlgItemText(kContactId);
    QueueSessionRequest(ChatTexts::SendRequest(me.virid, contactId, content));
    ClearRichText(input_);
    OnInputChanged();
    AppendMessage(block, me.virid, kLogDirectionSent, contactId);
}

bool CImChatDlg::PreTranslateMessage(fw::HWND target, const fw::Msg& msg) {
    if (msg.id == fw::WM_KEYDOWN && msg.wParam == fw::VK_RETURN &&
        ((msg.lParam & fw::MK_CONTROL) != 0 || (fw::GetKeyState(fw::VK_CONTROL) & 0x8000) != 0)) {
        Send(true);
        return true;
    }
    return fw::Dialog::PreTranslateMessage(target, msg);
}

void CImChatDlg::OnInputChanged() {
    if (fw::Window* send = GetDlgItem(kSend)) {
        send->EnableWindow(input_.GetTextLength() > 0);
    }
}

bool CImChatDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    if (id == kInput && notifyCode == fw::EN_CHANGE) {
        OnInputChanged();
        return true;
    }
    if (id >= kFirstEmoticonCommand && id <= kLastEmoticonCommand) {
        InsertEmoticon(input_, static_cast<int>(id - kFirstEmoticonCommand));
        OnInputChanged();
        return true;
    }
    switch (id) {
        case kSend:
            Send(false);
            return true;
        case kClose:
        case kCloseTop:
            Close();
            return true;
        case kMinimize:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case kHistory:
            OpenHistory();
            return true;
        case kEmoticons:
            OpenEmoticonPicker();
            return true;
        case kFont:
        case kFile:
        case kScreenshot:
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

fw::LRESULT CImChatDlg::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    if (message == kChatHistory) {
        auto* sets = reinterpret_cast<RecordSetList*>(lParam);
        if (sets == nullptr) {
            RecordSetList none;
            return OnHistoryReply(none);
        }
        return OnHistoryReply(*sets);
    }
    return fw::Dialog::WindowProc(message, wParam, lParam);
}

fw::LRESULT CImChatDlg::OnHistoryReply(RecordSetList& sets) {
    if (sets.empty() || sets.front() == nullptr) {
        fw::AfxMessageBox("QUEST FAILED!");
        return -1;
    }
    RecordSet& set = *sets.front();
    if (set.MoveFirst()) {
        do {
            const std::string content = set.Value("msgcontent");
            const std::string date = set.Value("msgDate");
            const std::string name = set.Value("usr_vuser_truen");
            const std::string state = set.Value("msgstate");
            const std::string msgId = set.Value("msgid");
            if (state == "0") {
                // These blocks end with one line break, not two.
                std::string block =
                    ChatTexts::MessageBlock(name, ChatTexts::HistoryTimeStamp(date), content);
                block.resize(block.size() - 2);
                AppendBlock(block);
                AppendMessage(block, contactId_, kLogDirectionReceived, Session().Virid());
                QueueSessionRequest(ChatTexts::MarkReadRequest(msgId));
            }
        } while (set.MoveNext());
    }
    sets.clear();
    return 0;
}

bool CImChatDlg::IsSeen() const {
    return IsWindow() && IsWindowVisible() && !IsIconic() &&
           fw::GetForegroundWindow() == GetSafeHwnd();
}

void CImChatDlg::Activate() {
    if (IsIconic()) {
        ShowWindow(fw::SW_RESTORE);
    } else {
        ShowWindow(fw::SW_SHOW);
    }
    BringWindowToTop();
    SetForegroundWindow();
}

void CImChatDlg::Close() {
    ShowWindow(fw::SW_HIDE);
    EndDialog(fw::IDCANCEL);
    DestroyWindow();  // deletes this object
}

void CImChatDlg::OnCancel() {
    Close();
}

void CImChatDlg::OnOK() {
    // Enter in the input box is a line break; the window has no default button to end it.
}

bool CImChatDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    PaintSkinBackground(*this, canvas, kBackground, true);
    return true;
}

void CImChatDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    fw::Dialog::OnLButtonDown(keys, p);
}

void CImChatDlg::OpenHistory() {
    // The name as the window shows it.
    if (CHistroyRecordDlg* history =
            CHistroyRecordDlg::Open(contactId_, GetDlgItemText(kContactName))) {
        history_ = history->GetSafeHwnd();
    }
}

CHistroyRecordDlg* CImChatDlg::History() const {
    return fw::IsWindow(history_)
               ? dynamic_cast<CHistroyRecordDlg*>(fw::Window::FromHandle(history_))
               : nullptr;
}

void CImChatDlg::OpenEmoticonPicker() {
    fw::Window* button = GetDlgItem(kEmoticons);
    if (button == nullptr) {
        return;
    }
    const fw::Rect r = button->GetWindowRect();
    CImageSelector::Show(EmoticonImages(), r.left, r.bottom, this);
}

void CImChatDlg::PostNcDestroy() {
    owner_.ChatGone(*this);
    delete this;
}
