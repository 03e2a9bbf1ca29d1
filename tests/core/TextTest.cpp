#include "platform/core/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

// GBK bytes taken from the code page table, not from the converter.
const std::string kTishiGbk = "\xCC\xE1\xCA\xBE";                      // 提示
const std::string kCommaGbk = "\xA3\xAC";                              // ，
const std::string kLoginFailGbk = "\xB5\xC7\xC2\xBC\xCA\xA7\xB0\xDC";  // 登录失败
const std::string kReplUtf8 = "\xEF\xBF\xBD";

TEST(TextConversion, KnownChineseTextsInEveryDirection) {
    EXPECT_EQ(vq::Gbk("提示"), kTishiGbk);
    EXPECT_EQ(vq::Utf8ToGbk("登录失败"), kLoginFailGbk);
    EXPECT_EQ(vq::Gbk("a，b"), "a" + kCommaGbk + "b");
    EXPECT_EQ(vq::GbkToUtf8(kTishiGbk), "提示");
    EXPECT_EQ(vq::GbkToUtf16(kTishiGbk), u"提示");
    EXPECT_EQ(vq::Utf16ToGbk(u"提示"), kTishiGbk);
    EXPECT_EQ(vq::GbkToUtf8("QUEST FAILED!"), "QUEST FAILED!");
    EXPECT_EQ(vq::GbkToUtf16("x=1\r\n"), u"x=1\r\n");
    EXPECT_EQ(vq::GbkToUtf8("\x80"), "\u20AC");  // code page 936 has the euro sign
    EXPECT_EQ(vq::Utf8ToGbk(""), "");
    EXPECT_EQ(vq::GbkToUtf16(""), u"");
}

TEST(TextConversion, Utf8AndUtf16OfEveryLength) {
    // 1-, 2-, 3- and 4-byte UTF-8 characters; the last needs a surrogate pair.
    const std::string utf8 = "A\xC3\xA9\xE6\x8F\x90\xF0\x9F\x98\x80";
    const std::u16string utf16 = u"A\u00E9\u63D0\U0001F600";
    ASSERT_EQ(utf16.size(), 5u);
    EXPECT_EQ(vq::Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(vq::Utf16ToUtf8(utf16), utf8);
}

TEST(TextConversion, EveryMappedGbkCharacterRoundTrips) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string u = vq::GbkToUtf16(gbk);
            ASSERT_EQ(u.size(), 1u) << std::hex << lead << " " << trail;
            if (u[0] == 0xFFFD)
                continue;
            ++mapped;
            ASSERT_EQ(vq::Utf16ToGbk(u), gbk) << std::hex << lead << " " << trail;
            ASSERT_EQ(vq::Utf8ToGbk(vq::GbkToUtf8(gbk)), gbk) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(mapped, 21000);  // GBK has 21886 characters
}

TEST(TextConversion, InvalidGbkIsReplacedCharacterByCharacter) {
    // 0xFF is never valid; 0x7F never trails, so the lead byte before it stands alone.
    EXPECT_EQ(vq::GbkToUtf8("A\xFF"
                            "B"),
              "A" + kReplUtf8 + "B");
    EXPECT_EQ(vq::GbkToUtf8("\x81\x7F"), kReplUtf8 + "\x7F");
    EXPECT_EQ(vq::GbkToUtf8("\xFF"), kReplUtf8);
    // The quote after a lone lead byte survives: it may end a JSON text.
    EXPECT_EQ(vq::GbkToUtf8("\xCC\""), kReplUtf8 + "\"");
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(vq::GbkToUtf8(kTishiGbk + "\xCC"), "提示" + kReplUtf8);
    EXPECT_EQ(vq::GbkToUtf16("a\xCC"), u"a\uFFFD");
    EXPECT_EQ(vq::GbkToUtf16("\xFF\xFF"
                             "b"),
              u"\uFFFD\uFFFDb");
}

