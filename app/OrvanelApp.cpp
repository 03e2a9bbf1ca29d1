#include "app/OrvanelApp.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/ControlRegistration.h"
#include "app/LoginDlg.h"
#include "app/OrvanelDlg.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"

#ifdef VQ_HAVE_SKIN
#include "skin/MyDrawBtn.h"
#include "skin/Skin.h"
#include "skin/SkinBtn.h"
#endif

namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

std::function<void(int)>& Hook() {
    static std::function<void(int)> hook;
    return hook;
}

std::atomic<COrvanelApp*> g_current{nullptr};

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

void EndProcess(int code) {
    std::function<void(int)> hook;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
    }
    if (hook) {
        hook(code);
        return;
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
#ifdef VQ_HAVE_SKIN
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
#else
    (void)parent, (void)id, (void)normal, (void)hover, (void)pressed, (void)disabled;
#endif
}

// ---- The application ----

COrvanelApp::COrvanelApp() {
    g_current = this;
}

COrvanelApp::~COrvanelApp() {
    COrvanelApp* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

COrvanelApp* COrvanelApp::Current() {
    return g_current.load();
}

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
#ifdef VQ_HAVE_SKIN
    auto skin = std::make_shared<CSkin>();
    skin->LoadSkin(programDir_, vq::Gbk(kSkinName));
    skin_ = std::move(skin);
#endif
}

int COrvanelApp::RunDialogs() {
    int result = 0;
    {
        CLoginDlg login;
        result = static_cast<int>(login.DoModal());
    }
    if (result == CLoginDlg::kLoggedIn) {
        COrvanelDlg main;
        main.DoModal();
    }
    return 0;
}

int COrvanelApp::Run() {
    InitCommon();
    RegisterNotifierControl();
    LoadSkin();
    return RunDialogs();
}
