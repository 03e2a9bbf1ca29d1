// The storage layer on its own: schema upgrades, demo data, sessions, password
// digests and the visibility rules the handlers rely on.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <openssl/evp.h>

#include "service/DemoData.h"
#include "service/RequestParams.h"
#include "service/ServiceStore.h"
#include "tests/service/ServiceHarness.h"

namespace vqsvc::test {
namespace {

Clock Fixed(int64_t* now) {
    return [now] { return *now; };
}

std::string Md5(const std::string& s) {
    unsigned char d[16];
    unsigned int n = 0;
    EVP_Digest(s.data(), s.size(), d, &n, EVP_md5(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : d) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

void RawExec(const std::string& dir, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/velquor.db").c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

TEST(Store, OldSchemaIsUpgradedWithItsData) {
    TempDir dir;
    int64_t now = kTestNow;
    {
        ServiceStore v1;
        ASSERT_TRUE(v1.Open(dir.path(), Fixed(&now), 1));
        EXPECT_EQ(v1.SchemaVersion(), 1);
        ASSERT_TRUE(v1.AddOrganisation("总部", 1));
        NewUser u;
        u.login = "old";
        u.password = "pw";
        u.orgId = 1;
        ASSERT_TRUE(v1.AddUser(u));
        ASSERT_TRUE(v1.AddMenu({4, "财经点评", "", false}));
        ASSERT_TRUE(v1.AddColumn(4, "早盘点评", 1));
    }
    // A row as the first release wrote it, without the later columns.
    RawExec(dir.path(),
            "INSERT INTO articles (title, html, author, column_id, insert_time, publish_seq) "
            "VALUES ('旧文章', '<p>x</p>', 'a', 1, 100, 1)");
    ServiceStore store;
    ASSERT_TRUE(store.Open(dir.path(), Fixed(&now)));
    EXPECT_EQ(store.SchemaVersion(), kSchemaVersion);
    auto user = store.UserByLogin("old");
    ASSERT_TRUE(user);
    EXPECT_TRUE(store.CheckPasswordDigest(user->id, Md5("pw")));
    auto article = store.Article(1);
    ASSERT_TRUE(article);
    EXPECT_EQ(article->title, "旧文章");
    EXPECT_EQ(article->stockCodes, "");
    // The new columns work on the old rows.
    ArticleQuery q;
    q.searchKind = SearchKind::kStock;
    q.searchText = "旧文";
    EXPECT_EQ(store.Articles(q).size(), 1u);
    EXPECT_TRUE(store.IntegrityOk());
}

TEST(Store, PicturesOfTheFirstDemoDataAreDrawnAfterTheUpgrade) {
    TempDir dir;
    int64_t now = kTestNow;
    {
        ServiceStore v2;
        ASSERT_TRUE(v2.Open(dir.path(), Fixed(&now), 2));
        // As the first demo data stored them, and one an operator put there.
        for (int i = 0; i < 5; ++i) {
            v2.AddPicture({"images/strip" + std::to_string(i + 1) + ".jpg",
                           "http://portal.velquor/newslist.html?prdid=" + std::to_string(i)},
                          i);
        }
        v2.AddPicture({"data:image/png;base64,AAAA", "http://portal.velquor/newslist.html?prdid=9"},
                      9);
    }
    ServiceStore store;
    ASSERT_TRUE(store.Open(dir.path(), Fixed(&now)));
    auto pictures = store.Pictures();
    ASSERT_EQ(pictures.size(), 6u);
    const char* expected[] = {"generated:1", "generated:2", "generated:3",
                              "generated:4", "generated:1", "data:image/png;base64,AAAA"};
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].photoUrl, expected[i]) << i;
    }
    EXPECT_EQ(pictures[2].textUrl, "http://portal.velquor/newslist.html?prdid=2");
}

TEST(Store, RefusesADatabaseFromANewerService) {
    TempDir dir;
    int64_t now = kTestNow;
    {
        ServiceStore s;
        ASSERT_TRUE(s.Open(dir.path(), Fixed(&now)));
    }
    RawExec(dir.path(), "PRAGMA user_version = 99");
    ServiceStore s;
    EXPECT_FALSE(s.Open(dir.path(), Fixed(&now)));
    EXPECT_NE(s.LastError().find("newer"), std::string::npos);
}

TEST(Store, DemoDataIsABelievableBranchAndDeterministic) {
    int64_t now = kTestNow;
    auto titles = [&](uint32_t seed) {
        TempDir dir;
        ServiceStore s;
        EXPECT_TRUE(s.Open(dir.path(), Fixed(&now)));
        EXPECT_TRUE(SeedDemoData(s, seed));
        EXPECT_EQ(s.CountRows("orgs"), 3);
        EXPECT_EQ(s.CountRows("users"), 11);
        EXPECT_EQ(s.CountRows("menus"), 6);
        EXPECT_EQ(s.CountRows("news_columns"), 12);
        EXPECT_EQ(s.CountRows("articles"), 151);
        EXPECT_EQ(s.CountRows("picture_strip"), 4);
        EXPECT_EQ(s.UnreadChats(1, 50).size(), 3u);
        ArticleQuery all;
        all.limit = 1000;
        all.withText = true;
        auto articles = s.Articles(all);
        EXPECT_EQ(articles.size(), 150u) << "the article waiting for review is hidden";
        std::string joined;
        for (const auto& a : articles) {
            EXPECT_GE(a.insertTime, now - 36 * 24 * 3600);
            EXPECT_LE(a.insertTime, now);
            EXPECT_NE(a.html.find("<p>"), std::string::npos);
            joined += a.title + "\n";
        }
        auto staff = s.UserByLogin("demo");
        EXPECT_EQ(s.BoardThreads(*staff, 100).size(), 4u);
        return joined;
    };
    std::string a = titles(7);
    EXPECT_EQ(a, titles(7));
    EXPECT_NE(a, titles(8));
    for (const auto& account : DemoAccounts())
        EXPECT_FALSE(account.password.empty());
}

TEST(Store, PasswordsAreKeptAsSaltedHashesOfTheDigest) {
    TempDir dir;
    int64_t now = kTestNow;
    ServiceStore s;
    ASSERT_TRUE(s.Open(dir.path(), Fixed(&now)));
    NewUser u;
    u.login = "a";
    u.password = "secret";
    auto id = s.AddUser(u);
    u.login = "b";
    auto id2 = s.AddUser(u);
    ASSERT_TRUE(id && id2);
    EXPECT_TRUE(s.CheckPasswordDigest(*id, Md5("secret")));
    std::string upper = Md5("secret");
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(s.CheckPasswordDigest(*id, upper));
    EXPECT_FALSE(s.CheckPasswordDigest(*id, Md5("Secret")));
    EXPECT_FALSE(s.CheckPasswordDigest(*id, "secret"));
    EXPECT_FALSE(s.SetPasswordDigest(*id, "zz"));

    // Neither the password nor its MD5 is in the file, and equal passwords differ.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() + "/velquor.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT hex(pwd_hash) FROM users ORDER BY id", -1, &st, nullptr);
    std::vector<std::string> hashes;
    while (sqlite3_step(st) == SQLITE_ROW) {
        hashes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_NE(hashes[0], hashes[1]);
    EXPECT_EQ(hashes[0].find(upper), std::string::npos);
}

TEST(Store, SessionsAreReplacedByANewLoginAndExpireWhenIdle) {
    TempDir dir;
    int64_t now = kTestNow;
    ServiceStore s;
    ASSERT_TRUE(s.Open(dir.path(), Fixed(&now)));
    NewUser u;
    u.login = "a";
    u.password = "p";
    auto id = s.AddUser(u);
    std::string first = s.CreateSession(*id);
    std::string second = s.CreateSession(*id);
    EXPECT_NE(first, second);
    EXPECT_EQ(s.CheckSession(first).result, SessionCheck::kReplaced);
    EXPECT_EQ(s.CheckSession(second).result, SessionCheck::kActive);
    EXPECT_EQ(s.CheckSession("").result, SessionCheck::kUnknown);
    EXPECT_EQ(s.CheckSession("nope").result, SessionCheck::kUnknown);
    now += 11 * 3600;
    EXPECT_EQ(s.CheckSession(second).result, SessionCheck::kActive);  // and touched
    now += 11 * 3600;
    EXPECT_EQ(s.CheckSession(second).result, SessionCheck::kActive);
    now += 13 * 3600;
    EXPECT_EQ(s.CheckSession(second).result, SessionCheck::kUnknown);
    auto list = s.Sessions();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].state, static_cast<int>(SessionState::kReplaced));
}

TEST(Store, NewArticlesReachEachUserOnceAndReviewHoldsThemBack) {
    TempDir dir;
    int64_t now = kTestNow;
    ServiceStore s;
    ASSERT_TRUE(s.Open(dir.path(), Fixed(&now)));
    ASSERT_TRUE(SeedDemoData(s, 7));
    s.MarkAllArticlesSeen(4);
    EXPECT_TRUE(s.TakeNewArticles(4, 20).empty());
    NewArticle a;
    a.title = "待审";
    a.columnId = 1;
    a.needsReview = true;
    auto held = s.AddArticle(a);
    ASSERT_TRUE(held);
    EXPECT_TRUE(s.TakeNewArticles(4, 20).empty());
    EXPECT_FALSE(s.Article(*held));
    a.title = "发布";
    a.needsReview = false;
    auto published = s.AddArticle(a);
    auto got = s.TakeNewArticles(4, 20);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, *published);
    ASSERT_TRUE(s.ApproveArticle(*held));
    EXPECT_FALSE(s.ApproveArticle(*held));
    got = s.TakeNewArticles(4, 20);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, *held) << "an approved article is news when it is published";
    EXPECT_TRUE(s.TakeNewArticles(4, 20).empty());
    a.columnId = 999;
    EXPECT_FALSE(s.AddArticle(a));
}

