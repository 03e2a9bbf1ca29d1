// The chat window and the open chats on the headless backend: opening, sending, receiving by
// the poll and on opening, the tray and page notices, desktop notes, history replies.
#include "messaging/ChatWindows.h"
#include "messaging/Emoticons.h"
#include "messaging/HistroyRecordDlg.h"
#include "tests/messaging_chat/ChatTestSupport.h"

namespace chattest {
namespace {

using fw::headless::MessageBoxes;
using fw::headless::Notifications;

class ChatWindows : public ChatTest {
protected:
    void SetUp() override {
        ChatTest::SetUp();
        chats_ = std::make_unique<CChatWindows>();
        // 2010-05-07 09:03:15 local time.
        std::tm t{};
        t.tm_year = 110;
        t.tm_mon = 4;
        t.tm_mday = 7;
        t.tm_hour = 9;
        t.tm_min = 3;
        t.tm_sec = 15;
        t.tm_isdst = -1;
        const std::time_t when = std::mktime(&t);
        chats_->SetClock([when] { return when; });
    }
    void TearDown() override {
        chats_.reset();
        ChatTest::TearDown();
    }

    CImChatDlg* OpenChat(const std::string& id, const std::string& name) {
        EXPECT_TRUE(chats_->Open(page_, id, name));
        fw::PumpPending();
        return chats_->Find(id);
    }
    static std::string Conversation(CImChatDlg& chat) { return ReadEmoticonText(chat.Received()); }
    static std::vector<std::string> LoggedTexts(const std::string& contact) {
        std::vector<std::string> out;
        if (auto result = QueryMessages("1", 0, contact)) {
            while (auto record = result->ReadNext()) {
                out.push_back(record->text);
            }
        }
        return out;
    }

    FakePage page_;
    std::unique_ptr<CChatWindows> chats_;
};

TEST_F(ChatWindows, OneWindowPerContactWhateverTheCaseAndNoneOnceTheConsoleWasOpened) {
    CImChatDlg* chat = OpenChat("u4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(chats_->Open(page_, "u4", G("张伟")));
    EXPECT_FALSE(chats_->Open(page_, "U4", G("张伟")));
    EXPECT_EQ(chats_->Windows().size(), 1u);
    EXPECT_EQ(chat->GetDlgItemText(CImChatDlg::kContactName), G("张伟"));
    EXPECT_EQ(chat->GetDlgItemText(CImChatDlg::kContactId), "u4");
    EXPECT_FALSE(chat->GetDlgItem(CImChatDlg::kContactId)->IsWindowVisible());
    EXPECT_TRUE(chat->IsWindowVisible());
    EXPECT_NE(chat->GetExStyle() & fw::WS_EX_TOPMOST, 0u);

    page_.consoleOpened = true;
    EXPECT_FALSE(chats_->Open(page_, "7", G("杨帆")));
    EXPECT_EQ(chats_->Windows().size(), 1u);
}

TEST_F(ChatWindows, ClosingForgetsTheWindowSoTheNextClickOpensANewOne) {
    for (fw::UINT button : {CImChatDlg::kClose, CImChatDlg::kCloseTop}) {
        CImChatDlg* chat = OpenChat("4", G("张伟"));
        ASSERT_NE(chat, nullptr);
        const fw::HWND hwnd = chat->GetSafeHwnd();
        fw::input::Click(chat->GetDlgItemHandle(button));
        fw::PumpPending();
        EXPECT_FALSE(fw::IsWindow(hwnd));
        EXPECT_EQ(chats_->Find("4"), nullptr);
        EXPECT_TRUE(chats_->Windows().empty());
    }
}

TEST_F(ChatWindows, SetUpHidesTheUnofferedButtonsAndDisablesSend) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    for (fw::UINT id :
         {CImChatDlg::kFont, CImChatDlg::kEmoticons, CImChatDlg::kFile, CImChatDlg::kScreenshot}) {
        EXPECT_FALSE(chat->GetDlgItem(id)->IsWindowVisible()) << id;
    }
    EXPECT_FALSE(chat->GetDlgItem(CImChatDlg::kSend)->IsWindowEnabled());
    EXPECT_EQ(chat->Received().GetRectInParent(), (fw::Rect{122, 85, 746, 380}));
    EXPECT_EQ(chat->Input().GetRectInParent(), (fw::Rect{122, 420, 746, 497}));
    EXPECT_EQ(chat->Input().GetLimitText(), 500);
    EXPECT_NE(chat->Received().GetStyle() & fw::ES_READONLY, 0u);
    EXPECT_NE(chat->Input().GetEventMask() & fw::ENM_CHANGE, 0u);
    EXPECT_NE(chat->Received().GetEventMask() & fw::ENM_LINK, 0u);
    EXPECT_TRUE(chat->Received().GetAutoUrlDetect());
    EXPECT_EQ(chat->Input().GetFont().face, G("宋体"));
    EXPECT_EQ(chat->Input().GetFont().pixelHeight, 12);
    EXPECT_EQ(chat->Input().GetFont().weight, 400);
}

TEST_F(ChatWindows, SendEnabledOnlyWithTextAndTheInputTakesFiveHundredCharacters) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    fw::Window* send = chat->GetDlgItem(CImChatDlg::kSend);
    EXPECT_EQ(fw::input::Type(chat->Input().GetSafeHwnd(), "x"), 1);
    EXPECT_TRUE(send->IsWindowEnabled());
    fw::input::SetEditText(chat->Input().GetSafeHwnd(), "");
    EXPECT_FALSE(send->IsWindowEnabled());

