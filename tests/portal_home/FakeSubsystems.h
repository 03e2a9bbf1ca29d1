#pragma once
// Recording stand-ins for the messaging and forms subsystems, for tests of the windows that
// call them (portal page, main window, login dialog).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "session/Subsystems.h"

namespace fakes {

class FakeMessaging : public IMessaging {
public:
    std::vector<std::string> chats;  // "id/name" of every chat asked for
    std::vector<std::string> boardMessages;
    int contactDocuments = 0;
    int arrivals = 0;
    int histories = 0;
    int leavewords = 0;
    int boardReplies = 0;

    bool OpenChat(IPortalPage& page, const std::string& contactId,
                  const std::string& contactName) override {
        (void)page;
        chats.push_back(contactId + "/" + contactName);
        return true;
    }
    std::string ContactDocument(const RecordSet& contacts) override {
        (void)contacts;
        ++contactDocuments;
        return {};
    }
    void OnArrivingMessages(IPortalPage& page, RecordSetList& sets) override {
        ++arrivals;
        for (auto& set : sets) {
            page.PendingMessages().push_back(std::move(set));
        }
        sets.clear();
    }
    fw::LRESULT OnChatHistory(RecordSetList& sets) override {
        (void)sets;
        ++histories;
        return 0;
    }
    void OpenLeaveword() override { ++leavewords; }
    void OpenBoardMessage(const std::string& messageId) override {
        boardMessages.push_back(messageId);
    }
    fw::LRESULT OnBoardMessageReply(RecordSetList& sets) override {
        (void)sets;
        ++boardReplies;
        return 0;
    }
};

class FakeForms : public IForms {
public:
    using Maker = std::function<std::unique_ptr<fw::Dialog>(fw::Window* parent)>;
    std::vector<std::string> opened;  // "questionnaire", "customRequest"
    int settingsMade = 0;
    int netSettingsMade = 0;
    // Plain dialogs of the templates unless set.
    Maker makeSettings;
    Maker makeNetSettings;

    void OpenQuestionnaire(fw::Window& portalPage) override {
        (void)portalPage;
        opened.push_back("questionnaire");
    }
    void OpenCustomRequest(fw::Window& portalPage) override {
        (void)portalPage;
        opened.push_back("customRequest");
    }
    std::unique_ptr<fw::Dialog> MakeSettingsDialog(fw::Window* mainWindow) override {
        ++settingsMade;
        return makeSettings ? makeSettings(mainWindow)
                            : std::make_unique<fw::Dialog>(238, mainWindow);
    }
    std::unique_ptr<fw::Dialog> MakeNetSettingsDialog(fw::Window* loginDialog) override {
        ++netSettingsMade;
        return makeNetSettings ? makeNetSettings(loginDialog)
                               : std::make_unique<fw::Dialog>(190, loginDialog);
    }
};

}  // namespace fakes
