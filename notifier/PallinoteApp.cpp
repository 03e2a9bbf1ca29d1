#include "notifier/PallinoteApp.h"

#include <new>

#include "notifier/PopupRegistry.h"

CPallinoteApp::CPallinoteApp() {
    InitInstance();
}

CPallinoteApp::~CPallinoteApp() {
    ExitInstance();
}

bool CPallinoteApp::InitInstance() {
    popups_ = new (std::nothrow) PopupRegistry;
    return true;
}

int CPallinoteApp::ExitInstance() {
    if (popups_ != nullptr) {
        popups_->Clear();
        delete popups_;
        popups_ = nullptr;
    }
    return 0;
}

CPallinoteApp& ThePallinoteApp() {
    static CPallinoteApp app;
    return app;
}
