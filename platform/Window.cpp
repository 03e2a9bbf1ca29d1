#include "platform/Window.h"

#include <algorithm>
#include <chrono>

#include "platform/Framework.h"
#include "platform/Internal.h"
#include "platform/Menu.h"
#include "platform/core/Text.h"

namespace fw {

using namespace detail;

namespace detail {

int CharCount(std::string_view gbk) {
    int n = 0;
    for (std::size_t i = 0; i < gbk.size(); ++n) {
        i += (i + 1 < gbk.size() && vq::IsGbkPair(std::uint8_t(gbk[i]), std::uint8_t(gbk[i + 1])))
                 ? 2
                 : 1;
    }
    return n;
}

std::size_t ByteOffset(std::string_view gbk, int chars) {
    std::size_t i = 0;
    for (int n = 0; n < chars && i < gbk.size(); ++n) {
        i += (i + 1 < gbk.size() && vq::IsGbkPair(std::uint8_t(gbk[i]), std::uint8_t(gbk[i + 1])))
                 ? 2
                 : 1;
    }
    return i;
}

WindowInfo MakeInfo(const WindowData& d) {
    WindowInfo i;
    i.hwnd = d.hwnd;
    i.parent = d.IsChild() ? d.parent : kNoWindow;
    i.owner = d.IsChild() ? kNoWindow : d.owner;
    i.kind = d.kind;
    i.id = d.id;
    i.style = d.style;
    i.exStyle = d.exStyle;
    i.rect = d.rect;
    i.text = d.text;
    i.visible = d.visible;
    i.enabled = d.Enabled();
    i.minimized = d.minimized;
    i.check = d.check;
    i.limit = d.limit;
    i.readOnly = d.ReadOnly();
    i.imageId = d.imageId;
    i.autoUrl = d.autoUrl;
    i.bigIcon = d.bigIcon;
    i.smallIcon = d.smallIcon;
    i.font = d.font;
    i.hasRegion = d.hasRegion;
    i.region = d.region;
    return i;
}

void NotifyChanged(WindowData& d, std::uint32_t bits) {
    Core& c = GetCore();
    if (c.backend && !d.destroying) {
        c.backend->WindowChanged(MakeInfo(d), bits);
        c.backend->InvalidateWindow(d.hwnd);
    }
    if (c.accessListener && !d.destroying) {
        const HWND h = d.hwnd;
        if ((bits & kChangeText) != 0) {
            NoteAccessible(h, AccessibleChange::Name);
        }
        if ((bits & (kChangeVisible | kChangeEnabled | kChangeCheck | kChangeMinimized)) != 0) {
            NoteAccessible(h, AccessibleChange::State);
        }
        if ((bits & kChangeRect) != 0) {
            NoteAccessible(h, AccessibleChange::Location);
        }
        // A control that turns owner-drawn loses its native widget: the reader's tree changes.
        if ((bits & (kChangeZOrder | kChangeStyle)) != 0) {
            NoteAccessible(h, AccessibleChange::Reorder);
        }
    }
}

HWND CreateWindowData(std::unique_ptr<WindowData> data) {
    Core& c = GetCore();
    const HWND h = c.nextHandle++;
    data->hwnd = h;
    WindowData& d = *data;
    c.windows[h] = std::move(data);
    {
        std::lock_guard<std::mutex> lock(c.handleLock);
        c.liveHandles.insert(h);
    }
    if (d.IsChild()) {
        if (WindowData* p = Find(d.parent)) {
            p->children.push_back(h);
        }
    } else {
        c.topLevels.push_back(h);
    }
    if (c.backend) {
        c.backend->WindowCreated(MakeInfo(d));
    }
    NoteAccessible(h, AccessibleChange::Created);
    return h;
}

Window* MakeWrapper(ControlKind kind) {
    switch (kind) {
        case ControlKind::Edit:
            return new Edit();
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Radio:
        case ControlKind::GroupBox:
            return new Button();
        case ControlKind::Static:
        case ControlKind::Picture:
            return new Static();
        case ControlKind::RichEdit:
            return new RichEdit();
        case ControlKind::IpAddress:
            return new IpAddressCtrl();
        case ControlKind::Html:
            return new HtmlSite();
        default:
            return new Window();
    }
}

namespace {

void CollectTree(HWND h, std::vector<HWND>& out) {
    out.push_back(h);
    if (WindowData* d = Find(h)) {
        for (HWND child : d->children) {
            CollectTree(child, out);
        }
    }
}

}  // namespace

void DestroyWindowTree(HWND hwnd) {
    Core& c = GetCore();
    WindowData* root = Find(hwnd);
    if (root == nullptr || root->destroying) {
        return;
    }
    std::vector<HWND> tree;
    CollectTree(hwnd, tree);
    for (HWND h : tree) {
        if (WindowData* d = Find(h)) {
            d->destroying = true;
        }
    }
    // WM_DESTROY reaches the window first, then its children, as the handlers expect.
    for (HWND h : tree) {
        if (Find(h) != nullptr) {
            Dispatch(h, WM_DESTROY, 0, 0);
        }
    }
    // Owned pop-ups go with their owner.
    std::vector<HWND> owned;
    for (HWND t : c.topLevels) {
        WindowData* d = Find(t);
        if (d != nullptr && d->owner == hwnd && !d->destroying) {
            owned.push_back(t);
        }
    }
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        const HWND h = *it;
        auto found = c.windows.find(h);
        if (found == c.windows.end()) {
            continue;
        }
        NoteAccessible(h, AccessibleChange::Destroyed);
        found = c.windows.find(h);
        if (found == c.windows.end()) {
            continue;
        }
        std::unique_ptr<WindowData> d = std::move(found->second);
        c.windows.erase(found);
        {
            std::lock_guard<std::mutex> lock(c.handleLock);
            c.liveHandles.erase(h);
        }
        RemoveTimers(h);
        StopSocketWatches(h);
        if (WindowData* p = Find(d->parent); p != nullptr && d->IsChild()) {
            std::erase(p->children, h);
        }
        std::erase(c.topLevels, h);
        if (c.focus == h) {
            c.focus = kNoWindow;
        }
        if (c.foreground == h) {
            c.foreground = kNoWindow;
        }
        if (c.mouseOver == h) {
            c.mouseOver = kNoWindow;
        }
        if (c.buttonDown == h) {
            c.buttonDown = kNoWindow;
        }
        if (d->site) {
            d->site->OnSiteDestroyed();
        }
        if (c.backend) {
            c.backend->WindowDestroyed(h);
        }
        if (d->object != nullptr) {
            Window* obj = d->object;
            obj->DetachHandle();
            if (d->ownsObject) {
                delete obj;
            } else {
                obj->PostNcDestroy();
            }
        }
    }
    for (HWND o : owned) {
        DestroyWindowTree(o);
    }
}

LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowData* d = Find(hwnd);
    if (d == nullptr) {
        return 0;
    }
    if (d->object != nullptr) {
        return d->object->WindowProc(message, wParam, lParam);
    }
    return DefaultProc(hwnd, message, wParam, lParam);
}

