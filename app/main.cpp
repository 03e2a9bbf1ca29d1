// Orvanel: the program's entry point. Picks the backend, then runs the application.
//
// Start-up trace: with VQ_STARTUP_TRACE=1 the program prints one line per start-up
// milestone with the milliseconds since launch; with VQ_SCREENSHOT_DIR set it also saves
// the framework's picture of the login dialog and of the main window there.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

// The one place that knows every subsystem.
#include "app/OrvanelApp.h"
#include "forms/Forms.h"
#include "messaging/Messaging.h"
#include "messaging/log/MessageLog.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/headless/Headless.h"
#include "portal/Portal.h"

#ifdef VQ_HAVE_QT
#include "platform/qt/QtNotifications.h"
#include "platform/qt/QtRegister.h"
#endif
#ifdef VQ_HAVE_QTWEB
#include "platform/qt/web/QtWebRegister.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

const char* EventName(StartupEvent event) {
    switch (event) {
        case StartupEvent::kLoginShown:
            return "login-shown";
        case StartupEvent::kLoginStarted:
            return "login-started";
        case StartupEvent::kMainShown:
            return "main-shown";
        case StartupEvent::kIdentity:
            return "identity";
        case StartupEvent::kHomeFilled:
            return "home-filled";
    }
    return "?";
}

void SaveScreenshot(const std::string& dir, const char* name, fw::HWND window) {
    const std::string path = dir + "/" + name + ".png";
    fw::RunOnUiThread([&] {
        if (fw::IsWindow(window) && fw::RenderWindow(window).SavePng(path)) {
            std::printf("[startup] screenshot %s\n", path.c_str());
        }
    });
}

// `onLoginShown` runs once, after the login dialog is on screen.
void InstallStartupObserver(Clock::time_point launch, std::function<void()> onLoginShown) {
    const char* trace = std::getenv("VQ_STARTUP_TRACE");
    const char* shots = std::getenv("VQ_SCREENSHOT_DIR");
    const bool tracing =
        (trace != nullptr && *trace != '\0') || (shots != nullptr && *shots != '\0');
    const std::string dir = shots != nullptr ? shots : "";
    SetStartupObserver([launch, dir, tracing, onLoginShown](StartupEvent event, fw::HWND window) {
        if (event == StartupEvent::kLoginShown && onLoginShown) {
            fw::PostToUiThread(onLoginShown);
        }
        if (!tracing) {
            return;
        }
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - launch).count();
        std::printf("[startup] %s %lld ms\n", EventName(event), static_cast<long long>(ms));
        std::fflush(stdout);
        if (dir.empty()) {
            return;
        }
        if (event == StartupEvent::kLoginShown) {
            SaveScreenshot(dir, "login", window);
        } else if (event == StartupEvent::kHomeFilled) {
            SaveScreenshot(dir, "main", window);
        }
    });
}

// Without a display the headless backend runs the program unseen: its clock follows real
// time and its dialogs wait as long as a person would.
class HeadlessClock {
public:
    HeadlessClock() {
        if (!fw::headless::Active()) {
            return;
        }
        fw::headless::SetStallTimeoutMs(-1);
        thread_ = std::thread([this] {
            auto last = Clock::now();
            while (!stop_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                const auto now = Clock::now();
                fw::headless::AdvanceClock(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
                last = now;
            }
        });
    }
    ~HeadlessClock() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point launch = Clock::now();
#ifdef VQ_HAVE_QT
    fw::qt::RegisterBackend();
#endif
    fw::SetCommandLine(argc, argv);
    if (!fw::Init(argc, argv)) {
        std::fprintf(stderr, "Orvanel: no user interface could be started\n");
        return 1;
    }
#ifdef VQ_HAVE_QT
    if (!fw::headless::Active()) {
        fw::qt::EnableDesktopNotifications();
    }
#endif
    std::function<void()> startBrowser;
#ifdef VQ_HAVE_QTWEB
    // The browser engine's first start takes a good part of a second: it is made while the
    // user types, once the login dialog is up, instead of before it.
    if (fw::ChooseBackendName(argc, argv) == "qt" && !fw::headless::Active()) {
        startBrowser = [] { fw::qt::RegisterWebView(); };
    }
#endif
    InstallStartupObserver(launch, startBrowser);
    // A log left open reads as a crash to the next start, which then checks the whole file.
    SetBeforeProcessEnd([] { CloseMessageLog(); });
    int code = 0;
    {
        HeadlessClock clock;
        CMessaging messaging;
        CForms forms;
        CPortal portal(messaging, forms);
        COrvanelApp app(Subsystems{&portal, &messaging, &forms});
        code = app.Run();
    }
    fw::Shutdown();
    return code;
}
