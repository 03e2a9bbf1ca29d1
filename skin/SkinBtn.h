#pragma once
// The main window's drawn buttons: a CMyDrawBtn that, as button 1005, also tells the
// application's main window (message 1027) of every mouse move after the first.

#include <atomic>

#include "skin/MyDrawBtn.h"

class CSkinBtn : public CMyDrawBtn {
public:
    static constexpr fw::UINT kNotifyingId = 1005;
    static constexpr fw::UINT kHoverMessage = fw::WM_USER + 3;

    // The application's main window; until one is set, the button's own top-level window.
    static void SetMainWindow(fw::HWND hwnd) { s_mainWindow.store(hwnd); }
    static fw::HWND MainWindow() { return s_mainWindow.load(); }

protected:
    void HandleMouseMove(fw::UINT keys, fw::Point p) override;

private:
    static std::atomic<fw::HWND> s_mainWindow;
};