HWND CreateDialogWindow(const DialogTemplate& t, Window* object, Window* parent) {
    auto data = std::make_unique<WindowData>();
    data->kind = ControlKind::Custom;
    data->isDialog = true;
    data->style = t.style & ~WS_VISIBLE;
    data->exStyle = t.exStyle;
    data->text = t.caption;
    data->font = t.font;
    HWND parentHwnd = parent != nullptr ? parent->GetSafeHwnd() : kNoWindow;
    if ((t.style & WS_CHILD) != 0 && parentHwnd != kNoWindow) {
        data->parent = parentHwnd;
        data->rect = Rect::FromXYWH(0, 0, t.size.cx, t.size.cy);
    } else {
        data->style &= ~WS_CHILD;
        data->style |= WS_POPUP;
        // An owned dialog starts over its owner's top-left corner, others at the work area's.
        Point at = GetCore().backend ? GetCore().backend->WorkArea().TopLeft() : Point{};
        if (WindowData* p = Find(parentHwnd)) {
            Window* top = parent->GetTopLevelParent();
            data->owner = top != nullptr ? top->GetSafeHwnd() : p->hwnd;
            if (WindowData* o = Find(data->owner)) {
                at = o->rect.TopLeft();
            }
        }
        data->rect = Rect::FromXYWH(at.x, at.y, t.size.cx, t.size.cy);
    }
    data->object = object;
    const HWND h = CreateWindowData(std::move(data));
    object->AttachHandle(h);
    for (const ControlTemplate& ct : t.controls) {
        auto cd = std::make_unique<WindowData>();
        cd->kind = ct.kind;
        cd->id = ct.id;
        cd->style = ct.style | WS_CHILD;
        cd->exStyle = ct.exStyle;
        cd->parent = h;
        cd->rect = ct.rect;
        cd->text = ct.caption;
        cd->visible = (ct.style & WS_VISIBLE) != 0;
        cd->imageId = ct.imageId;
        cd->font = t.font;
        if (ct.kind == ControlKind::RichEdit) {
            cd->limit = 32767;
        }
        Window* wrapper = MakeWrapper(ct.kind);
        cd->object = wrapper;
        cd->ownsObject = true;
        const HWND ch = CreateWindowData(std::move(cd));
        wrapper->AttachHandle(ch);
    }
    return h;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------
// Window

Window::Window() = default;

Window::~Window() {
    if (hwnd_ == kNoWindow || !GetCore().running) {
        return;
    }
    // Destroyed on the UI thread whatever thread drops the object: the window must not
    // outlive it with a dangling object.
    OnUi([this] {
        if (WindowData* d = Find(hwnd_); d != nullptr && d->object == this) {
            // The derived part is gone: let the framework alone handle the last messages.
            d->object = nullptr;
            const HWND h = hwnd_;
            hwnd_ = kNoWindow;
            DestroyWindowTree(h);
        }
    });
}

bool Window::IsWindow() const {
    return hwnd_ != kNoWindow && fw::IsWindow(hwnd_);
}

Window* Window::FromHandle(HWND hwnd) {
    return OnUi([hwnd]() -> Window* {
        WindowData* d = Find(hwnd);
        return d == nullptr ? nullptr : d->object;
    });
}

bool Window::CreateEx(DWORD exStyle, const std::string& title, DWORD style, const Rect& rect,
                      Window* parent, UINT id, ControlKind kind) {
    return OnUi([&] {
        if (!GetCore().running || hwnd_ != kNoWindow) {
            return false;
        }
        auto d = std::make_unique<WindowData>();
        d->kind = kind;
        d->id = id;
        d->style = style & ~WS_VISIBLE;
        d->exStyle = exStyle;
        d->text = title;
        d->rect = rect;
        if ((style & WS_CHILD) != 0) {
            if (parent == nullptr || !parent->IsWindow()) {
                return false;
            }
            d->parent = parent->GetSafeHwnd();
            if (WindowData* p = Find(d->parent)) {
                d->font = p->font;
            }
        } else if (parent != nullptr && parent->IsWindow()) {
            Window* top = parent->GetTopLevelParent();
            d->owner = top != nullptr ? top->GetSafeHwnd() : parent->GetSafeHwnd();
        }
        if (kind == ControlKind::RichEdit) {
            d->limit = 32767;
        }
        d->object = this;
        const HWND h = CreateWindowData(std::move(d));
        hwnd_ = h;
        if (Dispatch(h, WM_CREATE, 0, 0) < 0) {
            DestroyWindowTree(h);
            return false;
        }
        if ((style & WS_VISIBLE) != 0 && fw::IsWindow(h)) {
            ShowWindow(SW_SHOW);
        }
        return fw::IsWindow(h);
    });
}

bool Window::SubclassWindow(HWND hwnd) {
    return OnUi([&] {
        WindowData* d = Find(hwnd);
        if (d == nullptr || hwnd_ != kNoWindow) {
            return false;
        }
        if (d->object != nullptr && d->object != this) {
            Window* old = d->object;
            old->DetachHandle();
            if (d->ownsObject) {
                delete old;
            }
        }
        d->object = this;
        d->ownsObject = false;
        hwnd_ = hwnd;
        return true;
    });
}

bool Window::SubclassDlgItem(UINT id, Window* parent) {
    if (parent == nullptr) {
        return false;
    }
    return SubclassWindow(parent->GetDlgItemHandle(id));
}

HWND Window::UnsubclassWindow() {
    return OnUi([&] {
        const HWND h = hwnd_;
        WindowData* d = Find(h);
        if (d == nullptr) {
            return kNoWindow;
        }
        Window* wrapper = MakeWrapper(d->kind);
        wrapper->AttachHandle(h);
        d->object = wrapper;
        d->ownsObject = true;
        hwnd_ = kNoWindow;
        return h;
    });
}

bool Window::DestroyWindow() {
    return OnUi([&] {
        if (Find(hwnd_) == nullptr) {
            return false;
        }
        DestroyWindowTree(hwnd_);
        return true;
    });
}

LRESULT Window::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return fw::SendMessage(hwnd_, message, wParam, lParam);
}