TEST(Store, FailedWorkInsideATransactionLeavesNothing) {
    TempDir dir;
    int64_t now = kTestNow;
    ServiceStore s;
    ASSERT_TRUE(s.Open(dir.path(), Fixed(&now)));
    EXPECT_FALSE(s.InTransaction([&] {
        s.AddOrganisation("x", 1);
        EXPECT_TRUE(s.InTransaction([&] { return s.AddOrganisation("y", 2) != 0; }));
        return false;
    }));
    EXPECT_EQ(s.CountRows("orgs"), 0);
    EXPECT_EQ(s.CountRows("no such table"), -1);
}

TEST(RequestParams, ParsesPairsDecodesValuesAndKeepsFirstOccurrence) {
    RequestParams p;
    ASSERT_TRUE(RequestParams::Parse(
        "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=14&fromid=4&toid=1&msgcontent=a%26toid%3D9%25%2B"
        "&toid=7&tc_session={abc}&clientver=3.0&packageid=5&netaddr=&clientver=3.0",
        &p));
    EXPECT_EQ(p.SubFunction(), 14);
    EXPECT_EQ(p.Get("toid"), "1") << "a later repeat does not override";
    EXPECT_EQ(p.Get("msgcontent"), "a&toid=9%+");
    EXPECT_EQ(p.Session(), "abc");
    EXPECT_EQ(p.Get("netaddr"), "");
    EXPECT_FALSE(p.Get("missing"));
    EXPECT_EQ(p.GetOr("missing", "d"), "d");

    // Binary mode sends the terminating NUL; the session is the last one given.
    std::string text("tc_sfuncno=47&cont=x&tc_session={a}&tc_session={b}");
    text.push_back('\0');
    ASSERT_TRUE(RequestParams::Parse(text, &p));
    EXPECT_EQ(p.SubFunction(), 47);
    EXPECT_EQ(p.Get("cont"), "x");
    EXPECT_EQ(p.Session(), "b");

    ASSERT_TRUE(RequestParams::Parse("TC_SFUNCNO=&cont=", &p));
    EXPECT_EQ(p.SubFunction(), -1);
    ASSERT_TRUE(RequestParams::Parse("TC_SFUNCNO=12abc", &p));
    EXPECT_EQ(p.SubFunction(), -1);
    ASSERT_TRUE(RequestParams::Parse("", &p));
    EXPECT_EQ(p.Count(), 0u);
}

