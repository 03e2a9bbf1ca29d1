#pragma once
// Where the portal meets windows built elsewhere (forms, messaging): hooks the program
// installs at start. An empty hook means the window does not exist yet; its click or reply
// then does nothing visible and any record sets are released.

#include <functional>
#include <string>

#include "platform/Window.h"
#include "protocol/RecordSet.h"

enum class PortalForm {
    kCustomRequest,  // template 258, the portal as parent
    kQuestionnaire,  // template 266, the portal as parent
    kLeaveword,      // template 279, desktop as parent
};

struct PortalSeams {
    // Creates the form once and shows it.
    std::function<void(PortalForm form, fw::Window& portal)> openForm;
    // The message dialog (template 282): create or show it (destroying a closed one first)
    // and hand it the message id as the parent of a reply.
    std::function<void(const std::string& messageId)> openBoardMessage;
    // "looklinyan" replies, for the message dialog's content page.
    std::function<void(RecordSetList& sets)> boardMessageReply;
    // Opens a chat window with a contact; true when a window was opened.
    std::function<bool(const std::string& id, const std::string& name)> openChat;
    // The contact document ({col..., cus...}) from a "getIMS" record set.
    std::function<std::string(RecordSet& set)> contactDocument;
    // "getinfoIM" replies: the rows are delivered to chat windows; the sets stay with the
    // messaging side.
    std::function<void(RecordSetList& sets)> arrivingMessages;
    // "getim20" replies, for the chat window that asked for them.
    std::function<void(RecordSetList& sets)> chatHistory;
    // Opens an address in the user's default browser; the platform's by default.
    std::function<void(const std::string& url)> openInBrowser;
};

PortalSeams& GetPortalSeams();
