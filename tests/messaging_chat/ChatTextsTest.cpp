// Message blocks, time stamps and the request texts of a chat.
#include <gtest/gtest.h>

#include "messaging/ChatTexts.h"
#include "platform/core/Text.h"

namespace {

using vq::Gbk;

TEST(ChatTexts, BlockIsSpeakerStampContentAndABlankLine) {
    EXPECT_EQ(ChatTexts::MessageBlock("Wang", "2010-5-7", "hi"),
              "Wang" + Gbk("： ") + "2010-5-7\r\nhi\r\n\r\n");
}

TEST(ChatTexts, SentStampHasNoZeroPaddingAndFullWidthColons) {
    std::tm t{};
    t.tm_year = 2010 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 3;
    t.tm_sec = 15;
    EXPECT_EQ(ChatTexts::SentTimeStamp(t), Gbk("2010-5-7  9：3：15"));
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 0;
    EXPECT_EQ(ChatTexts::SentTimeStamp(t), Gbk("2010-12-31  23：59：0"));
}

TEST(ChatTexts, ReceivedStampDropsTheLastFourCharacters) {
    EXPECT_EQ(ChatTexts::ReceivedTimeStamp("2026-12-08 09:30:00.000"), "2026-12-08 09:30:00");
    EXPECT_EQ(ChatTexts::ReceivedTimeStamp("abcd"), "");
    EXPECT_EQ(ChatTexts::ReceivedTimeStamp("abc"), "abc");
    EXPECT_EQ(ChatTexts::HistoryTimeStamp("abcde"), "a");
    EXPECT_EQ(ChatTexts::HistoryTimeStamp("abc"), "");
}

TEST(ChatTexts, RequestsCarryTheUserTextEscaped) {
    EXPECT_EQ(
        ChatTexts::SendRequest("1", "4", "a&b=c%d+e"),
        "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=14&fromid=1&toid=4&msgcontent=a%26b%3Dc%25d%"
        "2Be&totype=0&state=0");
    EXPECT_EQ(ChatTexts::SendRequest("1", "4", Gbk("你好 /:)")),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=14&fromid=1&toid=4&msgcontent=" +
                  Gbk("你好 /:)") + "&totype=0&state=0");
    EXPECT_EQ(ChatTexts::MarkReadRequest("17"),
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=15&state=1&msgid=17");
}

TEST(ChatTexts, JsonValuesCannotEndTheirStringEarly) {
    EXPECT_EQ(ChatTexts::JsonValue("a\"b\\c\n"), "a\\\"b\\\\c\\u000a");
    // 0x81 0x5C would be read as one character, eating the escape's backslash.
    EXPECT_EQ(ChatTexts::JsonValue("\x81\""), "?\\\"");
    EXPECT_EQ(ChatTexts::JsonValue("x\x81"), "x?");
    EXPECT_EQ(ChatTexts::JsonValue(Gbk("张伟")), Gbk("张伟"));
    // A trail byte that looks like a backslash belongs to its character.
    EXPECT_EQ(ChatTexts::JsonValue("\x81\x5C"), "\x81\x5C");
}

TEST(ChatTexts, ChangePicDocument) {
    EXPECT_EQ(ChatTexts::ChangePicDocument(true, "4"),
              "{\"line\":[{\"title\":\"1\",\"uid\":\"4\"}]}");
    EXPECT_EQ(ChatTexts::ChangePicDocument(false, "12"),
              "{\"line\":[{\"title\":\"2\",\"uid\":\"12\"}]}");
}

TEST(ChatTexts, FirstLineStopsAtTheLineBreakAndNeverSplitsACharacter) {
    EXPECT_EQ(ChatTexts::FirstLine("one\r\ntwo", 80), "one");
    EXPECT_EQ(ChatTexts::FirstLine("one\ntwo", 80), "one");
    EXPECT_EQ(ChatTexts::FirstLine(Gbk("你好"), 3), Gbk("你"));
    EXPECT_EQ(ChatTexts::FirstLine("", 3), "");
}

TEST(ChatTexts, SameNoCase) {
    EXPECT_TRUE(ChatTexts::SameNoCase("AbC", "aBc"));
    EXPECT_FALSE(ChatTexts::SameNoCase("Ab", "Abc"));
    EXPECT_FALSE(ChatTexts::SameNoCase("\x81\x41", "\x81\x61"));
    EXPECT_TRUE(ChatTexts::SameNoCase(Gbk("河西A"), Gbk("河西a")));
}

}  // namespace
