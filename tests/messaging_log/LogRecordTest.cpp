// The record layout, conversation matching and the query buffer, with bytes written by hand
// from the layout table.

#include <gtest/gtest.h>

#include <string>

#include "messaging/log/LogRecord.h"

namespace {

using namespace std::string_literals;

// direction 1, time 0x0102030405, from "5", to "7", text "hi": 24 + 2 + 1 + 2 + 1 + 3 = 33.
const std::string kSentRecord =
    "\x00\x00\x00\x00"                  // record number slot
    "\x01"                              // sent
    "\x00\x00\x00"                      // reserved
    "\x05\x04\x03\x02\x01\x00\x00\x00"  // time
    "\x21\x00\x00\x00"                  // total length 33
    "\x00\x00\x00\x00"                  // reserved
    "5\x00"
    "\x00"
    "7\x00"
    "\x00"
    "hi\x00"s;

TEST(LogRecordLayout, EncodesTheTableByteForByte) {
    EXPECT_EQ(EncodeLogRecord(1, 0x0102030405, "5", "7", "hi"), kSentRecord);

    // Empty ids still take their NULs: 29 bytes for an empty record; negative times are
    // two's complement.
    const std::string empty = EncodeLogRecord(0, -1, "", "", "");
    ASSERT_EQ(empty.size(), 29u);
    EXPECT_EQ(empty.substr(8, 8), "\xff\xff\xff\xff\xff\xff\xff\xff"s);
    EXPECT_EQ(empty.substr(16, 4), "\x1d\x00\x00\x00"s);
    EXPECT_EQ(empty.substr(24), std::string(5, '\0'));

    // A NUL inside a text would end it early on reading: the text is cut there.
    EXPECT_EQ(EncodeLogRecord(1, 0x0102030405, "5", "7", "hi\0there"s), kSentRecord);
}

TEST(LogRecordLayout, DecodesAndRefusesDamagedRecords) {
    std::string withKey = kSentRecord;
    withKey[0] = '\x2a';
    const auto r = DecodeLogRecord(withKey);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->recordNumber, 42u);
    EXPECT_EQ(r->direction, 1);
    EXPECT_EQ(r->time, 0x0102030405);
    EXPECT_EQ(r->fromId, "5");
    EXPECT_EQ(r->toId, "7");
    EXPECT_EQ(r->text, "hi");

    EXPECT_FALSE(DecodeLogRecord(kSentRecord.substr(0, 20))) << "shorter than its header";
    EXPECT_FALSE(DecodeLogRecord(kSentRecord.substr(0, 32))) << "shorter than its length";
    EXPECT_FALSE(DecodeLogRecord(kSentRecord + "x")) << "longer than its length";
    std::string noNul = kSentRecord;
    noNul.back() = '!';
    EXPECT_FALSE(DecodeLogRecord(noNul)) << "text without its NUL";
}

TEST(LogRecordMatching, WholeIdsOnly) {
    LogRecord r;
    r.fromId = "123";
    r.toId = "5";
    EXPECT_TRUE(MatchesConversation(r, "5", "123"));
    EXPECT_TRUE(MatchesConversation(r, "123", "5"));
    EXPECT_TRUE(MatchesConversation(r, "", ""));
    EXPECT_TRUE(MatchesConversation(r, "5", ""));
    // "12" is inside ";123;5;" but is not one of its ids.
    EXPECT_FALSE(MatchesConversation(r, "5", "12"));
    EXPECT_FALSE(MatchesConversation(r, "5", "23"));
    EXPECT_FALSE(MatchesConversation(r, "5", ";123;"));
    EXPECT_FALSE(MatchesConversation(r, "5", "123;5"));
    EXPECT_FALSE(MatchesConversation(r, "6", "123")) << "another user's conversation";
    // Case matters.
    r.fromId = "abc";
    EXPECT_FALSE(MatchesConversation(r, "5", "ABC"));
    // Ids of any length.
    r.fromId = std::string(5000, 'x');
    EXPECT_TRUE(MatchesConversation(r, "5", std::string(5000, 'x')));
    EXPECT_FALSE(MatchesConversation(r, "5", std::string(4999, 'x')));
}

TEST(QueryBuffer, GrowsByTheRecordPlusTwiceTheCapacity) {
    MessageQueryResult result;
    EXPECT_EQ(result.Capacity(), 64u);
    result.AppendRecord(kSentRecord, 7);  // 33 fits in 64
    EXPECT_EQ(result.Capacity(), 64u);
    result.AppendRecord(kSentRecord, 6);  // 66 > 64: 33 + 2 * 64
    EXPECT_EQ(result.Capacity(), 161u);
    const std::string big =
        EncodeLogRecord(0, 0, "7", "5", std::string(200, 'z'));  // 24 + 2 + 1 + 2 + 1 + 201 = 231
    result.AppendRecord(big, 5);                                 // 66 + 231 > 161: 231 + 2 * 161
    EXPECT_EQ(result.Capacity(), 553u);
    EXPECT_EQ(result.Size(), 33u + 33u + 231u);
    EXPECT_EQ(result.RecordCount(), 3u);

    // The slot carries the record number; reading goes in buffer order.
    EXPECT_EQ(result.Bytes().substr(0, 4), "\x07\x00\x00\x00"s);
    EXPECT_EQ(result.Bytes().substr(33, 4), "\x06\x00\x00\x00"s);
    std::vector<std::uint32_t> numbers;
    while (auto r = result.ReadNext())
        numbers.push_back(r->recordNumber);
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{7, 6, 5}));
    EXPECT_EQ(result.ReadPosition(), result.Size());
}

TEST(QueryBuffer, ReadingStaysInsideTheBuffer) {
    const std::string other = EncodeLogRecord(0, 0, "7", "5", "yo");  // 33 bytes too

    // Texts in buffer order.
    auto texts = MessageQueryResult::FromBytes(kSentRecord + other);
    EXPECT_EQ(texts.ReadAllTexts(), "hiyo");

    // A damaged record inside a sound length is passed over.
    std::string noNul = kSentRecord;
    noNul.back() = '!';
    auto skipped = MessageQueryResult::FromBytes(noNul + other);
    EXPECT_EQ(skipped.ReadAllTexts(), "yo");

    // 23 trailing bytes are not a record.
    auto tail = MessageQueryResult::FromBytes(kSentRecord + std::string(23, '\x21'));
    EXPECT_EQ(tail.ReadAllTexts(), "hi");

    // A length that points past the end, or into its own header, ends reading.
    std::string tooLong = other;
    tooLong[16] = '\x22';
    auto past = MessageQueryResult::FromBytes(kSentRecord + tooLong);
    EXPECT_EQ(past.ReadAllTexts(), "hi");
    EXPECT_EQ(past.ReadPosition(), past.Size());
    for (char length : {'\x00', '\x17'}) {
        std::string looping = kSentRecord;
        looping[16] = length;
        auto stuck = MessageQueryResult::FromBytes(looping + other);
        EXPECT_EQ(stuck.ReadAllTexts(), "");
    }
    std::string huge = kSentRecord;
    huge.replace(16, 4, "\xff\xff\xff\xff"s);
    EXPECT_FALSE(MessageQueryResult::FromBytes(huge).ReadNext());
    EXPECT_FALSE(MessageQueryResult::FromBytes("").ReadNext());
}

}  // namespace