    const std::string chinese = G("好");
    std::string text;
    for (int i = 0; i < 501; ++i) {
        text += chinese;
    }
    EXPECT_EQ(fw::input::Type(chat->Input().GetSafeHwnd(), text), 500);
    EXPECT_EQ(chat->Input().GetTextLength(), 500);
    EXPECT_EQ(fw::input::Type(chat->Input().GetSafeHwnd(), "y"), 0);
}

TEST_F(ChatWindows, SendingEchoesQueuesClearsAndLogs) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    TakeQueued();
    const std::string typed = G("今天可以加仓吗 a&b=c /:)");
    fw::input::Type(chat->Input().GetSafeHwnd(), typed);
    fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kSend));
    fw::PumpPending();

    const std::string block = G("王明： 2010-5-7  9：3：15\r\n") + typed + "\r\n\r\n";
    EXPECT_EQ(Conversation(*chat), block);
    EXPECT_EQ(TakeQueued(), std::vector<std::string>{
                                "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=14&fromid=1&toid=4&"
                                "msgcontent=" +
                                G("今天可以加仓吗 a%26b%3Dc /:)") + "&totype=0&state=0"});
    EXPECT_EQ(chat->Input().GetTextLength(), 0);
    EXPECT_FALSE(chat->GetDlgItem(CImChatDlg::kSend)->IsWindowEnabled());
    EXPECT_EQ(LoggedTexts("4"), std::vector<std::string>{block});
    if (auto result = QueryMessages("1", 0, "4")) {
        auto record = result->ReadNext();
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->direction, kLogDirectionSent);
        EXPECT_EQ(record->fromId, "1");
        EXPECT_EQ(record->toId, "4");
    }
}

TEST_F(ChatWindows, CtrlEnterSendsAndAnEmptyOneAsksForText) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    TakeQueued();
    const fw::HWND input = chat->Input().GetSafeHwnd();
    fw::input::Focus(input);
    fw::input::Key(input, fw::VK_RETURN, true, fw::MK_CONTROL);
    fw::PumpPending();
    ASSERT_EQ(MessageBoxes().size(), 1u);
    EXPECT_EQ(MessageBoxes()[0].text, G("请输入消息内容！"));
    EXPECT_EQ(MessageBoxes()[0].caption, G("提示"));
    EXPECT_EQ(MessageBoxes()[0].flags & 0xF0, fw::MB_ICONEXCLAMATION);
    EXPECT_TRUE(TakeQueued().empty());
    EXPECT_TRUE(LoggedTexts("4").empty());

    fw::input::Type(input, "ab");
    fw::input::Key(input, fw::VK_RETURN, true);
    fw::input::Key(input, fw::VK_RETURN, false);
    fw::PumpPending();
    EXPECT_TRUE(TakeQueued().empty()) << "Enter alone is a line break";
    EXPECT_GT(chat->Input().GetTextLength(), 2);

    fw::input::Type(input, "c");
    fw::input::Key(input, fw::VK_RETURN, true, fw::MK_CONTROL);
    fw::PumpPending();
    const std::vector<std::string> queued = TakeQueued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_NE(queued[0].find("&msgcontent=ab\r\nc&"), std::string::npos) << queued[0];
    EXPECT_EQ(MessageBoxes().size(), 1u);
}

