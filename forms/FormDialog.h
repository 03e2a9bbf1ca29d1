#pragma once
// What the forms' dialogs share: a background bitmap drawn on erase (optionally with the
// corners cut), moving the window by a press anywhere, drawn buttons, and the "提示" box.

#include <memory>
#include <string_view>
#include <vector>

#include "platform/Window.h"

class CMyDrawBtn;

class CFormDialog : public fw::Dialog {
public:
    struct Look {
        fw::UINT background = 0;  // bitmap resource drawn at the origin
        bool cutCorners = false;  // the window's shape leaves out the magenta corners
        bool drag = false;        // a left-button press anywhere moves the window
    };

    CFormDialog(fw::UINT templateId, fw::Window* parent, Look look);
    ~CFormDialog() override;

    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;

protected:
    // Takes over push button `id` as a drawn button with the four bitmaps.
    void SkinButton(fw::UINT id, fw::UINT normal, fw::UINT hover, fw::UINT pressed,
                    fw::UINT disabled);
    void SkinButton(fw::UINT id, fw::UINT all) { SkinButton(id, all, all, all, all); }
    // The close button of the small dialogs.
    void SkinCloseButton(fw::UINT id) { SkinButton(id, 140, 134, 135, 140); }
    // A message box with the caption "提示" and the exclamation icon; `utf8` is the text.
    void Tip(std::string_view utf8);

private:
    Look look_;
    std::vector<std::unique_ptr<CMyDrawBtn>> buttons_;
};
