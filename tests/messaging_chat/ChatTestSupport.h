#pragma once
// The chat windows on the headless backend: a portal page that records what the chat asks
// of it, "getinfoIM" and "getim20" replies made by hand, a private message log.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "messaging/log/MessageLog.h"
#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "protocol/RecordSetWriter.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "session/Subsystems.h"
#include "session/WindowMessages.h"
#include "tests/core/TempDir.h"

namespace chattest {

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

struct ScriptCall {
    std::string function;
    std::string argument;
};
struct MainMessage {
    fw::UINT message;
    fw::WPARAM wParam;
    fw::LPARAM lParam;
    std::string text;  // the tip of kTrayTip
};

class FakePage : public IPortalPage {
public:
    fw::Window& PageWindow() override { return window; }
    bool HasPageDocument() override { return hasDocument; }
    bool CallPageScript(const std::string& function, const std::string& argument) override {
        scripts.push_back({function, argument});
        return hasDocument;
    }
    fw::LRESULT TellMainWindow(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        std::string text;
        if (message == WindowMsg::kTrayTip && lParam != 0) {
            text = *reinterpret_cast<const std::string*>(lParam);
        }
        main.push_back({message, wParam, lParam, text});
        return 0;
    }
    PendingMessageSets& PendingMessages() override { return pending; }
    bool ConsoleOpened() const override { return consoleOpened; }

    std::vector<fw::LPARAM> TrayFlashes() const {
        std::vector<fw::LPARAM> out;
        for (const auto& m : main) {
            if (m.message == WindowMsg::kTrayFlash) {
                out.push_back(m.lParam);
            }
        }
        return out;
    }
    std::string LastTip() const {
        for (auto it = main.rbegin(); it != main.rend(); ++it) {
            if (it->message == WindowMsg::kTrayTip) {
                return it->text;
            }
        }
        return "(none)";
    }
    std::vector<std::string> Scripts(const std::string& function) const {
        std::vector<std::string> out;
        for (const auto& s : scripts) {
            if (s.function == function) {
                out.push_back(s.argument);
            }
        }
        return out;
    }

    fw::Window window;
    bool hasDocument = true;
    bool consoleOpened = false;
    PendingMessageSets pending;
    std::vector<ScriptCall> scripts;
    std::vector<MainMessage> main;
};

struct Message {
    std::string id;
    std::string from;
    std::string name;
    std::string content;
    std::string state = "0";
    std::string date = "2026-12-08 09:30:00.000";
};

inline RecordSetList Reply(const char* tag, const std::vector<std::string>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
    const std::vector<uint8_t> bytes = EncodeTextRecordSet(tag, columns, rows);
    return DecodeRecordSets(bytes.data(), bytes.size());
}

// A poll reply with the service's columns, addressed to user "1".
inline RecordSetList Arriving(const std::vector<Message>& messages) {
    std::vector<std::vector<std::string>> rows;
    for (const Message& m : messages) {
        rows.push_back({m.date, m.state, m.id, m.content, "1", m.from, m.name});
    }
    return Reply(
        "getinfoIM",
        {"msgDate", "msgstate", "msgid", "msgcontent", "toid", "fromid", "usr_vuser_truen"}, rows);
}

// The requests queued since the last call, taken off the queue.
inline std::vector<std::string> TakeQueued() {
    std::vector<std::string> out;
    for (const ServiceRequest& r : RequestQueue::Global().Snapshot()) {
        out.push_back(r.text);
    }
    RequestQueue::Global().Clear();
    return out;
}

inline std::string MarkRead(const std::string& id) {
    return "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=15&state=1&msgid=" + id;
}

class ChatTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), std::string(src) + "/res"));
    }
    static void TearDownTestSuite() { fw::Shutdown(); }

    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        SetMessageLogFolder(dir_.path());
        SetMessageLogClock([] { return int64_t{1796693400}; });
        RequestQueue::Global().Clear();
        Session().Reset();
        Session().SetVirid("1");
        Session().SetTrueName(G("王明"));
        fw::headless::ClearNotifications();
        fw::PumpPending();
    }
    void TearDown() override {
        fw::PumpPending();
        RequestQueue::Global().Clear();
        Session().Reset();
        SetMessageLogFolder(".");
    }

    vq::test::TempDir dir_;
};

}  // namespace chattest