TEST_F(ChatWindows, PollDeliversEachUnreadMessageOnceToTheOpenWindow) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    TakeQueued();
    RecordSetList reply = Arriving({{"31", "4", G("张伟"), "one", "0", "2026-12-08 09:30:01.000"},
                                    {"32", "4", G("张伟"), "two", "0", "2026-12-08 09:30:02.000"},
                                    {"33", "4", G("张伟"), "read before", "1"}});
    chats_->OnArrivingMessages(page_, reply);
    EXPECT_EQ(Conversation(*chat), G("张伟： 2026-12-08 09:30:01\r\none\r\n\r\n") +
                                       G("张伟： 2026-12-08 09:30:02\r\ntwo\r\n\r\n"));
    EXPECT_EQ(TakeQueued(), (std::vector<std::string>{MarkRead("31"), MarkRead("32")}));
    EXPECT_EQ(page_.Scripts("changepic"),
              (std::vector<std::string>{"{\"line\":[{\"title\":\"1\",\"uid\":\"4\"}]}",
                                        "{\"line\":[{\"title\":\"1\",\"uid\":\"4\"}]}"}));
    EXPECT_EQ(page_.TrayFlashes(), (std::vector<fw::LPARAM>{1, 1}));
    EXPECT_EQ(LoggedTexts("4"),
              (std::vector<std::string>{G("张伟： 2026-12-08 09:30:02\r\ntwo\r\n\r\n"),
                                        G("张伟： 2026-12-08 09:30:01\r\none\r\n\r\n")}))
        << "shown, so logged";
    EXPECT_EQ(page_.pending.size(), 1u) << "the set stays pending";
    EXPECT_TRUE(reply.empty());

    // The next poll repeats one of them: shown once all the same.
    RecordSetList again = Arriving({{"32", "4", G("张伟"), "two"}});
    chats_->OnArrivingMessages(page_, again);
    EXPECT_EQ(Conversation(*chat).find("two"), Conversation(*chat).rfind("two"));
}

TEST_F(ChatWindows, UnreadMessageForAClosedWindowWaitsUntilItOpens) {
    RecordSetList reply = Arriving(
        {{"41", "7", G("杨帆"), G("密码怎么重置？")}, {"42", "2", G("李婷"), G("周报初稿 /:)")}});
    chats_->OnArrivingMessages(page_, reply);
    EXPECT_EQ(page_.Scripts("changepic"),
              (std::vector<std::string>{"{\"line\":[{\"title\":\"2\",\"uid\":\"7\"}]}",
                                        "{\"line\":[{\"title\":\"2\",\"uid\":\"2\"}]}"}));
    EXPECT_EQ(page_.TrayFlashes(), (std::vector<fw::LPARAM>{0, 0}));
    EXPECT_TRUE(TakeQueued().empty());
    EXPECT_EQ(page_.LastTip(), G("您有2条新消息：杨帆、李婷"));
    ASSERT_EQ(Notifications().size(), 2u);
    EXPECT_EQ(Notifications()[0].title, G("杨帆"));
    EXPECT_EQ(Notifications()[0].body, G("密码怎么重置？"));

    page_.scripts.clear();
    page_.main.clear();
    CImChatDlg* chat = OpenChat("7", G("杨帆"));
    ASSERT_NE(chat, nullptr);
    const std::string block = G("杨帆： 2026-12-08 09:30:00\r\n密码怎么重置？\r\n\r\n");
    EXPECT_EQ(Conversation(*chat), block);
    EXPECT_EQ(LoggedTexts("7"), std::vector<std::string>{block});
    if (auto result = QueryMessages("1", 0, "7")) {
        auto record = result->ReadNext();
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->direction, kLogDirectionReceived);
        EXPECT_EQ(record->fromId, "7");
        EXPECT_EQ(record->toId, "1");
    }
    EXPECT_EQ(TakeQueued(), std::vector<std::string>{MarkRead("41")});
    EXPECT_EQ(page_.Scripts("changepic"),
              std::vector<std::string>{"{\"line\":[{\"title\":\"1\",\"uid\":\"7\"}]}"});
    EXPECT_EQ(page_.TrayFlashes(), (std::vector<fw::LPARAM>{1, 0})) << "one still waits";
    EXPECT_TRUE(page_.pending.empty()) << "the oldest set went with the opening";
    EXPECT_EQ(page_.LastTip(), G("您有1条新消息：李婷"));
    ASSERT_EQ(Notifications().size(), 2u);
    EXPECT_FALSE(Notifications()[0].open) << "the note of a shown message is withdrawn";
    EXPECT_TRUE(Notifications()[1].open);
}

