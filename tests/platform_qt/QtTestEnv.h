#pragma once
// What the Qt backend's tests share: a process environment that touches no user files,
// an X server of their own when a test needs one, and a driver that answers the message
// boxes and menus Qt shows, as a user would, from a script.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/qt/QtBackend.h"

class QMessageBox;
class QMenu;

namespace qttest {

// Points HOME and XDG_RUNTIME_DIR at a fresh temporary folder (unless they already are
// temporary, as scripts/test.sh makes them) and selects the Qt platform plug-in.
class Environment {
public:
    explicit Environment(const std::string& platform);
    ~Environment();
    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// Xvfb on a free display number, ended by its pid.
class XServer {
public:
    XServer() = default;
    ~XServer() { Stop(); }
    // False when Xvfb is not installed or does not come up within a few seconds.
    bool Start();
    void Stop();
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// A Qt backend as the tests use it: modal loops run the test's hook and give up after
// ten idle seconds instead of hanging.
std::unique_ptr<fw::Backend> MakeBackend();
fw::qt::QtBackend* Backend();
void SetModalHook(std::function<void(fw::HWND)> hook);
// Runs the loop for `ms` real milliseconds.
void LetTimePass(int ms);
// Runs the loop until `done` or `maxMs` passed.
bool PumpUntil(const std::function<bool()>& done, int maxMs = 3000);

struct BoxRecord {
    std::string text;     // GBK
    std::string caption;  // GBK
    fw::UINT flags = 0;   // read back from the widget: buttons and icon
    int answer = 0;
};
struct MenuRecord {
    std::vector<std::string> texts;  // GBK, separators left out
    std::vector<std::string> bold;   // the items shown as default
    fw::UINT chosen = 0;
};

// Answers the next boxes (IDOK, IDYES, IDNO, IDCANCEL; 0 closes the box with Escape).
// Without a script a box gets IDOK, IDNO or IDCANCEL, as the headless backend does.
void ScriptMessageBoxes(std::vector<int> answers);
std::vector<BoxRecord> MessageBoxesSeen();
// Chooses the next menu items by id (0 dismisses the menu).
void ScriptMenus(std::vector<fw::UINT> choices);
std::vector<MenuRecord> MenusSeen();
// A box is answered only once `ready` says so (the driver polls every few milliseconds).
void HoldMessageBoxesUntil(std::function<bool()> ready);
void ResetDriver();
// Puts a stand-in for the desktop's opener first on PATH, so that addresses handed to the
// browser are written down in `dir` instead (until ResetDriver); UrlsOpened waits up to three
// seconds for at least `atLeast` of them and returns them in order (GBK).
void CaptureOpenedUrls(const std::filesystem::path& dir);
std::vector<std::string> UrlsOpened(std::size_t atLeast);
// Stops and restarts the driver's polling (tests of the loop's waits).
void PauseDriver(bool paused);

}  // namespace qttest
