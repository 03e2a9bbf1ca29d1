// One pop-up message: its text cut into at most five layout pieces (plain
// text and up to two links), where each piece sits, and what the callbacks
// hand back. No window here: parsing and layout are plain computations.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct SegRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const SegRect&, const SegRect&) = default;
};

class TextSegment {
public:
    enum Kind : std::int32_t { kLink = 0, kEnd = 1, kPlain = 2, kEmpty = 3 };

    std::u16string text;
    Kind kind = kEnd;
    std::u16string target;  // links only
    SegRect rect;
};

// Layout constants of a message inside a pop-up.
constexpr int kMsgLayoutWidth = 265;
constexpr int kMsgHeightLimit = 170;
constexpr int kCharsPerLine = 22;
constexpr int kLineHeight = 16;

class CMsgManage {
public:
    std::array<TextSegment, 5> segments;
    std::u16string caption;
    std::u16string text;
    std::uint32_t colour = 0;
    std::u16string other1, other2, other3;
    SegRect pageRect;
    int height = 0;
    int id = 0;
    int closeFlag = 0;

    // Cuts text into the segments (see the link grammar in the .cpp).
    void ParseText(std::u16string_view raw);
    // Places the segments from `top` for a width, stopping when a segment
    // would pass limit - 3 below top. Returns the height used, or -1 when the
    // text does not fit.
    int Layout(int top, int width, int limit);
};

// Leading decimal digits of a text as a number (0 when there are none), as
// the message parameters are read.
int DecimalValue(std::u16string_view s);
