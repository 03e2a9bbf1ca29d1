// The page data documents, byte for byte, and that each one parses as JSON whatever the
// service puts in its values.
#include <gtest/gtest.h>

#include "portal/PageDocuments.h"
#include "tests/portal_home/ReplyBuilder.h"

using portaltest::G;
using portaltest::Reply;
namespace D = PageDocuments;

namespace {

const std::string P = "http://velquor.portal/newslist.html";

// A small JSON checker: true when `s` is one complete JSON value. Enough to prove that no
// value broke out of its quotes.
class JsonCheck {
public:
    explicit JsonCheck(const std::string& s) : s_(s) {}
    bool Valid() {
        Ws();
        if (!ValueOk()) {
            return false;
        }
        Ws();
        return i_ == s_.size();
    }

private:
    void Ws() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r')) {
            ++i_;
        }
    }
    bool StringOk() {
        if (i_ >= s_.size() || s_[i_] != '"') {
            return false;
        }
        for (++i_; i_ < s_.size(); ++i_) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') {
                ++i_;
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\') {
                ++i_;
                if (i_ >= s_.size() ||
                    std::string("\"\\/bfnrtu").find(s_[i_]) == std::string::npos) {
                    return false;
                }
            }
        }
        return false;
    }
    bool ValueOk() {
        if (i_ >= s_.size()) {
            return false;
        }
        if (s_[i_] == '"') {
            return StringOk();
        }
        const char open = s_[i_];
        if (open != '{' && open != '[') {
            return false;
        }
        const char close = open == '{' ? '}' : ']';
        ++i_;
        Ws();
        if (i_ < s_.size() && s_[i_] == close) {
            ++i_;
            return true;
        }
        for (;;) {
            Ws();
            if (open == '{') {
                if (!StringOk()) {
                    return false;
                }
                Ws();
                if (i_ >= s_.size() || s_[i_++] != ':') {
                    return false;
                }
                Ws();
            }
            if (!ValueOk()) {
                return false;
            }
            Ws();
            if (i_ >= s_.size()) {
                return false;
            }
            if (s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (s_[i_] == close) {
                ++i_;
                return true;
            }
            return false;
        }
    }
    const std::string& s_;
    size_t i_ = 0;
};

bool ValidJson(const std::string& s) {
    return JsonCheck(s).Valid();
}

const std::vector<std::string> kNewsCols = {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE",
                                            "usr_vuser_truen", "PRD_MENU_NAME"};
const std::string kDate = "2026-12-08 09:30:15.000000000";

TEST(PageDocumentValues, DateRuleQuoteRuleAndEscaping) {
    EXPECT_EQ(D::DateText(kDate), "2026-12-08 09:30");  // 29 characters keep 16
    EXPECT_EQ(D::DateText("1234567890123"), "");
    EXPECT_EQ(D::DateText("123456789012"), "123456789012");
    EXPECT_EQ(D::DateText(""), "");
    EXPECT_EQ(D::TitleText("a\"b\""),
              "a\xA1\xB0"
              "b\xA1\xB0");
    EXPECT_EQ(D::JsonValue("a\\b\"c\r\n\t\x01"), "a\\\\b\\\"c\\r\\n\\t\\u0001");
    // A GBK character whose second byte is 0x5C (a backslash in ASCII) is not escaped.
    const std::string gbk = G("表");  // B1 ED
    EXPECT_EQ(D::JsonValue(gbk), gbk);
    EXPECT_EQ(D::JsonValue("\x95\x5C"), "\x95\x5C");
    EXPECT_EQ(D::JsonValue("x\\"), "x\\\\");
    // A lead byte without its second byte must not pair with the escape's backslash.
    EXPECT_EQ(D::JsonValue("\xDB\""), "?\\\"");
    EXPECT_EQ(D::JsonValue("a\x81"), "a?");
    EXPECT_EQ(D::TitleText("\xDB\""), "\xDB\xA1\xB0");
}

