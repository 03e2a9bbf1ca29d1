// The reply dispatcher: routing by tag, confirmations, identity, forced re-login, the
// network-error question and the new-article alert, with hand-made replies.

#include <string>
#include <thread>
#include <vector>

#include "protocol/ServiceContract.h"
#include "session/ReplyRoutes.h"
#include "tests/app/MainWindowHarness.h"

namespace apptest {
namespace {

using fw::headless::MessageBoxes;

struct Expected {
    const char* tag;
    fw::UINT message;
};
// Where each forwarded tag must go: the design's table, written out independently.
constexpr Expected kPortalRoutes[] = {
    {"getmunu", 1036},       {"firstimg", 1050},       {"get1menu", 1029},
    {"getnew", 1030},        {"looklinyan", 1046},     {"getIMS", 1033},
    {"getinfoIM", 1033},     {"get1more", 1034},       {"get2more", 1034},
    {"get3more", 1034},      {"get4more", 1034},       {"getcolprd", 1035},
    {"SearchByStock", 1037}, {"SearchInTitles", 1037}, {"SearchInText", 1037},
    {"searchbyauth", 1037},  {"menunews", 1038},       {"getim20", 1039},
    {"getliuyans", 1045},
};

using DispatchTest = MainWindowTest;

TEST_F(DispatchTest, ForwardsEachTagToThePortalWithItsRecordSets) {
    Open();
    for (const Expected& e : kPortalRoutes) {
        portal_.clear();
        Deliver(Replies({EncodeTextRecordSet(e.tag, {"a"}, {{"1"}}),
                         EncodeTextRecordSet("second", {"b"}, {{"2"}})}));
        ASSERT_EQ(portal_.size(), 1u) << e.tag;
        EXPECT_EQ(portal_[0].message, e.message) << e.tag;
        EXPECT_EQ(portal_[0].firstTag, e.tag);
        EXPECT_EQ(portal_[0].sets, 2) << "the whole reply is handed over";
    }
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(DispatchTest, TagsAreMatchedWithoutRegardToCase) {
    Open();
    Deliver(Reply("GETMUNU", {"a"}, {{"1"}}));
    Deliver(Reply("GetNewNews", {"prd_news_id"}, {{"9"}}));
    ASSERT_EQ(portal_.size(), 1u);
    EXPECT_EQ(portal_[0].message, 1036u);
    EXPECT_EQ(main_.popups.size(), 1u) << "getnewNews in other letters is still the alert";
}

TEST_F(DispatchTest, UnknownTagsAndEmptyRepliesAreReleasedUnread) {
    Open();
    Deliver(Reply("get2menu", {"a"}, {{"1"}}));
    Deliver(Reply("nosuchtag", {"a"}, {{"1"}}));
    Deliver({});
    Deliver(Reply("getmunu", {"a"}, {{"1"}}), kStatusProbeFailed);
    EXPECT_TRUE(portal_.empty());
    EXPECT_TRUE(MessageBoxes().empty());
    EXPECT_TRUE(exits_.Codes().empty());
}

TEST_F(DispatchTest, ColumnListsGoToTheSettingsDialogOnlyOnceItExists) {
    Open();
    Deliver(Reply("getallcolumn", {"prd_menu_id", "prd_menu_name"}, {{"1", "x"}}));
    EXPECT_TRUE(settings_.empty());
    EXPECT_TRUE(portal_.empty());

    main_.SendMessage(fw::WM_COMMAND, 32783);  // 系统设置
    ASSERT_NE(main_.SettingsDialog(), nullptr);
    EXPECT_TRUE(main_.SettingsDialog()->IsWindowVisible());
    Deliver(Reply("getallcolumn", {"prd_menu_id", "prd_menu_name"}, {{"1", "x"}}));
    ASSERT_EQ(settings_.size(), 1u);
    EXPECT_EQ(settings_[0].message, 1041u);
    EXPECT_EQ(settings_[0].firstTag, "getallcolumn");
}

TEST_F(DispatchTest, ConfirmationsShowTheirFixedTexts) {
    struct Case {
        const char* tag;
        const char* ok;
        const char* fail;
    };
    const Case cases[] = {
        {"editmyloves", "设置成功！", "设置失败！"},
        {"trytongji", "资料已成功提交，谢谢你的参与！", "资料提交失败，请重新填写提交！"},
        {"insertshenqin", "资料已成功提交！", "对不起，该资料只能提交一次！"},
        {"liuyan", "资料已成功提交！", "资料提交失败！"},
        {"changemystate", "登录状态设置成功！", "登录状态设置失败，请重新设置"},
    };
    Open();
    for (const Case& c : cases) {
        fw::headless::ClearRecords();
        Deliver(Reply(c.tag, {"other", "ER_Int"}, {{"x", "1"}}));
        Deliver(Reply(c.tag, {"er_int"}, {{"0"}}));
        Deliver(Reply(c.tag, {"other"}, {{"1"}}));  // no ER_Int: nothing shown
        Deliver(Reply(c.tag, {"ER_Int"}, {}));      // no rows: nothing shown
        const auto boxes = MessageBoxes();
        ASSERT_EQ(boxes.size(), 2u) << c.tag;
        EXPECT_EQ(boxes[0].text, G(c.ok));
        EXPECT_EQ(boxes[1].text, G(c.fail));
        for (const auto& b : boxes) {
            EXPECT_EQ(b.caption, G("提示"));
            EXPECT_EQ(b.flags, fw::MB_OK | fw::MB_ICONEXCLAMATION);
        }
    }
    EXPECT_TRUE(portal_.empty());
}

TEST_F(DispatchTest, IdentityKeepsTheLastRowAndReachesThePortalAfterwards) {
    Open();
    Deliver(Reply("getviridbyuserna",
                  {"USR_VIRUSER_ID", "usr_viruser_typ", "usr_vuser_truen", "ORG_IDSTR", "Org_Id"},
                  {{"11", "1", G("张三"), "1,2", "1"}, {"77", "2", G("李四"), "3,4", "3"}}));
    EXPECT_EQ(Session().Virid(), "77");
    EXPECT_EQ(Session().UserType(), "2");
    EXPECT_EQ(Session().TrueName(), G("李四"));
    EXPECT_EQ(Session().OrgIdList(), "3,4");
    EXPECT_EQ(Session().OrgId(), "3");
    EXPECT_EQ(main_.Virid(), "77");
    ASSERT_EQ(portal_.size(), 1u);
    EXPECT_EQ(portal_[0].message, 1044u);
    EXPECT_EQ(portal_[0].viridOnArrival, "77");
}

TEST_F(DispatchTest, AccountTakenElsewhereEndsTheSessionAndStartsAgain) {
    for (const char* tag : {"loginother", "SESSIONERR"}) {
        SCOPED_TRACE(tag);
        Open();
        ASSERT_TRUE(main_.Tray().IsPresent());
        Deliver(Reply(tag, {"a"}, {{"1"}}));
        const auto boxes = MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, G("该账号已经在别处登录了！"));
        EXPECT_EQ(boxes[0].caption, G("提示"));
        EXPECT_EQ(fw::headless::ProcessesStarted().size(), 1u);
        EXPECT_FALSE(main_.Tray().IsPresent());
        EXPECT_FALSE(main_.IsWindowVisible());
        ASSERT_EQ(exits_.Codes().size(), 1u);
        main_.DestroyWindow();
        exits_.Clear();
        fw::headless::ClearRecords();
    }
}

TEST_F(DispatchTest, NetworkErrorAsksWhetherToLogInAgain) {
    Open();
    fw::headless::ScriptMessageBoxes({fw::IDNO});
    Deliver({}, kStatusFailed);
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, G("你确定要重新登录吗？"));
    EXPECT_EQ(boxes[0].caption, G("网络错误"));
    EXPECT_EQ(boxes[0].flags, fw::MB_YESNO | fw::MB_ICONQUESTION);
    EXPECT_TRUE(fw::headless::ProcessesStarted().empty());
    EXPECT_TRUE(exits_.Codes().empty());
    EXPECT_TRUE(main_.Tray().IsPresent());

