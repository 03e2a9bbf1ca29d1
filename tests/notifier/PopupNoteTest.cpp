// Pop-ups on a desktop that places windows itself: each pop-up becomes a desktop note with
// a view action, the window stays hidden and keeps its timers, and what the user does with
// the note does what the pop-up's buttons do.
#include "notifier/MsgWnd.h"
#include "notifier/PopupRegistry.h"
#include "platform/Notifications.h"
#include "platform/core/Text.h"
#include "tests/notifier/NotifierTestSupport.h"

namespace {

using fw::headless::NotificationRecord;

std::vector<NotificationRecord> OpenNotes() {
    std::vector<NotificationRecord> open;
    for (const auto& n : fw::headless::Notifications()) {
        if (n.open)
            open.push_back(n);
    }
    return open;
}

class PopupNoteTest : public ControlFixture {
protected:
    void SetUp() override {
        ControlFixture::SetUp();
        fw::headless::ClearNotifications();
        fw::headless::SetCanPlaceWindows(false);
        Embed();
    }
    void TearDown() override {
        ControlFixture::TearDown();
        fw::headless::ClearNotifications();
    }
    // As the program announces a new article: untimed, no close flag, no alert mode.
    void Article(const std::u16string& text, const std::u16string& articleId) {
        ctrl->ShowMessage(u"最新", text, articleId, u"", u"", u"", 0x000000FF, u"", u"", u"");
    }
    void Show(const std::u16string& text, const std::u16string& time, const std::u16string& close,
              const std::u16string& mode = u"0") {
        ctrl->ShowMessage(u"T", text, u"http://branch/a", time, close, mode, 0, u"o1", u"o2",
                          u"o3");
    }
    bool Pump(const std::function<bool()>& pred) { return PumpUntil(pred, 2000); }
};

TEST_F(PopupNoteTest, ANewArticleIsAnnouncedByANoteInsteadOfAWindow) {
    Article(u"浦发银行三季报点评：[88|息差企稳]", u"20345");
    const auto notes = fw::headless::Notifications();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].title, vq::Gbk("最新"));
    EXPECT_EQ(notes[0].body, vq::Gbk("浦发银行三季报点评：息差企稳"));
    EXPECT_EQ(notes[0].icon, "velquor");
    ASSERT_EQ(notes[0].actions.size(), 2u);
    EXPECT_EQ(notes[0].actions[0].key, "default");
    EXPECT_EQ(notes[0].actions[0].label, vq::Gbk("查看"));
    EXPECT_EQ(notes[0].actions[1].key, "view");
    EXPECT_EQ(notes[0].actions[1].label, vq::Gbk("查看"));
    EXPECT_EQ(notes[0].timeoutMs, 0) << "the persistent pop-up stays until the user acts";
    EXPECT_TRUE(notes[0].open);

    // The pop-up is there, with its message, but never shown.
    CMsgWnd* w = ctrl->PersistentWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(ctrl->PersistentOpen());
    EXPECT_EQ(w->MessageCount(), 1);
    EXPECT_EQ(w->NoteId(), notes[0].id);
    fw::headless::AdvanceClock(10000);
    EXPECT_FALSE(w->IsWindowVisible());

    // The view action hands the article to the host as the view button does, once.
    ASSERT_TRUE(fw::headless::InvokeNotificationAction(notes[0].id, "view"));
    ASSERT_TRUE(Pump([&] { return !host.views.empty(); }));
    EXPECT_EQ(host.views, std::vector<std::u16string>{u"20345"});
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_FALSE(ctrl->PersistentOpen());
    EXPECT_FALSE(fw::headless::InvokeNotificationAction(notes[0].id, "view"));
    fw::PumpPending();
    EXPECT_EQ(host.views.size(), 1u);
}

