// Pop-up windows on the headless framework's virtual clock.
#include "notifier/ControlEvents.h"
#include "notifier/MsgWnd.h"
#include "notifier/PopupRegistry.h"
#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/core/Text.h"
#include "tests/notifier/NotifierTestSupport.h"

namespace {

class PopupTest : public ControlFixture {
protected:
    void Show(const std::u16string& caption, const std::u16string& text, const std::u16string& time,
              const std::u16string& close = u"0", const std::u16string& url = u"",
              const std::u16string& mode = u"0") {
        ctrl->ShowMessage(caption, text, url, time, close, mode, 0x000000FF, u"o1", u"o2", u"o3");
    }
    CMsgWnd* Timed(int id) { return ThePallinoteApp().Popups()->Find(id); }
    // Paints the window as the desktop would and returns the texts drawn (UTF-16).
    std::vector<std::u16string> Paint(CMsgWnd* w) {
        if (w->ShownHeight() <= 170)
            SlideIn();  // a window has its size once it slid in
        std::vector<fw::TextRecord> records;
        fw::RenderWindow(w->GetSafeHwnd(), records);
        std::vector<std::u16string> texts;
        for (const auto& r : records)
            texts.push_back(r.wide.empty() ? vq::GbkToUtf16(r.text) : r.wide);
        return texts;
    }
    void Click(CMsgWnd* w, int x, int y) {
        fw::input::Mouse(w->GetSafeHwnd(), fw::WM_LBUTTONDOWN, {x, y});
    }
    void ClickRect(CMsgWnd* w, const fw::Rect& r) { Click(w, r.left + 1, r.top + 1); }
    // Slides a window fully in (9 ticks of timer 10, then the switch to 12 or 13).
    void SlideIn() { fw::headless::AdvanceClock(10); }
};

TEST_F(PopupTest, TimedWindowSlidesInStaysAndSlidesOut) {
    Show(u"News", u"text", u"5");
    CMsgWnd* w = Timed(1001);  // the first message of the library gets 1001
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->DisplayMs(), 5000);
    std::vector<int> heights;
    for (int i = 0; i < 9; ++i) {
        fw::headless::AdvanceClock(1);
        heights.push_back(w->ShownHeight());
        const fw::Rect r = w->GetWindowRect();
        EXPECT_EQ(r.left, 1280 - 285);
        EXPECT_EQ(r.top, 770 - w->ShownHeight());
        EXPECT_EQ(r.Height(), 170);
    }
    EXPECT_EQ(heights, (std::vector<int>{20, 40, 60, 80, 100, 120, 140, 160, 171}));
    fw::headless::AdvanceClock(1);  // timer 10 ends, the stay begins
    fw::headless::AdvanceClock(4999);
    EXPECT_EQ(w->ShownHeight(), 171);
    std::vector<int> out;
    for (int i = 0; i < 9; ++i) {
        fw::headless::AdvanceClock(i == 0 ? 6 : 5);
        out.push_back(w->ShownHeight());
        if (w->ShownHeight() > 0) {
            EXPECT_EQ(w->GetWindowRect().Height(), w->ShownHeight());
        }
    }
    EXPECT_EQ(out, (std::vector<int>{151, 131, 111, 91, 71, 51, 31, 11, -20}));
    EXPECT_FALSE(w->IsDestroyed());
    fw::headless::AdvanceClock(5);
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_EQ(Timed(1001), nullptr);
}

TEST_F(PopupTest, UntimedMessagesShareOnePersistentWindowWithTheCount) {
    Show(u"A", u"one", u"0");
    Show(u"B", u"two", u"0");
    Show(u"Latest", u"three", u"0");
    CMsgWnd* w = ctrl->PersistentWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(ctrl->PersistentOpen());
    EXPECT_EQ(w->WindowId(), 999);
    EXPECT_EQ(w->MessageCount(), 3);
    const auto texts = Paint(w);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], u"Latest ( 3 )");
    EXPECT_EQ(ThePallinoteApp().Popups()->OpenCount(), 0u);
}

