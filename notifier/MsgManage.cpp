#include "notifier/MsgManage.h"

#include <climits>

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

// A link is "[" [target "|"] label "]"; a and b are the bracket positions.
void SetLink(TextSegment& seg, std::u16string_view raw, std::size_t a, std::size_t b) {
    const std::size_t bar = raw.find(u'|', a + 1);
    std::u16string_view target, label;
    if (bar != npos && bar < b) {
        target = raw.substr(a + 1, bar - a - 1);
        label = raw.substr(bar + 1, b - bar - 1);
    } else {
        label = raw.substr(a + 1, b - a - 1);
    }
    seg.target.assign(target);
    seg.text.assign(label);
    seg.kind = label.empty() ? TextSegment::kEmpty : TextSegment::kLink;
}

void SetPlain(TextSegment& seg, std::u16string_view s) {
    seg.text.assign(s);
    seg.target.clear();
    seg.kind = TextSegment::kPlain;
}

void SetEmpty(TextSegment& seg) {
    seg.text.clear();
    seg.target.clear();
    seg.kind = TextSegment::kEmpty;
}

}  // namespace

void CMsgManage::ParseText(std::u16string_view raw) {
    for (TextSegment& s : segments)
        s = TextSegment{};
    text.assign(raw);
    const std::size_t a = raw.find(u'[');
    const std::size_t b = a == npos ? npos : raw.find(u']', a);
    if (a == npos || b == npos) {
        SetPlain(segments[0], raw);
        return;
    }
    if (a == 0) {
        SetEmpty(segments[0]);
    } else {
        SetPlain(segments[0], raw.substr(0, a));
    }
    SetLink(segments[1], raw, a, b);

    const std::size_t c = raw.find(u'[', b + 1);
    const std::size_t d = c == npos ? npos : raw.find(u']', c);
    if (c != npos && d != npos) {
        if (c == b + 1) {
            SetEmpty(segments[2]);
        } else {
            SetPlain(segments[2], raw.substr(b + 1, c - b - 1));
        }
        SetLink(segments[3], raw, c, d);
        if (d + 1 < raw.size())
            SetPlain(segments[4], raw.substr(d + 1));
        // else segment 4 stays "end"
    } else {
        SetPlain(segments[2], raw.substr(b + 1));
    }
}

int CMsgManage::Layout(int top, int width, int limit) {
    int bottom = top;
    bool first = true;
    TextSegment::Kind previous = TextSegment::kEnd;
    for (TextSegment& seg : segments) {
        if (seg.kind == TextSegment::kEnd)
            break;
        if (seg.kind == TextSegment::kEmpty) {
            previous = seg.kind;
            continue;
        }
        const int lines = static_cast<int>((seg.text.size() + kCharsPerLine - 1) / kCharsPerLine);
        int segTop = bottom;
        if (!first && previous != TextSegment::kLink)
            segTop += 3;
        const int segBottom = segTop + lines * kLineHeight;
        if (segTop - top > limit - 3 || segBottom - top > limit - 3)
            return -1;
        seg.rect = {10, segTop, width + 10, segBottom};
        bottom = segBottom;
        first = false;
        previous = seg.kind;
    }
    return bottom - top;
}

int DecimalValue(std::u16string_view s) {
    long long v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9')
            break;
        v = v * 10 + (c - u'0');
        if (v > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(v);
}