TEST(TextConversion, InvalidOrUnmappableUnicodeBecomesOneReplacementEach) {
    // Truncated, overlong, lone continuation and encoded-surrogate UTF-8.
    EXPECT_EQ(vq::Utf8ToGbk("a\xE6\x8F"), "a?");
    EXPECT_EQ(vq::Utf8ToGbk("\xE6\x8F"
                            "b"),
              "?b");
    EXPECT_EQ(vq::Utf8ToGbk("\x80"
                            "c"),
              "?c");
    const std::string s = vq::Utf8ToGbk("a\xC0\xAF\xED\xA0\x80提");
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s.front(), 'a');
    EXPECT_EQ(s.substr(s.size() - 2), "\xCC\xE1");
    EXPECT_EQ(s.substr(1, s.size() - 3).find_first_not_of('?'), std::string::npos);
    // A character GBK lacks (an emoji), in UTF-8 and in UTF-16.
    EXPECT_EQ(vq::Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");
    EXPECT_EQ(vq::Utf16ToGbk(u"x\U0001F600y"), "x?y");
    // Lone surrogates.
    const std::u16string lone{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(vq::Utf16ToGbk(lone), "a?b?");
    EXPECT_EQ(vq::Utf16ToUtf8(lone), "a" + kReplUtf8 + "b" + kReplUtf8);
    EXPECT_EQ(vq::Utf8ToUtf16("a\xE6\x8F"), u"a\uFFFD");
    EXPECT_EQ(vq::Utf8ToUtf16("\xF8\x88\x80\x80\x80"), std::u16string(5, u'\uFFFD'));
}

TEST(TextConversion, LargeTextsConvertWhole) {
    std::string gbk;
    std::u16string u16;
    for (int i = 0; i < 100000; ++i) {
        gbk += kTishiGbk + "ab";
        u16 += u"提示ab";
    }
    EXPECT_EQ(vq::GbkToUtf16(gbk), u16);
    EXPECT_EQ(vq::Utf16ToGbk(u16), gbk);
    EXPECT_EQ(vq::Utf8ToGbk(vq::GbkToUtf8(gbk)), gbk);
    // Replacements take more room than the bytes they replace.
    const std::string bad(200000, '\xFF');
    const std::string utf8 = vq::GbkToUtf8(bad);
    ASSERT_EQ(utf8.size(), bad.size() * 3);
    EXPECT_EQ(utf8.substr(utf8.size() - 3), kReplUtf8);
}

TEST(TextConversion, ThreadsConvertIndependently) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 2000; ++i) {
                // Alternate directions so each thread's converters are all in use.
                if (vq::Gbk("提示") != kTishiGbk)
                    ++wrong[t];
                if (vq::GbkToUtf16(kTishiGbk + "\xFF") != u"提示\uFFFD")
                    ++wrong[t];
                if (vq::GbkToUtf8(kLoginFailGbk) != "登录失败")
                    ++wrong[t];
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(GbkCut, NeverSplitsADoubleByteCharacter) {
    EXPECT_EQ(vq::GbkCutLength(kTishiGbk, 4), 4u);
    EXPECT_EQ(vq::GbkCutLength(kTishiGbk, 3), 2u);
    // 0xE1 is also a lead byte: only walking from the start tells it is a trail here.
    EXPECT_EQ(vq::GbkCutLength(kTishiGbk, 2), 2u);
    EXPECT_EQ(vq::GbkCutLength(kTishiGbk, 1), 0u);
    EXPECT_EQ(vq::GbkCutLength(kTishiGbk, 0), 0u);
    EXPECT_EQ(vq::GbkCut("a" + kTishiGbk, 2), "a");
    EXPECT_EQ(vq::GbkCut("a" + kTishiGbk, 3), "a\xCC\xE1");
    EXPECT_EQ(vq::GbkCut("ab" + kTishiGbk, 3), "ab");
    EXPECT_EQ(vq::GbkCut("abc", 10), "abc");
    // A lead byte before a byte that cannot trail stands alone.
    EXPECT_EQ(vq::GbkCutLength("\x81"
                               "0"
                               "\xCC\xE1",
                               1),
              1u);
    EXPECT_EQ(vq::GbkCutLength("\x81"
                               "0"
                               "\xCC\xE1",
                               3),
              2u);
    // A lone lead byte at the end may be kept: it is a whole (invalid) byte.
    EXPECT_EQ(vq::GbkCutLength("ab\xCC", 3), 3u);
}

}  // namespace
