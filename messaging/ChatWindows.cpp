#include "messaging/ChatWindows.h"

#include <algorithm>
#include <map>

#include "messaging/ChatTexts.h"
#include "messaging/log/MessageLog.h"
#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"
#include "session/Session.h"
#include "session/WindowMessages.h"

namespace {

namespace C = ReplyColumn;
constexpr std::string_view kSenderName = "usr_vuser_truen";
constexpr std::string_view kUnread = "0";
constexpr std::size_t kTipBytes = 127;

struct ChatRow {
    std::string date;
    std::string state;
    std::string msgId;
    std::string content;
    std::string toId;
    std::string fromId;
    std::string name;
};

ChatRow ReadRow(RecordSet& set) {
    return {set.Value(C::kMsgDate),    set.Value(C::kMsgState), set.Value(C::kMsgId),
            set.Value(C::kMsgContent), set.Value(C::kToId),     set.Value(C::kFromId),
            set.Value(kSenderName)};
}

template <typename Visit>
void ForEachRow(RecordSet& set, Visit visit) {
    if (!set.MoveFirst()) {
        return;
    }
    do {
        visit(ReadRow(set));
    } while (set.MoveNext());
}

// What follows the speaker's name in a received block.
std::string BlockTail(const ChatRow& row) {
    return ChatTexts::ReceivedTimeStamp(row.date) + "\r\n" + row.content + "\r\n\r\n";
}

}  // namespace

CChatWindows::CChatWindows() : self_(std::make_shared<CChatWindows*>(this)) {}

CChatWindows::~CChatWindows() {
    *self_ = nullptr;
    // Each window deletes itself and reports back; take the list first.
    std::vector<CImChatDlg*> open = std::move(windows_);
    windows_.clear();
    for (CImChatDlg* chat : open) {
        chat->DestroyWindow();
    }
}

CImChatDlg* CChatWindows::Find(const std::string& contactId) const {
    for (CImChatDlg* chat : windows_) {
        if (ChatTexts::SameNoCase(chat->ContactId(), contactId)) {
            return chat;
        }
    }
    return nullptr;
}

bool CChatWindows::Open(IPortalPage& page, const std::string& contactId,
                        const std::string& contactName) {
    page_ = &page;
    if (Find(contactId) != nullptr || page.ConsoleOpened()) {
        return false;
    }
    auto* chat = new CImChatDlg(*this, contactId, contactName);
    windows_.push_back(chat);
    if (!chat->Open()) {
        // A window that never came up: it is not self-owned yet unless it was created.
        if (!chat->IsWindow()) {
            windows_.erase(std::find(windows_.begin(), windows_.end(), chat));
            chat->PostNcDestroy();
        }
        return false;
    }
    DeliverOldestSet(page, *chat);
    return true;
}

void CChatWindows::DeliverOldestSet(IPortalPage& page, CImChatDlg& chat) {
    PendingMessageSets& pending = page.PendingMessages();
    if (pending.empty()) {
        return;
    }
    std::unique_ptr<RecordSet> oldest = std::move(pending.front());
    pending.pop_front();
    if (oldest == nullptr) {
        return;
    }
    const std::string ownId = Session().Virid();
    ForEachRow(*oldest, [&](const ChatRow& row) {
        if (!ChatTexts::SameNoCase(row.fromId, chat.ContactId())) {
            return;
        }
        StopWaiting(row.msgId);
        if (WasShown(row.msgId)) {
            return;
        }
        const std::string block = chat.ContactName() + vq::Gbk("： ") + BlockTail(row);
        chat.AppendBlock(block);
        AppendMessage(block, row.fromId, kLogDirectionReceived, ownId);
        QueueSessionRequest(ChatTexts::MarkReadRequest(row.msgId));
        MarkShown(row.msgId);
        page.CallPageScript("changepic", ChatTexts::ChangePicDocument(true, row.fromId));
        Flash(page, false);
    });
    KeepFlashingWhileWaiting(page);
    TellTray(page);
}

void CChatWindows::OnArrivingMessages(IPortalPage& page, RecordSetList& sets) {
    page_ = &page;
    PendingMessageSets& pending = page.PendingMessages();
    for (std::unique_ptr<RecordSet>& owned : sets) {
        if (owned == nullptr || !EqualsNoCase(owned->Tag(), ReplyTag::kChatMessages)) {
            continue;
        }
        RecordSet& set = *owned;
        pending.push_back(std::move(owned));
        const bool hasDocument = page.HasPageDocument();
        ForEachRow(set, [&](const ChatRow& row) {
            if (!hasDocument || row.state != kUnread) {
                return;
            }
            bool delivered = false;
            if (WasShown(row.msgId)) {
                // Shown before the service heard it was read: say so again, show nothing.
                QueueSessionRequest(ChatTexts::MarkReadRequest(row.msgId));
                delivered = true;
            } else {
                for (CImChatDlg* chat : std::vector<CImChatDlg*>(windows_)) {
                    if (!ChatTexts::SameNoCase(chat->ContactId(), row.fromId)) {
                        continue;
                    }
                    const bool seen = chat->IsSeen();
                    const std::string block = chat->ContactName() + vq::Gbk("： ") + BlockTail(row);
                    chat->AppendBlock(block);
                    // Logged like every other message shown, or the history would miss it.
                    AppendMessage(block, row.fromId, kLogDirectionReceived, Session().Virid());
                    QueueSessionRequest(ChatTexts::MarkReadRequest(row.msgId));
                    MarkShown(row.msgId);
                    StopWaiting(row.msgId);
                    delivered = true;
                    if (!seen) {
                        Announce(row.fromId, row.name, row.content);
                    }
                }
            }
            if (!delivered && !IsWaiting(row.msgId)) {
                // Announced once; the later polls that repeat it only keep the tray blinking.
                if (waiting_.size() >= kMaxWaiting) {
                    waiting_.pop_front();
                }
                waiting_.push_back(
                    {row.msgId, row.fromId, row.name, Announce(row.fromId, row.name, row.content)});
            }
            page.CallPageScript("changepic", ChatTexts::ChangePicDocument(delivered, row.fromId));
            Flash(page, !delivered);
        });
    }
    KeepFlashingWhileWaiting(page);
    // The rows are counted for the tray above; the oldest sets can go now.
    while (pending.size() > kMaxPendingSets) {
        pending.pop_front();
    }
    sets.clear();
    TellTray(page);
}