bool Window::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return fw::PostMessage(hwnd_, message, wParam, lParam);
}

bool Window::PreTranslateMessage(HWND target, const Msg& msg) {
    (void)target;
    (void)msg;
    return false;
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const Point pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam), HWND(lParam))) {
                return 0;
            }
            break;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (lParam != 0 &&
                OnNotify(UINT(wParam), *reinterpret_cast<NotifyHeader*>(lParam), result)) {
                return result;
            }
            break;
        }
        case WM_TIMER:
            OnTimer(UINT(wParam));
            return 0;
        case WM_PAINT:
            if (wParam != 0) {
                OnPaint(*reinterpret_cast<Canvas*>(wParam));
            }
            return 0;
        case WM_ERASEBKGND:
            if (wParam != 0) {
                return OnEraseBkgnd(*reinterpret_cast<Canvas*>(wParam)) ? 1 : 0;
            }
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(UINT(wParam), pt);
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(UINT(wParam), pt);
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(UINT(wParam), pt);
            return 0;
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(UINT(wParam), pt);
            return 0;
        case WM_RBUTTONDOWN:
            OnRButtonDown(UINT(wParam), pt);
            return 0;
        case WM_RBUTTONUP:
            OnRButtonUp(UINT(wParam), pt);
            return 0;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return 0;
        case WM_SETCURSOR:
            return OnSetCursor() ? 1 : 0;
        case WM_KEYDOWN:
            OnKeyDown(UINT(wParam));
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_SYSCOMMAND:
            OnSysCommand(UINT(wParam), lParam);
            return 0;
        case WM_SHOWWINDOW:
            OnShowWindow(wParam != 0);
            return 0;
        case WM_ENABLE:
            OnEnable(wParam != 0);
            return 0;
        case WM_KILLFOCUS:
            OnKillFocus();
            return 0;
        case WM_SIZE:
            OnSize(UINT(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOVE:
            OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_GETMINMAXINFO:
            if (lParam != 0) {
                OnGetMinMaxInfo(*reinterpret_cast<MinMaxInfo*>(lParam));
            }
            return 0;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT Window::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(hwnd_, message, wParam, lParam);
}

// The base handlers do what the framework does when a class does not handle a message.
bool Window::OnCommand(UINT, UINT, HWND) {
    return false;
}
bool Window::OnNotify(UINT, NotifyHeader&, LRESULT&) {
    return false;
}
void Window::OnPaint(Canvas& canvas) {
    DefWindowProc(WM_PAINT, WPARAM(&canvas), 0);
}
bool Window::OnEraseBkgnd(Canvas& canvas) {
    return DefWindowProc(WM_ERASEBKGND, WPARAM(&canvas), 0) != 0;
}
void Window::OnMouseMove(UINT keys, Point p) {
    DefWindowProc(WM_MOUSEMOVE, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnLButtonDown(UINT keys, Point p) {
    DefWindowProc(WM_LBUTTONDOWN, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnLButtonUp(UINT keys, Point p) {
    DefWindowProc(WM_LBUTTONUP, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnLButtonDblClk(UINT keys, Point p) {
    DefWindowProc(WM_LBUTTONDBLCLK, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnRButtonDown(UINT keys, Point p) {
    DefWindowProc(WM_RBUTTONDOWN, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnRButtonUp(UINT keys, Point p) {
    DefWindowProc(WM_RBUTTONUP, keys, MAKELPARAM(p.x, p.y));
}
void Window::OnKeyDown(UINT vk) {
    DefWindowProc(WM_KEYDOWN, vk, 0);
}
void Window::OnClose() {
    DefWindowProc(WM_CLOSE, 0, 0);
}
void Window::OnSysCommand(UINT id, LPARAM lParam) {
    DefWindowProc(WM_SYSCOMMAND, id, lParam);
}
void Window::DrawItem(const DrawItemStruct& dis) {
    (void)dis;
}

void Window::SetWindowText(const std::string& text) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->text = text;
            if (d->kind == ControlKind::Edit) {
                d->selStart = d->selEnd = CharCount(text);
            }
            if (d->kind == ControlKind::RichEdit) {
                d->rich.clear();
                if (!text.empty()) {
                    d->rich.push_back(RichItem{text, nullptr, 0, false});
                }
                d->selStart = d->selEnd = CharCount(text);
            }
            NotifyChanged(*d, kChangeText | kChangeContent);
        }
    });
}

std::string Window::GetWindowText() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return std::string();
        }
        if (d->kind == ControlKind::IpAddress) {
            if (d->ipBlank) {
                return std::string();
            }
            return std::to_string((d->ip >> 24) & 0xFF) + "." +
                   std::to_string((d->ip >> 16) & 0xFF) + "." +
                   std::to_string((d->ip >> 8) & 0xFF) + "." + std::to_string(d->ip & 0xFF);
        }
        return d->text;
    });
}

void Window::MoveWindow(int x, int y, int width, int height, bool repaint) {
    (void)repaint;
    SetWindowPos(HWND_TOP, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Window::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return false;
        }
        std::uint32_t bits = 0;
        const Rect old = d->rect;
        Rect r = d->rect;
        if ((flags & SWP_NOMOVE) == 0) {
            r = r.Offset(x - r.left, y - r.top);
        }
        if ((flags & SWP_NOSIZE) == 0) {
            r.right = r.left + std::max(0, cx);
            r.bottom = r.top + std::max(0, cy);
        }
        if (!(r == old)) {
            d->rect = r;
            bits |= kChangeRect;
        }
        if ((flags & SWP_NOZORDER) == 0 && !d->IsChild()) {
            if (insertAfter == HWND_TOPMOST) {
                d->exStyle |= WS_EX_TOPMOST;
                bits |= kChangeStyle;
            } else if (insertAfter == HWND_NOTOPMOST) {
                d->exStyle &= ~WS_EX_TOPMOST;
                bits |= kChangeStyle;
            }
            auto& tl = GetCore().topLevels;
            std::erase(tl, hwnd_);
            tl.push_back(hwnd_);
            bits |= kChangeZOrder;
        }
        if (bits != 0) {
            NotifyChanged(*d, bits);
        }
        if ((flags & SWP_SHOWWINDOW) != 0) {
            ShowWindow(SW_SHOW);
        } else if ((flags & SWP_HIDEWINDOW) != 0) {
            ShowWindow(SW_HIDE);
        }
        if ((bits & kChangeRect) != 0 && fw::IsWindow(hwnd_)) {
            if (old.TopLeft() != r.TopLeft()) {
                Dispatch(hwnd_, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
            }
            if (old.Width() != r.Width() || old.Height() != r.Height()) {
                Dispatch(hwnd_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.Width(), r.Height()));
            }
            if (WindowData* dd = Find(hwnd_); dd != nullptr && dd->site) {
                dd->site->OnSiteMoved(dd->rect);
            }
        }
        return true;
    });
}

bool Window::ShowWindow(int cmd) {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return false;
        }
        const bool wasVisible = d->visible;
        const bool wasMin = d->minimized;
        switch (cmd) {
            case SW_HIDE:
                d->visible = false;
                break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
                d->visible = true;
                d->minimized = true;
                break;
            case SW_RESTORE:
            case SW_SHOWNORMAL:
                d->visible = true;
                d->minimized = false;
                break;
            default:
                d->visible = true;
                break;
        }
        std::uint32_t bits = 0;
        if (wasVisible != d->visible) {
            bits |= kChangeVisible;
        }
        if (wasMin != d->minimized) {
            bits |= kChangeMinimized;
        }
        if (bits != 0) {
            NotifyChanged(*d, bits);
        }
        const HWND h = hwnd_;
        if (wasVisible != d->visible) {
            Dispatch(h, WM_SHOWWINDOW, d->visible ? 1 : 0, 0);
            if (WindowData* dd = Find(h); dd != nullptr && dd->site) {
                dd->site->OnSiteShown(dd->visible);
            }
        }
        if (WindowData* dd = Find(h); dd != nullptr && wasMin != dd->minimized) {
            Dispatch(h, WM_SIZE, dd->minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                     MAKELPARAM(dd->rect.Width(), dd->rect.Height()));
        }
        if (WindowData* dd = Find(h); dd != nullptr && !dd->IsChild() && dd->visible &&
                                      !dd->minimized && cmd != SW_SHOWNOACTIVATE) {
            GetCore().foreground = h;
        }
        return wasVisible;
    });
}

