#pragma once
// The headless backend: no display, a virtual clock, and records of everything a desktop
// would have shown (message boxes, menus, tray icons, sounds, shell calls). Tests drive it
// through these functions; a display-less run of the program uses it as it is.
//
// The functions below act on the running headless backend and must be called after
// fw::Init/InitWithBackend with it; they may be called from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/Types.h"

namespace fw::headless {

std::unique_ptr<Backend> CreateBackend();
// True when the running backend is the headless one.
bool Active();

// ---- Virtual clock ----
std::int64_t Now();
// Moves the clock forward by `ms`, firing every timer that falls due on the way, in the
// order of their due times (a periodic timer fires as often as its period fits). Runs on
// the UI thread (waits for it when called from another thread).
void AdvanceClock(std::int64_t ms);

// ---- Desktop ----
void SetScreen(Size screen, Rect workArea);
void SetCursorPos(Point p);
void SetTrayAvailable(bool available);
// False plays a desktop that places windows itself (fw::CanPlaceWindows); true at start.
void SetCanPlaceWindows(bool canPlace);
// Windows of other programs that EnumTopLevelWindows reports (behind the program's own).
void SetForeignWindows(std::vector<TopLevelWindow> windows);
// The cursor shape last chosen (SetCursor, or the arrow when no window chose one).
Cursor CurrentCursor();

// ---- Message boxes ----
struct MessageBoxRecord {
    HWND owner = kNoWindow;
    std::string text;     // GBK
    std::string caption;  // GBK
    UINT flags = 0;       // MB_* buttons and icon
    int answer = 0;
};
// Answers for the next message boxes, in order. When none is left a box is answered with
// IDOK (OK boxes), IDNO (yes/no) or IDCANCEL (OK/cancel).
void ScriptMessageBoxes(std::vector<int> answers);
std::vector<MessageBoxRecord> MessageBoxes();

// ---- Menus ----
struct MenuRecord {
    HWND owner = kNoWindow;
    Point at;
    std::vector<UINT> itemIds;  // the command ids shown, separators left out
    std::vector<std::string> itemTexts;
    UINT defaultId = 0;
    UINT chosen = 0;
};
// Choices for the next menus, in order (0 dismisses); with none left a menu is dismissed.
void ScriptMenus(std::vector<UINT> choices);
std::vector<MenuRecord> Menus();

// ---- Tray, sound, shell, windows ----
struct TrayRecord {
    DWORD op = 0;
    NotifyIconData data;
    bool result = false;
};
std::vector<TrayRecord> TrayCalls();
// The icons in the notification area now.
std::vector<NotifyIconData> TrayIcons();
std::vector<UINT> SoundsPlayed();
std::vector<std::string> UrlsOpened();
struct ProcessRecord {
    std::string program;
    std::vector<std::string> args;
};
std::vector<ProcessRecord> ProcessesStarted();
std::vector<HWND> SystemMoves();
std::vector<HWND> ForegroundCalls();
std::vector<std::uint64_t> ForeignForegroundCalls();

// ---- Modal loops ----
// Called on the UI thread each time a modal dialog's loop starts, with the dialog. Tests
// use it to act inside DoModal.
void SetModalHook(std::function<void(HWND dialog)> hook);
// A modal loop that has had nothing to do for this long (real time) ends itself with
// kDialogAborted, so that a test that forgot to close a dialog fails instead of hanging.
void SetStallTimeoutMs(int ms);

// Forgets every record and script (the clock and windows stay).
void ClearRecords();

}  // namespace fw::headless