fw::LRESULT CChatWindows::OnChatHistory(RecordSetList& sets) {
    CImChatDlg* target = nullptr;
    if (!sets.empty() && sets.front() != nullptr && sets.front()->MoveFirst()) {
        target = Find(sets.front()->Value(C::kFromId));
    }
    if (sets.empty() || sets.front() == nullptr) {
        fw::AfxMessageBox("QUEST FAILED!");
        return -1;
    }
    if (target == nullptr) {
        sets.clear();
        return 0;
    }
    return target->SendMessage(CImChatDlg::kChatHistory, 0, reinterpret_cast<fw::LPARAM>(&sets));
}

std::uint32_t CChatWindows::Announce(const std::string& fromId, const std::string& name,
                                     const std::string& content) {
    fw::Notification note;
    note.title = name.empty() ? fromId : name;
    note.body = ChatTexts::FirstLine(content, kNotificationTextBytes);
    std::weak_ptr<CChatWindows*> self = self_;
    return fw::ShowNotification(note, [self, fromId, name] {
        std::shared_ptr<CChatWindows*> alive = self.lock();
        if (alive == nullptr || *alive == nullptr) {
            return;
        }
        CChatWindows& windows = **alive;
        if (CImChatDlg* open = windows.Find(fromId)) {
            open->Activate();
        } else if (windows.page_ != nullptr) {
            windows.Open(*windows.page_, fromId, name);
        }
    });
}

std::string CChatWindows::WaitingTip() const {
    if (waiting_.empty()) {
        return {};
    }
    // Senders in the order they first wrote, each with the number of its messages.
    std::vector<std::pair<std::string, int>> senders;
    for (const Waiting& w : waiting_) {
        const std::string& who = w.name.empty() ? w.fromId : w.name;
        auto it = std::find_if(senders.begin(), senders.end(),
                               [&](const auto& s) { return s.first == who; });
        if (it == senders.end()) {
            senders.emplace_back(who, 1);
        } else {
            ++it->second;
        }
    }
    std::string tip = vq::Gbk("您有") + std::to_string(waiting_.size()) + vq::Gbk("条新消息：");
    for (std::size_t i = 0; i < senders.size(); ++i) {
        std::string part = (i == 0 ? "" : vq::Gbk("、")) + senders[i].first;
        if (senders[i].second > 1) {
            part += "(" + std::to_string(senders[i].second) + ")";
        }
        if (tip.size() + part.size() > kTipBytes) {
            const std::string more = vq::Gbk("等");
            if (tip.size() + more.size() <= kTipBytes) {
                tip += more;
            }
            break;
        }
        tip += part;
    }
    return tip;
}

void CChatWindows::Flash(IPortalPage& page, bool on) {
    page.TellMainWindow(WindowMsg::kTrayFlash, 0, on ? 0 : 1);
    lastFlashOn_ = on;
}

void CChatWindows::KeepFlashingWhileWaiting(IPortalPage& page) {
    // Each row says "flash" or "stop" in turn, so a shown row after a waiting one would stop
    // the tray although a message still waits.
    if (!lastFlashOn_ && !waiting_.empty()) {
        Flash(page, true);
    }
}

void CChatWindows::TellTray(IPortalPage& page) {
    const std::string tip = WaitingTip();
    if (tip == lastTip_) {
        return;
    }
    lastTip_ = tip;
    page.TellMainWindow(WindowMsg::kTrayTip, 0, reinterpret_cast<fw::LPARAM>(&tip));
}

void CChatWindows::MarkShown(const std::string& msgId) {
    if (msgId.empty() || !shown_.insert(msgId).second) {
        return;
    }
    shownOrder_.push_back(msgId);
    if (shownOrder_.size() > kMaxShownIds) {
        shown_.erase(shownOrder_.front());
        shownOrder_.pop_front();
    }
}

bool CChatWindows::WasShown(const std::string& msgId) const {
    return !msgId.empty() && shown_.count(msgId) != 0;
}

bool CChatWindows::IsWaiting(const std::string& msgId) const {
    return std::any_of(waiting_.begin(), waiting_.end(),
                       [&](const Waiting& w) { return w.msgId == msgId; });
}

void CChatWindows::StopWaiting(const std::string& msgId) {
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (it->msgId == msgId) {
            fw::CloseNotification(it->note);
            it = waiting_.erase(it);
        } else {
            ++it;
        }
    }
}

void CChatWindows::ChatGone(CImChatDlg& chat) {
    auto it = std::find(windows_.begin(), windows_.end(), &chat);
    if (it != windows_.end()) {
        windows_.erase(it);
    }
}

std::tm CChatWindows::LocalNow() {
    const std::time_t now = clock_ ? clock_() : std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}