bool Window::IsWindowVisible() const {
    return OnUi([&] {
        for (WindowData* d = Find(hwnd_); d != nullptr;
             d = d->IsChild() ? Find(d->parent) : nullptr) {
            if (!d->visible) {
                return false;
            }
            if (!d->IsChild()) {
                return true;
            }
        }
        return false;
    });
}

bool Window::IsIconic() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d != nullptr && d->minimized;
    });
}

bool Window::EnableWindow(bool enable) {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return false;
        }
        const bool wasDisabled = !d->Enabled();
        if (enable == wasDisabled) {
            if (enable) {
                d->style &= ~WS_DISABLED;
            } else {
                d->style |= WS_DISABLED;
                d->pressed = false;
            }
            NotifyChanged(*d, kChangeEnabled);
            Dispatch(hwnd_, WM_ENABLE, enable ? 1 : 0, 0);
        }
        return wasDisabled;
    });
}

bool Window::IsWindowEnabled() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d != nullptr && d->Enabled();
    });
}

Rect Window::GetClientRect() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? Rect{} : Rect{0, 0, d->rect.Width(), d->rect.Height()};
    });
}

Rect Window::GetRectInParent() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? Rect{} : d->rect;
    });
}

Point Window::ClientToScreen(Point p) const {
    return OnUi([&] {
        for (WindowData* d = Find(hwnd_); d != nullptr;
             d = d->IsChild() ? Find(d->parent) : nullptr) {
            p.x += d->rect.left;
            p.y += d->rect.top;
            if (!d->IsChild()) {
                break;
            }
        }
        return p;
    });
}