TEST_F(PopupTest, LongCaptionIsShortenedForGood) {
    Show(u"ABCDEFGHIJKLMNOPQRST", u"x", u"3");
    CMsgWnd* w = Timed(1001);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Paint(w)[0], u"ABCDEFG...");
    EXPECT_EQ(w->Title(), u"ABCDEFG...");
    Show(u"0123456789", u"x", u"3");  // ten characters stay as they are
    EXPECT_EQ(Paint(Timed(1002))[0], u"0123456789");
}

// The control works in UTF-16: what GBK cannot hold (Thai, emoji) still reaches the drawing.
TEST_F(PopupTest, TitlesAndTextsAreDrawnAsTheUtf16TheyCameIn) {
    const std::u16string thai = u"\u0E01\u0E02";  // ก ข
    const std::u16string smile = u"\U0001F600";
    Show(thai + u"\u00E9", u"ok " + smile + u" [9|" + thai + u"] \u00E9!", u"0");
    const auto texts = Paint(ctrl->PersistentWindow());
    EXPECT_EQ(texts, (std::vector<std::u16string>{thai + u"\u00E9 ( 1 )", u"ok " + smile + u" ",
                                                  thai, u" \u00E9!"}));
}

TEST_F(PopupTest, LinkClickRaisesCallbackHttpAndKeepsTheWindow) {
    Show(u"T", u"plain words [42|Open] more words", u"0");
    CMsgWnd* w = ctrl->PersistentWindow();
    const auto texts = Paint(w);
    EXPECT_EQ(texts,
              (std::vector<std::u16string>{u"T ( 1 )", u"plain words ", u"Open", u" more words"}));
    ASSERT_EQ(w->PageMessages().size(), 1u);
    const TextSegment& link = w->PageMessages()[0]->segments[1];
    ASSERT_EQ(link.kind, TextSegment::kLink);
    Click(w, link.rect.left + 2, link.rect.top + 2);
    ASSERT_EQ(sink.Count(eventidCallbackHttp), 1);
    EXPECT_EQ(sink.events.back().args,
              (std::vector<std::u16string>{u"1001", u"42", u"o1", u"o2", u"o3"}));
    EXPECT_FALSE(w->IsDestroyed());
}

TEST_F(PopupTest, CallbackCloseOnceWhicheverWayTheMessageLeaves) {
    // Timeout.
    Show(u"T", u"a", u"1", u"1");
    fw::headless::AdvanceClock(2000);
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    // Close button.
    Show(u"T", u"b", u"9", u"1");
    CMsgWnd* w = Timed(1002);
    SlideIn();
    Paint(w);
    ClickRect(w, w->CloseButtonRect());
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 2);
    // View button.
    Show(u"T", u"c", u"9", u"1", u"http://x");
    w = Timed(1003);
    Paint(w);
    ClickRect(w, w->ViewButtonRect());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 3);
    // CloseMessage, also when the handler closes the same message again.
    Show(u"T", u"d", u"9", u"1");
    sink.onEvent = [&](const RecordedEvent& e) {
        if (e.id == eventidCallbackClose)
            ctrl->CloseMessage(u"1004");
    };
    ctrl->CloseMessage(u"1004");
    EXPECT_EQ(sink.Count(eventidCallbackClose), 4);
    EXPECT_EQ(sink.events.back().args, (std::vector<std::u16string>{u"o1", u"o2", u"o3"}));
    // strclose "0" never asks.
    sink.onEvent = nullptr;
    Show(u"T", u"e", u"1", u"0");
    fw::headless::AdvanceClock(2000);
    EXPECT_EQ(sink.Count(eventidCallbackClose), 4);
}

