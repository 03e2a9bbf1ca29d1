// What the user does, as the backends report it. Each action goes through the same path
// as on a desktop: the top-level window's PreTranslateMessage first, then the window.

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Internal.h"

namespace fw::input {

using namespace fw::detail;

namespace {

WindowData* TopOf(WindowData* d) {
    while (d != nullptr && d->IsChild()) {
        d = Find(d->parent);
    }
    return d;
}

bool PreTranslate(HWND target, const Msg& msg) {
    WindowData* top = TopOf(Find(target));
    if (top == nullptr || top->object == nullptr) {
        return false;
    }
    return top->object->PreTranslateMessage(target, msg);
}

bool EnabledChain(WindowData* d) {
    for (; d != nullptr; d = d->IsChild() ? Find(d->parent) : nullptr) {
        if (!d->Enabled()) {
            return false;
        }
        if (!d->IsChild()) {
            break;
        }
    }
    return d != nullptr;
}

// The controls Tab stops at, in the order they were made: shown, enabled, with WS_TABSTOP.
void CollectTabStops(const WindowData& parent, std::vector<HWND>& out) {
    for (const HWND child : parent.children) {
        WindowData* d = Find(child);
        if (d == nullptr) {
            continue;
        }
        AccessibleState state;
        if ((d->style & WS_TABSTOP) != 0 && GetAccessibleState(child, state) && state.visible &&
            state.enabled) {
            out.push_back(child);
        }
        CollectTabStops(*d, out);
    }
}

// Tab and Shift+Tab in a dialog: the next or previous stop after the focus, round the end.
void MoveDialogFocus(WindowData& top, bool forward) {
    std::vector<HWND> stops;
    CollectTabStops(top, stops);
    if (stops.empty()) {
        return;
    }
    Core& c = GetCore();
    const auto at = std::find(stops.begin(), stops.end(), c.focus);
    std::size_t next = 0;
    if (at == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        const std::size_t i = std::size_t(at - stops.begin());
        next = forward ? (i + 1) % stops.size() : (i + stops.size() - 1) % stops.size();
    }
    c.keyboardCues = true;
    const HWND old = c.focus;
    if (WindowData* d = Find(stops[next]); d != nullptr && d->object != nullptr) {
        d->object->SetFocus();
    }
    // Focus marks change the pictures of both buttons.
    for (const HWND h : {old, stops[next]}) {
        if (WindowData* d = Find(h); d != nullptr && d->object != nullptr) {
            d->object->Invalidate();
        }
    }
}

}  // namespace

void Mouse(HWND hwnd, UINT message, Point p, UINT keys) {
    OnUi([&] {
        Core& c = GetCore();
        c.keyState = keys & (MK_CONTROL | MK_SHIFT);
        WindowData* d = Find(hwnd);
        if (d == nullptr || !EnabledChain(d)) {
            return;
        }
        if (message == WM_MOUSEMOVE && c.mouseOver != hwnd) {
            const HWND old = c.mouseOver;
            c.mouseOver = hwnd;
            if (WindowData* o = Find(old); o != nullptr && o->trackLeave) {
                o->trackLeave = false;
                Dispatch(old, WM_MOUSELEAVE, 0, 0);
            }
        }
        if (c.backend && d->object != nullptr) {
            c.backend->NoteCursorPos(d->object->ClientToScreen(p));
        }
        const Msg msg{message, keys, MAKELPARAM(p.x, p.y)};
        if (PreTranslate(hwnd, msg)) {
            return;
        }
        // A press in another top-level window takes the keyboard there, as activating it
        // does on a desktop.
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
            c.keyboardCues = false;
            WindowData* top = TopOf(Find(hwnd));
            if (top != nullptr && top->object != nullptr && TopOf(Find(c.focus)) != top) {
                top->object->SetFocus();
            }
            if (Find(hwnd) == nullptr) {
                return;
            }
        }
        // The window under the pointer chooses the cursor (a drawn button shows the hand).
        if (Find(hwnd) != nullptr && Dispatch(hwnd, WM_SETCURSOR, WPARAM(hwnd), message) == 0 &&
            c.backend) {
            c.backend->SetCursor(Cursor::Arrow);
        }
        Dispatch(hwnd, message, keys, MAKELPARAM(p.x, p.y));
    });
}

bool Click(HWND control) {
    return OnUi([&] {
        WindowData* d = Find(control);
        if (d == nullptr || !EnabledChain(d)) {
            return false;
        }
        const Point mid{d->rect.Width() / 2, d->rect.Height() / 2};
        Mouse(control, WM_LBUTTONDOWN, mid, MK_LBUTTON);
        Mouse(control, WM_LBUTTONUP, mid, 0);
        return true;
    });
}