Point Window::ScreenToClient(Point p) const {
    const Point origin = ClientToScreen(Point{0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

Rect Window::ClientToScreen(const Rect& r) const {
    const Point o = ClientToScreen(Point{0, 0});
    return r.Offset(o.x, o.y);
}

Rect Window::ScreenToClient(const Rect& r) const {
    const Point o = ClientToScreen(Point{0, 0});
    return r.Offset(-o.x, -o.y);
}

Rect Window::GetWindowRect() const {
    return ClientToScreen(GetClientRect());
}

void Window::CenterWindow() {
    OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return;
        }
        Rect area;
        if (d->IsChild()) {
            if (WindowData* p = Find(d->parent)) {
                area = {0, 0, p->rect.Width(), p->rect.Height()};
            }
        } else if (GetCore().backend) {
            area = GetCore().backend->WorkArea();
        }
        const int x = area.left + (area.Width() - d->rect.Width()) / 2;
        const int y = area.top + (area.Height() - d->rect.Height()) / 2;
        SetWindowPos(HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
}

void Window::Invalidate(bool erase) {
    (void)erase;
    OnUi([&] {
        if (Find(hwnd_) != nullptr && GetCore().backend) {
            GetCore().backend->InvalidateWindow(hwnd_);
        }
    });
}

void Window::InvalidateRect(const Rect& r, bool erase) {
    (void)r;
    Invalidate(erase);
}

void Window::UpdateWindow() {
    OnUi([&] {
        if (Find(hwnd_) != nullptr && GetCore().backend) {
            GetCore().backend->UpdateWindow(hwnd_);
        }
    });
}

void Window::SetWindowRgn(const Region& region, bool redraw) {
    (void)redraw;
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->hasRegion = true;
            d->region = region;
            NotifyChanged(*d, kChangeRegion);
        }
    });
}

