#pragma once
// What every skinned, captionless window shares: the six-piece frame of the large windows,
// a bitmap background with the corners cut, and moving the window by a press anywhere.

#include <array>
#include <memory>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Window.h"

// The frame of the 1005-pixel windows (outside sites, article viewer, board message), in
// loading order: top-left, top edge, top-right, bottom-left, bottom edge, bottom-right.
inline constexpr std::array<fw::UINT, 6> kPageFrameBitmaps = {231, 232, 233, 229, 234, 230};

class CSkinFrame {
public:
    // Loads the six pieces by resource id in the order above.
    void Load(const std::array<fw::UINT, 6>& ids = kPageFrameBitmaps);
    // Paints white, then the corners at their own size and the two edges stretched between
    // them, over the whole of `client`.
    void Paint(fw::Canvas& canvas, const fw::Rect& client) const;

private:
    std::array<std::shared_ptr<const fw::Bitmap>, 6> pieces_;
};

// Draws bitmap `bitmapId` at the origin of `canvas` and, with `cutCorners`, gives `window`
// the corner-cut shape of that picture. False when the bitmap is missing.
bool PaintSkinBackground(fw::Window& window, fw::Canvas& canvas, fw::UINT bitmapId,
                         bool cutCorners);

// A left-button press on a captionless window: full-window dragging on, then the system move.
void BeginSkinDrag(fw::Window& window);