TEST_F(PopupNoteTest, AClickOnTheNoteIsTheViewButtonAndClosingIsTheCloseButton) {
    Show(u"a", u"0", u"1");
    ASSERT_TRUE(fw::headless::ClickNotification(OpenNotes().at(0).id));
    ASSERT_TRUE(Pump([&] { return sink.Count(eventidCallbackClose) == 1; }));
    EXPECT_EQ(host.views, std::vector<std::u16string>{u"http://branch/a"});
    EXPECT_EQ(sink.events.back().args, (std::vector<std::u16string>{u"o1", u"o2", u"o3"}));

    // Dismissed by the user or expired: the window closes without handing anything over,
    // and the next untimed message starts a new persistent window with a note of its own.
    Show(u"b", u"0", u"1");
    CMsgWnd* second = ctrl->PersistentWindow();
    ASSERT_TRUE(fw::headless::DismissNotification(OpenNotes().at(0).id));
    ASSERT_TRUE(Pump([&] { return sink.Count(eventidCallbackClose) == 2; }));
    EXPECT_TRUE(second->IsDestroyed());
    EXPECT_EQ(host.views.size(), 1u);
    Show(u"c", u"0", u"0");
    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0].body, "c");
    EXPECT_TRUE(ctrl->PersistentOpen());
    EXPECT_EQ(ctrl->PersistentWindow()->MessageCount(), 1);
}

TEST_F(PopupNoteTest, UntimedMessagesKeepGatheringAndTheNoteTellsOfTheNewest) {
    Show(u"first", u"0", u"1");
    Show(u"second", u"0", u"1");
    CMsgWnd* w = ctrl->PersistentWindow();
    EXPECT_EQ(w->MessageCount(), 2);
    const auto notes = fw::headless::Notifications();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_FALSE(notes[0].open) << "the older note is withdrawn";
    EXPECT_EQ(notes[1].body, "second");
    EXPECT_TRUE(notes[1].open);

    // The message the note tells of goes: the note tells of the one left.
    ctrl->CloseMessage(u"1002");
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0].body, "first");
    // Another one goes quietly; the last one closes window and note.
    ctrl->CloseMessage(u"1001");
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_TRUE(OpenNotes().empty());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 2);
}

TEST_F(PopupNoteTest, ATimedNoteLastsThePopUpsTimeAndEndsWithIt) {
    Show(u"x [5|link] y", u"5", u"1", u"2");  // also asks for the shake
    CMsgWnd* w = ThePallinoteApp().Popups()->Find(1001);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(OpenNotes().size(), 1u);
    EXPECT_EQ(OpenNotes()[0].title, "T");
    EXPECT_EQ(OpenNotes()[0].body, "x link y");
    EXPECT_EQ(OpenNotes()[0].timeoutMs, 5000);
    EXPECT_FALSE(w->IsWindowVisible()) << "no shake where windows cannot be placed";
    EXPECT_TRUE(fw::headless::ForegroundCalls().empty());

    // Slide in (10 ms), stay 5 s, slide out (9 steps of 5 ms): then it closes as the pop-up.
    fw::headless::AdvanceClock(5000);
    EXPECT_EQ(OpenNotes().size(), 1u);
    fw::headless::AdvanceClock(100);
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_TRUE(OpenNotes().empty());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    EXPECT_FALSE(w->IsWindowVisible());

    // CloseMessage withdraws a timed note at once.
    Show(u"z", u"9", u"0");
    ASSERT_EQ(OpenNotes().size(), 1u);
    ctrl->CloseMessage(u"1002");
    EXPECT_TRUE(OpenNotes().empty());
}

TEST_F(PopupNoteTest, WithoutANotificationServiceThePopUpIsShownUnplaced) {
    fw::headless::SetNotificationsReachable(false);
    Article(u"无服务时的文章", u"77");
    CMsgWnd* w = ctrl->PersistentWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Pump([&] { return w->IsWindowVisible(); }));
    EXPECT_TRUE(OpenNotes().empty());
    EXPECT_EQ(w->NoteId(), 0u);
    // From then on it is an ordinary pop-up: its view button works, no note follows.
    Article(u"第二篇", u"78");
    EXPECT_EQ(fw::headless::Notifications().size(), 1u);
    EXPECT_EQ(w->MessageCount(), 2);
    fw::headless::AdvanceClock(10);
    fw::RenderWindow(w->GetSafeHwnd());
    const fw::Rect view = w->ViewButtonRect();
    fw::input::Mouse(w->GetSafeHwnd(), fw::WM_LBUTTONDOWN, {view.left + 1, view.top + 1});
    EXPECT_EQ(host.views, std::vector<std::u16string>{u"78"});
}

