#include "messaging/Messaging.h"

#include "messaging/BoardWindows.h"
#include "messaging/ChatWindows.h"
#include "messaging/IMFriendShow.h"

CMessaging::CMessaging()
    : board_(std::make_unique<CBoardWindows>()), chats_(std::make_unique<CChatWindows>()) {}

CMessaging::~CMessaging() = default;

bool CMessaging::OpenChat(IPortalPage& page, const std::string& contactId,
                          const std::string& contactName) {
    return chats_->Open(page, contactId, contactName);
}

std::string CMessaging::ContactDocument(const RecordSet& contacts) {
    // The builder walks the rows with the set's cursor; the set's content stays as it is.
    return CIMFriendShow(const_cast<RecordSet&>(contacts)).BuildDocument();
}

void CMessaging::OnArrivingMessages(IPortalPage& page, RecordSetList& sets) {
    chats_->OnArrivingMessages(page, sets);
}

fw::LRESULT CMessaging::OnChatHistory(RecordSetList& sets) {
    return chats_->OnChatHistory(sets);
}

void CMessaging::OpenLeaveword() {
    board_->OpenLeaveword();
}

void CMessaging::OpenBoardMessage(const std::string& messageId) {
    board_->OpenBoardMessage(messageId);
}

fw::LRESULT CMessaging::OnBoardMessageReply(RecordSetList& sets) {
    return board_->OnBoardMessageReply(sets);
}