void Window::ClearWindowRgn(bool redraw) {
    (void)redraw;
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->hasRegion = false;
            d->region = Region();
            NotifyChanged(*d, kChangeRegion);
        }
    });
}

bool Window::HasWindowRgn() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d != nullptr && d->hasRegion;
    });
}

Region Window::GetWindowRgn() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d != nullptr && d->hasRegion ? d->region : Region();
    });
}

void Window::SetIcon(HICON icon, bool big) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            (big ? d->bigIcon : d->smallIcon) = icon;
            NotifyChanged(*d, kChangeIcon);
        }
    });
}

HICON Window::GetIcon(bool big) const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? HICON(0) : (big ? d->bigIcon : d->smallIcon);
    });
}

void Window::SetFont(const Font& font) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->font = font;
            NotifyChanged(*d, kChangeFont);
        }
    });
}

Font Window::GetFont() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? Font{} : d->font;
    });
}

DWORD Window::GetStyle() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? DWORD(0) : (d->style | (d->visible ? WS_VISIBLE : 0));
    });
}

DWORD Window::GetExStyle() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? DWORD(0) : d->exStyle;
    });
}

bool Window::ModifyStyle(DWORD remove, DWORD add) {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return false;
        }
        const DWORD keep = WS_CHILD | WS_VISIBLE;  // kinds of window do not change here
        d->style = (d->style & ~(remove & ~keep)) | (add & ~keep);
        NotifyChanged(*d, kChangeStyle);
        return true;
    });
}

bool Window::ModifyStyleEx(DWORD remove, DWORD add) {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return false;
        }
        d->exStyle = (d->exStyle & ~remove) | add;
        NotifyChanged(*d, kChangeStyle);
        return true;
    });
}

UINT Window::GetDlgCtrlID() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? UINT(0) : d->id;
    });
}

HWND Window::GetParentHwnd() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? kNoWindow : (d->IsChild() ? d->parent : d->owner);
    });
}

Window* Window::GetParent() const {
    return FromHandle(GetParentHwnd());
}

HWND Window::GetOwnerHwnd() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        while (d != nullptr && d->IsChild()) {
            d = Find(d->parent);
        }
        return d == nullptr ? kNoWindow : d->owner;
    });
}

Window* Window::GetTopLevelParent() const {
    return OnUi([&]() -> Window* {
        WindowData* d = Find(hwnd_);
        while (d != nullptr && d->IsChild()) {
            d = Find(d->parent);
        }
        return d == nullptr ? nullptr : d->object;
    });
}

Window* Window::SetFocus() {
    return OnUi([&]() -> Window* {
        Core& c = GetCore();
        const HWND old = c.focus;
        if (Find(hwnd_) == nullptr || old == hwnd_) {
            return FromHandle(old);
        }
        c.focus = hwnd_;
        if (old != kNoWindow) {
            Dispatch(old, WM_KILLFOCUS, WPARAM(hwnd_), 0);
        }
        Dispatch(hwnd_, WM_SETFOCUS, WPARAM(old), 0);
        if (c.backend) {
            c.backend->SetFocus(hwnd_);
        }
        if (c.focus == hwnd_) {
            NoteAccessible(hwnd_, AccessibleChange::Focus);
        }
        return FromHandle(old);
    });
}

bool Window::SetForegroundWindow() {
    return OnUi([&] {
        Window* top = GetTopLevelParent();
        if (top == nullptr || GetCore().backend == nullptr) {
            return false;
        }
        GetCore().foreground = top->GetSafeHwnd();
        return GetCore().backend->SetForeground(top->GetSafeHwnd());
    });
}

void Window::BringWindowToTop() {
    SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Window::StartSystemMove() {
    OnUi([&] {
        Window* top = GetTopLevelParent();
        if (top != nullptr && GetCore().backend) {
            GetCore().backend->StartSystemMove(top->GetSafeHwnd());
        }
    });
}

void Window::TrackMouseLeave() {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->trackLeave = true;
            if (GetCore().backend) {
                GetCore().backend->TrackMouseLeave(hwnd_);
            }
        }
    });
}

UINT Window::SetTimer(UINT id, UINT elapseMs) {
    return OnUi([&] {
        Core& c = GetCore();
        if (Find(hwnd_) == nullptr || !c.backend) {
            return UINT(0);
        }
        const UINT period = std::max<UINT>(1, elapseMs);
        const std::int64_t due = c.backend->NowMs() + period;
        for (Timer& t : c.timers) {
            if (t.hwnd == hwnd_ && t.id == id) {
                t.period = period;
                t.due = due;
                t.seq = ++c.timerSeq;
                return id;
            }
        }
        c.timers.push_back(Timer{hwnd_, id, period, due, ++c.timerSeq});
        c.backend->Wake();
        return id;
    });
}

