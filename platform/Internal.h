#pragma once
// The core's own state: not for the system's classes or backends.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Menu.h"
#include "platform/Window.h"

namespace fw::detail {

struct WindowData {
    HWND hwnd = kNoWindow;
    Window* object = nullptr;
    bool ownsObject = false;  // a framework-made wrapper, deleted with the window
    HWND parent = kNoWindow;
    HWND owner = kNoWindow;
    ControlKind kind = ControlKind::Custom;
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    Rect rect;
    std::string text;
    bool visible = false;
    bool minimized = false;
    int check = 0;
    int limit = 0;
    bool hasRegion = false;
    Region region;
    HICON bigIcon = 0;
    HICON smallIcon = 0;
    Font font;
    std::vector<HWND> children;  // paint order: bottom first
    // Edit and rich edit.
    int selStart = 0;
    int selEnd = 0;
    std::vector<RichItem> rich;
    DWORD eventMask = 0;
    bool autoUrl = false;
    // Picture, IP address, page site.
    UINT imageId = 0;
    std::uint32_t ip = 0;
    bool ipBlank = true;
    std::shared_ptr<HtmlSiteContent> site;
    // State of the framework's own handling.
    bool isDialog = false;
    bool destroying = false;
    bool pressed = false;
    bool trackLeave = false;
    std::unique_ptr<Menu> systemMenu;
    std::string accessibleName;  // set by SetAccessibleName
    std::vector<AccessiblePart> accessibleParts;

    bool IsChild() const { return (style & WS_CHILD) != 0 && parent != kNoWindow; }
    bool Enabled() const { return (style & WS_DISABLED) == 0; }
    bool ReadOnly() const { return (style & ES_READONLY) != 0; }
};

struct SendState {
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
    LRESULT result = 0;
};

struct QueueItem {
    HWND hwnd = kNoWindow;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<void()> task;        // a RunOnUiThread/PostToUiThread function
    std::shared_ptr<SendState> reply;  // set for cross-thread sends and waits
    std::function<void()> after;       // runs after a posted message was handled
};

struct Timer {
    HWND hwnd = kNoWindow;
    UINT id = 0;
    UINT period = 1;
    std::int64_t due = 0;
    std::uint64_t seq = 0;
};

struct Core {
    std::unique_ptr<Backend> backend;
    std::thread::id uiThread;
    std::atomic<bool> running{false};

    // UI thread only.
    std::map<HWND, std::unique_ptr<WindowData>> windows;
    std::vector<HWND> topLevels;  // z order: bottom first
    HWND nextHandle = 0x10000;
    std::vector<Timer> timers;
    std::uint64_t timerSeq = 0;
    std::atomic<bool> quit{false};
    std::atomic<int> exitCode{0};
    HWND focus = kNoWindow;
    HWND foreground = kNoWindow;
    HWND mouseOver = kNoWindow;
    HWND buttonDown = kNoWindow;
    UINT keyState = 0;  // MK_CONTROL | MK_SHIFT
    // Focus marks are drawn once the keyboard has moved the focus, until the mouse presses.
    bool keyboardCues = false;
    int modalDepth = 0;
    AccessibleListener accessListener;

    // Any thread.
    std::mutex queueLock;
    std::deque<QueueItem> queue;
    std::mutex handleLock;
    std::set<HWND> liveHandles;
    std::mutex nameLock;
    std::string appName = "Orvanel";
    std::vector<std::string> args;
};

Core& GetCore();
WindowData* Find(HWND hwnd);
// Sends on the UI thread: the object's WindowProc, or DefWindowProc's work when the
// window has no object.
LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// One step of a loop: native events, the queue, due timers; waits up to `maxWaitMs` when
// there was nothing to do. Returns true when anything was handled.
bool RunOnce(int maxWaitMs);
// Fires the timers due up to `target` in order, moving the clock with `setClock`.
void FireTimersUpTo(std::int64_t target, const std::function<void(std::int64_t)>& setClock);
void NotifyChanged(WindowData& d, std::uint32_t bits);
WindowInfo MakeInfo(const WindowData& d);
HWND CreateWindowData(std::unique_ptr<WindowData> data);
Window* MakeWrapper(ControlKind kind);
HWND CreateDialogWindow(const DialogTemplate& t, Window* object, Window* parent);
void DestroyWindowTree(HWND hwnd);
void Enqueue(QueueItem item);
void RemoveTimers(HWND hwnd);
void StopSocketWatches(HWND hwnd);
// Inserts text at an edit's selection; `asUser` applies the limit, digits-only and read-only
// rules. Sends EN_CHANGE. Returns the characters taken.
int InsertText(WindowData& d, std::string_view gbk, bool asUser);
// A click on a button: check boxes and radio buttons change, BN_CLICKED goes to the parent.
void ClickButton(WindowData& d);
// The links of a rich edit with automatic URL detection on (none otherwise).
std::vector<RichLink> FindLinks(const WindowData& d);
// The address a link opens: its text, with "http://" before a bare "www." one.
std::string LinkAddress(std::string_view linkText);
// Moves an edit's selection as the user does (no notification), clamped to the text.
void SelectChars(WindowData& d, int start, int end);
// Tells the accessibility listener, if there is one.
void NoteAccessible(HWND hwnd, AccessibleChange change);
// The framework's picture of a control.
void PaintControl(WindowData& d, Canvas& canvas);
// Characters of a GBK text (a double-byte pair is one character).
int CharCount(std::string_view gbk);
// Byte offset of character `chars` in a GBK text (clamped to the end).
std::size_t ByteOffset(std::string_view gbk, int chars);
// Runs `fn` on the UI thread and returns its result, marshalling when called elsewhere.
template <typename Fn>
auto OnUi(Fn&& fn) -> decltype(fn()) {
    if (IsUiThread()) {
        return fn();
    }
    if constexpr (std::is_void_v<decltype(fn())>) {
        RunOnUiThread([&] { fn(); });
    } else {
        decltype(fn()) result{};
        RunOnUiThread([&] { result = fn(); });
        return result;
    }
}

}  // namespace fw::detail
