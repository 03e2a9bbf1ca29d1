#include "platform/ToolTip.h"

#include <algorithm>

#include "platform/Framework.h"
#include "platform/Internal.h"

namespace fw {

namespace {

constexpr UINT kTimerShow = 1;
constexpr UINT kTimerPop = 2;
constexpr int kPadding = 4;
constexpr int kBelowPointer = 20;

}  // namespace

bool ToolTipCtrl::Create(Window* owner) {
    if (owner == nullptr || !owner->IsWindow()) {
        return false;
    }
    owner_ = owner->GetSafeHwnd();
    // A tip never takes the keyboard or the activation from the window it explains.
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "", WS_POPUP | WS_BORDER, Rect{0, 0, 1, 1},
                    owner);
}

bool ToolTipCtrl::AddTool(UINT id, const Rect& rect, const std::string& text) {
    if (!IsWindow()) {
        return false;
    }
    auto it = std::find_if(tools_.begin(), tools_.end(), [&](const Tool& t) { return t.id == id; });
    if (it != tools_.end()) {
        *it = Tool{id, rect, text};
    } else {
        tools_.push_back(Tool{id, rect, text});
    }
    return true;
}

bool ToolTipCtrl::GetToolText(UINT id, std::string& text) const {
    for (const Tool& t : tools_) {
        if (t.id == id) {
            text = t.text;
            return true;
        }
    }
    return false;
}

bool ToolTipCtrl::ToolTextAt(Point p, std::string& text) const {
    const Tool* t = ToolAt(p);
    if (t == nullptr) {
        return false;
    }
    text = t->text;
    return true;
}

bool ToolTipCtrl::GetToolRect(UINT id, Rect& rect) const {
    for (const Tool& t : tools_) {
        if (t.id == id) {
            rect = t.rect;
            return true;
        }
    }
    return false;
}

void ToolTipCtrl::SetTipTextColor(Color color) {
    textColor_ = color;
    Invalidate();
}

const ToolTipCtrl::Tool* ToolTipCtrl::ToolAt(Point p) const {
    for (const Tool& t : tools_) {
        if (t.rect.Contains(p)) {
            return &t;
        }
    }
    return nullptr;
}

void ToolTipCtrl::RelayEvent(const Msg& msg) {
    if (!IsWindow()) {
        return;
    }
    const Point p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    switch (msg.id) {
        case WM_MOUSEMOVE: {
            lastPoint_ = p;
            const Tool* tool = ToolAt(p);
            if (tool == nullptr) {
                Hide();
            } else if (tool->id == shown_) {
                // Resting on the tool that shows.
            } else if (shown_ != 0) {
                Show(*tool);  // from one tool to the next while a tip shows: no new wait
            } else if (tool->id != pending_) {
                pending_ = tool->id;
                SetTimer(kTimerShow, kInitialDelayMs);
            }
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSELEAVE:
            Hide();
            break;
        default:
            break;
    }
}

void ToolTipCtrl::Show(const Tool& tool) {
    KillTimer(kTimerShow);
    pending_ = 0;
    Window* owner = FromHandle(owner_);
    if (owner == nullptr) {
        return;
    }
    // Text is measured by the font's cell: the tips are short codes.
    const Font font = GetFont();
    const int charWidth = std::max(1, font.pixelHeight / 2 + 1);
    const int width = detail::CharCount(tool.text) * charWidth + 2 * kPadding;
    const int height = font.pixelHeight + 2 * kPadding;
    const Point at = owner->ClientToScreen(Point{lastPoint_.x, lastPoint_.y + kBelowPointer});
    shown_ = tool.id;
    SetWindowText(tool.text);
    SetWindowPos(HWND_TOPMOST, at.x, at.y, width, height, SWP_NOACTIVATE);
    ShowWindow(SW_SHOWNOACTIVATE);
    Invalidate();
    SetTimer(kTimerPop, kAutoPopMs);
}

void ToolTipCtrl::Hide() {
    KillTimer(kTimerShow);
    KillTimer(kTimerPop);
    pending_ = 0;
    if (shown_ != 0) {
        shown_ = 0;
        ShowWindow(SW_HIDE);
    }
}

void ToolTipCtrl::OnTimer(UINT id) {
    if (id == kTimerShow) {
        KillTimer(kTimerShow);
        for (const Tool& t : tools_) {
            if (t.id == pending_) {
                const Tool tool = t;
                Show(tool);
                return;
            }
        }
        pending_ = 0;
    } else if (id == kTimerPop) {
        Hide();
    }
}

bool ToolTipCtrl::OnEraseBkgnd(Canvas& canvas) {
    canvas.FillSolidRect(canvas.ClientRect(), kDefaultBackColor);
    return true;
}

void ToolTipCtrl::OnPaint(Canvas& canvas) {
    const Rect client = canvas.ClientRect();
    canvas.FrameRect(client, RGB(118, 118, 118));
    canvas.SelectFont(GetFont());
    canvas.SetBkMode(TRANSPARENT);
    canvas.SetTextColor(textColor_);
    canvas.DrawText(GetWindowText(), client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace fw
