#include "app/OrvanelApp.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/ControlRegistration.h"
#include "app/LoginDlg.h"
#include "app/OrvanelDlg.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "skin/MyDrawBtn.h"
#include "skin/Skin.h"
#include "skin/SkinBtn.h"

namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

std::function<void(int)>& Hook() {
    static std::function<void(int)> hook;
    return hook;
}

std::function<void()>& BeforeEnd() {
    static std::function<void()> step;
    return step;
}

std::function<void(StartupEvent, fw::HWND)>& Observer() {
    static std::function<void(StartupEvent, fw::HWND)> observer;
    return observer;
}

}  // namespace

void SetStartupObserver(StartupObserver observer) {
    std::lock_guard lock(HookMutex());
    Observer() = std::move(observer);
}

void NotifyStartup(StartupEvent event, fw::HWND window) {
    StartupObserver observer;
    {
        std::lock_guard lock(HookMutex());
        observer = Observer();
    }
    if (observer) {
        observer(event, window);
    }
}

void SetEndProcessHook(std::function<void(int)> hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}

void SetBeforeProcessEnd(std::function<void()> step) {
    std::lock_guard lock(HookMutex());
    BeforeEnd() = std::move(step);
}

void EndProcess(int code) {
    std::function<void(int)> hook;
    std::function<void()> before;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
        before = BeforeEnd();
    }
    if (hook) {
        hook(code);
        return;
    }
    if (before) {
        before();
    }
    // Like the desktop's process end: no destructors, no waiting for the worker.
    std::fflush(nullptr);
    _exit(code);
}

// ---- Drawn buttons ----

CButtonSkins::CButtonSkins() = default;
CButtonSkins::~CButtonSkins() = default;

void CButtonSkins::Skin(fw::Window* parent, fw::UINT id, fw::UINT normal, fw::UINT hover,
                        fw::UINT pressed, fw::UINT disabled) {
    std::unique_ptr<CMyDrawBtn> button;
    if (mainWindow_) {
        CSkinBtn::SetMainWindow(parent->GetSafeHwnd());
        button = std::make_unique<CSkinBtn>();
    } else {
        button = std::make_unique<CMyDrawBtn>();
    }
    if (!button->SubclassDlgItem(id, parent)) {
        return;
    }
    button->SetBitmaps(normal, hover, pressed, disabled);
    buttons_.push_back(std::move(button));
}

// ---- The application ----

COrvanelApp::COrvanelApp(const Subsystems& subsystems) : subsystems_(subsystems) {}

COrvanelApp::~COrvanelApp() = default;

void COrvanelApp::InitCommon() {
    // The message log's lock is a process-wide mutex that needs no set-up; the registry key
    // of the framework's profile storage has no counterpart here.
    fw::SetAppName("Orvanel");
    if (programDir_.empty()) {
        programDir_ = fw::GetModuleDir();
    }
}

bool COrvanelApp::RegisterNotifierControl() {
    return ::RegisterNotifierControl(programDir_);
}

void COrvanelApp::LoadSkin() {
    auto skin = std::make_shared<CSkin>();
    skin->LoadSkin(programDir_, vq::Gbk(kSkinName));
    skin_ = std::move(skin);
}

int COrvanelApp::RunDialogs() {
    if (!subsystems_.Missing().empty()) {
        return 1;
    }
    int result = 0;
    {
        CLoginDlg login(*subsystems_.forms);
        result = static_cast<int>(login.DoModal());
    }
    if (result == CLoginDlg::kLoggedIn) {
        COrvanelDlg main(*subsystems_.portal, *subsystems_.forms);
        main.DoModal();
    }
    return 0;
}

int COrvanelApp::Run() {
    const std::vector<std::string_view> missing = subsystems_.Missing();
    if (!missing.empty()) {
        for (std::string_view name : missing) {
            std::fprintf(stderr, "Orvanel: cannot start: the %.*s subsystem is missing\n",
                         static_cast<int>(name.size()), name.data());
        }
        return 1;
    }
    InitCommon();
    RegisterNotifierControl();
    LoadSkin();
    return RunDialogs();
}
