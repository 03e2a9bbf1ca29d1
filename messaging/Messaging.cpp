#include "messaging/Messaging.h"

#include "messaging/BoardWindows.h"
#include "messaging/IMFriendShow.h"

CMessaging::CMessaging() : board_(std::make_unique<CBoardWindows>()) {}

CMessaging::~CMessaging() = default;

// TODO(chat): the chat windows.
bool CMessaging::OpenChat(IPortalPage&, const std::string&, const std::string&) {
    return false;
}

std::string CMessaging::ContactDocument(const RecordSet& contacts) {
    // The builder walks the rows with the set's cursor; the set's content stays as it is.
    return CIMFriendShow(const_cast<RecordSet&>(contacts)).BuildDocument();
}

void CMessaging::OnArrivingMessages(IPortalPage&, RecordSetList& sets) {
    sets.clear();
}

fw::LRESULT CMessaging::OnChatHistory(RecordSetList& sets) {
    sets.clear();
    return 0;
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
