#pragma once
// A window shape: a set of pixels kept as disjoint rectangles. Window corners are cut a
// pixel at a time, so the operations stay simple and exact rather than fast.

#include <vector>

#include "platform/Types.h"

namespace fw {

class Region {
public:
    Region() = default;
    explicit Region(const Rect& r);

    static Region FromRect(int left, int top, int right, int bottom) {
        return Region(Rect{left, top, right, bottom});
    }

    bool IsEmpty() const { return rects_.empty(); }
    bool Contains(Point p) const;
    Rect Bounds() const;
    long long Area() const;
    const std::vector<Rect>& Rects() const { return rects_; }

    // In-place set operations; each returns *this for chaining.
    Region& Union(const Region& other);
    Region& Difference(const Region& other);
    Region& Intersect(const Region& other);
    Region& Offset(int dx, int dy);

    // The classic combine call: mode is one of the RGN_* values below.
    static Region Combine(const Region& a, const Region& b, int mode);

    friend bool operator==(const Region& a, const Region& b);

private:
    void SubtractRect(const Rect& cut);
    std::vector<Rect> rects_;  // disjoint, non-empty
};

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_DIFF = 4;

}  // namespace fw
