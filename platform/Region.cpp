#include "platform/Region.h"

#include <algorithm>

namespace fw {

Region::Region(const Rect& r) {
    if (!r.IsEmpty()) {
        rects_.push_back(r);
    }
}

bool Region::Contains(Point p) const {
    return std::any_of(rects_.begin(), rects_.end(), [p](const Rect& r) { return r.Contains(p); });
}

Rect Region::Bounds() const {
    if (rects_.empty()) {
        return {};
    }
    Rect b = rects_.front();
    for (const Rect& r : rects_) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

long long Region::Area() const {
    long long a = 0;
    for (const Rect& r : rects_) {
        a += static_cast<long long>(r.Width()) * r.Height();
    }
    return a;
}

// Replaces every rectangle that meets `cut` by up to four pieces around it.
void Region::SubtractRect(const Rect& cut) {
    if (cut.IsEmpty()) {
        return;
    }
    std::vector<Rect> out;
    out.reserve(rects_.size() + 4);
    for (const Rect& r : rects_) {
        Rect in = r.Intersect(cut);
        if (in.IsEmpty()) {
            out.push_back(r);
            continue;
        }
        if (r.top < in.top) {
            out.push_back({r.left, r.top, r.right, in.top});
        }
        if (in.bottom < r.bottom) {
            out.push_back({r.left, in.bottom, r.right, r.bottom});
        }
        if (r.left < in.left) {
            out.push_back({r.left, in.top, in.left, in.bottom});
        }
        if (in.right < r.right) {
            out.push_back({in.right, in.top, r.right, in.bottom});
        }
    }
    rects_ = std::move(out);
}

Region& Region::Union(const Region& other) {
    for (const Rect& r : other.rects_) {
        // Keep the rectangles disjoint: add only the parts not yet covered.
        Region piece(r);
        for (const Rect& mine : rects_) {
            piece.SubtractRect(mine);
        }
        rects_.insert(rects_.end(), piece.rects_.begin(), piece.rects_.end());
    }
    return *this;
}

Region& Region::Difference(const Region& other) {
    for (const Rect& r : other.rects_) {
        SubtractRect(r);
    }
    return *this;
}

Region& Region::Intersect(const Region& other) {
    std::vector<Rect> out;
    for (const Rect& a : rects_) {
        for (const Rect& b : other.rects_) {
            Rect in = a.Intersect(b);
            if (!in.IsEmpty()) {
                out.push_back(in);
            }
        }
    }
    rects_ = std::move(out);
    return *this;
}

Region& Region::Offset(int dx, int dy) {
    for (Rect& r : rects_) {
        r = r.Offset(dx, dy);
    }
    return *this;
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
    Region r = a;
    switch (mode) {
        case RGN_AND:
            r.Intersect(b);
            break;
        case RGN_OR:
            r.Union(b);
            break;
        case RGN_DIFF:
            r.Difference(b);
            break;
        default:
            break;
    }
    return r;
}

bool operator==(const Region& a, const Region& b) {
    // Same pixel set: equal areas and nothing of one outside the other.
    if (a.Area() != b.Area()) {
        return false;
    }
    Region d = a;
    d.Difference(b);
    return d.IsEmpty();
}

}  // namespace fw
