#pragma once
// A window's picture at a scale: what RenderWindowWithout makes, with `scale` device pixels
// for each logical one (1 to Bitmap::kMaxScale). Backends showing windows on a screen with
// more device pixels than logical ones ask for this; everything else stays at scale 1.

#include <functional>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Types.h"

namespace fw {

// Leaves out the children `shownElsewhere` names (none when it is empty); `texts` receives
// the text records, in logical coordinates.
Bitmap RenderWindowAtScale(HWND hwnd, int scale, std::vector<TextRecord>& texts,
                           const std::function<bool(HWND)>& shownElsewhere = {});

}  // namespace fw
