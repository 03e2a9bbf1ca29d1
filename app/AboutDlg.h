#pragma once
// The about box (dialog 100): the program's name and version, closed with its OK button.

#include "platform/Window.h"

class CAboutDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 100;
    explicit CAboutDlg(fw::Window* parent = nullptr);
};
