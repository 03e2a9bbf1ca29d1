#pragma once
// A small owner-drawn push button with its text in red; releasing the mouse on it also
// shows its parent window.

#include "platform/Window.h"

class CDrawRadioBtn : public fw::Button {
public:
    static constexpr fw::Color kTextColor = fw::RGB(255, 0, 0);

    void DrawItem(const fw::DrawItemStruct& dis) override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
};
