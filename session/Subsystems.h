#pragma once
// Where the windows of one subsystem meet those of another. Each side sees only these
// interfaces; main.cpp, the one place that knows every subsystem, makes the implementations
// and hands them to the application, which refuses to start when one is missing. Tests hand
// in fakes or the real ones. Everything here runs on the UI thread.

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"
#include "protocol/RecordSet.h"

namespace fw {
class Window;
class Dialog;
}  // namespace fw

// "getinfoIM" record sets not yet consumed by an opening chat window, oldest first.
using PendingMessageSets = std::deque<std::unique_ptr<RecordSet>>;

// What the portal page offers to the windows that act on its behalf (chats, board, forms).
class IPortalPage {
public:
    virtual ~IPortalPage() = default;

    // The page dialog: the parent of the forms it opens.
    virtual fw::Window& PageWindow() = 0;
    // True when the page shown now has a document that scripts can be called on.
    virtual bool HasPageDocument() = 0;
    // Calls a script function of the page shown now with one text argument (GBK);
    // false when there is no document or no such function.
    virtual bool CallPageScript(const std::string& function, const std::string& argument) = 0;
    // Sends `message` to the main window and returns its answer (e.g. WindowMsg::kTrayFlash).
    virtual fw::LRESULT TellMainWindow(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) = 0;
    // The pending message sets the page keeps for the chat windows.
    virtual PendingMessageSets& PendingMessages() = 0;
    // True once the management console was opened in the browser: no chat opens from then on.
    virtual bool ConsoleOpened() const = 0;
};

// The messaging side: chat windows, the contact document, the board's windows.
class IMessaging {
public:
    virtual ~IMessaging() = default;

    // A contact link ("?id=", "FriendName="). Opens the chat window unless one is open for
    // that contact (compared without regard to case); true when a window was opened.
    virtual bool OpenChat(IPortalPage& page, const std::string& contactId,
                          const std::string& contactName) = 0;
    // The contact document of a "getIMS" record set.
    virtual std::string ContactDocument(const RecordSet& contacts) = 0;
    // A "getinfoIM" reply: its sets join page.PendingMessages() (taken from `sets`) and their
    // unread rows are delivered to the open chat windows.
    virtual void OnArrivingMessages(IPortalPage& page, RecordSetList& sets) = 0;
    // A "getim20" reply, for the chat window whose contact is the reply's `fromid`.
    virtual fw::LRESULT OnChatHistory(RecordSetList& sets) = 0;
    // The board's compose window (template 279): made on first use, shown on every use.
    virtual void OpenLeaveword() = 0;
    // A board list link: shows the message dialog (template 282) for thread `messageId`,
    // replacing it by a new one once the user has closed it.
    virtual void OpenBoardMessage(const std::string& messageId) = 0;
    // A "looklinyan" reply, passed on to the message dialog's thread page.
    virtual fw::LRESULT OnBoardMessageReply(RecordSetList& sets) = 0;
};

// The forms and personal settings.
class IForms {
public:
    virtual ~IForms() = default;

    // Template 266, made once with the portal page as parent and shown on every use.
    virtual void OpenQuestionnaire(fw::Window& portalPage) = 0;
    // Template 258, made once with the portal page as parent and shown on every use.
    virtual void OpenCustomRequest(fw::Window& portalPage) = 0;
    // The personal settings window (template 238), not yet created; the main window creates
    // it modeless once and sends it "getallcolumn" replies as WindowMsg::kSettingsColumns.
    virtual std::unique_ptr<fw::Dialog> MakeSettingsDialog(fw::Window* mainWindow) = 0;
    // The network settings dialog (template 190), not yet created; the login dialog runs it
    // modally.
    virtual std::unique_ptr<fw::Dialog> MakeNetSettingsDialog(fw::Window* loginDialog) = 0;
};

// The portal: the page dialog inside the main window.
class IPortal {
public:
    virtual ~IPortal() = default;

    // The portal page dialog (template 132), not yet created; the main window creates it as
    // its child.
    virtual std::unique_ptr<fw::Dialog> MakePortalPage(fw::Window* mainWindow) = 0;
    // Calls a script function without arguments on that page ("showflash").
    virtual void CallScript(fw::Dialog& portalPage, const std::string& function) = 0;
    // The system settings page (template 182), not yet created; the main window makes one
    // together with itself and keeps it as an object only.
    virtual std::unique_ptr<fw::Dialog> MakeSystemSettingsPage(fw::Window* mainWindow) = 0;
};

// The set the program is made of; each pointer is borrowed and outlives the application.
struct Subsystems {
    IPortal* portal = nullptr;
    IMessaging* messaging = nullptr;
    IForms* forms = nullptr;

    // The names of the missing ones ("portal", "messaging", "forms"); empty when complete.
    std::vector<std::string_view> Missing() const {
        std::vector<std::string_view> missing;
        if (portal == nullptr)
            missing.push_back("portal");
        if (messaging == nullptr)
            missing.push_back("messaging");
        if (forms == nullptr)
            missing.push_back("forms");
        return missing;
    }
};