TEST_F(PopupTest, ViewButtonSendsTheLastUrlToTheHostOnlyWhenThereIsOne) {
    Embed();
    Show(u"T", u"x", u"9", u"0", u"http://branch/a");
    CMsgWnd* w = Timed(1001);
    Paint(w);
    ClickRect(w, w->ViewButtonRect());
    EXPECT_EQ(host.views, std::vector<std::u16string>{u"http://branch/a"});
    EXPECT_TRUE(w->IsDestroyed());

    Show(u"T", u"y", u"9", u"0", u"");
    w = Timed(1002);
    Paint(w);
    ClickRect(w, w->ViewButtonRect());
    EXPECT_EQ(host.views.size(), 1u);
    EXPECT_TRUE(w->IsDestroyed());
}

TEST_F(PopupTest, CloseMessageOfTheOnlyPersistentMessageClosesTheWindow) {
    Show(u"T", u"only", u"0", u"1");
    CMsgWnd* w = ctrl->PersistentWindow();
    SlideIn();
    ctrl->CloseMessage(u"1001");
    EXPECT_TRUE(w->IsDestroyed());
    EXPECT_FALSE(ctrl->PersistentOpen());
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    // The next untimed message opens a new window.
    Show(u"T", u"again", u"0");
    EXPECT_NE(ctrl->PersistentWindow(), nullptr);
    EXPECT_TRUE(ctrl->PersistentOpen());
    EXPECT_EQ(ctrl->PersistentWindow()->MessageCount(), 1);
}

TEST_F(PopupTest, CloseMessageKeepsTheOthersAndUnknownIdsOnlyRepaint) {
    Show(u"T", u"one", u"0", u"1");
    Show(u"T", u"two", u"0", u"1");
    CMsgWnd* w = ctrl->PersistentWindow();
    ctrl->CloseMessage(u"777");
    EXPECT_EQ(w->MessageCount(), 2);
    ctrl->CloseMessage(u"1001");
    EXPECT_EQ(w->MessageCount(), 1);
    EXPECT_EQ(w->Messages().front()->id, 1002);
    EXPECT_EQ(sink.Count(eventidCallbackClose), 1);
    // Closing the window raises the callback for what is left.
    w->SendMessage(fw::WM_CLOSE);
    EXPECT_EQ(sink.Count(eventidCallbackClose), 2);
}

TEST_F(PopupTest, TickerPagesThroughMessagesThatDoNotFit) {
    for (int i = 0; i < 5; ++i) {
        Show(u"T", std::u16string(60, static_cast<char16_t>(u'a' + i)), u"0");  // 3 lines each
    }
    CMsgWnd* w = ctrl->PersistentWindow();
    EXPECT_GT(w->TotalHeight(), 170);
    Paint(w);
    const CMsgManage* first = w->PageMessages().front();
    Paint(w);
    EXPECT_NE(w->PageMessages().front(), first);  // each repaint starts one message later
    // The mouse over the window pauses the ticker without moving the page.
    const CMsgManage* now = w->PageStart();
    fw::input::Mouse(w->GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 100});
    fw::headless::AdvanceClock(10000);
    EXPECT_EQ(w->PageStart(), now);
}

// The pointer over the persistent window pauses the ticker; the pointer
// leaving it or the window losing the focus starts it again.
TEST_F(PopupTest, PausedTickerResumesWhenThePointerLeavesOrTheFocusGoes) {
    Embed();
    for (int i = 0; i < 5; ++i) {
        Show(u"T", std::u16string(60, static_cast<char16_t>(u'a' + i)), u"0");
    }
    CMsgWnd* w = ctrl->PersistentWindow();
    SlideIn();
    const auto advances = [&] {
        const int before = w->TickerSteps();
        fw::headless::AdvanceClock(2000);
        return w->TickerSteps() == before + 1;
    };
    ASSERT_TRUE(advances());  // the ticker runs

    fw::input::Mouse(w->GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 100});
    fw::headless::AdvanceClock(10000);
    EXPECT_FALSE(advances());
    // Out onto the host's window: nothing took the focus, yet the ticker goes on.
    fw::input::Mouse(host.GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 5});
    EXPECT_TRUE(advances());
    EXPECT_TRUE(advances());

    fw::input::Focus(w->GetSafeHwnd());
    fw::input::Mouse(w->GetSafeHwnd(), fw::WM_MOUSEMOVE, {5, 100});
    EXPECT_FALSE(advances());
    fw::input::Focus(host.GetSafeHwnd());  // the pointer stays, the focus goes
    EXPECT_TRUE(advances());
}

