#include "skin/SkinBtn.h"

#include "platform/Framework.h"

std::atomic<fw::HWND> CSkinBtn::s_mainWindow{fw::kNoWindow};

void CSkinBtn::HandleMouseMove(fw::UINT keys, fw::Point p) {
    if ((m_bHover || !m_bTracking) && GetDlgCtrlID() == kNotifyingId) {
        fw::HWND target = MainWindow();
        if (target == fw::kNoWindow) {
            if (fw::Window* top = GetTopLevelParent()) {
                target = top->GetSafeHwnd();
            }
        }
        fw::SendMessage(target, kHoverMessage, 0, 0);
    }
    CMyDrawBtn::HandleMouseMove(keys, p);
}
