// Every request of the client against the reference service over loopback, in
// both transport modes, checked for the tags and columns the client reads.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "platform/core/Text.h"
#include "protocol/Crypto.h"
#include "protocol/QORCoder.h"
#include "protocol/ServiceContract.h"
#include "protocol/ServiceRequest.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

// Columns that the client's consumers read per reply tag, taken from the
// contract table and, for the replies it leaves to other parts, written out here.
std::vector<std::string_view> ContractColumns(std::string_view tag) {
    std::vector<std::string_view> out;
    for (const auto& c : kReplyContracts) {
        if (EqualsNoCase(c.tag, tag))
            out.insert(out.end(), c.columns.begin(), c.columns.end());
    }
    static const std::map<std::string_view, std::vector<std::string_view>> kOthers = {
        {"getIMS",
         {"USR_VIRUSER_ID", "USR_VUSER_TRUEN", "usr_viruser_typ", "org_name", "EB_SESSION_ID",
          "EB_SESSION_VALUE"}},
        {"getnewNews",
         {"prd_news_text", "prd_news_title", "usr_vuser_truen", "prd_column_name", "insertdate",
          "prd_news_id"}},
        {"get1more",
         {"PRD_MENU_NAME", "PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"get2more",
         {"PRD_MENU_NAME", "PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"get3more",
         {"PRD_MENU_NAME", "PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"get4more",
         {"PRD_MENU_NAME", "PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"menunews",
         {"PRD_MENU_NAME", "PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"getmorecol", {"prd_column_name", "prd_column_id"}},
        {"getmylovecol", {"prd_column_name", "prd_column_id"}},
        {"getcolprd", {"PRD_NEWS_TITLE", "usr_vuser_truen", "INSERTDATE", "PRD_NEWS_ID"}},
        {"firstimg", {"PHOTO_URL", "TEXT_URL"}},
    };
    if (auto it = kOthers.find(tag); it != kOthers.end()) {
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
    return out;
}

// Checks the tag of set `index` and the contract columns; returns its rows.
std::vector<Row> Expect(RecordSetList& reply, size_t index, std::string_view tag) {
    EXPECT_GT(reply.size(), index) << "no record set " << index << " for " << tag;
    if (reply.size() <= index)
        return {};
    RecordSet& set = *reply[index];
    EXPECT_TRUE(EqualsNoCase(set.Tag(), tag)) << set.Tag() << " instead of " << tag;
    EXPECT_EQ(MissingColumns(set, ContractColumns(tag)), std::vector<std::string>())
        << "in " << tag;
    return Rows(set);
}

std::string Outcome(RecordSetList& reply, std::string_view tag) {
    auto rows = Expect(reply, 0, tag);
    return rows.size() == 1 ? rows[0]["ER_Int"] : "no row";
}

std::string Esc(const std::string& utf8) {
    return EscapeUserText(vq::Utf8ToGbk(utf8));
}

class RoundTrip : public ::testing::TestWithParam<bool> {
protected:
    bool http() const { return GetParam(); }
    std::unique_ptr<TestClient> LoggedIn(const std::string& user, const std::string& password) {
        auto c = std::make_unique<TestClient>(service.Port(http()), http());
        EXPECT_TRUE(c->Login(user, password, service.PublicKeyPath())) << user;
        return c;
    }
    void TearDown() override {
        if (HasFailure()) {
            for (const auto& f : service.Faults())
                std::printf("server: %s\n", f.c_str());
        }
    }
    ServiceHarness service;
};

TEST_P(RoundTrip, LoginAcceptsTheRightPasswordOnly) {
    TestClient good(service.Port(http()), http());
    ASSERT_TRUE(good.Login("demo", "demo123", service.PublicKeyPath()));
    EXPECT_EQ(good.session.size(), 32u);

    TestClient wrong(service.Port(http()), http());
    EXPECT_FALSE(wrong.Login("demo", "demo124", service.PublicKeyPath()));
    EXPECT_TRUE(wrong.session.empty());
    EXPECT_FALSE(wrong.Login("nobody", "demo123", service.PublicKeyPath()));
    // A key file the service did not issue: the key does not decrypt.
    TempDir other;
    RsaKeyPair foreign;
    ASSERT_TRUE(GenerateKeyPair(1024, &foreign));
    std::string foreignPath = other.path() + "/pubkey.bin";
    FILE* f = std::fopen(foreignPath.c_str(), "wb");
    std::fwrite(foreign.publicDer.data(), 1, foreign.publicDer.size(), f);
    std::fclose(f);
    EXPECT_FALSE(wrong.Login("demo", "demo123", foreignPath));
}

TEST_P(RoundTrip, LoginReplyCarriesIsokAndSession) {
    TestClient c(service.Port(http()), http());
    ASSERT_TRUE(c.Login("zhangwei", "zhangwei123", service.PublicKeyPath()));
    // A refused login has isok "F" and no session at all.
    TestClient d(service.Port(http()), http());
    ConnectionContext context;
    context.common = kCommon;
    context.renZheng = kRenZheng;
    context.userName = "zhangwei";
    context.password = "bad";
    context.publicKeyFile = service.PublicKeyPath();
    std::string text = BuildLoginText(context, nullptr);
    AppendCommonParameters(text, false, false, "", context);
    if (http()) {
        FrameHttpPost(text);
    } else {
        auto p = BuildRequestPacket(text);
        text.assign(p.begin(), p.end());
    }
    RecordSetList reply;
    ASSERT_TRUE(d.SendRaw(text));
    ASSERT_TRUE(d.Receive(&reply));
    ASSERT_FALSE(reply.empty());
    auto rows = Rows(*reply[0]);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["isok"], "F");
    EXPECT_LT(reply[0]->FindColumnNoCase("session"), 0);
}

TEST_P(RoundTrip, ReplayedLoginTextIsRefused) {
    TestClient first(service.Port(http()), http());
    ASSERT_TRUE(first.Login("demo", "demo123", service.PublicKeyPath()));
    TestClient replay(service.Port(http()), http());
    std::string text = first.lastLoginText;
    if (http()) {
        FrameHttpPost(text);
    } else {
        auto p = BuildRequestPacket(text);
        text.assign(p.begin(), p.end());
    }
    RecordSetList reply;
    ASSERT_TRUE(replay.SendRaw(text));
    ASSERT_TRUE(replay.Receive(&reply));
    auto rows = Rows(*reply.at(0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["isok"], "F");
}

TEST_P(RoundTrip, SecondLoginEndsTheFirstSessionAndUnknownSessionsAreRefused) {
    auto first = LoggedIn("demo", "demo123");
    auto second = LoggedIn("demo", "demo123");
    auto reply = first->Call(Call(10, "&username=demo"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "loginother");
    reply = second->Call(Call(10, "&username=demo"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "getviridbyuserna");

    TestClient stranger(service.Port(http()), http());
    stranger.session = "0123456789abcdef0123456789abcdef";
    reply = stranger.Call(Call(1, "&virid=1"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "sessionerr");
    stranger.session.clear();
    reply = stranger.Call(Call(1, "&virid=1"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "sessionerr");
}

TEST_P(RoundTrip, IdentityMenuHomeAndArticle) {
    auto c = LoggedIn("demo", "demo123");
    auto reply = c->Call(Call(10, "&username=demo"));
    auto rows = Expect(reply, 0, "getviridbyuserna");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["usr_viruser_id"], "1");
    EXPECT_EQ(rows[0]["USR_VIRUSER_TYP"], "1");
    EXPECT_EQ(rows[0]["USR_VUSER_TRUEN"], "王明");
    EXPECT_EQ(rows[0]["org_idstr"], "1,2,3");
    EXPECT_EQ(rows[0]["org_id"], "1");
    // Someone else's name gives nothing away.
    reply = c->Call(Call(10, "&username=zhangwei"));
    EXPECT_TRUE(Expect(reply, 0, "getviridbyuserna").empty());

    reply = c->Call(Call(1, "&virid=1"));
    rows = Expect(reply, 0, "getmunu");
    ASSERT_EQ(rows.size(), 6u);
    std::set<std::string> menus;
    for (auto& r : rows) {
        menus.insert(r["PRD_MENU_ID"] + ":" + r["PRD_MENU_NAME"]);
        EXPECT_EQ(r["IS_USED"], "0");
    }
    EXPECT_TRUE(menus.count("4:财经点评"));
    EXPECT_TRUE(menus.count("16:财富课堂"));

    for (const std::string& params :
         {std::string("&virid=1"), std::string("&menuid=9&count=6&virid=1")}) {
        reply = c->Call(Call(2, params));
        ASSERT_EQ(reply.size(), 4u) << params;
        auto first = Expect(reply, 0, "get1menu");
        EXPECT_EQ(first.size(), 6u);
        for (auto& r : first)
            EXPECT_EQ(r["prd_menu_name"], "营业部公告");
        auto latest = Expect(reply, 1, "get2menu");
        ASSERT_EQ(latest.size(), 6u);
        // Newest first: the dates (fixed width) never increase down the list.
        for (size_t i = 1; i < latest.size(); ++i) {
            EXPECT_GE(latest[i - 1]["INSERTDATE"], latest[i]["INSERTDATE"]);
        }
        Expect(reply, 2, "get3menu");
        for (auto& r : Expect(reply, 3, "get4menu")) {
            EXPECT_TRUE(r["prd_column_name"] == "早盘点评" || r["prd_column_name"] == "策略周报" ||
                        r["prd_column_name"] == "金股推荐")
                << r["prd_column_name"];
        }
    }
    // Lists shorten the date by 13 characters and show minutes: 29 characters in all.
    reply = c->Call(Call(2, "&virid=1"));
    auto latest = Expect(reply, 1, "get2menu");
    ASSERT_FALSE(latest.empty());
    EXPECT_EQ(latest[0]["INSERTDATE"].size(), 29u);
    EXPECT_EQ(latest[0]["INSERTDATE"].substr(19), ".000000000");

    std::string id = latest[0]["PRD_NEWS_ID"];
    reply = c->Call(Call(12, "&newid=" + id));
    rows = Expect(reply, 0, "getnew");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["prd_news_title"], latest[0]["PRD_NEWS_TITLE"]);
    EXPECT_EQ(rows[0]["insertdate"], latest[0]["INSERTDATE"]);
    EXPECT_NE(rows[0]["prd_news_text"].find("<p>"), std::string::npos);
    EXPECT_FALSE(rows[0]["usr_vuser_truen"].empty());
    reply = c->Call(Call(12, "&newid=999999"));
    EXPECT_TRUE(Expect(reply, 0, "getnew").empty());
}

TEST_P(RoundTrip, ListPagesCarryNewsAndColumns) {
    auto c = LoggedIn("demo", "demo123");
    auto reply = c->Call(Call(19, "&menuid=4&orgid=1"));
    auto rows = Expect(reply, 0, "get1more");
    ASSERT_FALSE(rows.empty());
    for (auto& r : rows)
        EXPECT_EQ(r["PRD_MENU_NAME"], "财经点评");
    reply = c->Call(Call(19, "&menuid=4"));
    EXPECT_EQ(Expect(reply, 0, "get1more").size(), rows.size());

    reply = c->Call(Call(20, "&menuid=&orgid=1"));
    EXPECT_EQ(Expect(reply, 0, "get2more").size(), 100u);
    EXPECT_EQ(Expect(reply, 1, "getmorecol").size(), 12u);

    reply = c->Call(Call(21, "&menuid=&orgid=1"));
    rows = Expect(reply, 0, "get3more");
    EXPECT_FALSE(rows.empty());
    EXPECT_LT(rows.size(), 100u);
    Expect(reply, 1, "getmorecol");

    reply = c->Call(Call(23, "&virid=1"));
    Expect(reply, 0, "get4more");
    auto favs = Expect(reply, 1, "getmylovecol");
    std::set<std::string> names;
    for (auto& r : favs)
        names.insert(r["prd_column_name"]);
    EXPECT_EQ(names, (std::set<std::string>{"早盘点评", "策略周报", "金股推荐"}));

    reply = c->Call(Call(25, "&coluid=7&virid=1"));
    rows = Expect(reply, 0, "getcolprd");
    ASSERT_FALSE(rows.empty());

    reply = c->Call(Call(34, "&virid=1&menuid=9"));
    rows = Expect(reply, 0, "menunews");
    for (auto& r : rows)
        EXPECT_EQ(r["PRD_MENU_NAME"], "营业部公告");
    auto cols = Expect(reply, 1, "getmorecol");
    bool board = std::any_of(cols.begin(), cols.end(),
                             [](auto& r) { return r["prd_column_name"] == "我的留言"; });
    EXPECT_TRUE(board) << "the board column leads to the message board";
    reply = c->Call(Call(34, "&virid=1&menuid=16&orgid=1"));
    EXPECT_FALSE(Expect(reply, 0, "menunews").empty());
    EXPECT_EQ(Expect(reply, 1, "getmorecol").size(), 2u);
}

TEST_P(RoundTrip, SearchKindsFindStoredArticles) {
    auto c = LoggedIn("demo", "demo123");
    auto reply = c->Call(Call(47, "&cont=600036"));
    auto rows = Expect(reply, 0, "SearchByStock");
    EXPECT_FALSE(rows.empty());
    reply = c->Call(Call(50, "&cont=" + Esc("早盘")));
    rows = Expect(reply, 0, "SearchInTitles");
    ASSERT_FALSE(rows.empty());
    for (auto& r : rows)
        EXPECT_NE(r["PRD_NEWS_TITLE"].find("早盘"), std::string::npos);
    reply = c->Call(Call(51, "&cont=" + Esc("风险提示")));
    EXPECT_FALSE(Expect(reply, 0, "SearchInText").empty());
    reply = c->Call(Call(52, "&cont=" + Esc("李婷")));
    rows = Expect(reply, 0, "searchbyauth");
    ASSERT_FALSE(rows.empty());
    for (auto& r : rows)
        EXPECT_EQ(r["usr_vuser_truen"], "李婷");
    // The user's text is no pattern: "%" matches only a percent sign.
    reply = c->Call(Call(50, "&cont=" + Esc("%")));
    EXPECT_TRUE(Expect(reply, 0, "SearchInTitles").empty());
    reply = c->Call(Call(50, "&cont="));
    EXPECT_TRUE(Expect(reply, 0, "SearchInTitles").empty());
    // An empty search kind gives sub function 0: a documented error, not a crash.
    reply = c->Call(Call(0, "&cont=abc").replace(0, 0, ""));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0]->Tag(), "unknownfunc");
}

TEST_P(RoundTrip, ChatIsStoredPolledAndMarkedRead) {
    auto demo = LoggedIn("demo", "demo123");
    auto reply = demo->Call(Call(13, "&fromid=1"));
    auto rows = Expect(reply, 0, "getinfoIM");
    ASSERT_EQ(rows.size(), 3u);
    std::set<std::string> senders;
    for (auto& r : rows) {
        senders.insert(r["usr_vuser_truen"]);
        EXPECT_EQ(r["msgstate"], "0");
        EXPECT_EQ(r["toid"], "1");
        EXPECT_EQ(r["msgDate"].size(), 23u);
    }
    EXPECT_EQ(senders, (std::set<std::string>{"张伟", "杨帆", "李婷"}));

    // A message with every character that needs escaping arrives unchanged.
    const std::string text = "价格 10%+5=15 & 明天见";
    auto zhang = LoggedIn("zhangwei", "zhangwei123");
    reply = zhang->Call(Call(14, "&fromid=4&toid=1&msgcontent=" + Esc(text) + "&totype=0&state=0"));
    EXPECT_EQ(Outcome(reply, "sendmsg"), "1");
    // Not in someone else's name.
    reply = zhang->Call(Call(14, "&fromid=2&toid=1&msgcontent=x&totype=0&state=0"));
    EXPECT_EQ(Outcome(reply, "sendmsg"), "0");

    reply = demo->Call(Call(13, "&fromid=1"));
    rows = Expect(reply, 0, "getinfoIM");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.back()["msgcontent"], text);
    EXPECT_EQ(rows.back()["fromid"], "4");
    std::string msgid = rows.back()["msgid"];

    // Only the addressee may mark it.
    reply = zhang->Call(Call(15, "&state=1&msgid=" + msgid));
    EXPECT_EQ(Outcome(reply, "readmsg"), "0");
    reply = demo->Call(Call(15, "&state=1&msgid=" + msgid));
    EXPECT_EQ(Outcome(reply, "readmsg"), "1");
    reply = demo->Call(Call(13, "&fromid=1"));
    EXPECT_EQ(Expect(reply, 0, "getinfoIM").size(), 3u);
}

TEST_P(RoundTrip, ContactsShowOnlineStateWithoutSessionKeys) {
    auto demo = LoggedIn("demo", "demo123");
    auto zhang = LoggedIn("zhangwei", "zhangwei123");
    auto reply = zhang->Call(Call(43, "&state=2&virid=4"));
    EXPECT_EQ(Outcome(reply, "changemystate"), "1");
    reply = zhang->Call(Call(43, "&state=7&virid=4"));
    EXPECT_EQ(Outcome(reply, "changemystate"), "0");
    reply = zhang->Call(Call(43, "&state=1&virid=5"));
    EXPECT_EQ(Outcome(reply, "changemystate"), "0");

    reply = demo->Call(Call(16, "&virid=1&orgidstr=1,2,3&orgid=1"));
    auto rows = Expect(reply, 0, "getIMS");
    ASSERT_EQ(rows.size(), 10u);  // 2 colleagues, 8 customers
    RecordSet& set = *reply[0];
    EXPECT_LT(set.FindColumnNoCase("EB_SESSION_ID"), set.FindColumnNoCase("EB_SESSION_VALUE"))
        << "the chosen state must come after the online flag";
    int colleagues = 0;
    for (auto& r : rows) {
        if (r["usr_viruser_typ"] != "0")
            ++colleagues;
        if (r["USR_VUSER_TRUEN"] == "张伟") {
            EXPECT_FALSE(r["EB_SESSION_ID"].empty());
            EXPECT_EQ(r["EB_SESSION_VALUE"], "2");
            EXPECT_EQ(r["org_name"], "新街口营业部");
            EXPECT_EQ(r["EB_SESSION_ID"].find(zhang->session), std::string::npos);
        } else if (r["USR_VUSER_TRUEN"] != "王明") {
            EXPECT_EQ(r["EB_SESSION_ID"], "") << r["USR_VUSER_TRUEN"];
        }
    }
    EXPECT_EQ(colleagues, 2);

    // A customer sees the staff of their organisation only.
    reply = zhang->Call(Call(16, "&virid=4&orgidstr=1&orgid=1"));
    rows = Expect(reply, 0, "getIMS");
    ASSERT_EQ(rows.size(), 2u);
    for (auto& r : rows)
        EXPECT_EQ(r["usr_viruser_typ"], "1");

    // Online ends when the session falls silent.
    service.Advance(kOnlineWindowSeconds + 10);
    reply = demo->Call(Call(16, "&virid=1&orgidstr=1,2,3&orgid=1"));
    for (auto& r : Expect(reply, 0, "getIMS")) {
        if (r["USR_VUSER_TRUEN"] == "张伟") {
            EXPECT_EQ(r["EB_SESSION_ID"], "");
        }
    }
}

TEST_P(RoundTrip, PollAnnouncesEachNewArticleOnceAndAlertsReviewers) {
    auto demo = LoggedIn("demo", "demo123");
    auto reply = demo->Call(Call(18, "&virid=1&orgid=1"));
    auto rows = Expect(reply, 0, "getnewNews");
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(reply.size(), 1u) << "no review alert for a non-reviewer";
    for (auto& r : rows) {
        EXPECT_EQ(r["prd_news_text"].find('<'), std::string::npos) << "pop-ups get plain text";
        EXPECT_FALSE(r["prd_news_text"].empty());
    }
    reply = demo->Call(Call(18, "&virid=1&orgid=1"));
    EXPECT_TRUE(Expect(reply, 0, "getnewNews").empty());

    auto reviewer = LoggedIn("liting", "liting123");
    reply = reviewer->Call(Call(18, "&virid=2&orgid=1"));
    ASSERT_EQ(reply.size(), 2u);
    auto pending = Expect(reply, 1, "newsneedcheck");
    EXPECT_EQ(pending.size(), 1u);
    reply = reviewer->Call(Call(18, "&virid=2&orgid=1"));
    EXPECT_EQ(reply.size(), 1u) << "the same article is announced once";
}

TEST_P(RoundTrip, PasswordChangeTakesEffect) {
    auto c = LoggedIn("liuyang", "liuyang123");
    auto reply = c->Call(Call(37, "&virid=4&newpass=" + std::string(32, 'a')));
    EXPECT_EQ(Outcome(reply, "modifypass"), "0") << "another user's id";
    reply = c->Call(Call(37, "&virid=5&newpass=nothex"));
    EXPECT_EQ(Outcome(reply, "modifypass"), "0");
    uint8_t digest[16];
    const std::string next = "s3cret";
    CalcMD5(reinterpret_cast<const uint8_t*>(next.data()), next.size(), digest);
    reply = c->Call(Call(37, "&virid=5&newpass=" + HexEncode(digest, 16)));
    EXPECT_EQ(Outcome(reply, "modifypass"), "1");
    TestClient again(service.Port(http()), http());
    EXPECT_FALSE(again.Login("liuyang", "liuyang123", service.PublicKeyPath()));
    EXPECT_TRUE(again.Login("liuyang", next, service.PublicKeyPath()));
}

TEST_P(RoundTrip, FavouritesAndForms) {
    auto c = LoggedIn("chenjing", "chenjing123");
    auto reply = c->Call(Call(39, "&virid=6&mylove="));
    auto rows = Expect(reply, 0, "getallcolumn");
    ASSERT_EQ(rows.size(), 12u);
    for (auto& r : rows) {
        EXPECT_LE(std::stoi(r["prd_menu_id"]), 150) << "ids above 150 cannot be chosen";
        EXPECT_FALSE(r["prd_menu_name"].empty());
    }
    reply = c->Call(Call(38, "&virid=6&mylove=3"));
    EXPECT_EQ(Outcome(reply, "editmyloves"), "1");
    reply = c->Call(Call(38, "&virid=6&mylove="));
    EXPECT_EQ(Outcome(reply, "editmyloves"), "0");
    reply = c->Call(Call(38, "&virid=6&mylove=999"));
    EXPECT_EQ(Outcome(reply, "editmyloves"), "0");
    reply = c->Call(Call(23, "&virid=6"));
    auto favs = Expect(reply, 1, "getmylovecol");
    ASSERT_EQ(favs.size(), 1u);
    EXPECT_EQ(favs[0]["prd_column_name"], "宏观经济");

    const std::string form = "&name=" + Esc("陈静") +
                             "&usrcode=320100199001011234&addr=" + Esc("南京市鼓楼区") +
                             "&mobile=13912345678&pho=02583001234";
    reply = c->Call(Call(41, form));
    EXPECT_EQ(Outcome(reply, "insertshenqin"), "1");
    reply = c->Call(Call(41, form));
    EXPECT_EQ(Outcome(reply, "insertshenqin"), "0") << "once per user code";
    reply = c->Call(Call(41, "&name=a&usrcode=2&addr=b&mobile=139abc&pho=1"));
    EXPECT_EQ(Outcome(reply, "insertshenqin"), "0");

    reply = c->Call(Call(42, "&virid=6&pinfen=5&liangdian=1&jianyi=" + Esc("讲座很好 & 实用")));
    EXPECT_EQ(Outcome(reply, "trytongji"), "1");
    reply = c->Call(Call(42, "&virid=6&pinfen=9&liangdian=1&jianyi=x"));
    EXPECT_EQ(Outcome(reply, "trytongji"), "0");
    reply = c->Call(Call(42, "&virid=6&pinfen=5&liangdian=1&jianyi="));
    EXPECT_EQ(Outcome(reply, "trytongji"), "0");
}

TEST_P(RoundTrip, BoardThreadsRepliesAndPrivacy) {
    auto customer = LoggedIn("wuqiang", "wuqiang123");
    auto reply =
        customer->Call(Call(45, "&partenid=-1&virid=10&meno=" + Esc("请问如何开通创业板？") +
                                    "&title=" + Esc("创业板开通") + "&orgid=3"));
    EXPECT_EQ(Outcome(reply, "liuyan"), "1");
    reply = customer->Call(Call(45, "&partenid=-1&virid=10&meno=x&title=&orgid=3"));
    EXPECT_EQ(Outcome(reply, "liuyan"), "0") << "a new thread needs a title";

    reply = customer->Call(Call(46, "&virid=10&orgid=3&usertype=0"));
    auto threads = Expect(reply, 0, "getliuyans");
    ASSERT_EQ(threads.size(), 2u);  // the demo thread of 吴强 and the new one
    EXPECT_EQ(threads[0]["message_title"], "创业板开通");
    EXPECT_EQ(threads[0]["msgstate"], "0");
    std::string id = threads[0]["message_id"];

    auto staff = LoggedIn("zhaolei", "zhaolei123");
    reply = staff->Call(Call(
        45, "&partenid=" + id + "&virid=3&meno=" + Esc("需两年交易经验。") + "&title=&orgid=2"));
    EXPECT_EQ(Outcome(reply, "liuyan"), "1");
    reply = customer->Call(Call(48, "&msgid=" + id));
    auto thread = Expect(reply, 0, "looklinyan");
    ASSERT_EQ(thread.size(), 2u);
    EXPECT_EQ(thread[0]["message_meno"], "请问如何开通创业板？");
    EXPECT_EQ(thread[1]["usr_vuser_truen"], "赵磊");
    EXPECT_EQ(thread[1]["message_meno"], "需两年交易经验。");

    // Another customer cannot read or answer it.
    auto other = LoggedIn("zhangwei", "zhangwei123");
    reply = other->Call(Call(48, "&msgid=" + id));
    EXPECT_TRUE(Expect(reply, 0, "looklinyan").empty());
    reply = other->Call(Call(45, "&partenid=" + id + "&virid=4&meno=x&title=&orgid=1"));
    EXPECT_EQ(Outcome(reply, "liuyan"), "0");
    reply = other->Call(Call(46, "&virid=4&orgid=1&usertype=0"));
    for (auto& r : Expect(reply, 0, "getliuyans"))
        EXPECT_NE(r["message_id"], id);
}

TEST_P(RoundTrip, PictureStripAndUnknownFunctions) {
    auto c = LoggedIn("demo", "demo123");
    auto reply = c->Call(Call(49));
    auto rows = Expect(reply, 0, "firstimg");
    ASSERT_EQ(rows.size(), 4u);
    for (auto& r : rows) {
        EXPECT_NE(r["TEXT_URL"].find("prdid="), std::string::npos);
        EXPECT_EQ(r["PHOTO_URL"].find('"'), std::string::npos);
    }
    reply = c->Call(Call(99, "&x=1"));
    EXPECT_EQ(Outcome(reply, "unknownfunc"), "0");
    reply = c->Call("no function numbers at all");
    EXPECT_EQ(Outcome(reply, "unknownfunc"), "0");
}

// Base64 as the pictures are sent; empty on anything else.
std::string DecodeBase64(std::string_view text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char ch : text) {
        if (ch == '=')
            break;
        const size_t v = kAlphabet.find(ch);
        if (v == std::string::npos)
            return {};
        bits = bits << 6 | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

TEST_P(RoundTrip, PictureStripIsDrawnByTheServiceForThePageToShow) {
    auto c = LoggedIn("demo", "demo123");
    auto reply = c->Call(Call(49));
    auto rows = Expect(reply, 0, "firstimg");
    ASSERT_EQ(rows.size(), 4u);
    constexpr std::string_view kData = "data:image/svg+xml;base64,";
    std::set<std::string> pictures;
    for (auto& r : rows) {
        const std::string& src = r["PHOTO_URL"];
        ASSERT_EQ(src.substr(0, kData.size()), kData) << src.substr(0, 60);
        // Nothing that the page document or the page would have to escape.
        EXPECT_EQ(src.find_first_of("\"'<> \r\n&"), std::string::npos);
        const std::string svg = DecodeBase64(src.substr(kData.size()));
        ASSERT_EQ(svg.substr(0, 5), "<svg ") << svg.substr(0, 40);
        EXPECT_EQ(svg.substr(svg.size() - 6), "</svg>");
        // Nothing loaded from elsewhere: the only address is the SVG namespace's name.
        EXPECT_EQ(svg.find("href"), std::string::npos);
        EXPECT_EQ(svg.find("http", svg.find("http") + 1), std::string::npos);
        // The picture names the article it leads to: its column and title.
        const std::string id = r["TEXT_URL"].substr(r["TEXT_URL"].find("prdid=") + 6);
        auto article = c->Call(Call(12, "&newid=" + id));
        auto a = Expect(article, 0, "getnew");
        ASSERT_EQ(a.size(), 1u);
        EXPECT_NE(svg.find(">" + a[0]["prd_column_name"] + "</text>"), std::string::npos) << svg;
        const std::string title = a[0]["prd_news_title"];
        EXPECT_NE(svg.find(title.substr(0, 9)), std::string::npos) << title;
        pictures.insert(src);
    }
    EXPECT_EQ(pictures.size(), 4u) << "four different pictures";
    // The same pictures at every request.
    auto again = c->Call(Call(49));
    auto rowsAgain = Expect(again, 0, "firstimg");
    ASSERT_EQ(rowsAgain.size(), 4u);
    EXPECT_EQ(rowsAgain[2]["PHOTO_URL"], rows[2]["PHOTO_URL"]);
}

TEST_P(RoundTrip, ChatGoesOnlyToContactsAndWaitsUntilItIsRead) {
    auto zhang = LoggedIn("zhangwei", "zhangwei123");  // customer, 新街口营业部
    auto demo = LoggedIn("demo", "demo123");           // staff of all three branches
    auto send = [](TestClient& from, const std::string& fromId, const std::string& toId,
                   const std::string& text) {
        auto reply = from.Call(Call(14, "&fromid=" + fromId + "&toid=" + toId +
                                            "&msgcontent=" + Esc(text) + "&totype=0&state=0"));
        return Outcome(reply, "sendmsg");
    };
    EXPECT_EQ(send(*zhang, "4", "7", "你好"), "0") << "another branch's customer";
    EXPECT_EQ(send(*zhang, "4", "5", "你好"), "0") << "a customer of the same branch";
    EXPECT_EQ(send(*zhang, "4", "3", "你好"), "0") << "staff of other branches only";
    EXPECT_EQ(send(*zhang, "4", "99", "你好"), "0") << "nobody";
    EXPECT_EQ(send(*zhang, "4", "4", "你好"), "0") << "oneself";
    EXPECT_EQ(send(*zhang, "4", "1", "王经理，报告会几点开始？ /:)"), "1");
    EXPECT_EQ(send(*demo, "1", "7", "杨先生，密码可以在营业厅重置。"), "1");

    // The message is announced at every poll until its addressee marks it read.
    std::string msgid;
    for (int poll = 0; poll < 2; ++poll) {
        service.Advance(30);
        auto reply = demo->Call(Call(13, "&fromid=1"));
        auto rows = Expect(reply, 0, "getinfoIM");
        ASSERT_EQ(rows.size(), 4u);  // the three of the demo data and the new one
        EXPECT_EQ(rows.back()["msgcontent"], "王经理，报告会几点开始？ /:)");
        EXPECT_EQ(rows.back()["usr_vuser_truen"], "张伟");
        EXPECT_EQ(rows.back()["fromid"], "4");
        EXPECT_EQ(rows.back()["toid"], "1");
        EXPECT_EQ(rows.back()["msgstate"], "0");
        EXPECT_EQ(rows.back()["msgDate"], "2026-12-08 09:30:00.000") << "when it was sent";
        msgid = rows.back()["msgid"];
    }
    auto reply = demo->Call(Call(15, "&state=1&msgid=" + msgid));
    EXPECT_EQ(Outcome(reply, "readmsg"), "1");
    reply = demo->Call(Call(13, "&fromid=1"));
    for (auto& r : Expect(reply, 0, "getinfoIM")) {
        EXPECT_NE(r["msgid"], msgid);
    }
    // Another user's messages are not theirs to poll.
    reply = zhang->Call(Call(13, "&fromid=1"));
    EXPECT_TRUE(reply.empty());
    // Nothing waiting: a reply without any record set, not an empty set that the client
    // would keep as a pending message set.
    reply = zhang->Call(Call(13, "&fromid=4"));
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(send(*demo, "1", "4", "张先生，报告会下午两点开始。"), "1");
    reply = zhang->Call(Call(13, "&fromid=4"));
    auto rows = Expect(reply, 0, "getinfoIM");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["usr_vuser_truen"], "王明");
}

TEST_P(RoundTrip, SeveralClientsAtOnce) {
    const char* users[][2] = {{"demo", "demo123"},         {"liting", "liting123"},
                              {"zhaolei", "zhaolei123"},   {"zhangwei", "zhangwei123"},
                              {"liuyang", "liuyang123"},   {"yangfan", "yangfan123"},
                              {"huanglei", "huanglei123"}, {"xuli", "xuli123"}};
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (auto& u : users) {
        threads.emplace_back([&, u] {
            TestClient c(service.Port(http()), http());
            if (!c.Login(u[0], u[1], service.PublicKeyPath()))
                return;
            for (int i = 0; i < 15; ++i) {
                auto reply = c.Call(Call(10, std::string("&username=") + u[0]));
                if (reply.empty() || reply[0]->Tag() != "getviridbyuserna")
                    return;
                auto rows = Rows(*reply[0]);
                if (rows.size() != 1)
                    return;
                reply = c.Call(Call(2, "&virid=1"));
                if (reply.size() != 4)
                    return;
            }
            ++good;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(good.load(), 8);
}

INSTANTIATE_TEST_SUITE_P(Modes, RoundTrip, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Http" : "Binary"; });

}  // namespace
}  // namespace vqsvc::test