TEST_F(ChatWindows, TheTrayKeepsFlashingWhileAMessageWaits) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    RecordSetList reply =
        Arriving({{"45", "7", G("杨帆"), "waits"}, {"46", "4", G("张伟"), "shown"}});
    chats_->OnArrivingMessages(page_, reply);
    EXPECT_EQ(page_.TrayFlashes(), (std::vector<fw::LPARAM>{0, 1, 0}));

    // Once nothing waits, a shown message stops it for good.
    page_.main.clear();
    chat->Close();
    fw::PumpPending();
    ASSERT_NE(OpenChat("7", G("杨帆")), nullptr);
    EXPECT_EQ(page_.TrayFlashes(), std::vector<fw::LPARAM>{1});
    EXPECT_EQ(page_.LastTip(), "");
}

TEST_F(ChatWindows, RowsAreShownOnlyWithAPageDocument) {
    page_.hasDocument = false;
    RecordSetList reply = Arriving({{"51", "7", G("杨帆"), "x"}});
    chats_->OnArrivingMessages(page_, reply);
    EXPECT_TRUE(page_.scripts.empty());
    EXPECT_TRUE(page_.TrayFlashes().empty());
    EXPECT_EQ(page_.pending.size(), 1u);
}

TEST_F(ChatWindows, MessagesAlreadyReadAreNotShownByThePoll) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    TakeQueued();
    for (const char* state : {"1", "2", ""}) {
        RecordSetList reply = Arriving({{"61", "4", G("张伟"), "seen", state}});
        chats_->OnArrivingMessages(page_, reply);
    }
    EXPECT_EQ(chat->Received().GetTextLength(), 0);
    EXPECT_TRUE(TakeQueued().empty());
    EXPECT_TRUE(page_.scripts.empty());
}

TEST_F(ChatWindows, EmoticonCodesArriveAsPictures) {
    CImChatDlg* chat = OpenChat("2", G("李婷"));
    ASSERT_NE(chat, nullptr);
    RecordSetList reply = Arriving({{"71", "2", G("李婷"), "a/:)b"}});
    chats_->OnArrivingMessages(page_, reply);
    ASSERT_EQ(chat->Received().GetObjectCount(), 1);
    fw::RichObjectInfo info;
    ASSERT_TRUE(chat->Received().GetObjectInfo(0, info));
    EXPECT_EQ(info.user, 14u);
    EXPECT_NE(Conversation(*chat).find("a/:)b"), std::string::npos);
}

TEST_F(ChatWindows, PendingSetsAreBoundedOldestFirstAfterTheirRowsWereCounted) {
    const std::size_t polls = CChatWindows::kMaxPendingSets + 5;
    for (std::size_t i = 0; i < polls; ++i) {
        // A new message in each poll, as the service repeats nothing once it was marked.
        RecordSetList reply =
            Arriving({{std::to_string(100 + i), "7", G("杨帆"), "m" + std::to_string(i)}});
        chats_->OnArrivingMessages(page_, reply);
    }
    EXPECT_EQ(page_.pending.size(), CChatWindows::kMaxPendingSets);
    EXPECT_EQ(chats_->WaitingMessages().size(), polls) << "dropped sets were counted first";
    EXPECT_EQ(page_.LastTip(), G("您有25条新消息：杨帆(25)"));
    EXPECT_EQ(page_.TrayFlashes(), std::vector<fw::LPARAM>(polls, 0));
    // The oldest set left is the sixth poll's.
    CImChatDlg* chat = OpenChat("7", G("杨帆"));
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(Conversation(*chat), G("杨帆： 2026-12-08 09:30:00\r\nm5\r\n\r\n"));
}

TEST_F(ChatWindows, TheServiceRepeatingUnreadRowsShowsNothingTwice) {
    const Message first{"81", "7", G("杨帆"), "first"};
    const Message second{"82", "7", G("杨帆"), "second"};
    RecordSetList poll1 = Arriving({first});
    chats_->OnArrivingMessages(page_, poll1);
    RecordSetList poll2 = Arriving({first, second});
    chats_->OnArrivingMessages(page_, poll2);
    EXPECT_EQ(Notifications().size(), 2u) << "one note per message, not per poll";
    EXPECT_EQ(page_.LastTip(), G("您有2条新消息：杨帆(2)"));

    CImChatDlg* chat = OpenChat("7", G("杨帆"));
    ASSERT_NE(chat, nullptr);
    chat->Close();
    fw::PumpPending();
    chat = OpenChat("7", G("杨帆"));
    ASSERT_NE(chat, nullptr);
    // The second set repeats "first": only "second" is new.
    EXPECT_EQ(Conversation(*chat), G("杨帆： 2026-12-08 09:30:00\r\nsecond\r\n\r\n"));
    EXPECT_EQ(LoggedTexts("7").size(), 2u);
    EXPECT_EQ(page_.LastTip(), "");
}

