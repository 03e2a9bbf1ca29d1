#pragma once
// The portal subsystem as the main window sees it (session/Subsystems.h): it makes the page
// dialog, wired to the messaging and forms subsystems it is given, and the settings page.

#include <memory>
#include <string>

#include "session/Subsystems.h"

class CPortal : public IPortal {
public:
    // `messaging` and `forms` outlive every page made here. `pageFolder` is where the page
    // files are found (GBK, trailing separator); empty: beside the program.
    CPortal(IMessaging& messaging, IForms& forms, std::string pageFolder = {});

    std::unique_ptr<fw::Dialog> MakePortalPage(fw::Window* mainWindow) override;
    void CallScript(fw::Dialog& portalPage, const std::string& function) override;
    std::unique_ptr<fw::Dialog> MakeSystemSettingsPage(fw::Window* mainWindow) override;

private:
    IMessaging& messaging_;
    IForms& forms_;
    std::string pageFolder_;
};