TEST_F(PopupTest, SoundAndShakeAlerts) {
    Show(u"T", u"x", u"3", u"0", u"", u"2");
    CMsgWnd* w = Timed(1001);
    EXPECT_FALSE(fw::headless::ForegroundCalls().empty());
    // The shake ends where it began: the empty rectangle the window was made with.
    EXPECT_EQ(w->GetWindowRect(), fw::Rect{});
    SlideIn();
    EXPECT_EQ(w->GetWindowRect().left, 1280 - 285);
    // Without the library's sound resource nothing plays.
    Show(u"T", u"y", u"3", u"0", u"", u"1");
    EXPECT_TRUE(fw::headless::SoundsPlayed().empty());
}

TEST_F(PopupTest, TimedWindowsAreDeletedAtTheNextTimedMessageAndOutliveTheControl) {
    Show(u"T", u"a", u"1", u"1");
    fw::headless::AdvanceClock(2000);
    EXPECT_EQ(ThePallinoteApp().Popups()->ClosedCount(), 1u);
    Show(u"T", u"b", u"1", u"1");
    EXPECT_EQ(ThePallinoteApp().Popups()->ClosedCount(), 0u);
    // The control goes; its window closes later without calling it.
    DestroyControl();
    const int before = sink.Count(eventidCallbackClose);
    fw::headless::AdvanceClock(2000);
    EXPECT_EQ(sink.Count(eventidCallbackClose), before);
    ThePallinoteApp().Popups()->PurgeDestroyed();
    EXPECT_EQ(ThePallinoteApp().Popups()->ClosedCount(), 0u);
}

}  // namespace

namespace {

TEST_F(PopupTest, WindowsDestroyedWithoutClosingAreDeletedToo) {
    Embed();
    Show(u"T", u"a", u"60", u"1");
    CMsgWnd* w = Timed(1001);
    ASSERT_NE(w, nullptr);
    // The host's window goes and takes its pop-ups with it; nothing closed them.
    host.DestroyWindow();
    if (!w->IsDestroyed())
        w->DestroyWindow();
    EXPECT_EQ(sink.Count(eventidCallbackClose), 0);
    ThePallinoteApp().Popups()->PurgeDestroyed();
    EXPECT_EQ(Timed(1001), nullptr);
    EXPECT_EQ(ThePallinoteApp().Popups()->OpenCount(), 0u);
    EXPECT_EQ(ThePallinoteApp().Popups()->ClosedCount(), 0u);
}

}  // namespace

namespace {

// A pop-up on its own, reporting to a recorder instead of a control.
class RecordingEvents final : public IPopupEvents {
public:
    fw::Window* PopupOwner() override { return owner; }
    std::u16string PopupViewUrl() override { return url; }
    void OnPopupLink(const std::u16string& id, const std::u16string& target,
                     const std::u16string& other1, const std::u16string& other2,
                     const std::u16string& other3) override {
        reports.push_back(u"link " + id + u" " + target + u" " + other1 + other2 + other3);
    }
    void OnPopupMessageClosed(const std::u16string& other1, const std::u16string& other2,
                              const std::u16string& other3) override {
        reports.push_back(u"message closed " + other1 + other2 + other3);
    }
    void OnPopupClosing(CMsgWnd& wnd) override {
        reports.push_back(wnd.IsDestroyed() ? u"closing after destroy" : u"closing");
    }
    void OnPopupDestroyed(CMsgWnd& wnd) override {
        reports.push_back(wnd.IsDestroyed() ? u"destroyed" : u"destroyed but not flagged");
    }