    fw::headless::ScriptMessageBoxes({fw::IDYES});
    Deliver({}, kStatusFailed);
    EXPECT_EQ(fw::headless::ProcessesStarted().size(), 1u);
    EXPECT_EQ(exits_.Codes(), std::vector<int>{0});
    EXPECT_FALSE(main_.Tray().IsPresent());
}

// The worker calls the dispatcher on its own thread: the portal must still be reached on
// the UI thread, and the worker must wait for it.
TEST_F(DispatchTest, RepliesFromTheWorkerThreadAreHandledOnTheUiThread) {
    Open();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        RequestResult r = Result(Reply("getmunu", {"a"}, {{"1"}}));
        main_.OnThreadReturn(r);
        RequestResult c = Result(Reply("liuyan", {"ER_Int"}, {{"1"}}));
        main_.OnThreadReturn(c);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    ASSERT_EQ(portal_.size(), 1u);
    EXPECT_EQ(portal_[0].sets, 1);
    EXPECT_EQ(MessageBoxes().size(), 1u);
}

// ---- New-article alert ----

std::vector<uint8_t> News(const std::vector<std::string>& ids) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& id : ids) {
        rows.push_back({"text " + id, "title " + id, "author", "column", "2024-01-01", id});
    }
    return EncodeTextRecordSet("getnewNews",
                               {"prd_news_text", "prd_news_title", "usr_vuser_truen",
                                "prd_column_name", "insertdate", "PRD_NEWS_ID"},
                               rows);
}

std::vector<std::string> Links(const std::vector<Popup>& popups) {
    std::vector<std::string> out;
    for (const auto& p : popups) {
        out.push_back(p.link);
    }
    return out;
}

using AlertTest = MainWindowTest;

