// The framework's own handling of messages (DefWindowProc) and the control models: edit,
// rich edit, buttons, pictures and the IP address control.

#include <algorithm>

#include "platform/Framework.h"
#include "platform/Internal.h"
#include "platform/Menu.h"

namespace fw {

using namespace detail;

namespace {

constexpr int kDefaultEditLimit = 30000;

// One character of an edit's content: GBK bytes, or an embedded picture.
struct Unit {
    std::string ch;
    std::shared_ptr<const Bitmap> picture;
    std::uint32_t user = 0;
    bool object = false;
};

std::vector<Unit> SplitChars(std::string_view gbk) {
    std::vector<Unit> out;
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t n = ByteOffset(gbk.substr(i), 1);
        out.push_back(Unit{std::string(gbk.substr(i, n)), nullptr, 0, false});
        i += n;
    }
    return out;
}

std::vector<Unit> ToUnits(const WindowData& d) {
    if (d.kind != ControlKind::RichEdit) {
        return SplitChars(d.text);
    }
    std::vector<Unit> out;
    for (const RichItem& item : d.rich) {
        if (item.isObject) {
            out.push_back(Unit{"", item.picture, item.user, true});
        } else {
            std::vector<Unit> chars = SplitChars(item.text);
            out.insert(out.end(), chars.begin(), chars.end());
        }
    }
    return out;
}

void FromUnits(WindowData& d, const std::vector<Unit>& units) {
    d.text.clear();
    d.rich.clear();
    for (const Unit& u : units) {
        if (u.object) {
            d.rich.push_back(RichItem{"", u.picture, u.user, true});
            d.text += ' ';
        } else {
            if (d.rich.empty() || d.rich.back().isObject) {
                d.rich.push_back(RichItem{});
            }
            d.rich.back().text += u.ch;
            d.text += u.ch;
        }
    }
    if (d.kind != ControlKind::RichEdit) {
        d.rich.clear();
    }
}

void ClampSel(WindowData& d, int length) {
    d.selStart = std::clamp(d.selStart, 0, length);
    d.selEnd = std::clamp(d.selEnd, 0, length);
    if (d.selEnd < d.selStart) {
        std::swap(d.selStart, d.selEnd);
    }
}

void SendChange(WindowData& d) {
    if (d.kind == ControlKind::RichEdit && (d.eventMask & ENM_CHANGE) == 0) {
        return;
    }
    if (d.IsChild()) {
        Dispatch(d.parent, WM_COMMAND, MAKEWPARAM(d.id, EN_CHANGE), LPARAM(d.hwnd));
    }
}

bool IsEditKind(const WindowData& d) {
    return d.kind == ControlKind::Edit || d.kind == ControlKind::RichEdit;
}

int LimitOf(const WindowData& d) {
    if (d.limit > 0) {
        return d.limit;
    }
    return d.kind == ControlKind::RichEdit ? 32767 : kDefaultEditLimit;
}

// Replaces the selection by `insert`. With `asUser`, the limit, digits-only and
// read-only rules apply and only what fits is taken. Returns the units taken.
int ReplaceSelection(WindowData& d, const std::vector<Unit>& insert, bool asUser) {
    if (!IsEditKind(d)) {
        return 0;
    }
    if (asUser && (d.ReadOnly() || !d.Enabled())) {
        return 0;
    }
    std::vector<Unit> units = ToUnits(d);
    ClampSel(d, int(units.size()));
    const int kept = int(units.size()) - (d.selEnd - d.selStart);
    std::vector<Unit> take;
    for (const Unit& u : insert) {
        if (asUser) {
            if ((d.style & ES_NUMBER) != 0 && !u.object &&
                !(u.ch.size() == 1 && u.ch[0] >= '0' && u.ch[0] <= '9')) {
                continue;
            }
            if (kept + int(take.size()) >= LimitOf(d)) {
                break;
            }
        }
        take.push_back(u);
    }
    if (take.empty() && d.selStart == d.selEnd) {
        return 0;
    }
    units.erase(units.begin() + d.selStart, units.begin() + d.selEnd);
    units.insert(units.begin() + d.selStart, take.begin(), take.end());
    d.selStart += int(take.size());
    d.selEnd = d.selStart;
    FromUnits(d, units);
    NotifyChanged(d, kChangeText | kChangeContent);
    SendChange(d);
    return int(take.size());
}

constexpr std::string_view kLinkPrefixes[] = {"http://", "https://", "ftp://", "file://",
                                              "mailto:", "news:",    "www."};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

char AsciiOf(const Unit& u) {
    return !u.object && u.ch.size() == 1 ? u.ch[0] : '\0';
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Characters a detected address runs over: printable ASCII except blanks and the few that
// delimit addresses in running text.
bool IsUrlChar(char c) {
    return c > 0x20 && c < 0x7F && c != '<' && c != '>' && c != '"' && c != '{' && c != '}' &&
           c != '|' && c != '\\' && c != '^' && c != '`';
}

// Punctuation that ends a sentence rather than an address.
bool IsTrailingPunct(char c) {
    return std::string_view(".,;:!?'\")]}").find(c) != std::string_view::npos;
}

std::size_t PrefixAt(const std::vector<Unit>& units, std::size_t i) {
    for (std::string_view prefix : kLinkPrefixes) {
        if (i + prefix.size() > units.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t k = 0; k < prefix.size() && same; ++k) {
            same = Lower(AsciiOf(units[i + k])) == prefix[k];
        }
        if (same) {
            return prefix.size();
        }
    }
    return 0;
}

}  // namespace

namespace detail {

std::vector<RichLink> FindLinks(const WindowData& d) {
    std::vector<RichLink> links;
    if (d.kind != ControlKind::RichEdit || !d.autoUrl) {
        return links;
    }
    const std::vector<Unit> units = ToUnits(d);
    for (std::size_t i = 0; i < units.size();) {
        const std::size_t prefix =
            i == 0 || !IsAlnum(AsciiOf(units[i - 1])) ? PrefixAt(units, i) : 0;
        if (prefix == 0) {
            ++i;
            continue;
        }
        std::size_t end = i + prefix;
        while (end < units.size() && IsUrlChar(AsciiOf(units[end]))) {
            ++end;
        }
        while (end > i + prefix && IsTrailingPunct(AsciiOf(units[end - 1]))) {
            --end;
        }
        if (end == i + prefix) {
            i += prefix;  // a prefix alone is no address
            continue;
        }
        RichLink link;
        link.range = CharRange{int(i), int(end)};
        for (std::size_t k = i; k < end; ++k) {
            link.text += units[k].ch;
        }
        links.push_back(std::move(link));
        i = end;
    }
    return links;
}

std::string LinkAddress(std::string_view linkText) {
    std::string address(linkText);
    if (address.size() >= 4 && Lower(address[0]) == 'w' && Lower(address[1]) == 'w' &&
        Lower(address[2]) == 'w' && address[3] == '.') {
        address = "http://" + address;
    }
    return address;
}

void SelectChars(WindowData& d, int start, int end) {
    if (!IsEditKind(d)) {
        return;
    }
    const int length = int(ToUnits(d).size());
    d.selStart = start < 0 ? length : start;
    d.selEnd = end < 0 ? length : end;
    ClampSel(d, length);
}

int InsertText(WindowData& d, std::string_view gbk, bool asUser) {
    return ReplaceSelection(d, SplitChars(gbk), asUser);
}

void ClickButton(WindowData& d) {
    if (!d.Enabled()) {
        return;
    }
    const DWORD type = d.style & BS_TYPEMASK;
    if (d.kind == ControlKind::CheckBox && type != BS_OWNERDRAW) {
        d.check = d.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        NotifyChanged(d, kChangeCheck);
    } else if (d.kind == ControlKind::Radio && type != BS_OWNERDRAW) {
        // An automatic radio button clears the others of its group: the radio buttons next
        // to it up to a control with the group flag.
        if (WindowData* p = Find(d.parent)) {
            auto& sib = p->children;
            auto self = std::find(sib.begin(), sib.end(), d.hwnd);
            auto first = self;
            while (first != sib.begin()) {
                WindowData* s = Find(*first);
                if (s != nullptr && (s->style & WS_GROUP) != 0) {
                    break;
                }
                --first;
            }
            for (auto it = first; it != sib.end(); ++it) {
                WindowData* s = Find(*it);
                if (s == nullptr) {
                    continue;
                }
                if (it != first && (s->style & WS_GROUP) != 0) {
                    break;
                }
                if (s->kind == ControlKind::Radio && s->check != BST_UNCHECKED && s != &d) {
                    s->check = BST_UNCHECKED;
                    NotifyChanged(*s, kChangeCheck);
                }
            }
        }
        d.check = BST_CHECKED;
        NotifyChanged(d, kChangeCheck);
    }
    if (d.IsChild()) {
        Dispatch(d.parent, WM_COMMAND, MAKEWPARAM(d.id, BN_CLICKED), LPARAM(d.hwnd));
    }
}

LRESULT DefaultProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowData* d = Find(hwnd);
    if (d == nullptr) {
        return 0;
    }
    Core& c = GetCore();
    const bool isButton = IsButtonKind(d->kind);
    switch (message) {
        case WM_ERASEBKGND: {
            auto* canvas = reinterpret_cast<Canvas*>(wParam);
            if (canvas == nullptr) {
                return 0;
            }
            if (!d->IsChild() || d->isDialog) {
                canvas->FillSolidRect(canvas->ClientRect(), RGB(240, 240, 240));
            } else if (IsEditKind(*d) || d->kind == ControlKind::IpAddress ||
                       d->kind == ControlKind::Html) {
                canvas->FillSolidRect(canvas->ClientRect(), RGB(255, 255, 255));
            }
            return 1;
        }
        case WM_PAINT:
            if (wParam != 0) {
                PaintControl(*d, *reinterpret_cast<Canvas*>(wParam));
            }
            return 0;
        case WM_CLOSE:
            DestroyWindowTree(hwnd);
            return 0;
        case WM_SYSCOMMAND: {
            Window* self = d->object;
            WindowData* top = d;
            while (top != nullptr && top->IsChild()) {
                top = Find(top->parent);
            }
            if (top == nullptr) {
                return 0;
            }
            switch (wParam & 0xFFF0) {
                case SC_MOVE:
                    if (c.backend) {
                        c.backend->StartSystemMove(top->hwnd);
                    }
                    break;
                case SC_MINIMIZE:
                    if (top->object != nullptr) {
                        top->object->ShowWindow(SW_MINIMIZE);
                    }
                    break;
                case SC_RESTORE:
                    if (top->object != nullptr) {
                        top->object->ShowWindow(SW_RESTORE);
                    }
                    break;
                case SC_CLOSE:
                    Dispatch(top->hwnd, WM_CLOSE, 0, 0);
                    break;
                default:
                    break;
            }
            (void)self;
            return 0;
        }
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DrawItemStruct*>(lParam);
            if (dis == nullptr) {
                return 0;
            }
            if (WindowData* item = Find(dis->hwndItem);
                item != nullptr && item->object != nullptr) {
                item->object->DrawItem(*dis);
                return 1;
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (isButton && d->Enabled()) {
                d->pressed = true;
                c.buttonDown = hwnd;
                if (d->object != nullptr) {
                    d->object->SetFocus();
                }
                if (WindowData* dd = Find(hwnd)) {
                    NotifyChanged(*dd, kChangeCheck);
                }
            } else if (IsEditKind(*d) && d->object != nullptr) {
                d->object->SetFocus();
            } else if (d->kind == ControlKind::Static && (d->style & SS_NOTIFY) != 0 &&
                       message == WM_LBUTTONDOWN && d->IsChild()) {
                Dispatch(d->parent, WM_COMMAND, MAKEWPARAM(d->id, STN_CLICKED), LPARAM(hwnd));
            }
            return 0;
        case WM_LBUTTONUP:
            if (isButton && d->pressed) {
                d->pressed = false;
                const bool inside = Rect{0, 0, d->rect.Width(), d->rect.Height()}.Contains(
                    {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                if (c.buttonDown == hwnd) {
                    c.buttonDown = kNoWindow;
                }
                NotifyChanged(*d, kChangeCheck);
                if (inside) {
                    ClickButton(*d);
                }
            }
            return 0;
        case WM_KEYDOWN:
            if (IsEditKind(*d)) {
                if (wParam == VK_RETURN && (d->style & ES_MULTILINE) != 0) {
                    ReplaceSelection(*d, SplitChars("\r\n"), true);
                } else if (wParam == VK_BACK && !d->ReadOnly() && d->Enabled()) {
                    if (d->selStart == d->selEnd && d->selStart > 0) {
                        --d->selStart;
                    }
                    ReplaceSelection(*d, {}, true);
                }
            }
            return 0;
        case BM_GETCHECK:
            return d->check;
        case BM_SETCHECK:
            if (d->check != int(wParam)) {
                d->check = int(wParam);
                NotifyChanged(*d, kChangeCheck);
            }
            return 0;
        case BM_CLICK:
            ClickButton(*d);
            return 0;
        case EM_LIMITTEXT:
            d->limit = int(wParam);
            NotifyChanged(*d, kChangeContent);
            return 0;
        case EM_EXLIMITTEXT:
            d->limit = int(lParam);
            NotifyChanged(*d, kChangeContent);
            return 0;
        case EM_SETREADONLY:
            d->style = wParam != 0 ? (d->style | ES_READONLY) : (d->style & ~ES_READONLY);
            NotifyChanged(*d, kChangeContent);
            return 1;
        case EM_SETSEL: {
            int s = int(static_cast<std::intptr_t>(wParam));
            int e = int(lParam);
            if (s < 0) {
                e = -1;  // a start of -1 removes the selection: the caret goes to the end
            }
            SelectChars(*d, s, e);
            return 0;
        }
        case EM_EXSETSEL:
            if (lParam != 0) {
                const auto* range = reinterpret_cast<const CharRange*>(lParam);
                SelectChars(*d, range->cpMin, range->cpMax);
            }
            return 0;
        case EM_GETSEL:
            if (wParam != 0) {
                *reinterpret_cast<int*>(wParam) = d->selStart;
            }
            if (lParam != 0) {
                *reinterpret_cast<int*>(lParam) = d->selEnd;
            }
            return LRESULT(MAKELPARAM(d->selStart, d->selEnd));
        case EM_EXGETSEL:
            if (lParam != 0) {
                *reinterpret_cast<CharRange*>(lParam) = CharRange{d->selStart, d->selEnd};
            }
            return 0;
        case EM_GETLIMITTEXT:
            return LimitOf(*d);
        case EM_REPLACESEL:
            if (lParam != 0) {
                ReplaceSelection(*d, SplitChars(reinterpret_cast<const char*>(lParam)), false);
            }
            return 0;
        case EM_SETEVENTMASK: {
            const DWORD old = d->eventMask;
            d->eventMask = DWORD(lParam);
            return LRESULT(old);
        }
        case EM_GETEVENTMASK:
            return LRESULT(d->eventMask);
        case EM_AUTOURLDETECT:
            if (d->autoUrl != (wParam != 0)) {
                d->autoUrl = wParam != 0;
                NotifyChanged(*d, kChangeContent);
            }
            return 0;
        case STM_SETIMAGE:
            d->imageId = UINT(lParam);
            NotifyChanged(*d, kChangeContent);
            return 0;
        case IPM_SETADDRESS:
            d->ip = std::uint32_t(lParam);
            d->ipBlank = false;
            NotifyChanged(*d, kChangeContent);
            return 1;
        case IPM_CLEARADDRESS:
            d->ip = 0;
            d->ipBlank = true;
            NotifyChanged(*d, kChangeContent);
            return 0;
        case IPM_GETADDRESS:
            if (lParam != 0) {
                *reinterpret_cast<std::uint32_t*>(lParam) = d->ipBlank ? 0 : d->ip;
            }
            return d->ipBlank ? 0 : 4;
        default:
            return 0;
    }
}

}  // namespace detail

// ---------------------------------------------------------------------------------------
// RichEdit

bool RichEdit::Create(DWORD style, const Rect& rect, Window* parent, UINT id) {
    return CreateEx(0, "", style | WS_CHILD, rect, parent, id, ControlKind::RichEdit);
}

DWORD RichEdit::SetEventMask(DWORD mask) {
    return DWORD(SendMessage(EM_SETEVENTMASK, 0, LPARAM(mask)));
}
DWORD RichEdit::GetEventMask() const {
    return DWORD(const_cast<RichEdit*>(this)->SendMessage(EM_GETEVENTMASK));
}
void RichEdit::SetAutoUrlDetect(bool on) {
    SendMessage(EM_AUTOURLDETECT, on ? 1 : 0);
}
bool RichEdit::GetAutoUrlDetect() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d != nullptr && d->autoUrl;
    });
}
std::vector<RichLink> RichEdit::GetLinks() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? std::vector<RichLink>() : FindLinks(*d);
    });
}
void RichEdit::SetReadOnly(bool readOnly) {
    SendMessage(EM_SETREADONLY, readOnly ? 1 : 0);
}
void RichEdit::LimitText(int maxChars) {
    SendMessage(EM_EXLIMITTEXT, 0, LPARAM(maxChars));
}