    fw::Window* owner = nullptr;
    std::u16string url;
    std::vector<std::u16string> reports;
};

// A message with the extra values "a", "b", "c", laid out for the pop-up.
std::unique_ptr<CMsgManage> LaidOut(int id, const std::u16string& text) {
    auto msg = std::make_unique<CMsgManage>();
    msg->id = id;
    msg->other1 = u"a", msg->other2 = u"b", msg->other3 = u"c";
    msg->ParseText(text);
    msg->height = msg->Layout(0, kMsgLayoutWidth, kMsgHeightLimit);
    return msg;
}

TEST_F(PopupTest, APopUpReportsToItsEventsInterfaceOnly) {
    Embed();
    RecordingEvents events;
    events.owner = &host;
    events.url = u"http://branch/9";
    auto msg = LaidOut(4242, u"see [77|this] now");
    msg->closeFlag = 1;
    CMsgWnd w(&events, 4242, 9000);
    w.AddMessage(std::move(msg));
    w.SetTitle(u"T");
    ASSERT_TRUE(w.CreatePopup());
    EXPECT_EQ(w.GetOwnerHwnd(), host.GetSafeHwnd());
    w.ShowWindow(fw::SW_SHOWNOACTIVATE);
    Paint(&w);
    const TextSegment& link = w.PageMessages().at(0)->segments[1];
    Click(&w, link.rect.left + 1, link.rect.top + 1);
    ClickRect(&w, w.ViewButtonRect());
    EXPECT_EQ(host.views, std::vector<std::u16string>{u"http://branch/9"});
    EXPECT_EQ(events.reports,
              (std::vector<std::u16string>{u"link 4242 77 abc", u"message closed abc", u"closing",
                                           u"destroyed"}));
    // Nothing reached a control: none was involved.
    EXPECT_TRUE(sink.events.empty());
}

// A screen reader gets the page as the pop-up paints it: after the two buttons, the message's
// texts in order, its link as a link that opens like a click.
TEST_F(PopupTest, AReaderGetsThePagesTextsAndPressesItsLinks) {
    Embed();
    RecordingEvents events;
    events.owner = &host;
    CMsgWnd w(&events, 4243, 9000);
    w.AddMessage(LaidOut(4243, u"New report [42|Open] today"));
    w.SetTitle(u"T");
    ASSERT_TRUE(w.CreatePopup());
    w.ShowWindow(fw::SW_SHOWNOACTIVATE);
    Paint(&w);
    const std::vector<fw::AccessiblePart> parts = fw::GetAccessibleParts(w.GetSafeHwnd());
    ASSERT_EQ(parts.size(), 5u);
    EXPECT_EQ(parts[0].name, vq::Gbk("关闭"));
    EXPECT_EQ(parts[1].name, vq::Gbk("查看"));
    const std::vector<std::pair<std::string, fw::AccessiblePartRole>> texts = {
        {"New report ", fw::AccessiblePartRole::Text},
        {"Open", fw::AccessiblePartRole::Link},
        {" today", fw::AccessiblePartRole::Text}};
    const auto& segments = w.PageMessages().at(0)->segments;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(parts[2 + i].name, texts[i].first);
        EXPECT_EQ(parts[2 + i].role, texts[i].second);
        const fw::Rect r = parts[2 + i].rect;
        EXPECT_EQ((SegRect{r.left, r.top, r.right, r.bottom}), segments[i].rect) << i;
    }
    EXPECT_FALSE(fw::PressAccessiblePart(w.GetSafeHwnd(), parts[2].id));
    ASSERT_TRUE(fw::PressAccessiblePart(w.GetSafeHwnd(), parts[3].id));
    EXPECT_EQ(events.reports, std::vector<std::u16string>{u"link 4243 42 abc"});
    w.DestroyWindow();
}

}  // namespace
