#include "messaging/Messaging.h"

CMessaging::CMessaging() = default;
CMessaging::~CMessaging() = default;

bool CMessaging::OpenChat(IPortalPage&, const std::string&, const std::string&) {
    return false;
}

std::string CMessaging::ContactDocument(const RecordSet&) {
    return {};
}

void CMessaging::OnArrivingMessages(IPortalPage&, RecordSetList&) {}

fw::LRESULT CMessaging::OnChatHistory(RecordSetList&) {
    return 0;
}

// TODO(board): forward to CBoardWindows once messaging/BoardWindows.h is in.
void CMessaging::OpenLeaveword() {}
void CMessaging::OpenBoardMessage(const std::string&) {}
fw::LRESULT CMessaging::OnBoardMessageReply(RecordSetList&) {
    return 0;
}
