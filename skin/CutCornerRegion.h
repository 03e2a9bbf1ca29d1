#pragma once
// The window shape of the skinned dialogs: the client rectangle less every magenta pixel
// of the four 6 x 6 corner squares of the drawn background.

#include "platform/Canvas.h"
#include "platform/Region.h"
#include "platform/Window.h"

constexpr int kCornerSize = 6;
constexpr fw::Color kCornerKey = fw::RGB(255, 0, 255);

// The shape for a client area of `width` x `height` drawn on `background`.
fw::Region CornerRegion(int width, int height, const fw::Canvas& background);
// Gives `window` that shape. Dialogs call it right after drawing their background.
void CutCornerRegion(fw::Window* window, const fw::Canvas* background);
