#include "forms/Forms.h"

#include "platform/Window.h"

CForms::CForms() = default;
CForms::~CForms() = default;

void CForms::OpenQuestionnaire(fw::Window& portalPage) {
    (void)portalPage;
}

void CForms::OpenCustomRequest(fw::Window& portalPage) {
    (void)portalPage;
}

std::unique_ptr<fw::Dialog> CForms::MakeSettingsDialog(fw::Window* mainWindow) {
    return std::make_unique<fw::Dialog>(238, mainWindow);
}

std::unique_ptr<fw::Dialog> CForms::MakeNetSettingsDialog(fw::Window* loginDialog) {
    return std::make_unique<fw::Dialog>(190, loginDialog);
}
