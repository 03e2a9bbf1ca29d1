#include "skin/SkinFrame.h"

#include "platform/Framework.h"
#include "platform/Resources.h"
#include "skin/CutCornerRegion.h"

namespace {
enum Piece { kTopLeft, kTop, kTopRight, kBottomLeft, kBottom, kBottomRight };
}  // namespace

void CSkinFrame::Load(const std::array<fw::UINT, 6>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        pieces_[i] = fw::Resources::Global().LoadBitmap(ids[i]);
    }
}

void CSkinFrame::Paint(fw::Canvas& canvas, const fw::Rect& rc) const {
    canvas.FillSolidRect(rc, fw::RGB(255, 255, 255));
    auto size = [&](Piece p) {
        return pieces_[p] ? fw::Size{pieces_[p]->Width(), pieces_[p]->Height()} : fw::Size{};
    };
    const fw::Size tl = size(kTopLeft), tr = size(kTopRight);
    const fw::Size bl = size(kBottomLeft), br = size(kBottomRight);
    if (const auto& b = pieces_[kTopLeft]) {
        canvas.DrawBitmap(rc.left, rc.top, *b);
    }
    if (const auto& b = pieces_[kTop]) {
        canvas.StretchBlt(fw::Rect{rc.left + tl.cx, rc.top, rc.right - tr.cx, rc.top + tl.cy}, *b,
                          fw::Rect{0, 0, b->Width(), b->Height()});
    }
    if (const auto& b = pieces_[kTopRight]) {
        canvas.DrawBitmap(rc.right - tr.cx, rc.top, *b);
    }
    if (const auto& b = pieces_[kBottomLeft]) {
        canvas.DrawBitmap(rc.left, rc.bottom - bl.cy, *b);
    }
    if (const auto& b = pieces_[kBottom]) {
        canvas.StretchBlt(
            fw::Rect{rc.left + bl.cx, rc.bottom - b->Height(), rc.right - br.cx, rc.bottom}, *b,
            fw::Rect{0, 0, b->Width(), b->Height()});
    }
    if (const auto& b = pieces_[kBottomRight]) {
        canvas.DrawBitmap(rc.right - br.cx, rc.bottom - br.cy, *b);
    }
}

bool PaintSkinBackground(fw::Window& window, fw::Canvas& canvas, fw::UINT bitmapId,
                         bool cutCorners) {
    const auto bitmap = fw::Resources::Global().LoadBitmap(bitmapId);
    if (!bitmap) {
        return false;
    }
    canvas.DrawBitmap(0, 0, *bitmap);
    if (cutCorners) {
        CutCornerRegion(&window, &canvas);
    }
    return true;
}

void BeginSkinDrag(fw::Window& window) {
    fw::SetDragFullWindows(true);
    window.StartSystemMove();
}
