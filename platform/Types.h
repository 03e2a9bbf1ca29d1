#pragma once
// Small value types and the numbers the system's windows speak: message ids, styles,
// command and notification codes. The numbers are the classic desktop values, so a
// message table written against them reads the same as the design it came from.

#include <cstdint>
#include <string>
#include <type_traits>

namespace fw {

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using BOOL = int;

// A window is named by a handle, never by a pointer, so that a message sent to a window
// that has gone away is simply dropped. 0 is "no window".
using HWND = std::uint64_t;
constexpr HWND kNoWindow = 0;

// Icons are named by their resource id; 0 is "no icon".
using HICON = std::uint32_t;

// COLORREF layout: 0x00BBGGRR.
using Color = std::uint32_t;
constexpr Color RGB(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned GetRValue(Color c) {
    return c & 0xFFu;
}
constexpr unsigned GetGValue(Color c) {
    return (c >> 8) & 0xFFu;
}
constexpr unsigned GetBValue(Color c) {
    return (c >> 16) & 0xFFu;
}

constexpr WPARAM MAKEWPARAM(unsigned lo, unsigned hi) {
    return (WPARAM(lo) & 0xFFFFu) | ((WPARAM(hi) & 0xFFFFu) << 16);
}
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return LPARAM((std::uint32_t(lo) & 0xFFFFu) | ((std::uint32_t(hi) & 0xFFFFu) << 16));
}
constexpr unsigned LOWORD(std::uintptr_t v) {
    return unsigned(v & 0xFFFFu);
}
constexpr unsigned HIWORD(std::uintptr_t v) {
    return unsigned((v >> 16) & 0xFFFFu);
}
constexpr int GET_X_LPARAM(LPARAM v) {
    return std::int16_t(v & 0xFFFF);
}
constexpr int GET_Y_LPARAM(LPARAM v) {
    return std::int16_t((v >> 16) & 0xFFFF);
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Half-open: right and bottom are outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static Rect FromXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Intersect(const Rect& o) const;
    Point TopLeft() const { return {left, top}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Rect::Intersect(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
           right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    if (r.IsEmpty()) {
        return {};
    }
    return r;
}

// One message as the dispatch function sees it.
struct Msg {
    UINT id = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// ---- Messages ----
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;  // wParam: Canvas* of the client area
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ERASEBKGND = 0x0014;  // wParam: Canvas* of the client area
constexpr UINT WM_SHOWWINDOW = 0x0018;  // wParam: 1 shown, 0 hidden
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_GETMINMAXINFO = 0x0024;  // lParam: MinMaxInfo*
constexpr UINT WM_DRAWITEM = 0x002B;       // lParam: DrawItemStruct*
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_NOTIFY = 0x004E;  // lParam: NotifyHeader*
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_KEYDOWN = 0x0100;  // wParam: virtual key, lParam: MK_CONTROL/MK_SHIFT state
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;  // wParam: MAKEWPARAM(id, notifyCode), lParam: sender HWND
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;      // wParam: timer id
constexpr UINT WM_MOUSEMOVE = 0x0200;  // lParam: MAKELPARAM(x, y) in client coordinates
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_USER = 1024;
// Framework-internal: socket readiness for SelectSocket is delivered with the caller's own
// message number, never with one of these.

// ---- Edit, button, static, rich edit and IP address control messages ----
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_REPLACESEL = 0x00C2;  // lParam: const char* (GBK)
constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
constexpr UINT EM_SETEVENTMASK = WM_USER + 69;
constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
constexpr UINT EM_AUTOURLDETECT = WM_USER + 91;
constexpr UINT EM_GETSEL = 0x00B0;          // wParam, lParam: int* start, int* end (may be null)
constexpr UINT EM_EXGETSEL = WM_USER + 52;  // lParam: CharRange*
constexpr UINT EM_EXSETSEL = WM_USER + 55;  // lParam: const CharRange*
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT STM_SETIMAGE = 0x0172;  // lParam: bitmap resource id
constexpr UINT IPM_CLEARADDRESS = WM_USER + 100;
constexpr UINT IPM_SETADDRESS = WM_USER + 101;  // lParam: 0xAABBCCDD for AA.BB.CC.DD
constexpr UINT IPM_GETADDRESS = WM_USER + 102;  // lParam: std::uint32_t*; returns non-blank fields

constexpr DWORD ENM_NONE = 0x00000000;
constexpr DWORD ENM_CHANGE = 0x00000001;
constexpr DWORD ENM_LINK = 0x04000000;

// ---- Notification codes (HIWORD of WM_COMMAND's wParam) ----
constexpr UINT BN_CLICKED = 0;
constexpr UINT BN_DOUBLECLICKED = 5;
constexpr UINT EN_SETFOCUS = 0x0100;
constexpr UINT EN_KILLFOCUS = 0x0200;
constexpr UINT EN_CHANGE = 0x0300;
constexpr UINT STN_CLICKED = 0;
// WM_NOTIFY code of a rich edit whose event mask has ENM_LINK: lParam is an EnLink*.
constexpr UINT EN_LINK = 0x070B;

// ---- Button check states ----
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// ---- Dialog results and message box answers ----
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// ---- Message box flags ----
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;

// ---- Window styles (the subset the system's windows use) ----
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;

constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

// Edit styles
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;

// Button styles
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_AUTORADIOBUTTON = 0x0009;
constexpr DWORD BS_OWNERDRAW = 0x000B;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD BS_BITMAP = 0x0080;

// Static styles
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_CENTER = 0x0001;
constexpr DWORD SS_BITMAP = 0x000E;
constexpr DWORD SS_NOTIFY = 0x0100;

// ---- ShowWindow ----
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// ---- WM_SIZE types ----
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;

// ---- SetWindowPos ----
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
// Special "insert after" values of SetWindowPos.
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_TOPMOST = HWND(-1);
constexpr HWND HWND_NOTOPMOST = HWND(-2);

// ---- System commands (WM_SYSCOMMAND wParam) ----
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_DRAGMOVE = 0xF012;  // the move a left-button press starts
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

// ---- Owner draw ----
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;

// ---- Mouse key state (wParam of mouse messages) ----
constexpr UINT MK_LBUTTON = 0x0001;
constexpr UINT MK_RBUTTON = 0x0002;
constexpr UINT MK_SHIFT = 0x0004;
constexpr UINT MK_CONTROL = 0x0008;

// ---- Virtual keys ----
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;

// ---- System metrics ----
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;

// ---- DrawText format flags ----
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOPREFIX = 0x0800;

// Background mode of text drawing.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Owner-draw description handed with WM_DRAWITEM (and to Window::DrawItem).
class Canvas;
struct DrawItemStruct {
    UINT ctlType = ODT_BUTTON;
    UINT ctlId = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;  // ODS_* bits
    HWND hwndItem = kNoWindow;
    Canvas* canvas = nullptr;  // the control's client area
    Rect rcItem;
};

// WM_GETMINMAXINFO's lParam.
struct MinMaxInfo {
    Point maxSize;
    Point maxPosition;
    Point minTrackSize;
    Point maxTrackSize;
};

// WM_NOTIFY's lParam header.
struct NotifyHeader {
    HWND hwndFrom = kNoWindow;
    UINT idFrom = 0;
    UINT code = 0;
};

// Characters [cpMin, cpMax) of a rich edit; cpMax -1 means the end.
struct CharRange {
    int cpMin = 0;
    int cpMax = 0;
    friend bool operator==(const CharRange&, const CharRange&) = default;
};

// EN_LINK: a mouse message over an automatically detected link; the handler reads it with
// reinterpret_cast<const EnLink*>(&header). The parent returns nonzero to keep the rich edit
// from acting on the message; a left-button release it lets through opens the link in the
// user's browser.
struct EnLink {
    NotifyHeader nmhdr;
    UINT msg = 0;  // WM_LBUTTONDOWN, WM_LBUTTONUP
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CharRange chrg;
    const char* text = "";  // the link's characters (GBK), valid during the call
};
static_assert(std::is_standard_layout_v<EnLink>, "WM_NOTIFY hands EnLink as its header");

}  // namespace fw
