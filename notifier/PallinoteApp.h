// The library's module object: start and end of the library, the module lock
// that DllCanUnloadNow reads, the process-wide message counter and pop-up
// registry.
#pragma once

#include <memory>

#include "com/Unknown.h"

class PopupRegistry;

class CPallinoteApp {
public:
    CPallinoteApp();
    ~CPallinoteApp();
    CPallinoteApp(const CPallinoteApp&) = delete;
    CPallinoteApp& operator=(const CPallinoteApp&) = delete;

    bool InitInstance();
    int ExitInstance();

    // Null when it could not be made.
    PopupRegistry* Popups() const { return popups_; }
    ModuleLock& Lock() { return lock_; }
    // Starts at 1000 and is increased before each message, so the first id is 1001.
    int NextMessageId() { return ++messageCounter_; }
    // For tests that start from a known counter.
    void ResetMessageCounter() { messageCounter_ = 1000; }

private:
    PopupRegistry* popups_ = nullptr;
    ModuleLock lock_;
    int messageCounter_ = 1000;
};

// The one module object, made when first asked for (at library load).
CPallinoteApp& ThePallinoteApp();
