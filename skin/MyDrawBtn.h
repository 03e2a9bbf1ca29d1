#pragma once
// Bitmap buttons. A dialog takes over one of its push buttons with SubclassDlgItem and
// calls SetBitmaps once; the button then shows one of four bitmaps of the program's
// resources by state (normal, mouse over, pressed, disabled), drawn over a copy of the
// parent's background taken at the first erase, with magenta left out. The label is part
// of the bitmaps: the button draws no text.
//
// Mouse over: the first mouse move shows the hover bitmap at once and starts a 10 ms
// poll (timer 1) that restores the normal bitmap once the cursor has left the window.
// The owner-draw call derives the state from the item state: pressed or hovered only
// while the button has the focus, disabled whenever it is disabled.
//
// Pictures here are composed by the framework on every repaint, so "drawing directly"
// from a mouse handler means: keep the state the handler chose and repaint; the next
// owner-draw call recomputes the state only when the item state (pressed, focus, enabled)
// has changed since the previous one, as a desktop would only then ask the button again.

#include <memory>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Window.h"

// A bitmap with its width, height and bit depth, loaded from the program's resources.
class CDibImage {
public:
    bool LoadResource(fw::UINT id);
    void Release();
    bool IsNull() const { return m_bitmap == nullptr; }
    const fw::Bitmap* Get() const { return m_bitmap.get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitsPerPixel() const { return m_bpp; }
    // Draws the bitmap at its own size at `at`, leaving out pixels of colour `key`.
    void DrawTransparent(fw::Canvas& canvas, fw::Point at, fw::Color key) const;

private:
    std::shared_ptr<const fw::Bitmap> m_bitmap;
    int m_width = 0;
    int m_height = 0;
    int m_bpp = 0;
};

class CMyDrawBtn : public fw::Button {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };
    static constexpr fw::UINT kLeaveTimer = 1;
    static constexpr fw::UINT kLeavePollMs = 10;
    static constexpr fw::Color kTransparent = fw::RGB(255, 0, 255);

    CMyDrawBtn();
    ~CMyDrawBtn() override;

    // The four bitmap resources in state order; a missing id leaves that state empty
    // (it then shows the background alone).
    void SetBitmaps(fw::UINT normal, fw::UINT hover, fw::UINT pressed, fw::UINT disabled);
    // Taking over a button makes it owner-drawn and repaints it.
    bool SubclassDlgItem(fw::UINT id, fw::Window* parent);
    bool SubclassWindow(fw::HWND hwnd);

    void DrawItem(const fw::DrawItemStruct& dis) override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;

    int GetState() const { return m_nState; }
    bool IsHovering() const { return m_bHover; }
    bool IsTrackingEnabled() const { return m_bTracking; }
    bool HasBackground() const { return m_bBackground; }
    const CDibImage& Image(int state) const { return m_images[state & 3]; }

protected:
    // The mouse-move handling of the design; CSkinBtn adds to it.
    virtual void HandleMouseMove(fw::UINT keys, fw::Point p);
    void PreSubclassWindow();
    // Composes the current state's bitmap over the background copy onto `target`.
    void Draw(fw::Canvas& target);
    // Repaints with the state as it stands (what the design's direct drawing does).
    void RedrawDirect();
    bool CursorInside() const;
    // The state computation of the owner-draw call, run when the item state changed.
    void ApplyItemState(fw::UINT itemState);
    void CatchUpItemState();

    CDibImage m_images[4];
    int m_nState = kNormal;
    bool m_bHover = false;
    bool m_bTracking = true;
    bool m_bBackground = false;
    fw::Font m_font;
    std::unique_ptr<fw::Bitmap> m_background;

private:
    // An enabled button without focus is what the state starts from.
    fw::UINT m_lastItemState = 0;
};