bool Window::KillTimer(UINT id) {
    return OnUi([&] {
        Core& c = GetCore();
        const auto n =
            std::erase_if(c.timers, [&](const Timer& t) { return t.hwnd == hwnd_ && t.id == id; });
        return n != 0;
    });
}

Menu* Window::GetSystemMenu() {
    return OnUi([&]() -> Menu* {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return nullptr;
        }
        if (!d->systemMenu) {
            d->systemMenu = std::make_unique<Menu>();
        }
        return d->systemMenu.get();
    });
}

HWND Window::GetDlgItemHandle(UINT id) const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return kNoWindow;
        }
        for (HWND ch : d->children) {
            WindowData* cd = Find(ch);
            if (cd != nullptr && cd->id == id) {
                return ch;
            }
        }
        return kNoWindow;
    });
}

Window* Window::GetDlgItem(UINT id) const {
    return FromHandle(GetDlgItemHandle(id));
}

std::string Window::GetDlgItemText(UINT id) const {
    Window* w = GetDlgItem(id);
    return w == nullptr ? std::string() : w->GetWindowText();
}

void Window::SetDlgItemText(UINT id, const std::string& text) {
    if (Window* w = GetDlgItem(id)) {
        w->SetWindowText(text);
    }
}

unsigned Window::GetDlgItemInt(UINT id, bool* ok) const {
    const std::string t = GetDlgItemText(id);
    unsigned v = 0;
    bool any = false;
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ') {
        ++i;
    }
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        v = v * 10 + unsigned(t[i] - '0');
        any = true;
    }
    if (ok != nullptr) {
        *ok = any;
    }
    return v;
}

void Window::SetDlgItemInt(UINT id, unsigned value) {
    SetDlgItemText(id, std::to_string(value));
}

void Window::CheckDlgButton(UINT id, int check) {
    SendDlgItemMessage(id, BM_SETCHECK, WPARAM(check));
}

int Window::IsDlgButtonChecked(UINT id) const {
    return OnUi([&] {
        WindowData* d = Find(GetDlgItemHandle(id));
        return d == nullptr ? 0 : d->check;
    });
}

void Window::CheckRadioButton(UINT first, UINT last, UINT check) {
    for (UINT id = first; id <= last; ++id) {
        if (GetDlgItemHandle(id) != kNoWindow) {
            CheckDlgButton(id, id == check ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

LRESULT Window::SendDlgItemMessage(UINT id, UINT message, WPARAM wParam, LPARAM lParam) {
    return fw::SendMessage(GetDlgItemHandle(id), message, wParam, lParam);
}

std::vector<HWND> Window::GetChildren() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? std::vector<HWND>() : d->children;
    });
}

// ---------------------------------------------------------------------------------------
// Dialog

Dialog::Dialog(UINT templateId, Window* parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() = default;

bool Dialog::Create(UINT templateId, Window* parent) {
    return OnUi([&] {
        if (hwnd_ != kNoWindow || !GetCore().running) {
            return false;
        }
        templateId_ = templateId;
        if (parent != nullptr) {
            parent_ = parent;
        }
        const DialogTemplate* t = Resources::Global().FindDialog(templateId_);
        if (t == nullptr) {
            return false;
        }
        modal_ = false;
        ended_ = false;
        const HWND h = CreateDialogWindow(*t, this, parent_);
        Dispatch(h, WM_INITDIALOG, 0, 0);
        if ((t->style & WS_VISIBLE) != 0 && fw::IsWindow(h)) {
            ShowWindow(SW_SHOW);
        }
        return fw::IsWindow(h);
    });
}

INT_PTR Dialog::DoModal() {
    return OnUi([&]() -> INT_PTR {
        Core& c = GetCore();
        const DialogTemplate* t = Resources::Global().FindDialog(templateId_);
        if (t == nullptr || hwnd_ != kNoWindow || !c.running) {
            return kDialogAborted;
        }
        modal_ = true;
        ended_ = false;
        result_ = kDialogAborted;
        const HWND h = CreateDialogWindow(*t, this, parent_);
        // The owner is disabled while the dialog runs, as a modal dialog requires.
        Window* owner = parent_ != nullptr ? parent_->GetTopLevelParent() : nullptr;
        const HWND ownerHwnd = owner != nullptr ? owner->GetSafeHwnd() : kNoWindow;
        const bool ownerWasEnabled = owner != nullptr && owner->IsWindowEnabled();
        if (ownerWasEnabled) {
            owner->EnableWindow(false);
        }
        Dispatch(h, WM_INITDIALOG, 0, 0);
        if (!ended_ && fw::IsWindow(h)) {
            ShowWindow(SW_SHOW);
        }
        ++c.modalDepth;
        if (!ended_ && fw::IsWindow(h) && c.backend) {
            c.backend->ModalLoopStarted(h);
        }
        auto last = std::chrono::steady_clock::now();
        while (!ended_ && fw::IsWindow(h) && c.running && !c.quit) {
            if (RunOnce(50)) {
                last = std::chrono::steady_clock::now();
                continue;
            }
            const int stall = c.backend ? c.backend->StallTimeoutMs() : -1;
            if (stall >= 0 &&
                std::chrono::steady_clock::now() - last > std::chrono::milliseconds(stall)) {
                break;  // nobody will ever end it: give up rather than hang
            }
        }
        --c.modalDepth;
        if (ownerWasEnabled && fw::IsWindow(ownerHwnd)) {
            owner->EnableWindow(true);
        }
        const INT_PTR result = ended_ ? result_ : kDialogAborted;
        if (fw::IsWindow(h)) {
            DestroyWindowTree(h);
        }
        modal_ = false;
        return result;
    });
}

void Dialog::EndDialog(int result) {
    OnUi([&] {
        result_ = result;
        ended_ = true;
        if (!modal_ && IsWindow()) {
            ShowWindow(SW_HIDE);
        }
        if (GetCore().backend) {
            GetCore().backend->Wake();
        }
    });
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? 1 : 0;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam), HWND(lParam))) {
                return 0;
            }
            if (HIWORD(wParam) == BN_CLICKED) {
                if (LOWORD(wParam) == IDOK) {
                    OnOK();
                    return 0;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    OnCancel();
                    return 0;
                }
            }
            return 0;
        default:
            return Window::WindowProc(message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------
// Controls

void Edit::LimitText(int maxChars) {
    SendMessage(EM_LIMITTEXT, WPARAM(std::max(0, maxChars)));
}
int Edit::GetLimitText() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? 0 : d->limit;
    });
}
void Edit::SetReadOnly(bool readOnly) {
    SendMessage(EM_SETREADONLY, readOnly ? 1 : 0);
}
void Edit::SetSel(int start, int end) {
    SendMessage(EM_SETSEL, WPARAM(start), LPARAM(end));
}
void Edit::ReplaceSel(const std::string& text) {
    SendMessage(EM_REPLACESEL, 0, LPARAM(text.c_str()));
}

