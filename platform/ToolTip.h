#pragma once
// A tooltip control: rectangles ("tools") of an owner window, each with an id and a text,
// and one small pop-up that shows the text of the tool under the pointer once the pointer
// has rested there. The owner passes its mouse messages on with RelayEvent (what the
// desktop's TTM_RELAYEVENT does); the tip goes when the pointer leaves the tool, on a button
// press, after a while, and with its owner.

#include <string>
#include <vector>

#include "platform/Window.h"

namespace fw {

class ToolTipCtrl : public Window {
public:
    static constexpr UINT kInitialDelayMs = 500;
    static constexpr UINT kAutoPopMs = 5000;
    static constexpr Color kDefaultBackColor = RGB(255, 255, 225);

    // The pop-up is created hidden, owned by `owner`.
    bool Create(Window* owner);
    // `rect` is in the owner's client coordinates; an id used twice replaces the tool.
    bool AddTool(UINT id, const Rect& rect, const std::string& text);
    int GetToolCount() const { return int(tools_.size()); }
    bool GetToolText(UINT id, std::string& text) const;
    bool GetToolRect(UINT id, Rect& rect) const;
    void SetTipTextColor(Color color);
    Color GetTipTextColor() const { return textColor_; }
    // A mouse message of the owner, in its client coordinates.
    void RelayEvent(const Msg& msg);
    // The window whose rectangles the tools are.
    HWND Owner() const { return owner_; }
    // The text of the tool under `p` (owner's client coordinates), for screen readers.
    bool ToolTextAt(Point p, std::string& text) const;
    // The tool whose text shows now; 0 when the tip is hidden.
    UINT ShownTool() const { return shown_; }

    void OnPaint(Canvas& canvas) override;
    bool OnEraseBkgnd(Canvas& canvas) override;
    void OnTimer(UINT id) override;

private:
    struct Tool {
        UINT id = 0;
        Rect rect;
        std::string text;
    };
    const Tool* ToolAt(Point p) const;
    void Show(const Tool& tool);
    void Hide();

    std::vector<Tool> tools_;
    HWND owner_ = kNoWindow;
    Color textColor_ = RGB(0, 0, 0);
    UINT pending_ = 0;  // the tool the pointer rests on, waiting for the delay
    UINT shown_ = 0;
    Point lastPoint_;
};

}  // namespace fw
