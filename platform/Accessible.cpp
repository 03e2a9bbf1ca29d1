#include "platform/Accessible.h"

#include "platform/Backend.h"
#include "platform/Internal.h"
#include "platform/ToolTip.h"
#include "platform/core/Text.h"

namespace fw {

using namespace detail;

namespace {

// "--" or "..." on a drawn button is a picture made of characters, not a word.
bool SaysNothing(const std::string& gbk) {
    for (const char ch : gbk) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
            (c >= 'a' && c <= 'z')) {
            return false;
        }
    }
    return true;
}

std::string Trimmed(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsEditor(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::RichEdit ||
           kind == ControlKind::IpAddress;
}

// The centre of `d` in the client coordinates of `owner`, one of its ancestors or itself.
bool CentreIn(const WindowData& d, HWND owner, Point& at) {
    if (d.hwnd == owner) {
        at = Point{d.rect.Width() / 2, d.rect.Height() / 2};
        return true;
    }
    at = Point{d.rect.left + d.rect.Width() / 2, d.rect.top + d.rect.Height() / 2};
    const WindowData* w = &d;
    for (int depth = 0; depth < 64 && w->IsChild(); ++depth) {
        if (w->parent == owner) {
            return true;
        }
        w = Find(w->parent);
        if (w == nullptr || !w->IsChild()) {
            return false;
        }
        at.x += w->rect.left;
        at.y += w->rect.top;
    }
    return false;
}

std::string ToolTipText(const WindowData& d) {
    for (const HWND t : GetCore().topLevels) {
        const WindowData* td = Find(t);
        const auto* tip = td == nullptr ? nullptr : dynamic_cast<const ToolTipCtrl*>(td->object);
        Point at;
        std::string text;
        if (tip != nullptr && CentreIn(d, tip->Owner(), at) && tip->ToolTextAt(at, text)) {
            text = Trimmed(StripMnemonic(text));
            if (!text.empty()) {
                return text;
            }
        }
    }
    return {};
}

std::string NameOf(const WindowData& d) {
    if (!d.accessibleName.empty()) {
        return d.accessibleName;
    }
    // An editor's text is what the user typed, not what the field is.
    if (!IsEditor(d.kind)) {
        const std::string text = Trimmed(StripMnemonic(d.text));
        if (!text.empty() && !SaysNothing(text)) {
            return text;
        }
    }
    if (std::string tip = ToolTipText(d); !tip.empty()) {
        return tip;
    }
    if (d.IsChild() && d.id != 0) {
        if (std::optional<std::string> s = Resources::Global().LoadString(d.id)) {
            return Trimmed(StripMnemonic(*s));
        }
    }
    // A captionless skinned window shows its title as a picture or text in its title strip.
    if (!d.IsChild()) {
        for (const HWND h : d.children) {
            const WindowData* c = Find(h);
            if (c != nullptr &&
                (c->kind == ControlKind::Picture || c->kind == ControlKind::Static)) {
                if (std::string name = NameOf(*c); !name.empty()) {
                    return name;
                }
            }
        }
    }
    return {};
}

}  // namespace

namespace detail {

void NoteAccessible(HWND hwnd, AccessibleChange change) {
    Core& c = GetCore();
    if (c.accessListener) {
        c.accessListener(hwnd, change);
    }
}

}  // namespace detail

std::string StripMnemonic(const std::string& gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (i + 1 < gbk.size() && vq::IsGbkPair(c, static_cast<unsigned char>(gbk[i + 1]))) {
            out += gbk[i];
            out += gbk[++i];
        } else if (c == '&') {
            if (i + 1 < gbk.size() && gbk[i + 1] == '&') {
                out += '&';
                ++i;
            }
        } else {
            out += gbk[i];
        }
    }
    return out;
}

void SetAccessibleName(HWND hwnd, const std::string& nameGbk) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd); d != nullptr && d->accessibleName != nameGbk) {
            d->accessibleName = nameGbk;
            NoteAccessible(hwnd, AccessibleChange::Name);
        }
    });
}

std::string GetAccessibleName(HWND hwnd) {
    return OnUi([&] {
        const WindowData* d = Find(hwnd);
        return d == nullptr ? std::string() : NameOf(*d);
    });
}

bool GetAccessibleState(HWND hwnd, AccessibleState& state) {
    return OnUi([&] {
        const WindowData* d = Find(hwnd);
        if (d == nullptr) {
            return false;
        }
        const Core& c = GetCore();
        state = AccessibleState{};
        state.name = NameOf(*d);
        state.visible = true;
        state.enabled = true;
        for (const WindowData* w = d; w != nullptr; w = w->IsChild() ? Find(w->parent) : nullptr) {
            state.visible = state.visible && w->visible && !w->minimized;
            state.enabled = state.enabled && w->Enabled();
        }
        state.focused = c.focus == hwnd;
        state.pressed = d->pressed;
        switch (d->kind) {
            case ControlKind::Button:
            case ControlKind::CheckBox:
            case ControlKind::Radio:
            case ControlKind::Edit:
            case ControlKind::RichEdit:
            case ControlKind::IpAddress:
                state.focusable = true;
                break;
            case ControlKind::Static:
            case ControlKind::Picture:
                state.decorative = state.name.empty();
                break;
            default:
                break;
        }
        return true;
    });
}

void SetAccessibleParts(HWND hwnd, const std::vector<AccessiblePart>& parts) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd); d != nullptr && d->accessibleParts != parts) {
            d->accessibleParts = parts;
            NoteAccessible(hwnd, AccessibleChange::Reorder);
        }
    });
}

std::vector<AccessiblePart> GetAccessibleParts(HWND hwnd) {
    return OnUi([&] {
        const WindowData* d = Find(hwnd);
        return d == nullptr ? std::vector<AccessiblePart>() : d->accessibleParts;
    });
}

bool PressAccessiblePart(HWND hwnd, UINT partId) {
    return OnUi([&] {
        const WindowData* d = Find(hwnd);
        AccessibleState state;
        if (d == nullptr || !GetAccessibleState(hwnd, state) || !state.visible || !state.enabled) {
            return false;
        }
        for (const AccessiblePart& part : d->accessibleParts) {
            if (part.id == partId && part.role != AccessiblePartRole::Text) {
                const Point centre{(part.rect.left + part.rect.right) / 2,
                                   (part.rect.top + part.rect.bottom) / 2};
                input::Mouse(hwnd, WM_LBUTTONDOWN, centre, MK_LBUTTON);
                // The press may have closed the window.
                if (Find(hwnd) != nullptr) {
                    input::Mouse(hwnd, WM_LBUTTONUP, centre, 0);
                }
                return true;
            }
        }
        return false;
    });
}

void SetAccessibleListener(AccessibleListener listener) {
    GetCore().accessListener = std::move(listener);
}

}  // namespace fw
