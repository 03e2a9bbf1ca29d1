#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "platform/Resources.h"
#include "platform/core/Text.h"

namespace fw {

namespace {

std::mutex& RendererLock() {
    static std::mutex m;
    return m;
}
TextRenderer& Renderer() {
    static TextRenderer r;
    return r;
}

}  // namespace

void SetTextRenderer(TextRenderer renderer) {
    std::lock_guard<std::mutex> lock(RendererLock());
    Renderer() = std::move(renderer);
}

Font Font::FromPoints(std::string face, int points, int weight, bool underline) {
    Font f;
    f.face = std::move(face);
    f.pixelHeight = (points * 96 + 36) / 72;
    f.weight = weight;
    f.underline = underline;
    return f;
}

Font Font::FromHeight(std::string face, int pixelHeight, int weight, bool underline) {
    Font f;
    f.face = std::move(face);
    f.pixelHeight = pixelHeight < 0 ? -pixelHeight : pixelHeight;
    f.weight = weight;
    f.underline = underline;
    return f;
}

Font Font::DefaultGui(bool underline) {
    return FromPoints("MS Shell Dlg", 8, FW_NORMAL, underline);
}

Canvas::Canvas(int width, int height, Color fill, int scale)
    : owned_(std::make_unique<Bitmap>(width, height, fill, scale)),
      target_(owned_.get()),
      clip_{0, 0, owned_->Width(), owned_->Height()},
      texts_(std::make_shared<std::vector<TextRecord>>()) {}

Canvas::Canvas(Bitmap& target)
    : target_(&target),
      clip_{0, 0, target.Width(), target.Height()},
      texts_(std::make_shared<std::vector<TextRecord>>()) {}

Canvas::Canvas(Bitmap& target, const Canvas& parent, int dx, int dy)
    : target_(&target),
      clip_{0, 0, target.Width(), target.Height()},
      texts_(parent.texts_),
      logDx_(parent.logDx_ + dx),
      logDy_(parent.logDy_ + dy) {}

void Canvas::SetClip(const Rect& r) {
    const Rect all{0, 0, Width(), Height()};
    clip_ = r.IsEmpty() ? all : r.Intersect(all);
}

Rect Canvas::ToDevice(const Rect& r) const {
    const int s = Scale();
    return {r.left * s, r.top * s, r.right * s, r.bottom * s};
}

void Canvas::Blend(int x, int y, Color c) {
    if (clip_.Contains({x, y})) {
        target_->SetPixel(x, y, c);
    }
}

void Canvas::SetPixel(int x, int y, Color c) {
    Blend(x, y, c);
}

void Canvas::FillSolidRect(const Rect& r, Color c) {
    const Rect in = ToDevice(r.Intersect(clip_));
    const std::uint32_t px = ColorToPixel(c);
    for (int y = in.top; y < in.bottom; ++y) {
        std::fill(target_->Row(y) + in.left, target_->Row(y) + in.right, px);
    }
}

void Canvas::FrameRect(const Rect& r, Color c) {
    Draw3dRect(r, c, c);
}

void Canvas::Draw3dRect(const Rect& r, Color topLeft, Color bottomRight) {
    if (r.IsEmpty()) {
        return;
    }
    FillSolidRect({r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillSolidRect({r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void Canvas::Rectangle(const Rect& r, Color pen, Color fill) {
    FillSolidRect(r, fill);
    FrameRect(r, pen);
}

void Canvas::Ellipse(const Rect& r, Color pen, Color fill) {
    if (r.IsEmpty()) {
        return;
    }
    // Worked out on device pixels, so the curve is as smooth as the scale allows; the pen
    // stays one logical pixel wide.
    const int s = Scale();
    const Rect d = ToDevice(r);
    const Rect area = d.Intersect(ToDevice(clip_));
    const double a = d.Width() / 2.0;
    const double b = d.Height() / 2.0;
    const double cx = d.left + a;
    const double cy = d.top + b;
    auto inside = [&](int x, int y) {
        if (x < d.left || x >= d.right || y < d.top || y >= d.bottom) {
            return false;
        }
        const double dx = (x + 0.5 - cx) / a;
        const double dy = (y + 0.5 - cy) / b;
        return dx * dx + dy * dy <= 1.0;
    };
    const std::uint32_t penPx = ColorToPixel(pen);
    const std::uint32_t fillPx = ColorToPixel(fill);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!inside(x, y)) {
                continue;
            }
            const bool edge =
                !inside(x - s, y) || !inside(x + s, y) || !inside(x, y - s) || !inside(x, y + s);
            target_->Row(y)[x] = edge ? penPx : fillPx;
        }
    }
}

void Canvas::Line(Point from, Point to, Color c) {
    int x0 = from.x, y0 = from.y;
    const int dx = std::abs(to.x - x0), sx = x0 < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - y0), sy = y0 < to.y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Blend(x0, y0, c);
        if (x0 == to.x && y0 == to.y) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::DrawButtonFrame(const Rect& r, bool pushed) {
    const Color face = RGB(240, 240, 240), light = RGB(255, 255, 255), shadow = RGB(160, 160, 160);
    FillSolidRect(r, face);
    if (pushed) {
        Draw3dRect(r, shadow, light);
    } else {
        Draw3dRect(r, light, shadow);
    }
}

void Canvas::BitBlt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy) {
    if (src.IsNull()) {
        return;
    }
    // Clip the destination, then the source, keeping both in step.
    Rect dst = Rect::FromXYWH(x, y, w, h).Intersect(clip_);
    const Rect srcArea = Rect::FromXYWH(sx, sy, w, h).Intersect({0, 0, src.Width(), src.Height()});
    dst = dst.Intersect(srcArea.Offset(x - sx, y - sy));
    if (dst.IsEmpty()) {
        return;
    }
    const int s = Scale();
    const Bitmap& from = src.VariantFor(s);
    const int fs = from.Scale();
    const Rect out = ToDevice(dst);
    for (int yy = out.top; yy < out.bottom; ++yy) {
        // Device offsets map back through the logical grid, so a smaller source scale
        // repeats each source pixel and a larger one takes every fs/s-th.
        const int fy = sy * fs + (yy - y * s) * fs / s;
        const std::uint32_t* row = from.Row(fy);
        std::uint32_t* dest = target_->Row(yy);
        if (fs == s) {
            const std::uint32_t* first = row + (out.left - x * s + sx * s);
            std::copy(first, first + out.Width(), dest + out.left);
            continue;
        }
        if (s % fs == 0) {
            // Whole enlargement: each source pixel repeated k times across, and each row
            // after the first of its group a copy of the one above.
            const int k = s / fs;
            if (yy > out.top && (yy - y * s) % k != 0) {
                const std::uint32_t* above = target_->Row(yy - 1);
                std::copy(above + out.left, above + out.right, dest + out.left);
                continue;
            }
            int xx = out.left;
            const int off = xx - x * s;
            const std::uint32_t* sp = row + sx * fs + off / k;
            if (off % k != 0) {
                for (int n = std::min(k - off % k, out.right - xx); n > 0; --n) {
                    dest[xx++] = *sp;
                }
                ++sp;
            }
            for (; xx + k <= out.right; xx += k, ++sp) {
                std::fill_n(dest + xx, k, *sp);
            }
            for (; xx < out.right; ++xx) {
                dest[xx] = *sp;
            }
            continue;
        }
        for (int xx = out.left; xx < out.right; ++xx) {
            dest[xx] = row[sx * fs + (xx - x * s) * fs / s];
        }
    }
}

namespace {

// Nearest-neighbour mapping of device pixels of `dest` (device rectangle, `area` the part to
// draw) onto device pixels of `srcRect` (device rectangle of `src`).
template <typename Put>
void Stretch(const Rect& dest, const Bitmap& src, const Rect& srcRect, const Rect& area, Put put) {
    if (src.IsNull() || dest.IsEmpty() || srcRect.IsEmpty()) {
        return;
    }
    const int sw = src.DeviceWidth();
    const int sh = src.DeviceHeight();
    if (area.IsEmpty()) {
        return;
    }
    // The source column of every destination column, worked out once.
    std::vector<int> columns(std::size_t(area.Width()));
    for (int x = area.left; x < area.right; ++x) {
        const long long sx =
            srcRect.left + (static_cast<long long>(x - dest.left) * srcRect.Width()) / dest.Width();
        columns[std::size_t(x - area.left)] = sx < 0 || sx >= sw ? -1 : int(sx);
    }
    for (int y = area.top; y < area.bottom; ++y) {
        const long long sy =
            srcRect.top + (static_cast<long long>(y - dest.top) * srcRect.Height()) / dest.Height();
        if (sy < 0 || sy >= sh) {
            continue;
        }
        const std::uint32_t* row = src.Row(int(sy));
        for (int x = area.left; x < area.right; ++x) {
            const int sx = columns[std::size_t(x - area.left)];
            if (sx >= 0) {
                put(x, y, row[sx]);
            }
        }
    }
}

}  // namespace

void Canvas::StretchBlt(const Rect& dest, const Bitmap& src, const Rect& srcRect) {
    if (src.IsNull()) {
        return;
    }
    const Bitmap& from = src.VariantFor(Scale());
    const int fs = from.Scale();
    const Rect fromRect{srcRect.left * fs, srcRect.top * fs, srcRect.right * fs,
                        srcRect.bottom * fs};
    Stretch(ToDevice(dest), from, fromRect, ToDevice(dest.Intersect(clip_)),
            [this](int x, int y, std::uint32_t px) { target_->Row(y)[x] = px; });
}

void Canvas::TransparentBlt(const Rect& dest, const Bitmap& src, const Rect& srcRect, Color key) {
    if (src.IsNull()) {
        return;
    }
    const std::uint32_t keyPx = ColorToPixel(key) & 0x00FFFFFFu;
    const Bitmap& from = src.VariantFor(Scale());
    const int fs = from.Scale();
    const Rect fromRect{srcRect.left * fs, srcRect.top * fs, srcRect.right * fs,
                        srcRect.bottom * fs};
    Stretch(ToDevice(dest), from, fromRect, ToDevice(dest.Intersect(clip_)),
            [this, keyPx](int x, int y, std::uint32_t px) {
                if ((px & 0x00FFFFFFu) != keyPx) {
                    target_->Row(y)[x] = px;
                }
            });
}

void Canvas::DrawIcon(int x, int y, HICON icon) {
    if (icon == 0) {
        return;
    }
    if (auto bmp = Resources::Global().LoadIcon(icon)) {
        DrawBitmap(x, y, *bmp);
    }
}

Color Canvas::SetTextColor(Color c) {
    const Color old = textColor_;
    textColor_ = c;
    return old;
}

int Canvas::SetBkMode(int mode) {
    const int old = bkMode_;
    bkMode_ = mode;
    return old;
}

void Canvas::DrawText(const std::string& text, const Rect& r, UINT format) {
    EmitText(TextRecord{text, r, font_, textColor_, format, bkMode_, bkColor_});
}

void Canvas::DrawText(const std::u16string& text, const Rect& r, UINT format) {
    TextRecord rec{vq::Utf16ToGbk(text), r, font_, textColor_, format, bkMode_, bkColor_};
    rec.wide = text;
    EmitText(std::move(rec));
}

void Canvas::EmitText(TextRecord rec) {
    const Rect r = rec.rect;
    TextRenderer renderer;
    {
        std::lock_guard<std::mutex> lock(RendererLock());
        renderer = Renderer();
    }
    if (renderer) {
        renderer(*target_, clip_, rec);
    }
    rec.rect = r.Offset(logDx_, logDy_);
    texts_->push_back(std::move(rec));
}

void Canvas::TextOut(int x, int y, const std::string& text) {
    DrawText(text, Rect{x, y, Width(), y + font_.pixelHeight + 4}, DT_LEFT | DT_SINGLELINE);
}

}  // namespace fw
