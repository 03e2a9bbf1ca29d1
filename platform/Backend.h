#pragma once
// The contract between the framework core and a backend (Qt, headless). The core owns
// every window's state and the message queue, the timers and all drawing; a backend shows
// that state on a desktop, reports what the user does through the fw::input functions,
// and provides the desktop services (message boxes, menus, tray, sound, shell).
//
// Every Backend method is called on the UI thread, except Wake(), which any thread calls.
// Texts handed to a backend are GBK; the backend converts them (vq::GbkToUtf8).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Framework.h"
#include "platform/Region.h"
#include "platform/Resources.h"
#include "platform/Types.h"

namespace fw {

class Menu;
struct MenuItem;

// What changed in a window since the backend last heard of it.
enum ChangeBits : std::uint32_t {
    kChangeText = 1u << 0,
    kChangeRect = 1u << 1,
    kChangeVisible = 1u << 2,
    kChangeEnabled = 1u << 3,
    kChangeStyle = 1u << 4,  // style, exStyle, topmost
    kChangeRegion = 1u << 5,
    kChangeIcon = 1u << 6,
    kChangeCheck = 1u << 7,
    kChangeContent = 1u << 8,  // rich edit content, picture, IP address, limits, read-only
    kChangeFont = 1u << 9,
    kChangeZOrder = 1u << 10,
    kChangeFocus = 1u << 11,
    kChangeMinimized = 1u << 12,
};

// A snapshot of one window's state, for backends.
struct WindowInfo {
    HWND hwnd = kNoWindow;
    HWND parent = kNoWindow;  // kNoWindow for top-level windows
    HWND owner = kNoWindow;   // top-level windows only
    ControlKind kind = ControlKind::Custom;
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    Rect rect;  // in the parent's client coordinates; screen for top-level windows
    std::string text;
    bool visible = false;  // own flag only
    bool enabled = true;
    bool minimized = false;
    int check = 0;
    int limit = 0;  // edit and rich edit character limit, 0 = default
    bool readOnly = false;
    UINT imageId = 0;      // the picture of a picture control or picture radio button
    bool autoUrl = false;  // rich edit: links are detected (RichEdit::GetLinks)
    HICON bigIcon = 0;
    HICON smallIcon = 0;
    Font font;
    bool hasRegion = false;
    Region region;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::string Name() const = 0;

    // ---- Event loop ----
    // Handles native events, waiting at most `maxWaitMs` (0: do not wait; -1: until an
    // event or Wake()). Returns when anything was handled, on Wake(), or at the timeout.
    virtual void ProcessEvents(int maxWaitMs) = 0;
    // Any thread: makes a waiting ProcessEvents return soon, and makes sure fw::PumpPending()
    // runs on the UI thread soon even while the backend runs a nested loop of its own (a
    // message box or a menu): the worker thread's synchronous sends must not wait for it.
    virtual void Wake() = 0;
    // Monotonic milliseconds; the headless backend's clock is virtual.
    virtual std::int64_t NowMs() = 0;

    // ---- Windows ----
    virtual void WindowCreated(const WindowInfo& info) = 0;
    virtual void WindowChanged(const WindowInfo& info, std::uint32_t changeBits) = 0;
    virtual void WindowDestroyed(HWND hwnd) = 0;
    // The picture of `hwnd` (and its painted children) is out of date; the backend asks
    // for a new one with fw::RenderWindow when it next paints.
    virtual void InvalidateWindow(HWND hwnd) = 0;
    // Paint now if the backend paints at all (UpdateWindow).
    virtual void UpdateWindow(HWND hwnd) { (void)hwnd; }
    virtual void StartSystemMove(HWND hwnd) = 0;
    virtual bool SetForeground(HWND hwnd) = 0;
    virtual void SetFocus(HWND hwnd) { (void)hwnd; }
    virtual void TrackMouseLeave(HWND hwnd) { (void)hwnd; }
    // The native object of a window (QWidget* under Qt), or null.
    virtual void* NativeHandle(HWND hwnd) {
        (void)hwnd;
        return nullptr;
    }

    // ---- Desktop ----
    virtual Rect WorkArea() = 0;
    virtual Size ScreenSize() = 0;
    virtual Point CursorPos() = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // Mouse input reported through fw::input happened at this screen point (the headless
    // backend's pointer follows it; a real desktop knows its pointer already).
    virtual void NoteCursorPos(Point screen) { (void)screen; }
    virtual int FrameMetric(int index) {
        (void)index;
        return 4;
    }  // SM_CXFRAME, SM_CYFRAME
    // Whether a top-level window goes where MoveWindow puts it. Some desktops (Wayland)
    // place windows themselves; the control's corner pop-ups then need another way.
    virtual bool CanPlaceWindows() { return true; }

    // ---- Modal UI (UI thread; each runs its own nested loop and returns the answer) ----
    virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT flags) = 0;
    // Shows `menu` (a pop-up's item list) at the screen point; returns the chosen command
    // id, or 0 when the menu was dismissed.
    virtual UINT TrackPopupMenu(const MenuItem& menu, UINT defaultId, Point screen, HWND owner) = 0;

