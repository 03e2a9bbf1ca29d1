#pragma once
// The framework's process-wide services: start and end, the UI thread and its message
// loop, messages by handle from any thread, message boxes, the desktop, the tray, sound,
// the shell and socket readiness delivered to windows.
//
// Threads: the thread that calls Init is the UI thread; every window lives there.
// SendMessage from another thread waits until the UI thread has handled the message;
// PostMessage queues it; RunOnUiThread runs a function there and waits. Messages sent to
// a window that does not exist (any more) return 0 and do nothing. After Shutdown, every
// waiting sender is released with 0 so that no worker hangs on a closed UI.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace fw {

class Backend;

// Starts the framework on the calling thread (which becomes the UI thread) with the
// backend named by "--backend=qt|headless" in argv, else $VQ_BACKEND, else "qt" when
// $DISPLAY or $WAYLAND_DISPLAY is set and a Qt backend is linked, else "headless"; then
// loads the resources (FindResourceDir). Returns false if no backend could start.
bool Init(int argc, char** argv);
// Starts with the given backend and resource folder ("" loads none).
bool InitWithBackend(std::unique_ptr<Backend> backend, const std::string& resourceDirUtf8);
// Destroys every window that is left, releases waiting senders, stops the backend.
void Shutdown();
bool IsInitialized();
Backend* GetBackend();
// "qt" or "headless"; the choice Init makes for these arguments and this environment.
std::string ChooseBackendName(int argc, char** argv);

bool IsUiThread();
// Runs the message loop until PostQuitMessage; returns its exit code.
int RunMessageLoop();
void PostQuitMessage(int exitCode);
// Handles everything that is due now (queued messages, due timers, backend events)
// without waiting; returns true if anything was handled. UI thread.
bool PumpPending();

// ---- Messages by handle (any thread) ----
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool IsWindow(HWND hwnd);
// Runs `fn` on the UI thread and waits for it (runs it at once on the UI thread).
void RunOnUiThread(const std::function<void()>& fn);
// Queues `fn` for the UI thread and returns.
void PostToUiThread(std::function<void()> fn);

// ---- Message boxes (any thread; marshalled to the UI thread, the caller waits) ----
// Returns IDOK, IDYES, IDNO or IDCANCEL.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);
// With the application name as caption (the "default caption").
int AfxMessageBox(const std::string& text, UINT flags = MB_OK);
void SetAppName(const std::string& nameGbk);
std::string GetAppName();

// ---- Time ----
// Milliseconds of the framework's clock (virtual in the headless backend); timers use it.
std::int64_t GetTickCount();

// ---- Desktop ----
Rect GetWorkArea();
Size GetScreenSize();
// False where the desktop places top-level windows itself and ignores the program's
// positions (a native Wayland session).
bool CanPlaceWindows();
int GetSystemMetrics(int index);
Point GetCursorPos();
enum class Cursor { Arrow, Hand };
void SetCursor(Cursor cursor);
HWND GetForegroundWindow();
// Whether a key is held: the high bit (0x8000) is set while VK_CONTROL or VK_SHIFT is down,
// as reported with the last key or mouse input.
short GetKeyState(int vk);
HWND GetFocus();
// The operating system's major version as the system's checks expect it (always >= 4).
int GetSystemMajorVersion();
// Full-window dragging is the only way windows move here; kept for the callers.
inline void SetDragFullWindows(bool) {}

// ---- Notification-area icon ----
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x1;
constexpr UINT NIF_ICON = 0x2;
constexpr UINT NIF_TIP = 0x4;
struct NotifyIconData {
    DWORD cbSize = 504;
    HWND hWnd = kNoWindow;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = 0;
    char szTip[128] = {};  // GBK, zero-terminated
};
// Mouse events on the icon reach hWnd as uCallbackMessage with wParam = uID and
// lParam = WM_RBUTTONUP, WM_LBUTTONDBLCLK, ... Returns false when the desktop has no
// notification area or the operation failed.
bool Shell_NotifyIcon(DWORD op, const NotifyIconData* data);

// ---- Sound ----
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;
constexpr UINT SND_RESOURCE = 0x00040004;
// Plays a WAVE resource; silent and harmless without an audio device or resource.
bool PlaySound(UINT resourceId, UINT flags);
// The same for a WAVE resource of a module (the control library's own sounds).
class Resources;
bool PlaySound(const Resources& module, UINT resourceId, UINT flags);

// ---- Shell and processes ----
// Opens an address in the user's default browser (xdg-open); text is GBK.
bool OpenUrl(const std::string& url);
// Starts the program again; with no arguments given, with those of this run.
bool StartNewInstance(const std::vector<std::string>& args = {});
void SetCommandLine(int argc, char** argv);
// The folder of the running program, with a trailing "/".
std::string GetModuleDir();
struct TopLevelWindow {
    std::uint64_t id = 0;  // backend's id; for the program's own windows, the HWND
    std::string title;     // GBK
    bool own = false;      // one of this program's windows
    bool visible = false;
};
// Top-level windows in z order, topmost first: the program's own and, where the desktop
// lets us see them, those of other programs.
std::vector<TopLevelWindow> EnumTopLevelWindows();
bool BringToForeground(const TopLevelWindow& window);

// ---- Socket readiness as window messages ----
constexpr long FD_READ = 0x01;
constexpr long FD_CLOSE = 0x20;
// Delivers readiness of socket `fd` to `hwnd` as `message` with wParam = fd and
// lParam = FD_READ or FD_CLOSE. A read notice is not repeated until the window has handled
// the previous one; FD_CLOSE comes once, when the peer has closed or the socket failed.
// events = 0, or closing the window, ends the watch. Returns false for a bad fd or window.
bool AsyncSelect(int fd, HWND hwnd, UINT message, long events);

}  // namespace fw