int RichEdit::GetLimitText() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? 0 : d->limit;
    });
}

int RichEdit::GetTextLength() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        return d == nullptr ? 0 : int(ToUnits(*d).size());
    });
}

void RichEdit::SetSel(int start, int end) {
    SendMessage(EM_SETSEL, WPARAM(start), LPARAM(end));
}

void RichEdit::GetSel(int& start, int& end) const {
    OnUi([&] {
        WindowData* d = Find(hwnd_);
        start = d == nullptr ? 0 : d->selStart;
        end = d == nullptr ? 0 : d->selEnd;
    });
}

void RichEdit::ReplaceSel(const std::string& text) {
    SendMessage(EM_REPLACESEL, 0, LPARAM(text.c_str()));
}

void RichEdit::InsertPicture(std::shared_ptr<const Bitmap> picture, std::uint32_t user) {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            ReplaceSelection(*d, {Unit{"", std::move(picture), user, true}}, false);
        }
    });
}

int RichEdit::GetObjectCount() const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return 0;
        }
        return int(std::count_if(d->rich.begin(), d->rich.end(),
                                 [](const RichItem& i) { return i.isObject; }));
    });
}

bool RichEdit::GetObjectInfo(int index, RichObjectInfo& info) const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr || index < 0) {
            return false;
        }
        int cp = 0;
        int seen = 0;
        for (const RichItem& item : d->rich) {
            if (item.isObject) {
                if (seen == index) {
                    info = RichObjectInfo{cp, item.user};
                    return true;
                }
                ++seen;
                ++cp;
            } else {
                cp += CharCount(item.text);
            }
        }
        return false;
    });
}

std::string RichEdit::GetTextRange(int first, int last) const {
    return OnUi([&] {
        WindowData* d = Find(hwnd_);
        if (d == nullptr) {
            return std::string();
        }
        const std::vector<Unit> units = ToUnits(*d);
        first = std::clamp(first, 0, int(units.size()));
        last = std::clamp(last < 0 ? int(units.size()) : last, first, int(units.size()));
        std::string out;
        for (int i = first; i < last; ++i) {
            out += units[std::size_t(i)].object ? std::string(" ") : units[std::size_t(i)].ch;
        }
        return out;
    });
}

const std::vector<RichItem>& RichEdit::Content() const {
    static const std::vector<RichItem> kEmpty;
    WindowData* d = IsUiThread() ? Find(hwnd_) : nullptr;
    return d == nullptr ? kEmpty : d->rich;
}

void RichEdit::Clear() {
    OnUi([&] {
        if (WindowData* d = Find(hwnd_)) {
            d->selStart = 0;
            d->selEnd = int(ToUnits(*d).size());
            ReplaceSelection(*d, {}, false);
        }
    });
}

}  // namespace fw
