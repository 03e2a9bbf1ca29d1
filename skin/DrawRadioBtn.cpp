#include "skin/DrawRadioBtn.h"

void CDrawRadioBtn::DrawItem(const fw::DrawItemStruct& dis) {
    if (dis.canvas == nullptr) {
        return;
    }
    fw::Canvas& dc = *dis.canvas;
    dc.DrawButtonFrame(dis.rcItem, (dis.itemState & fw::ODS_SELECTED) != 0);
    const fw::Color old = dc.SetTextColor(kTextColor);
    dc.DrawText(GetWindowText(), dis.rcItem, fw::DT_SINGLELINE | fw::DT_CENTER | fw::DT_VCENTER);
    dc.SetTextColor(old);
}

fw::LRESULT CDrawRadioBtn::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    const fw::LRESULT r = fw::Button::WindowProc(message, wParam, lParam);
    if (message == fw::WM_LBUTTONUP) {
        if (fw::Window* parent = GetParent()) {
            parent->ShowWindow(fw::SW_SHOW);
        }
    }
    return r;
}