    // ---- Services ----
    virtual bool TrayAvailable() = 0;
    virtual bool NotifyIcon(DWORD op, const NotifyIconData& data) = 0;
    // `wav` holds the bytes of the WAVE resource.
    virtual bool PlaySound(UINT resourceId, const std::vector<std::uint8_t>& wav) = 0;
    virtual bool OpenUrl(const std::string& url) = 0;
    virtual bool StartProcess(const std::string& program, const std::vector<std::string>& args) = 0;
    virtual std::vector<TopLevelWindow> ForeignTopLevelWindows() { return {}; }
    virtual bool BringForeignToForeground(std::uint64_t id) {
        (void)id;
        return false;
    }
    // Rasterises text onto a canvas picture; the default records only.
    virtual TextRenderer GetTextRenderer() { return nullptr; }

    // ---- Loops ----
    // A modal dialog's loop is starting (the headless backend runs its test hook here).
    virtual void ModalLoopStarted(HWND dialog) { (void)dialog; }
    // A modal loop with nothing to do for this long (real milliseconds) ends with -1;
    // -1 means never (real desktops).
    virtual int StallTimeoutMs() { return -1; }
};

using BackendFactory = std::function<std::unique_ptr<Backend>()>;
// Backends register themselves by name (the Qt backend library calls this from a static
// initialiser or from an explicit registration function the program calls).
void RegisterBackend(const std::string& name, BackendFactory factory);
std::unique_ptr<Backend> CreateBackend(const std::string& name);
bool HasBackend(const std::string& name);

// ---- For backends: reading the model ----
bool GetWindowInfo(HWND hwnd, WindowInfo& info);
std::vector<HWND> GetTopLevelWindows();        // z order, topmost first
std::vector<HWND> GetChildWindows(HWND hwnd);  // z order, bottom first (paint order)
// The client area of `hwnd` as the user sees it: background, painting and every painted
// child composed, clipped by the children's regions. Sends WM_ERASEBKGND, WM_PAINT and
// WM_DRAWITEM. The window's own region is not applied (the backend masks with it).
Bitmap RenderWindow(HWND hwnd);
// As RenderWindow, also returning the text records of everything drawn.
Bitmap RenderWindow(HWND hwnd, std::vector<TextRecord>& texts);
// As RenderWindow, leaving out the children (and what is inside them) that the backend
// shows with widgets of its own: their place keeps the parent's pixels, so a see-through
// widget (a check box or radio button) shows the real background.
Bitmap RenderWindowWithout(HWND hwnd, const std::function<bool(HWND)>& shownElsewhere);

// The limits a window sets for sizing by the user (WM_GETMINMAXINFO); the defaults are no
// minimum and the screen's size as maximum.
MinMaxInfo QueryMinMaxInfo(HWND hwnd);

// ---- For backends and tests: what the user does ----
namespace input {
// Mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) at a point in the window's client
// coordinates; goes through the top-level window's PreTranslateMessage. A left button up
// over a button that received the matching down clicks it.
void Mouse(HWND hwnd, UINT message, Point p, UINT keys = 0);
// A complete click on a control: buttons toggle/check as their kind does and send
// BN_CLICKED to the parent; static controls with SS_NOTIFY send STN_CLICKED.
bool Click(HWND control);
// Key down/up to the focused window `hwnd` (through PreTranslateMessage).
void Key(HWND hwnd, UINT vk, bool down, UINT keys = 0);
// The user types `text` (GBK) into an edit or rich edit at its selection: the limit,
// digits-only and read-only rules apply; EN_CHANGE is sent when the text changed.
// Returns the number of characters taken.
int Type(HWND edit, const std::string& text);
// The user changed the whole text of an edit (native editors report this way).
void SetEditText(HWND edit, const std::string& text);
void SetCheck(HWND button, int check);
void SetIpAddress(HWND control, std::uint32_t address);
void Close(HWND hwnd);                       // the desktop's close button: WM_SYSCOMMAND SC_CLOSE
void Moved(HWND hwnd, Point screenTopLeft);  // the user moved a top-level window
void Minimized(HWND hwnd, bool minimized);
// The keyboard focus went to `hwnd` (kNoWindow: to another program); the window that had
// it gets WM_KILLFOCUS.
void Focus(HWND hwnd);
// The user moved the caret or the selection of an edit or rich edit to characters
// [start, end).
void Select(HWND edit, int start, int end);
// The user clicked character `charPos` of a rich edit. Over a detected link: EN_LINK for
// the press and the release to the parent (when its event mask has ENM_LINK), then the link
// opens in the browser unless the parent answered the release with nonzero. Returns true
// when there was a link.
bool ClickRichEditChar(HWND richEdit, int charPos);
// A mouse event on a tray icon (WM_RBUTTONUP, WM_LBUTTONDBLCLK...).
void TrayEvent(HWND owner, UINT id, UINT callbackMessage, UINT mouseMessage);
}  // namespace input

}  // namespace fw