TEST_F(ChatWindows, DeliveryToAMinimisedWindowAlsoShowsADesktopNote) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kMinimize));
    fw::PumpPending();
    EXPECT_TRUE(chat->IsIconic());
    RecordSetList reply = Arriving({{"91", "4", G("张伟"), G("在吗？\r\n第二行")}});
    chats_->OnArrivingMessages(page_, reply);
    ASSERT_EQ(Notifications().size(), 1u);
    EXPECT_EQ(Notifications()[0].title, G("张伟"));
    EXPECT_EQ(Notifications()[0].body, G("在吗？"));
    EXPECT_NE(Conversation(*chat).find(G("在吗？")), std::string::npos);

    ASSERT_TRUE(fw::headless::ClickNotification(Notifications()[0].id));
    fw::PumpPending();
    EXPECT_FALSE(chat->IsIconic());
    EXPECT_TRUE(chat->IsWindowVisible());
}

TEST_F(ChatWindows, ClickingTheNoteOfAWaitingMessageOpensItsChat) {
    RecordSetList reply = Arriving({{"95", "7", G("杨帆"), "hello"}});
    chats_->OnArrivingMessages(page_, reply);
    ASSERT_EQ(Notifications().size(), 1u);
    ASSERT_TRUE(fw::headless::ClickNotification(Notifications()[0].id));
    fw::PumpPending();
    CImChatDlg* chat = chats_->Find("7");
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->ContactName(), G("杨帆"));
    EXPECT_NE(Conversation(*chat).find("hello"), std::string::npos);
    EXPECT_FALSE(fw::headless::ClickNotification(Notifications()[0].id)) << "clicked once";
}

TEST_F(ChatWindows, HistoryRepliesGoToTheWindowOfTheirSender) {
    CImChatDlg* four = OpenChat("4", G("张伟"));
    CImChatDlg* seven = OpenChat("7", G("杨帆"));
    ASSERT_NE(four, nullptr);
    ASSERT_NE(seven, nullptr);
    TakeQueued();
    RecordSetList reply = Reply(
        "getim20", {"msgcontent", "msgDate", "usr_vuser_truen", "msgstate", "msgid", "fromid"},
        {{"old", "2026-12-01 10:00:00.000", G("杨帆"), "0", "201", "7"},
         {"read", "2026-12-01 10:01:00.000", G("杨帆"), "1", "202", "7"}});
    EXPECT_EQ(chats_->OnChatHistory(reply), 0);
    EXPECT_EQ(Conversation(*seven), G("杨帆： 2026-12-01 10:00:00\r\nold\r\n"));
    EXPECT_EQ(four->Received().GetTextLength(), 0);
    EXPECT_EQ(TakeQueued(), std::vector<std::string>{MarkRead("201")});

    RecordSetList empty;
    EXPECT_EQ(chats_->OnChatHistory(empty), -1);
    ASSERT_FALSE(MessageBoxes().empty());
    EXPECT_EQ(MessageBoxes().back().text, "QUEST FAILED!");
}

TEST_F(ChatWindows, PickerCommandsInsertEmoticonsIntoTheInput) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    chat->SendMessage(fw::WM_COMMAND, fw::MAKEWPARAM(10014, 0), 0);
    chat->SendMessage(fw::WM_COMMAND, fw::MAKEWPARAM(10000, 0), 0);
    EXPECT_EQ(ReadEmoticonText(chat->Input()), "/:)/:O");
    EXPECT_TRUE(chat->GetDlgItem(CImChatDlg::kSend)->IsWindowEnabled());
}

}  // namespace
}  // namespace chattest

namespace chattest {
namespace {

TEST_F(ChatWindows, HistoryButtonShowsTheLoggedConversation) {
    CImChatDlg* chat = OpenChat("4", G("张伟"));
    ASSERT_NE(chat, nullptr);
    fw::input::Type(chat->Input().GetSafeHwnd(), G("历史 /:D"));
    fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kSend));
    fw::input::Click(chat->GetDlgItemHandle(CImChatDlg::kHistory));
    fw::PumpPending();
    CHistroyRecordDlg* history = chat->History();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->ContactId(), "4");
    EXPECT_EQ(history->GetDlgItemText(CHistroyRecordDlg::kContactName), G("张伟"));
    EXPECT_EQ(ReadEmoticonText(history->View()),
              G("王明： 2010-5-7  9：3：15\r\n历史 /:D\r\n\r\n"));
    EXPECT_EQ(history->View().GetObjectCount(), 1);
    history->Close();
    fw::PumpPending();
    EXPECT_EQ(chat->History(), nullptr);
}

}  // namespace
}  // namespace chattest
