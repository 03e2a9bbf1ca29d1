// The thread document: row count in hexadecimal, dates without their last 13 characters,
// the empty form, and values that keep the document parseable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/BoardDocument.h"
#include "tests/portal_home/ReplyBuilder.h"

using portaltest::G;
using portaltest::Reply;

namespace {

const std::vector<std::string> kThreadColumns = {"insertdate", "usr_vuser_truen", "message_meno"};

RecordSetList Thread(int rows, const std::string& tag = "looklinyan") {
    std::vector<std::vector<std::string>> data;
    for (int i = 0; i < rows; ++i) {
        data.push_back({"2026-12-08 09:30:15.000000000", "u" + std::to_string(i), "c"});
    }
    return Reply({{tag, kThreadColumns, data}});
}

std::string TotalOf(const std::string& doc) {
    const std::string key = "{\"total\":\"";
    if (doc.rfind(key, 0) != 0) {
        return "?";
    }
    return doc.substr(key.size(), doc.find('"', key.size()) - key.size());
}

}  // namespace

TEST(BoardDocument, RowCountIsWrittenInLowerCaseHexadecimal) {
    const struct {
        int rows;
        const char* total;
    } cases[] = {{1, "1"}, {9, "9"}, {10, "a"}, {15, "f"}, {16, "10"}, {26, "1a"}, {255, "ff"}};
    for (const auto& c : cases) {
        RecordSetList sets = Thread(c.rows);
        EXPECT_EQ(TotalOf(BoardDocument::Build(sets.front().get())), c.total) << c.rows;
    }
}

TEST(BoardDocument, RowsInOrderWithTheirThreeValues) {
    RecordSetList sets =
        Reply({{"looklinyan",
                kThreadColumns,
                {{"2026-12-08 09:30:15.000000000", G("徐丽"), G("请问开户需要带什么？")},
                 {"2026-12-08 10:02:40.000000000", G("王明"), G("身份证和银行卡即可。")}}}});
    EXPECT_EQ(
        BoardDocument::Build(sets.front().get()),
        G("{\"total\":\"2\",\"sites\":["
          "{\"time\":\"2026-12-08 09:30\",\"name\":\"徐丽\",\"content\":\"请问开户需要带什么？\"},"
          "{\"time\":\"2026-12-08 10:02\",\"name\":\"王明\",\"content\":\"身份证和银行卡即可。\"}"
          "]}"));
}

TEST(BoardDocument, ColumnNamesAreReadWithoutRegardToCase) {
    RecordSetList sets = Reply({{"LOOKLINYAN",
                                 {"INSERTDATE", "USR_VUSER_TRUEN", "MESSAGE_MENO"},
                                 {{"2026-12-08 09:30:15.000000000", "a", "b"}}}});
    EXPECT_EQ(BoardDocument::Build(sets.front().get()),
              "{\"total\":\"1\",\"sites\":[{\"time\":\"2026-12-08 09:30\",\"name\":\"a\","
              "\"content\":\"b\"}]}");
}

TEST(BoardDocument, EmptyFormForNoRowsAnotherTagOrNoSet) {
    const std::string empty = "{\"total\":\"\",\"sites\":[]}";
    RecordSetList none = Thread(0);
    EXPECT_EQ(BoardDocument::Build(none.front().get()), empty);
    RecordSetList other = Thread(3, "getliuyans");
    EXPECT_EQ(BoardDocument::Build(other.front().get()), empty);
    EXPECT_EQ(BoardDocument::Build(nullptr), empty);
    // A set without the columns still counts its rows; the values are empty.
    RecordSetList bare = Reply({{"looklinyan", {"other"}, {{"x"}}}});
    EXPECT_EQ(BoardDocument::Build(bare.front().get()),
              "{\"total\":\"1\",\"sites\":[{\"time\":\"\",\"name\":\"\",\"content\":\"\"}]}");
}

TEST(BoardDocument, DateLosesItsLastThirteenCharacters) {
    EXPECT_EQ(BoardDocument::DateText("2026-12-08 09:30:15.000000000"), "2026-12-08 09:30");
    EXPECT_EQ(BoardDocument::DateText("1234567890123"), "");
    EXPECT_EQ(BoardDocument::DateText("123456789012"), "123456789012");
    EXPECT_EQ(BoardDocument::DateText(""), "");
}

TEST(BoardDocument, ValuesCannotBreakTheDocument) {
    // A reply of two lines, quotes and a backslash: each escaped, so the page can parse it.
    EXPECT_EQ(BoardDocument::JsonText("a\"b\\c\r\nd\te"), "a\\\"b\\\\c\\r\\nd\\te");
    EXPECT_EQ(BoardDocument::JsonText(std::string("x\x01y", 3)), "x\\u0001y");
    // The second byte of a GBK character may be 0x5C: it stays part of the character.
    const std::string kanji = G("表");  // B1 ED
    EXPECT_EQ(BoardDocument::JsonText(kanji), kanji);
    EXPECT_EQ(BoardDocument::JsonText("\x81\x5c"), "\x81\x5c");
    // A lead byte with no second byte cannot swallow the quote that closes the value.
    EXPECT_EQ(BoardDocument::JsonText("ab\x81"), "ab?");
    EXPECT_EQ(BoardDocument::JsonText("\x81\""), "?\\\"");
}

TEST(BoardDocument, BlankTexts) {
    for (const char* blank : {"", " ", "\t\r\n", "　", " 　 "}) {
        EXPECT_TRUE(BoardDocument::IsBlank(G(blank))) << "[" << blank << "]";
    }
    for (const char* text : {"a", " a ", "　好", "。", "\xA1"}) {
        EXPECT_FALSE(BoardDocument::IsBlank(G(text))) << "[" << text << "]";
    }
    // A full-width space needs both its bytes; "\xA1\xA2" is another character.
    EXPECT_FALSE(BoardDocument::IsBlank("\xA1\xA2"));
    EXPECT_FALSE(BoardDocument::IsBlank("\xA1"));
}