TEST(HomeDocument, TemplateAndSlots) {
    const std::string& t = D::HomeTemplate();
    EXPECT_EQ(t.rfind("{\"post\":[{\"title\":\"@@1t@@\",\"time\":\"@@1d@@\",\"url\":\"@@1u@@\"},{"
                      "\"title\":\"@@2t@@\"",
                      0),
              0u);
    const std::string tail = "{\"title\":\"@@24t@@\",\"time\":\"@@24d@@\",\"url\":\"@@24u@@\"}]}";
    EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
    EXPECT_NE(t.find("\"url\":\"@@6u@@\"}],\"lupdate\":[{\"title\":\"@@7t@@\""), std::string::npos);
    EXPECT_NE(t.find("@@12u@@\"}],\"reread\":[{"), std::string::npos);
    EXPECT_NE(t.find("@@18u@@\"}],\"mylove\":[{"), std::string::npos);
    EXPECT_EQ(t.find(' '), std::string::npos);

    std::vector<std::vector<std::string>> ten;
    for (int i = 1; i <= 10; ++i) {
        ten.push_back({std::to_string(i), "T" + std::to_string(i), kDate, "", ""});
    }
    auto sets = Reply(
        {{"get1menu",
          {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE", "prd_column_name", "prd_menu_name"},
          ten},
         {"get2menu",
          {"prd_news_id", "prd_news_title", "insertdate", "prd_column_name", "prd_menu_name"},
          {{"77", "Say \"hi\"", "short", G("宏观"), G("菜单")}, {"78", "x", "", "", G("菜单")}}},
         {"get4menu",
          {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE", "prd_column_name", "prd_menu_name"},
          {{"99", "@@20t@@", kDate, "c", ""}}}});
    const auto doc = D::BuildHome(sets);
    ASSERT_TRUE(doc.has_value());
    EXPECT_TRUE(ValidJson(*doc)) << *doc;
    std::string expected = "{\"post\":[";
    for (int i = 1; i <= 6; ++i) {
        expected += (i > 1 ? "," : "") + std::string("{\"title\":\"T") + std::to_string(i) +
                    "\",\"time\":\"2026-12-08 09:30\",\"url\":\"prdid=" + std::to_string(i) + "\"}";
    }
    expected += "],\"lupdate\":[{\"title\":\"[" + G("宏观") +
                "]Say \xA1\xB0hi\xA1\xB0\",\"time\":\"short\",\"url\":\"prdid=77\"},";
    expected += "{\"title\":\"[" + G("菜单") + "]x\",\"time\":\"\",\"url\":\"prdid=78\"}";
    const std::string empty = "{\"title\":\"\",\"time\":\"\",\"url\":\"\"}";
    for (int i = 9; i <= 12; ++i) {
        expected += "," + empty;
    }
    expected += "],\"reread\":[" + empty;
    for (int i = 14; i <= 18; ++i) {
        expected += "," + empty;
    }
    // The marker text inside a value is shown as it is.
    expected +=
        "],\"mylove\":[{\"title\":\"[c]@@20t@@\",\"time\":\"2026-12-08 "
        "09:30\",\"url\":\"prdid=99\"}";
    for (int i = 20; i <= 24; ++i) {
        expected += "," + empty;
    }
    expected += "]}";
    EXPECT_EQ(*doc, expected);

    EXPECT_FALSE(D::BuildHome(RecordSetList{}).has_value());
}

TEST(ListPageDocuments, EachFirstTagWithItsLinksTitlesAndColumns) {
    struct Case {
        const char* tag;
        const char* colTag;
        std::string newsQuery, emptyTitle, columnTitle;
        bool columns;
    };
    const Case cases[] = {
        {"get2more", "getmorecol", "?fid=1&prdid=", "--", G("最新更新"), true},
        {"get3more", "getmorecol", "?fid=1&prdid=", "            ", G("推荐阅读"), true},
        {"get4more", "getmylovecol", "?fid=1&prdid=", "          ", G("我的最爱"), true},
        {"get1more", "getmorecol", "?prdid=", "           ", G("财经点评"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        auto sets = Reply(
            {{c.tag,
              kNewsCols,
              {{"5", "A\"B", kDate, G("张三"), G("策略")}, {"6", "C", "x", "", ""}}},
             {c.colTag, {"prd_column_name", "prd_column_id"}, {{G("宏观"), "3"}, {"K", "4"}}}});
        const auto docs = D::BuildListPage(sets);
        ASSERT_TRUE(docs.has_value());
        EXPECT_EQ(docs->list,
                  "{\"title\":\"        \",\"sites\":[{\"caption\":\"[" + G("策略") +
                      "]A\xA1\xB0"
                      "B\",\"author\":\"" +
                      G("张三") + "\",\"time\":\"2026-12-08 09:30\",\"url\":\"" + P + c.newsQuery +
                      "5\"},{\"caption\":\"[]C\",\"author\":\"\",\"time\":\"x\",\"url\":\"" + P +
                      c.newsQuery + "6\"}]}");
        const std::string cols = c.columns ? "{\"title\":\"" + G("宏观") + "\",\"url\":\"" + P +
                                                 "?fid=1&sid=3\"},{\"title\":\"K\",\"url\":\"" + P +
                                                 "?fid=1&sid=4\"}"
                                           : "";
        EXPECT_EQ(docs->columns, "{\"title\":\"" + c.columnTitle + "\",\"col\":[" + cols + "]}");
        EXPECT_TRUE(ValidJson(docs->list) && ValidJson(docs->columns));

        auto none = Reply({{c.tag, kNewsCols, {}}, {"other", {"prd_column_name"}, {{"z"}}}});
        const auto empty = D::BuildListPage(none);
        ASSERT_TRUE(empty.has_value());
        EXPECT_EQ(
            empty->list,
            "{\"title\":\"" + c.emptyTitle +
                "\",\"sites\":[{\"caption\":\"\",\"author\":\" \",\"time\":\"\",\"url\":\"\"}]}");
        EXPECT_EQ(empty->columns, "{\"title\":\"" + c.columnTitle + "\",\"col\":[]}");
    }
}

TEST(ListPageDocuments, MenuNewsTakesLastMenuNameAndLinksTheBoardColumn) {
    auto sets =
        Reply({{"menunews",
                {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE", "usr_vuser_truen", "PRD_MENU_NAME"},
                {{"1", "a", "", "", "M1"}, {"2", "b", "", "", G("营业部公告")}}},
               {"getmorecol",
                {"prd_column_name", "prd_column_id"},
                {{G("我的留言"), "10"}, {"N", "11"}}}});
    const auto docs = D::BuildListPage(sets);
    ASSERT_TRUE(docs.has_value());
    EXPECT_EQ(docs->columns, "{\"title\":\"" + G("营业部公告") + "\",\"col\":[{\"title\":\"" +
                                 G("我的留言") + "\",\"url\":\"" + P +
                                 "?fid=1&fworid=10\"},{\"title\":\"N\",\"url\":\"" + P +
                                 "?fid=1&sid=11\"}]}");
    EXPECT_NE(docs->list.find("\"url\":\"" + P + "?prdid=2\"}]}"), std::string::npos);

    auto empty = Reply({{"menunews", kNewsCols, {}}});
    EXPECT_EQ(D::BuildListPage(empty)->columns, "{\"title\":\"\",\"col\":[]}");
    // A board column outside menu news keeps the column link.
    auto more =
        Reply({{"get2more", kNewsCols, {}},
               {"getmorecol", {"prd_column_name", "prd_column_id"}, {{G("我的留言"), "10"}}}});
    EXPECT_NE(D::BuildListPage(more)->columns.find("?fid=1&sid=10"), std::string::npos);

    auto other = Reply({{"getcolprd", kNewsCols, {}}});
    EXPECT_FALSE(D::BuildListPage(other).has_value());
}

TEST(OtherDocuments, ColumnNewsSearchBoardMenuPictures) {
    auto col = Reply({{"getcolprd", kNewsCols, {{"8", "Q\"", kDate, "Au", "M"}}}});
    EXPECT_EQ(*D::BuildColumnNews(col),
              "{\"title\":\"          "
              "\",\"sites\":[{\"caption\":\"Q\xA1\xB0\",\"author\":\"Au\",\"time\":\"2026-12-08 "
              "09:30\",\"url\":\"" +
                  P + "?fid=1&prdid=8\"}]}");
    auto colEmpty = Reply({{"getcolprd", kNewsCols, {}}});
    EXPECT_EQ(*D::BuildColumnNews(colEmpty),
              "{\"title\":\"\",\"sites\":[{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"type\":"
              "\"\",\"url\":\"\"}]}");
    EXPECT_FALSE(D::BuildColumnNews(Reply({{"get1more", kNewsCols, {}}})).has_value());

    for (const char* tag : {"SearchByStock", "SearchInTitles", "SearchInText", "searchbyauth"}) {
        SCOPED_TRACE(tag);
        auto s = Reply({{tag, kNewsCols, {{"9", "S", kDate, "Au", ""}, {"10", "T", "", "", ""}}}});
        EXPECT_EQ(*D::BuildSearch(s),
                  "{\"title\":\"" + G("搜索内容") +
                      "\",\"sites\":[{\"caption\":\"S\",\"author\":\"Au\",\"time\":\"2026-12-08 "
                      "09:30\",\"url\":\" " +
                      P +
                      "?prdid=9\"},{\"caption\":\"T\",\"author\":\"\",\"time\":\"\",\"url\":\" " +
                      P + "?prdid=10\"}]}");
        auto none = Reply({{tag, kNewsCols, {}}});
        EXPECT_EQ(*D::BuildSearch(none),
                  "{\"title\":\"" + G("搜索内容") +
                      "\",\"sites\":[{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"url\":\"\"},"
                      "{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"url\":\"\"}]}");
    }
    EXPECT_FALSE(D::BuildSearch(Reply({{"getcolprd", kNewsCols, {}}})).has_value());

    const std::vector<std::string> boardCols = {"message_title", "usr_vuser_truen", "insertdate",
                                                "msgstate", "message_id"};
    auto board = Reply({{"getliuyans", boardCols, {{"Re: \"x\"", "W", kDate, "1", "42"}}}});
    // Board titles keep their quotes, escaped so the document still parses.
    const std::string boardDoc = *D::BuildBoardList(board);
    EXPECT_EQ(
        boardDoc,
        "{\"title\":\"        \",\"sites\":[{\"caption\":\"Re: "
        "\\\"x\\\"\",\"author\":\"W\",\"time\":\"2026-12-08 09:30\",\"type\":\"1\",\"url\":\"" +
            P + "?fid=1&msgid=42\"}]}");
    EXPECT_TRUE(ValidJson(boardDoc));
    EXPECT_EQ(*D::BuildBoardList(Reply({{"getliuyans", boardCols, {}}})),
              "{\"title\":\"\",\"sites\":[{\"caption\":\"\",\"author\":\"\",\"time\":\"\",\"type\":"
              "\"\",\"url\":\"\"}]}");

    auto menu =
        Reply({{"getmunu",
                {"PRD_MENU_NAME", "PRD_MENU_ID", "PRD_MENU_LINK", "IS_USED"},
                {{G("财经点评"), "4", "", "0"}, {"Out", "7", "http://quotes.example/", "1"}}}});
    EXPECT_EQ(*D::BuildMenu(menu), "{\"col\":[{\"title\":\"" + G("首页") +
                                       "\",\"url\":\"newlist.html_flaid=100&\"},{\"title\":\"" +
                                       G("财经点评") +
                                       "\",\"url\":\"newlist.html_flaid=4&\"},{\"title\":\"Out\","
                                       "\"url\":\"http://quotes.example/&\"}]}");
    EXPECT_EQ(*D::BuildMenu(Reply({{"getmunu", {"PRD_MENU_NAME"}, {}}})),
              "{\"col\":[{\"title\":\"" + G("首页") + "\",\"url\":\"newlist.html_flaid=100&\"}]}");

    auto pics = Reply(
        {{"firstimg", {"PHOTO_URL", "TEXT_URL"}, {{"a\"b.png", "?prdid=1"}, {"c.png", "d"}}}});
    EXPECT_EQ(
        *D::BuildPictureStrip(pics),
        "{\"img\":[{\"src\":\"a'b.png\",\"url\":\"?prdid=1\"},{\"src\":\"c.png\",\"url\":\"d\"}]}");
    EXPECT_EQ(*D::BuildPictureStrip(Reply({{"firstimg", {"PHOTO_URL", "TEXT_URL"}, {}}})), "");
    EXPECT_FALSE(D::BuildPictureStrip(Reply({{"getmunu", {"x"}, {}}})).has_value());

    EXPECT_EQ(D::LoginNameDocument(G("周敏")), "{\"loginName\":\"" + G("周敏") + "\"}");
}

TEST(OtherDocuments, HostileValuesNeverBreakTheDocument) {
    const std::string evil = "x\\\",\"url\":\"javascript:1\r\n\x01";
    auto list = Reply({{"get2more", kNewsCols, {{evil, evil, evil, evil, evil}}},
                       {"getmorecol", {"prd_column_name", "prd_column_id"}, {{evil, evil}}}});
    const auto docs = D::BuildListPage(list);
    EXPECT_TRUE(ValidJson(docs->list)) << docs->list;
    EXPECT_TRUE(ValidJson(docs->columns)) << docs->columns;
    EXPECT_TRUE(ValidJson(*D::BuildBoardList(
        Reply({{"getliuyans", {"message_title", "message_id"}, {{evil, evil}}}}))));
    EXPECT_TRUE(ValidJson(*D::BuildMenu(
        Reply({{"getmunu", {"PRD_MENU_NAME", "PRD_MENU_LINK", "IS_USED"}, {{evil, evil, "1"}}}}))));
    EXPECT_TRUE(ValidJson(
        *D::BuildPictureStrip(Reply({{"firstimg", {"PHOTO_URL", "TEXT_URL"}, {{evil, evil}}}}))));
    EXPECT_TRUE(ValidJson(
        *D::BuildSearch(Reply({{"SearchInText", kNewsCols, {{evil, evil, evil, evil, evil}}}}))));
    EXPECT_TRUE(ValidJson(
        *D::BuildHome(Reply({{"get1menu", kNewsCols, {{evil, evil, evil, evil, evil}}}}))));
    EXPECT_TRUE(ValidJson(D::LoginNameDocument(evil)));
}

}  // namespace
