#pragma once
// The messaging subsystem as the rest of the program sees it: chat windows and contacts are
// handled by the open chats, the board's windows by the board's own owner.

#include <memory>
#include <string>

#include "session/Subsystems.h"

class CBoardWindows;
class CChatWindows;

class CMessaging : public IMessaging {
public:
    CMessaging();
    ~CMessaging() override;

    bool OpenChat(IPortalPage& page, const std::string& contactId,
                  const std::string& contactName) override;
    std::string ContactDocument(const RecordSet& contacts) override;
    void OnArrivingMessages(IPortalPage& page, RecordSetList& sets) override;
    fw::LRESULT OnChatHistory(RecordSetList& sets) override;
    void OpenLeaveword() override;
    void OpenBoardMessage(const std::string& messageId) override;
    fw::LRESULT OnBoardMessageReply(RecordSetList& sets) override;

    CChatWindows& Chats() { return *chats_; }
    CBoardWindows& Board() { return *board_; }

private:
    std::unique_ptr<CBoardWindows> board_;
    std::unique_ptr<CChatWindows> chats_;
};
