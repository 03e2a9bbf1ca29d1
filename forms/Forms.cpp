#include "forms/Forms.h"

#include "forms/CustomRequestDlg.h"
#include "forms/QuestionnaireDlg.h"
#include "forms/SettingMyInfoDlg.h"
#include "forms/SettingNetDlg.h"
#include "platform/Window.h"

namespace {

// Made on first use and shown on every use; made again only if its window went away with
// its owner.
template <typename Dlg>
void OpenOnce(std::unique_ptr<Dlg>& dialog, fw::Window& parent) {
    if (!dialog || !dialog->IsWindow()) {
        dialog = std::make_unique<Dlg>(&parent);
        if (!dialog->Create(&parent)) {
            dialog.reset();
            return;
        }
    }
    dialog->ShowWindow(fw::SW_SHOW);
}

}  // namespace

CForms::CForms() = default;
CForms::~CForms() = default;

void CForms::OpenQuestionnaire(fw::Window& portalPage) {
    OpenOnce(questionnaire_, portalPage);
}

void CForms::OpenCustomRequest(fw::Window& portalPage) {
    OpenOnce(customRequest_, portalPage);
}

std::unique_ptr<fw::Dialog> CForms::MakeSettingsDialog(fw::Window* mainWindow) {
    return std::make_unique<CSettingMyInfoDlg>(mainWindow);
}

std::unique_ptr<fw::Dialog> CForms::MakeNetSettingsDialog(fw::Window* loginDialog) {
    return std::make_unique<CSettingNetDlg>(loginDialog);
}
