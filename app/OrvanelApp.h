#pragma once
// The application object: start-up in order (common set-up, the notifier control's
// registration, the program folder, the skin, the login dialog, the main window), and
// the few process-wide services the windows share (ending the process, skinned buttons).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "platform/Window.h"
#include "session/Subsystems.h"

class CSkin;

// Ends the process with `code`. Every way out of the program goes through here so that
// tests can replace the ending with a record (the hook runs on the caller's thread).
void EndProcess(int code);
void SetEndProcessHook(std::function<void(int)> hook);
// What must still happen when the process ends without destructors: files that tell of an
// unclean end while they stay open. Runs on the ending thread, not when a hook is set.
void SetBeforeProcessEnd(std::function<void()> step);

// Milestones of start-up, for the program's start-up trace and its screenshots. The
// observer runs on the thread that reaches the milestone (kHomeFilled: the worker).
enum class StartupEvent {
    kLoginShown,    // the login dialog is up and its loop runs
    kLoginStarted,  // a login request was queued
    kMainShown,     // the main window is up
    kIdentity,      // the user's identity reached the portal page
    kHomeFilled,    // the portal page has handled the home page's reply
};
using StartupObserver = std::function<void(StartupEvent event, fw::HWND window)>;
void SetStartupObserver(StartupObserver observer);
void NotifyStartup(StartupEvent event, fw::HWND window);

// The drawn buttons of one dialog: takes over push button `id` of `parent` and gives it four
// bitmap resources (normal, mouse over, pressed, disabled).
class CButtonSkins {
public:
    CButtonSkins();
    ~CButtonSkins();
    CButtonSkins(const CButtonSkins&) = delete;
    CButtonSkins& operator=(const CButtonSkins&) = delete;

    void Skin(fw::Window* parent, fw::UINT id, fw::UINT normal, fw::UINT hover, fw::UINT pressed,
              fw::UINT disabled);
    // Buttons of the main window also report hovering to it.
    void SetMainWindowButtons(bool on) { mainWindow_ = on; }
    std::size_t Count() const { return buttons_.size(); }

private:
    std::vector<std::unique_ptr<fw::Window>> buttons_;
    bool mainWindow_ = false;
};

class COrvanelApp {
public:
    static constexpr const char* kSkinName = "标准风格";  // UTF-8; the skin folder's name
    static constexpr const char* kControlFile = "Pallinote.ocx";
    static constexpr const char* kRegistryKey = "应用程序向导生成的本地应用程序";
    static constexpr fw::HICON kMainIcon = 128;

    // The windows of the portal, messaging and forms come from `subsystems`, whose objects
    // outlive the application.
    explicit COrvanelApp(const Subsystems& subsystems);
    ~COrvanelApp();

    // Start-up to the end of the program: returns the process's exit code, 1 without
    // starting anything when a subsystem is missing.
    int Run();

    // Steps of Run, in order.
    void InitCommon();
    // Loads the notifier control library from the program folder and registers it; silent.
    bool RegisterNotifierControl();
    void LoadSkin();
    // The login dialog, then the main window when the login succeeded (result 2).
    int RunDialogs();

    // The program's folder, ending with "/" (UTF-8).
    const std::string& ProgramDir() const { return programDir_; }
    void SetProgramDir(std::string dir) { programDir_ = std::move(dir); }
    CSkin* Skin() const { return skin_.get(); }

private:
    Subsystems subsystems_;
    std::string programDir_;
    std::shared_ptr<CSkin> skin_;
};
