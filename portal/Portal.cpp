#include "portal/Portal.h"

#include "portal/MyShowHtmlDlg.h"
#include "portal/SystemSettingHtmlDlg.h"

CPortal::CPortal(IMessaging& messaging, IForms& forms, std::string pageFolder)
    : messaging_(messaging), forms_(forms), pageFolder_(std::move(pageFolder)) {}

std::unique_ptr<fw::Dialog> CPortal::MakePortalPage(fw::Window* mainWindow) {
    auto page = std::make_unique<CMyShowHtmlDlg>(messaging_, forms_, mainWindow);
    if (!pageFolder_.empty()) {
        page->SetProgramDir(pageFolder_);
    }
    return page;
}

void CPortal::CallScript(fw::Dialog& portalPage, const std::string& function) {
    if (auto* page = dynamic_cast<CDHtmlDialog*>(&portalPage)) {
        page->WebPage().CallScript(function);
    }
}

std::unique_ptr<fw::Dialog> CPortal::MakeSystemSettingsPage(fw::Window* mainWindow) {
    return std::make_unique<CSystemSettingHtmlDlg>(mainWindow);
}
