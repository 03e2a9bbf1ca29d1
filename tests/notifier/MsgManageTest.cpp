#include <gtest/gtest.h>

#include "notifier/MsgManage.h"

namespace {

struct Seg {
    TextSegment::Kind kind;
    std::u16string text;
    std::u16string target;
};

void ExpectSegments(const CMsgManage& m, const std::vector<Seg>& want) {
    for (std::size_t i = 0; i < 5; ++i) {
        const TextSegment& got = m.segments[i];
        if (i < want.size()) {
            EXPECT_EQ(got.kind, want[i].kind) << "segment " << i;
            EXPECT_EQ(got.text, want[i].text) << "segment " << i;
            EXPECT_EQ(got.target, want[i].target) << "segment " << i;
        } else {
            EXPECT_EQ(got.kind, TextSegment::kEnd) << "segment " << i;
        }
    }
}

TEST(TextParsing, PlainLinkPlain) {
    CMsgManage m;
    m.ParseText(u"New report [42|Open] today");
    ExpectSegments(m, {{TextSegment::kPlain, u"New report ", u""},
                       {TextSegment::kLink, u"Open", u"42"},
                       {TextSegment::kPlain, u" today", u""}});
}

TEST(TextParsing, TwoLinksWithTextBetweenAndAfter) {
    CMsgManage m;
    m.ParseText(u"a[1|x]b[2|y]c");
    ExpectSegments(m, {{TextSegment::kPlain, u"a", u""},
                       {TextSegment::kLink, u"x", u"1"},
                       {TextSegment::kPlain, u"b", u""},
                       {TextSegment::kLink, u"y", u"2"},
                       {TextSegment::kPlain, u"c", u""}});
    // Adjacent links with nothing after: empty middle, segment 4 stays "end".
    m.ParseText(u"[1|x][2|y]");
    ExpectSegments(m, {{TextSegment::kEmpty, u"", u""},
                       {TextSegment::kLink, u"x", u"1"},
                       {TextSegment::kEmpty, u"", u""},
                       {TextSegment::kLink, u"y", u"2"}});
}

TEST(TextParsing, LinkWithoutBarAtTheStartHasEmptyTarget) {
    CMsgManage m;
    m.ParseText(u"[label] rest");
    ExpectSegments(m, {{TextSegment::kEmpty, u"", u""},
                       {TextSegment::kLink, u"label", u""},
                       {TextSegment::kPlain, u" rest", u""}});
}

TEST(TextParsing, UnclosedBracketIsPlainText) {
    CMsgManage m;
    m.ParseText(u"see [here and there");
    ExpectSegments(m, {{TextSegment::kPlain, u"see [here and there", u""}});
    m.ParseText(u"no ] before [");
    ExpectSegments(m, {{TextSegment::kPlain, u"no ] before [", u""}});
}

TEST(TextParsing, BarAfterTheClosingBracketDoesNotSplit) {
    CMsgManage m;
    m.ParseText(u"[lab]x|y");
    ExpectSegments(m, {{TextSegment::kEmpty, u"", u""},
                       {TextSegment::kLink, u"lab", u""},
                       {TextSegment::kPlain, u"x|y", u""}});
}

TEST(TextParsing, ThirdLinkStaysPlainInTheLastSegment) {
    CMsgManage m;
    m.ParseText(u"[1|a][2|b] and [3|c]");
    EXPECT_EQ(m.segments[4].kind, TextSegment::kPlain);
    EXPECT_EQ(m.segments[4].text, u" and [3|c]");
}

TEST(TextLayout, StacksSegmentsWithGapsAfterPlainAndEmpty) {
    CMsgManage m;
    m.ParseText(u"plain words [42|go] more");
    // 11 chars -> 1 line; link "go" 1 line right below plain + 3; plain after a link: no gap.
    ASSERT_EQ(m.Layout(0, 265, 170), 16 + 3 + 16 + 16);
    EXPECT_EQ(m.segments[0].rect, (SegRect{10, 0, 275, 16}));
    EXPECT_EQ(m.segments[1].rect, (SegRect{10, 19, 275, 35}));
    EXPECT_EQ(m.segments[2].rect, (SegRect{10, 35, 275, 51}));

    m.ParseText(u"[x] y");  // the empty first piece is skipped, the link starts at the top
    ASSERT_EQ(m.Layout(30, 100, 170), 32);
    EXPECT_EQ(m.segments[1].rect.top, 30);
}

TEST(TextLayout, LinesAreTwentyTwoCharactersAndLongTextDoesNotFit) {
    CMsgManage m;
    m.ParseText(std::u16string(22, u'a'));
    EXPECT_EQ(m.Layout(0, 265, 170), 16);
    m.ParseText(std::u16string(23, u'a'));
    EXPECT_EQ(m.Layout(0, 265, 170), 32);
    // 10 lines = 160 fits under 167; 11 lines = 176 does not.
    m.ParseText(std::u16string(220, u'a'));
    EXPECT_EQ(m.Layout(0, 265, 170), 160);
    m.ParseText(std::u16string(221, u'a'));
    EXPECT_EQ(m.Layout(0, 265, 170), -1);
}

TEST(MessageNumbers, LeadingDigitsOnly) {
    EXPECT_EQ(DecimalValue(u"5"), 5);
    EXPECT_EQ(DecimalValue(u"12abc"), 12);
    EXPECT_EQ(DecimalValue(u"abc"), 0);
    EXPECT_EQ(DecimalValue(u""), 0);
    EXPECT_EQ(DecimalValue(u"-3"), 0);
    EXPECT_EQ(DecimalValue(u"99999999999999"), 2147483647);
}

}  // namespace