TEST(RequestParams, RefusesTextsBeyondTheLimits) {
    RequestParams p;
    std::string many;
    for (size_t i = 0; i <= kMaxParams; ++i)
        many += "&a=" + std::to_string(i);
    EXPECT_FALSE(RequestParams::Parse(many, &p));
    EXPECT_EQ(p.Count(), 0u);
    EXPECT_FALSE(RequestParams::Parse("a=" + std::string(kMaxParamText, 'x'), &p));
    EXPECT_FALSE(RequestParams::Parse(std::string(65, 'n') + "=1", &p));
    EXPECT_TRUE(RequestParams::Parse(std::string(64, 'n') + "=1", &p));
}

TEST(RequestParams, IdsAreStrictDecimals) {
    EXPECT_EQ(ParseId("42"), 42);
    EXPECT_EQ(ParseId("-1"), -1);
    EXPECT_EQ(ParseId("007"), 7);
    EXPECT_FALSE(ParseId(""));
    EXPECT_FALSE(ParseId("-"));
    EXPECT_FALSE(ParseId("4 2"));
    EXPECT_FALSE(ParseId("1e3"));
    EXPECT_FALSE(ParseId("0x10"));
    EXPECT_FALSE(ParseId("1234567890123456789"));
    EXPECT_EQ(ParseId("123456789012345678"), 123456789012345678);
}

TEST(Dates, FollowTheClientsCuts) {
    // 2026-12-08 09:30:00 in Beijing.
    EXPECT_EQ(FormatInsertDate(kTestNow), "2026-12-08 09:30:00.000000000");
    EXPECT_EQ(FormatInsertDate(kTestNow).substr(0, 29 - 13), "2026-12-08 09:30");
    EXPECT_EQ(FormatMessageDate(kTestNow + 5), "2026-12-08 09:30:05.000");
}

}  // namespace
}  // namespace vqsvc::test