int Button::GetCheck() const {
    return int(const_cast<Button*>(this)->SendMessage(BM_GETCHECK));
}
void Button::SetCheck(int check) {
    SendMessage(BM_SETCHECK, WPARAM(check));
}
void Button::SetOwnerDraw(bool on) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->style = (d->style & ~BS_TYPEMASK) | (on ? BS_OWNERDRAW : BS_PUSHBUTTON);
            NotifyChanged(*d, kChangeStyle);
        }
    });
}
bool Button::IsOwnerDraw() const {
    return (GetStyle() & BS_TYPEMASK) == BS_OWNERDRAW;
}

void Static::SetBitmap(UINT bitmapId) {
    SendMessage(STM_SETIMAGE, 0, LPARAM(bitmapId));
}
UINT Static::GetBitmapId() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? UINT(0) : d->imageId;
    });
}

void IpAddressCtrl::SetAddress(std::uint8_t f0, std::uint8_t f1, std::uint8_t f2, std::uint8_t f3) {
    SendMessage(IPM_SETADDRESS, 0,
                LPARAM((std::uint32_t(f0) << 24) | (std::uint32_t(f1) << 16) |
                       (std::uint32_t(f2) << 8) | f3));
}

int IpAddressCtrl::GetAddress(std::uint8_t& f0, std::uint8_t& f1, std::uint8_t& f2,
                              std::uint8_t& f3) const {
    std::uint32_t a = 0;
    const int n = int(const_cast<IpAddressCtrl*>(this)->SendMessage(IPM_GETADDRESS, 0, LPARAM(&a)));
    f0 = std::uint8_t(a >> 24);
    f1 = std::uint8_t(a >> 16);
    f2 = std::uint8_t(a >> 8);
    f3 = std::uint8_t(a);
    return n;
}

void IpAddressCtrl::ClearAddress() {
    SendMessage(IPM_CLEARADDRESS);
}

void HtmlSite::AttachContent(std::shared_ptr<HtmlSiteContent> content) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->site = std::move(content);
            if (d->site) {
                d->site->OnSiteMoved(d->rect);
                d->site->OnSiteShown(d->visible);
            }
        }
    });
}

std::shared_ptr<HtmlSiteContent> HtmlSite::Content() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? std::shared_ptr<HtmlSiteContent>() : d->site;
    });
}

void* HtmlSite::NativeParent() const {
    return OnUi([&]() -> void* {
        Core& c = GetCore();
        return c.backend && Find(hwnd_) != nullptr ? c.backend->NativeHandle(hwnd_) : nullptr;
    });
}

}  // namespace fw
