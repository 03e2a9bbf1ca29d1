#include "skin/MyDrawBtn.h"

#include "platform/Framework.h"
#include "platform/Region.h"
#include "platform/Resources.h"

bool CDibImage::LoadResource(fw::UINT id) {
    Release();
    m_bitmap = fw::Resources::Global().LoadBitmap(id);
    if (!m_bitmap) {
        return false;
    }
    m_width = m_bitmap->Width();
    m_height = m_bitmap->Height();
    m_bpp = m_bitmap->BitsPerPixel();
    return true;
}

void CDibImage::Release() {
    m_bitmap.reset();
    m_width = m_height = m_bpp = 0;
}

void CDibImage::DrawTransparent(fw::Canvas& canvas, fw::Point at, fw::Color key) const {
    if (m_bitmap) {
        canvas.TransparentBlt(fw::Rect::FromXYWH(at.x, at.y, m_width, m_height), *m_bitmap,
                              fw::Rect{0, 0, m_width, m_height}, key);
    }
}

CMyDrawBtn::CMyDrawBtn() : m_font(fw::Font::FromPoints("Arial", 9)) {}

CMyDrawBtn::~CMyDrawBtn() = default;

void CMyDrawBtn::SetBitmaps(fw::UINT normal, fw::UINT hover, fw::UINT pressed, fw::UINT disabled) {
    const fw::UINT ids[4] = {normal & 0xFFFF, hover & 0xFFFF, pressed & 0xFFFF, disabled & 0xFFFF};
    for (int i = 0; i < 4; ++i) {
        m_images[i].LoadResource(ids[i]);
    }
}

bool CMyDrawBtn::SubclassDlgItem(fw::UINT id, fw::Window* parent) {
    if (!fw::Window::SubclassDlgItem(id, parent)) {
        return false;
    }
    PreSubclassWindow();
    return true;
}

bool CMyDrawBtn::SubclassWindow(fw::HWND hwnd) {
    if (!fw::Window::SubclassWindow(hwnd)) {
        return false;
    }
    PreSubclassWindow();
    return true;
}

void CMyDrawBtn::PreSubclassWindow() {
    SetOwnerDraw(true);
    Invalidate();
}

void CMyDrawBtn::ApplyItemState(fw::UINT itemState) {
    // Only a change of the item state is the desktop asking the button anew; a repaint of
    // the whole window keeps the state the mouse handlers chose.
    if (itemState == m_lastItemState) {
        return;
    }
    m_lastItemState = itemState;
    m_nState = kNormal;
    if ((itemState & fw::ODS_FOCUS) != 0) {
        if ((itemState & fw::ODS_SELECTED) != 0) {
            m_nState = kPressed;
        } else if (m_bHover) {
            m_nState = kHover;
        }
    }
    if ((itemState & fw::ODS_DISABLED) != 0) {
        m_nState = kDisabled;
        m_bTracking = false;
    }
}

void CMyDrawBtn::CatchUpItemState() {
    // A desktop repaints the button as soon as it is enabled, disabled or focused, before
    // the next mouse input; here pictures are composed later, so apply that owner-draw
    // call first, or it would undo what the mouse handler is about to choose.
    fw::UINT itemState = m_lastItemState & fw::ODS_SELECTED;
    if (!IsWindowEnabled()) {
        itemState |= fw::ODS_DISABLED;
    }
    if (fw::GetFocus() == GetSafeHwnd()) {
        itemState |= fw::ODS_FOCUS;
    }
    ApplyItemState(itemState);
}

void CMyDrawBtn::DrawItem(const fw::DrawItemStruct& dis) {
    if (dis.canvas == nullptr) {
        return;
    }
    ApplyItemState(dis.itemState);
    Draw(*dis.canvas);
}

void CMyDrawBtn::Draw(fw::Canvas& target) {
    const fw::Rect client = GetClientRect();
    const int w = client.Width();
    const int h = client.Height();
    if (w <= 0 || h <= 0) {
        return;
    }
    fw::Canvas memory = target.Compatible(w, h);
    if (m_bBackground && m_background) {
        memory.BitBlt(0, 0, w, h, *m_background, 0, 0);
    } else {
        // Before the first erase there is no copy yet: start from what lies beneath.
        memory.BitBlt(0, 0, w, h, target, 0, 0);
    }
    memory.SelectFont(m_font);
    m_images[m_nState & 3].DrawTransparent(memory, {0, 0}, kTransparent);
    target.BitBlt(0, 0, w, h, memory, 0, 0);
}

void CMyDrawBtn::RedrawDirect() {
    Invalidate(false);
}

bool CMyDrawBtn::CursorInside() const {
    return GetWindowRect().Contains(fw::GetCursorPos());
}

void CMyDrawBtn::HandleMouseMove(fw::UINT keys, fw::Point p) {
    (void)keys;
    (void)p;
    CatchUpItemState();
    if (!m_bHover && m_bTracking) {
        m_bHover = true;
        m_nState = kHover;
        if (CursorInside()) {
            RedrawDirect();
        }
        SetTimer(kLeaveTimer, kLeavePollMs);
    }
}

fw::LRESULT CMyDrawBtn::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    switch (message) {
        case fw::WM_MOUSEMOVE:
            HandleMouseMove(static_cast<fw::UINT>(wParam),
                            {fw::GET_X_LPARAM(lParam), fw::GET_Y_LPARAM(lParam)});
            return fw::Button::WindowProc(message, wParam, lParam);
        case fw::WM_TIMER:
            // Timer 1 is the only one a drawn button starts, so any id is the leave poll.
            CatchUpItemState();
            if (!CursorInside() && m_bHover && m_bTracking) {
                KillTimer(kLeaveTimer);
                m_bHover = false;
                m_nState = kNormal;
                RedrawDirect();
            }
            return 0;
        case fw::WM_ERASEBKGND: {
            auto* canvas = reinterpret_cast<fw::Canvas*>(wParam);
            if (!m_bBackground && canvas != nullptr) {
                const fw::Rect client = GetClientRect();
                m_background = std::make_unique<fw::Bitmap>(client.Width(), client.Height(),
                                                            fw::RGB(0, 0, 0), canvas->Scale());
                fw::Canvas copy(*m_background);
                copy.BitBlt(0, 0, client.Width(), client.Height(), *canvas, 0, 0);
                m_bBackground = true;
                SetWindowRgn(fw::Region(client), false);
            }
            return 1;
        }
        case fw::WM_SETCURSOR:
            fw::SetCursor(fw::Cursor::Hand);
            return 1;
        case fw::WM_ENABLE: {
            const fw::LRESULT r = fw::Button::WindowProc(message, wParam, lParam);
            m_bTracking = wParam != 0;
            if (!m_bTracking && m_bHover) {
                // A disabled button ignores the mouse: end the leave poll now rather than
                // polling every 10 ms for as long as it stays disabled.
                KillTimer(kLeaveTimer);
                m_bHover = false;
            }
            return r;
        }
        default:
            return fw::Button::WindowProc(message, wParam, lParam);
    }
}
