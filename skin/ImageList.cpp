#include "skin/ImageList.h"

#include <algorithm>

bool CImageList::Create(int cx, int cy, fw::UINT flags, int initial, int grow) {
    DeleteImageList();
    if (cx <= 0 || cy <= 0) {
        return false;
    }
    m_cx = cx;
    m_cy = cy;
    m_flags = flags;
    m_images.reserve(static_cast<std::size_t>(std::max(0, initial) + std::max(0, grow)));
    return true;
}

void CImageList::DeleteImageList() {
    m_images.clear();
    m_cx = 0;
    m_cy = 0;
    m_flags = 0;
}

int CImageList::Add(const fw::Bitmap& strip, fw::Color mask) {
    if (!IsCreated() || strip.IsNull()) {
        return -1;
    }
    const int count = strip.Width() / m_cx;
    if (count == 0) {
        return -1;
    }
    const int first = GetImageCount();
    for (int i = 0; i < count; ++i) {
        Image img{fw::Bitmap(m_cx, m_cy), std::vector<bool>(std::size_t(m_cx) * std::size_t(m_cy))};
        for (int y = 0; y < m_cy; ++y) {
            for (int x = 0; x < m_cx; ++x) {
                const std::size_t at = std::size_t(y) * std::size_t(m_cx) + std::size_t(x);
                // Rows the strip does not have stay transparent.
                if (y >= strip.Height()) {
                    img.transparent[at] = true;
                    continue;
                }
                const fw::Color c = strip.GetPixel(i * m_cx + x, y);
                img.pixels.SetPixel(x, y, c);
                img.transparent[at] = (m_flags & ILC_MASK) != 0 && c == mask;
            }
        }
        // The strip's drawn 2x picture, cut the same way, for canvases at an even scale.
        if (const auto& twice = strip.DoubleSize(); twice && (m_flags & ILC_MASK) != 0) {
            fw::Bitmap cut(2 * m_cx, 2 * m_cy, mask);
            const int left = 2 * i * m_cx;
            for (int y = 0; y < std::min(2 * m_cy, twice->DeviceHeight()); ++y) {
                for (int x = 0; x < 2 * m_cx; ++x) {
                    cut.Row(y)[x] = twice->Row(y)[left + x];
                }
            }
            img.pixels.AttachDoubleSize(cut);
        }
        img.mask = mask;
        m_images.push_back(std::move(img));
    }
    return first;
}

bool CImageList::IsTransparent(int index, int x, int y) const {
    if (index < 0 || index >= GetImageCount() || x < 0 || y < 0 || x >= m_cx || y >= m_cy) {
        return true;
    }
    return m_images[std::size_t(index)]
        .transparent[std::size_t(y) * std::size_t(m_cx) + std::size_t(x)];
}

bool CImageList::Draw(fw::Canvas& canvas, int index, fw::Point at) const {
    if (index < 0 || index >= GetImageCount()) {
        return false;
    }
    const Image& img = m_images[std::size_t(index)];
    if (img.pixels.DoubleSize() && canvas.Scale() % 2 == 0) {
        canvas.TransparentBlt({at.x, at.y, at.x + m_cx, at.y + m_cy}, img.pixels,
                              {0, 0, m_cx, m_cy}, img.mask);
        return true;
    }
    for (int y = 0; y < m_cy; ++y) {
        for (int x = 0; x < m_cx; ++x) {
            if (!img.transparent[std::size_t(y) * std::size_t(m_cx) + std::size_t(x)]) {
                canvas.SetPixel(at.x + x, at.y + y, img.pixels.GetPixel(x, y));
            }
        }
    }
    return true;
}

fw::Bitmap CImageList::Render(int index, fw::Color under) const {
    if (index < 0 || index >= GetImageCount()) {
        return fw::Bitmap();
    }
    fw::Bitmap out(m_cx, m_cy, under);
    fw::Canvas canvas(out);
    Draw(canvas, index, {0, 0});
    return out;
}
