// Desktop notes through the framework: numbering, the click coming back once on the UI
// thread, withdrawn notes, and a service that is asked.
#include <gtest/gtest.h>

#include <thread>

#include "platform/Notifications.h"
#include "tests/messaging_chat/ChatTestSupport.h"

namespace chattest {
namespace {

class RecordingService : public fw::NotificationService {
public:
    explicit RecordingService(std::vector<std::string>* log) : log_(log) {}
    bool Show(std::uint32_t id, const fw::Notification& note) override {
        log_->push_back("show " + std::to_string(id) + " " + note.title);
        return true;
    }
    void Close(std::uint32_t id) override { log_->push_back("close " + std::to_string(id)); }

private:
    std::vector<std::string>* log_;
};

using Notes = ChatTest;

TEST_F(Notes, AClickCallsBackOnceOnTheUiThread) {
    int clicks = 0;
    const std::uint32_t id = fw::ShowNotification({"t", "b"}, [&] { ++clicks; });
    EXPECT_NE(id, 0u);
    ASSERT_EQ(fw::headless::Notifications().size(), 1u);
    EXPECT_TRUE(fw::headless::Notifications()[0].open);
    std::thread([id] { fw::NotificationClicked(id); }).join();
    EXPECT_EQ(clicks, 0) << "runs on the UI thread, not the service's";
    fw::PumpPending();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(fw::headless::Notifications()[0].open);
    fw::NotificationClicked(id);
    fw::PumpPending();
    EXPECT_EQ(clicks, 1);
}

TEST_F(Notes, WithdrawnAndDismissedNotesNeverCallBack) {
    int clicks = 0;
    const std::uint32_t a = fw::ShowNotification({"a", ""}, [&] { ++clicks; });
    const std::uint32_t b = fw::ShowNotification({"b", ""}, [&] { ++clicks; });
    EXPECT_NE(a, b);
    fw::CloseNotification(a);
    fw::NotificationDismissed(b);
    EXPECT_FALSE(fw::headless::ClickNotification(a));
    EXPECT_FALSE(fw::headless::ClickNotification(b));
    fw::PumpPending();
    EXPECT_EQ(clicks, 0);
}

TEST_F(Notes, TheInstalledServiceIsAskedAndCanBeRemoved) {
    std::vector<std::string> log;
    fw::SetNotificationService(std::make_unique<RecordingService>(&log));
    EXPECT_TRUE(fw::HasNotificationService());
    const std::uint32_t id = fw::ShowNotification({"title", "body"}, nullptr);
    fw::CloseNotification(id);
    fw::SetNotificationService(nullptr);
    EXPECT_FALSE(fw::HasNotificationService());
    fw::ShowNotification({"later", ""}, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"show " + std::to_string(id) + " title",
                                             "close " + std::to_string(id)}));
}

}  // namespace
}  // namespace chattest