TEST_F(PopupNoteTest, ReportsForWindowsThatAreGoneDoNothing) {
    Show(u"a", u"9", u"1");
    const std::uint32_t note = OpenNotes().at(0).id;
    // The report is on its way when the window goes.
    fw::NotificationActionInvoked(note, "view");
    ctrl->CloseMessage(u"1001");
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    fw::PumpPending();
    EXPECT_TRUE(host.views.empty());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);

    // And when the window has been deleted meanwhile (the next timed message purges it).
    Show(u"b", u"9", u"1");
    const std::uint32_t second = OpenNotes().at(0).id;
    fw::NotificationDismissed(second);
    ctrl->CloseMessage(u"1002");
    Show(u"c", u"9", u"0");
    EXPECT_EQ(ThePallinoteApp().Popups()->ClosedCount(), 0u);
    fw::PumpPending();
    EXPECT_EQ(sink.Count(eventidCallbackClose), 2);
    EXPECT_TRUE(host.views.empty());
}

TEST_F(PopupNoteTest, WherePlacingWorksThePopUpsAreWindowsAndNoNoteIsShown) {
    fw::headless::SetCanPlaceWindows(true);
    EXPECT_TRUE(fw::CanPlaceWindows());
    Article(u"一篇", u"1");
    Show(u"b", u"3", u"0");
    EXPECT_TRUE(fw::headless::Notifications().empty());
    EXPECT_TRUE(ctrl->PersistentWindow()->IsWindowVisible());
    EXPECT_TRUE(ThePallinoteApp().Popups()->Find(1002)->IsWindowVisible());
    EXPECT_EQ(ctrl->PersistentWindow()->NoteId(), 0u);
}

// ---- The framework's notes ----

class NoteFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), ""));
        fw::headless::ClearNotifications();
    }
    void TearDown() override {
        fw::headless::ClearNotifications();
        fw::Shutdown();
    }
};

TEST_F(NoteFrameworkTest, ActionsDismissalAndFailureEachReachTheirHandlerOnce) {
    std::vector<std::string> heard;
    const auto handlers = [&](const std::string& name) {
        fw::NotificationHandlers h;
        h.onAction = [&heard, name](const std::string& a) { heard.push_back(name + ":" + a); };
        h.onDismissed = [&heard, name] { heard.push_back(name + ":dismissed"); };
        h.onFailed = [&heard, name] { heard.push_back(name + ":failed"); };
        return h;
    };
    fw::Notification note{"t", "b"};
    note.actions = {{"view", "V"}};
    const std::uint32_t a = fw::ShowNotification(note, handlers("a"));
    const std::uint32_t b = fw::ShowNotification(note, handlers("b"));
    EXPECT_FALSE(fw::headless::InvokeNotificationAction(a, "default")) << "not one of its actions";
    EXPECT_TRUE(fw::headless::InvokeNotificationAction(a, "view"));
    EXPECT_FALSE(fw::headless::DismissNotification(a));
    EXPECT_TRUE(fw::headless::DismissNotification(b));
    fw::NotificationActionInvoked(b, "view");
    fw::PumpPending();
    EXPECT_EQ(heard, (std::vector<std::string>{"a:view", "b:dismissed"}));

    fw::headless::SetNotificationsReachable(false);
    const std::uint32_t c = fw::ShowNotification(note, handlers("c"));
    fw::PumpPending();
    EXPECT_EQ(heard.back(), "c:failed");
    EXPECT_FALSE(fw::headless::ClickNotification(c));
}

TEST_F(NoteFrameworkTest, APlainNoteGetsTheProgramsIconAndAnOpenAction) {
    int clicks = 0;
    const std::uint32_t id = fw::ShowNotification({"t", "b"}, [&] { ++clicks; });
    const auto n = fw::headless::Notifications().at(0);
    EXPECT_EQ(n.icon, "velquor");
    EXPECT_EQ(n.timeoutMs, -1);
    ASSERT_EQ(n.actions.size(), 1u);
    EXPECT_EQ(n.actions[0].key, "default");
    EXPECT_EQ(n.actions[0].label, vq::Gbk("打开"));
    EXPECT_TRUE(fw::headless::ClickNotification(id));
    fw::PumpPending();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