void Key(HWND hwnd, UINT vk, bool down, UINT keys) {
    OnUi([&] {
        Core& c = GetCore();
        c.keyState = keys & (MK_CONTROL | MK_SHIFT);
        WindowData* d = Find(hwnd);
        if (d == nullptr) {
            return;
        }
        const Msg msg{down ? WM_KEYDOWN : WM_KEYUP, vk, LPARAM(keys)};
        if (PreTranslate(hwnd, msg)) {
            return;
        }
        if (!down) {
            Dispatch(hwnd, WM_KEYUP, vk, LPARAM(keys));
            return;
        }
        // The dialog keys: Tab moves the focus, Space presses the focused button (Enter too
        // when the keyboard brought the focus there), Escape cancels, Enter outside a
        // multi-line editor is OK.
        WindowData* top = TopOf(d);
        Core& core = GetCore();
        if (top != nullptr && top->isDialog && vk == VK_TAB && (keys & MK_CONTROL) == 0) {
            MoveDialogFocus(*top, (keys & MK_SHIFT) == 0);
            return;
        }
        if (core.focus == hwnd && IsButtonKind(d->kind) &&
            (vk == VK_SPACE ||
             (vk == VK_RETURN && core.keyboardCues && d->kind == ControlKind::Button))) {
            const bool cues = core.keyboardCues;
            Click(hwnd);
            core.keyboardCues = cues;  // the click is the keyboard's, not the mouse's
            return;
        }
        const bool wantsReturn =
            (d->kind == ControlKind::Edit || d->kind == ControlKind::RichEdit) &&
            (d->style & ES_MULTILINE) != 0;
        if (top != nullptr && top->isDialog &&
            (vk == VK_ESCAPE || (vk == VK_RETURN && !wantsReturn))) {
            Dispatch(top->hwnd, WM_COMMAND,
                     MAKEWPARAM(vk == VK_ESCAPE ? IDCANCEL : IDOK, BN_CLICKED), 0);
            return;
        }
        Dispatch(hwnd, WM_KEYDOWN, vk, LPARAM(keys));
    });
}

int Type(HWND edit, const std::string& text) {
    return OnUi([&] {
        WindowData* d = Find(edit);
        if (d == nullptr || !EnabledChain(d)) {
            return 0;
        }
        return InsertText(*d, text, true);
    });
}

void SetEditText(HWND edit, const std::string& text) {
    OnUi([&] {
        WindowData* d = Find(edit);
        if (d == nullptr) {
            return;
        }
        d->selStart = 0;
        d->selEnd = CharCount(d->text) + int(d->rich.size());
        InsertText(*d, text, false);
    });
}

void SetCheck(HWND button, int check) {
    OnUi([&] {
        if (WindowData* d = Find(button); d != nullptr && d->check != check) {
            ClickButton(*d);
        }
    });
}

void SetIpAddress(HWND control, std::uint32_t address) {
    SendMessage(control, IPM_SETADDRESS, 0, LPARAM(address));
}

void Close(HWND hwnd) {
    SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Moved(HWND hwnd, Point screenTopLeft) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd); d != nullptr && d->object != nullptr) {
            d->object->SetWindowPos(HWND_TOP, screenTopLeft.x, screenTopLeft.y, 0, 0,
                                    SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    });
}

void Minimized(HWND hwnd, bool minimized) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd); d != nullptr && d->object != nullptr) {
            d->object->ShowWindow(minimized ? SW_MINIMIZE : SW_RESTORE);
        }
    });
}

void Focus(HWND hwnd) {
    OnUi([&] {
        if (hwnd == kNoWindow) {
            Core& c = GetCore();
            if (const HWND old = std::exchange(c.focus, kNoWindow); old != kNoWindow) {
                Dispatch(old, WM_KILLFOCUS, 0, 0);
            }
            return;
        }
        if (WindowData* d = Find(hwnd); d != nullptr && d->object != nullptr) {
            d->object->SetFocus();
        }
    });
}

void Select(HWND edit, int start, int end) {
    OnUi([&] {
        if (WindowData* d = Find(edit)) {
            SelectChars(*d, start, end);
        }
    });
}

bool ClickRichEditChar(HWND richEdit, int charPos) {
    return OnUi([&] {
        WindowData* d = Find(richEdit);
        if (d == nullptr || !EnabledChain(d)) {
            return false;
        }
        const std::vector<RichLink> links = FindLinks(*d);
        const auto link = std::find_if(links.begin(), links.end(), [&](const RichLink& l) {
            return charPos >= l.range.cpMin && charPos < l.range.cpMax;
        });
        if (link == links.end()) {
            return false;
        }
        // Each notification may close the window: look it up again after each.
        LRESULT answer = 0;
        for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP}) {
            d = Find(richEdit);
            if (d == nullptr) {
                return true;
            }
            if ((d->eventMask & ENM_LINK) == 0 || !d->IsChild()) {
                answer = 0;
                continue;
            }
            EnLink notice;
            notice.nmhdr = NotifyHeader{richEdit, d->id, EN_LINK};
            notice.msg = message;
            notice.wParam = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
            notice.chrg = link->range;
            notice.text = link->text.c_str();
            answer = Dispatch(d->parent, WM_NOTIFY, d->id, LPARAM(&notice));
        }
        if (answer == 0) {
            fw::OpenUrl(LinkAddress(link->text));
        }
        return true;
    });
}

void TrayEvent(HWND owner, UINT id, UINT callbackMessage, UINT mouseMessage) {
    PostMessage(owner, callbackMessage, WPARAM(id), LPARAM(mouseMessage));
}

}  // namespace fw::input
