#pragma once
// The forms subsystem as the other windows see it (session/Subsystems.h): the portal opens
// the questionnaire and the custom request, the main window makes the personal settings
// window, the login dialog the network settings dialog.

#include <memory>

#include "session/Subsystems.h"

class CQuestionnaireDlg;
class CCustomRequestDlg;

class CForms : public IForms {
public:
    CForms();
    ~CForms() override;

    void OpenQuestionnaire(fw::Window& portalPage) override;
    void OpenCustomRequest(fw::Window& portalPage) override;
    std::unique_ptr<fw::Dialog> MakeSettingsDialog(fw::Window* mainWindow) override;
    std::unique_ptr<fw::Dialog> MakeNetSettingsDialog(fw::Window* loginDialog) override;

    // The two forms once opened (null before); tests fill them in.
    CQuestionnaireDlg* Questionnaire() const { return questionnaire_.get(); }
    CCustomRequestDlg* CustomRequest() const { return customRequest_.get(); }

private:
    std::unique_ptr<CQuestionnaireDlg> questionnaire_;
    std::unique_ptr<CCustomRequestDlg> customRequest_;
};
