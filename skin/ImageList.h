#pragma once
// A list of same-sized pictures with a transparency mask, as the skin's four lists and
// the emoticon pictures use them. Pixels of the colour given when an image is added are
// transparent: drawing leaves them out.

#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Types.h"

class CImageList {
public:
    static constexpr fw::UINT ILC_MASK = 0x0001;
    static constexpr fw::UINT ILC_COLOR8 = 0x0008;
    static constexpr fw::UINT ILC_COLOR32 = 0x0020;

    // cx, cy: the size of every image; flags: ILC_*; initial and grow only reserve room.
    bool Create(int cx, int cy, fw::UINT flags, int initial, int grow);
    bool IsCreated() const { return m_cx > 0 && m_cy > 0; }
    void DeleteImageList();

    // Cuts `strip` into images of the list's width, left to right (a narrower rest is
    // dropped), marking pixels of colour `mask` transparent. The strip's 2x picture, when it
    // has one and the list is masked, is cut alongside and drawn on canvases at an even
    // scale. Returns the index of the first new image, or -1 when nothing was added.
    int Add(const fw::Bitmap& strip, fw::Color mask);

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    fw::Size GetImageSize() const { return {m_cx, m_cy}; }
    fw::UINT Flags() const { return m_flags; }

    // Draws image `index` with its top-left corner at `at`, transparent pixels left out.
    bool Draw(fw::Canvas& canvas, int index, fw::Point at) const;
    // The image's own colours, its transparent pixels set to `under`.
    fw::Bitmap Render(int index, fw::Color under) const;
    bool IsTransparent(int index, int x, int y) const;

private:
    struct Image {
        fw::Bitmap pixels;  // with the strip's 2x cut attached when it had one (masked lists)
        std::vector<bool> transparent;
        fw::Color mask = 0;
    };
    int m_cx = 0;
    int m_cy = 0;
    fw::UINT m_flags = 0;
    std::vector<Image> m_images;
};
