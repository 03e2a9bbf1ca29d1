#include "skin/CutCornerRegion.h"

fw::Region CornerRegion(int width, int height, const fw::Canvas& background) {
    fw::Region region(fw::Rect{0, 0, width, height});
    const int xs[2] = {0, width - kCornerSize};
    const int ys[2] = {0, height - kCornerSize};
    for (int cy : ys) {
        for (int cx : xs) {
            for (int y = cy; y < cy + kCornerSize; ++y) {
                for (int x = cx; x < cx + kCornerSize; ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height) {
                        continue;
                    }
                    if (background.GetPixel(x, y) == kCornerKey) {
                        region.Difference(fw::Region(fw::Rect{x, y, x + 1, y + 1}));
                    }
                }
            }
        }
    }
    return region;
}

void CutCornerRegion(fw::Window* window, const fw::Canvas* background) {
    if (window == nullptr || background == nullptr) {
        return;
    }
    const fw::Rect client = window->GetClientRect();
    const fw::Region region = CornerRegion(client.Width(), client.Height(), *background);
    // Dialogs call this from their erase handler: setting the same shape again would only
    // ask for another repaint, and so another erase.
    if (window->HasWindowRgn() && window->GetWindowRgn() == region) {
        return;
    }
    window->SetWindowRgn(region);
}