TEST_F(AlertTest, PopsUpOnlyArticlesNotSeenBefore) {
    Open();
    Deliver(Replies({News({"5"})}));
    ASSERT_EQ(Links(main_.popups), std::vector<std::string>{"5"});
    EXPECT_EQ(main_.popups[0].caption, G("最新"));
    EXPECT_EQ(main_.popups[0].text, "text 5");
    EXPECT_EQ(main_.popups[0].colour, 0x0000FFu);

    main_.popups.clear();
    Deliver(Replies({News({"5"})}));
    EXPECT_TRUE(main_.popups.empty()) << "a repeated single id shows nothing";

    Deliver(Replies({News({"6", "7", "8"})}));
    EXPECT_EQ(Links(main_.popups), (std::vector<std::string>{"6", "7", "8"}));
    EXPECT_EQ(main_.LastNewsId(), "8");

    // A service that lists its latest articles at every poll announces each once.
    main_.popups.clear();
    Deliver(Replies({News({"6", "7", "8"})}));
    Deliver(Replies({News({"9", "6", "7", "8"})}));
    EXPECT_EQ(Links(main_.popups), std::vector<std::string>{"9"});
    // Ids in another letter case are the same article; a repeat within a reply shows once.
    main_.popups.clear();
    Deliver(Replies({News({"a1", "A1", "9"})}));
    EXPECT_EQ(Links(main_.popups), std::vector<std::string>{"a1"});
    EXPECT_TRUE(MessageBoxes().empty());
}

// A poll that lists no article says nothing about the ones announced: against a service that
// lists its latest articles at every poll, an empty poll in between pops up nothing again.
TEST_F(AlertTest, AnEmptyPollForgetsNoArticle) {
    Open();
    Deliver(Replies({News({"5", "6"})}));
    ASSERT_EQ(main_.popups.size(), 2u);
    main_.popups.clear();
    Deliver(Replies({News({})}));
    EXPECT_TRUE(main_.popups.empty());
    EXPECT_EQ(main_.RememberedNewsIds()[0], "5");
    EXPECT_EQ(main_.RememberedNewsIds()[1], "6");
    Deliver(Replies({News({"5", "6"})}));
    EXPECT_TRUE(main_.popups.empty()) << "the same articles again";
    EXPECT_EQ(main_.LastNewsId(), "6");

    // Articles awaiting review are announced even when no new article came with them.
    Deliver(Replies({News({}), EncodeTextRecordSet("newsneedcheck", {"n"}, {{"1"}})}));
    EXPECT_EQ(fw::headless::SoundsPlayed(), std::vector<fw::UINT>{277});
    EXPECT_EQ(main_.RememberedNewsIds()[0], "5");
}

TEST_F(AlertTest, RemembersTheFirstTwentyIdsOfTheLastReply) {
    Open();
    std::vector<std::string> ids;
    for (int i = 0; i < 25; ++i) {
        ids.push_back(std::to_string(100 + i));
    }
    Deliver(Replies({News(ids)}));
    EXPECT_EQ(main_.popups.size(), 25u);
    const auto remembered = main_.RememberedNewsIds();
    EXPECT_EQ(remembered.front(), "100");
    EXPECT_EQ(remembered.back(), "119");

    main_.popups.clear();
    Deliver(Replies({News({"124", "119"})}));
    EXPECT_EQ(Links(main_.popups), std::vector<std::string>{"124"})
        << "only twenty ids are remembered from one reply to the next";
}

TEST_F(AlertTest, PopUpTextIsCutTo300BytesWithoutSplittingACharacter) {
    Open();
    std::string text(299, 'x');
    text += G("中文");
    Deliver(Replies(
        {EncodeTextRecordSet("getnewNews", {"prd_news_text", "prd_news_id"}, {{text, "1"}})}));
    ASSERT_EQ(main_.popups.size(), 1u);
    EXPECT_EQ(main_.popups[0].text, std::string(299, 'x'));
}

TEST_F(AlertTest, ArticlesAwaitingReviewSoundAndAsk) {
    Open();
    Deliver(Replies({News({"1"}), EncodeTextRecordSet("newsneedcheck", {"n"}, {{"1"}})}));
    EXPECT_EQ(fw::headless::SoundsPlayed(), std::vector<fw::UINT>{277});
    auto boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, G("您有新的文章需要审核！"));
    EXPECT_EQ(boxes[0].caption, G("提示"));

    fw::headless::ClearRecords();
    Deliver(Replies({News({"1"}), EncodeTextRecordSet("newsneedcheck", {"n"}, {})}));
    Deliver(Replies({News({"1"}), EncodeTextRecordSet("other", {"n"}, {{"1"}})}));
    EXPECT_TRUE(fw::headless::SoundsPlayed().empty());
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(AlertTest, AnActivatedPopUpOpensTheLastArticleShown) {
    Open();
    Deliver(Replies({News({"41", "42"})}));
    main_.SendMessage(1324, 7, 12345);
    ASSERT_EQ(portal_.size(), 1u);
    EXPECT_EQ(portal_[0].message, 1043u);
    EXPECT_EQ(portal_[0].text, "42");
}

}  // namespace
}  // namespace apptest
