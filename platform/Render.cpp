// Composition of a window's picture: erase, paint and owner-draw messages for the window
// and each visible child, children drawn over their parent's pixels and clipped by their
// own regions.

#include "platform/Render.h"

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Internal.h"

namespace fw {

using namespace detail;

namespace {

// The dotted ring around a button the keyboard has reached, light and dark by turns so that
// it shows on any skin.
void DrawFocusMark(const WindowData& d, Canvas& canvas, const Rect& client) {
    const Core& c = GetCore();
    if (!c.keyboardCues || c.focus != d.hwnd || client.Width() < 6 || client.Height() < 6) {
        return;
    }
    const Rect r{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    int n = 0;
    const auto dot = [&](int x, int y) {
        canvas.SetPixel(x, y, (n++ / 2) % 2 == 0 ? RGB(255, 255, 255) : RGB(32, 32, 32));
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
    }
    for (int y = r.top + 1; y < r.bottom; ++y) {
        dot(r.right - 1, y);
    }
    for (int x = r.right - 2; x >= r.left; --x) {
        dot(x, r.bottom - 1);
    }
    for (int y = r.bottom - 2; y > r.top; --y) {
        dot(r.left, y);
    }
}

}  // namespace

namespace detail {

void PaintControl(WindowData& d, Canvas& canvas) {
    const Rect client = canvas.ClientRect();
    canvas.SelectFont(d.font);
    canvas.SetBkMode(TRANSPARENT);
    canvas.SetTextColor(d.Enabled() ? RGB(0, 0, 0) : RGB(128, 128, 128));
    switch (d.kind) {
        case ControlKind::Static:
            canvas.DrawText(d.text, client,
                            DT_WORDBREAK | ((d.style & SS_CENTER) != 0 ? DT_CENTER : DT_LEFT));
            break;
        case ControlKind::Picture:
            if (d.imageId != 0) {
                if (auto bmp = Resources::Global().LoadBitmap(d.imageId)) {
                    canvas.DrawBitmap(0, 0, *bmp);
                }
            }
            break;
        case ControlKind::Button: {
            if ((d.style & BS_TYPEMASK) == BS_OWNERDRAW) {
                DrawItemStruct dis;
                dis.ctlType = ODT_BUTTON;
                dis.ctlId = d.id;
                dis.itemAction = ODA_DRAWENTIRE;
                dis.itemState = (d.pressed ? ODS_SELECTED : 0) | (d.Enabled() ? 0 : ODS_DISABLED) |
                                (GetCore().focus == d.hwnd ? ODS_FOCUS : 0);
                dis.hwndItem = d.hwnd;
                dis.canvas = &canvas;
                dis.rcItem = client;
                Dispatch(d.IsChild() ? d.parent : d.hwnd, WM_DRAWITEM, d.id, LPARAM(&dis));
            } else {
                canvas.DrawButtonFrame(client, d.pressed);
                canvas.DrawText(d.text, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            }
            DrawFocusMark(d, canvas, client);
            break;
        }
        case ControlKind::CheckBox:
        case ControlKind::Radio: {
            const int box = 13;
            const Rect b = Rect::FromXYWH(0, (client.Height() - box) / 2, box, box);
            if (d.kind == ControlKind::Radio) {
                canvas.Ellipse(b, RGB(96, 96, 96), RGB(255, 255, 255));
                if (d.check != 0) {
                    canvas.Ellipse(Rect{b.left + 3, b.top + 3, b.right - 3, b.bottom - 3},
                                   RGB(0, 0, 0), RGB(0, 0, 0));
                }
            } else {
                canvas.Rectangle(b, RGB(96, 96, 96), RGB(255, 255, 255));
                if (d.check != 0) {
                    canvas.FillSolidRect(Rect{b.left + 3, b.top + 3, b.right - 3, b.bottom - 3},
                                         RGB(0, 0, 0));
                }
            }
            // A picture radio button shows its picture beside the box instead of a text.
            std::shared_ptr<const Bitmap> picture =
                d.imageId != 0 ? Resources::Global().LoadBitmap(d.imageId) : nullptr;
            if (picture) {
                // Radio pictures are drawn on magenta so they sit on any dialog background.
                const int top = (client.Height() - picture->Height()) / 2;
                canvas.TransparentBlt(
                    Rect::FromXYWH(box + 4, top, picture->Width(), picture->Height()), *picture,
                    Rect::FromXYWH(0, 0, picture->Width(), picture->Height()), RGB(255, 0, 255));
            } else {
                canvas.DrawText(d.text, Rect{box + 4, 0, client.right, client.bottom},
                                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            }
            DrawFocusMark(d, canvas, client);
            break;
        }
        case ControlKind::GroupBox:
            canvas.FrameRect(Rect{0, 6, client.right, client.bottom}, RGB(160, 160, 160));
            canvas.DrawText(d.text, Rect{8, 0, client.right, 14}, DT_LEFT | DT_SINGLELINE);
            break;
        case ControlKind::Edit: {
            canvas.FrameRect(client, RGB(122, 122, 122));
            std::string shown = d.text;
            if ((d.style & ES_PASSWORD) != 0) {
                shown.assign(std::size_t(CharCount(d.text)), '*');
            }
            const UINT fmt =
                (d.style & ES_MULTILINE) != 0 ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
            canvas.DrawText(shown, Rect{3, 1, client.right - 3, client.bottom - 1}, fmt | DT_LEFT);
            break;
        }
        case ControlKind::RichEdit: {
            // A simple flow: texts as records, pictures drawn one after another in a row.
            int x = 2;
            int y = 2;
            for (const RichItem& item : d.rich) {
                if (item.isObject) {
                    if (item.picture) {
                        if (x + item.picture->Width() > client.right && x > 2) {
                            x = 2;
                            y += item.picture->Height() + 2;
                        }
                        canvas.DrawBitmap(x, y, *item.picture);
                        x += item.picture->Width();
                    }
                } else {
                    canvas.DrawText(item.text, Rect{x, y, client.right, client.bottom},
                                    DT_LEFT | DT_WORDBREAK);
                    x += CharCount(item.text) * (d.font.pixelHeight / 2 + 1);
                }
            }
            break;
        }
        case ControlKind::IpAddress: {
            canvas.FrameRect(client, RGB(122, 122, 122));
            std::string shown;
            if (!d.ipBlank) {
                shown = std::to_string((d.ip >> 24) & 0xFF) + " . " +
                        std::to_string((d.ip >> 16) & 0xFF) + " . " +
                        std::to_string((d.ip >> 8) & 0xFF) + " . " + std::to_string(d.ip & 0xFF);
            }
            canvas.DrawText(shown, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        }
        default:
            break;
    }
}

}  // namespace detail

namespace {

using SkipFn = std::function<bool(HWND)>;

void Compose(HWND hwnd, Bitmap& target, Canvas* logParent, int dx, int dy, const SkipFn* skip) {
    Canvas canvas = logParent != nullptr ? Canvas(target, *logParent, dx, dy) : Canvas(target);
    Dispatch(hwnd, WM_ERASEBKGND, WPARAM(&canvas), 0);
    if (Find(hwnd) == nullptr) {
        return;
    }
    canvas.SetClip({});
    Dispatch(hwnd, WM_PAINT, WPARAM(&canvas), 0);
    WindowData* d = Find(hwnd);
    if (d == nullptr) {
        return;
    }
    const std::vector<HWND> children = d->children;
    for (HWND ch : children) {
        WindowData* cd = Find(ch);
        if (cd == nullptr || !cd->visible || cd->rect.IsEmpty() ||
            (skip != nullptr && (*skip)(ch))) {
            continue;
        }
        const Rect r = cd->rect;
        // The child starts from the parent's pixels under it, as an erase handler sees them.
        const int s = target.Scale();
        Bitmap sub(r.Width(), r.Height(), RGB(0, 0, 0), s);
        if (sub.IsNull()) {
            continue;
        }
        {
            Canvas copy(sub);
            copy.BitBlt(0, 0, r.Width(), r.Height(), target, r.left, r.top);
        }
        Compose(ch, sub, &canvas, r.left, r.top, skip);
        WindowData* after = Find(ch);
        // The child's shape, its rectangles disjoint: each is copied once, as whole device
        // rows, so a shape clips at the device pixels of its logical pixels.
        const std::vector<Rect> pieces = after != nullptr && after->hasRegion
                                             ? after->region.Rects()
                                             : std::vector<Rect>{Rect{0, 0, r.Width(), r.Height()}};
        const Rect inTarget = Rect{0, 0, target.Width(), target.Height()}.Offset(-r.left, -r.top);
        for (const Rect& piece : pieces) {
            const Rect part =
                piece.Intersect(Rect{0, 0, r.Width(), r.Height()}).Intersect(inTarget);
            if (part.IsEmpty()) {
                continue;
            }
            for (int y = part.top * s; y < part.bottom * s; ++y) {
                std::copy(sub.Row(y) + part.left * s, sub.Row(y) + part.right * s,
                          target.Row(r.top * s + y) + (r.left + part.left) * s);
            }
        }
    }
}

Bitmap Render(HWND hwnd, std::vector<TextRecord>& texts, const SkipFn* skip, int scale) {
    texts.clear();
    WindowData* d = Find(hwnd);
    if (d == nullptr || d->rect.IsEmpty()) {
        return Bitmap();
    }
    Bitmap target(d->rect.Width(), d->rect.Height(), RGB(240, 240, 240), scale);
    if (target.IsNull()) {
        return target;
    }
    Canvas root(target);
    Compose(hwnd, target, &root, 0, 0, skip);
    texts = root.Texts();
    return target;
}

}  // namespace

Bitmap RenderWindow(HWND hwnd, std::vector<TextRecord>& texts) {
    return OnUi([&] { return Render(hwnd, texts, nullptr, 1); });
}

Bitmap RenderWindowWithout(HWND hwnd, const std::function<bool(HWND)>& shownElsewhere) {
    return OnUi([&] {
        std::vector<TextRecord> texts;
        return Render(hwnd, texts, &shownElsewhere, 1);
    });
}

Bitmap RenderWindowAtScale(HWND hwnd, int scale, std::vector<TextRecord>& texts,
                           const std::function<bool(HWND)>& shownElsewhere) {
    return OnUi([&] {
        const SkipFn* skip = shownElsewhere ? &shownElsewhere : nullptr;
        return Render(hwnd, texts, skip, std::clamp(scale, 1, Bitmap::kMaxScale));
    });
}

Bitmap RenderWindow(HWND hwnd) {
    std::vector<TextRecord> texts;
    return RenderWindow(hwnd, texts);
}

MinMaxInfo QueryMinMaxInfo(HWND hwnd) {
    return OnUi([&] {
        MinMaxInfo info;
        const Size screen = GetCore().backend ? GetCore().backend->ScreenSize() : Size{};
        info.maxSize = {screen.cx, screen.cy};
        info.maxTrackSize = {screen.cx, screen.cy};
        Dispatch(hwnd, WM_GETMINMAXINFO, 0, LPARAM(&info));
        return info;
    });
}

bool GetWindowInfo(HWND hwnd, WindowInfo& info) {
    return OnUi([&] {
        WindowData* d = Find(hwnd);
        if (d == nullptr) {
            return false;
        }
        info = MakeInfo(*d);
        return true;
    });
}

std::vector<HWND> GetTopLevelWindows() {
    return OnUi([] {
        Core& c = GetCore();
        std::vector<HWND> out;
        // Topmost windows first, each group from the top of the z order down.
        for (int pass = 0; pass < 2; ++pass) {
            for (auto it = c.topLevels.rbegin(); it != c.topLevels.rend(); ++it) {
                WindowData* d = Find(*it);
                if (d != nullptr && ((d->exStyle & WS_EX_TOPMOST) != 0) == (pass == 0)) {
                    out.push_back(*it);
                }
            }
        }
        return out;
    });
}

std::vector<HWND> GetChildWindows(HWND hwnd) {
    return OnUi([&] {
        WindowData* d = Find(hwnd);
        return d == nullptr ? std::vector<HWND>() : d->children;
    });
}

}  // namespace fw
