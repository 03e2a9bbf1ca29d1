#pragma once
// The emoticon picker: a small pop-up grid of the emoticon pictures, ten to a row, with the
// code of each as its tooltip. A click on a picture sends the owner WM_COMMAND with id
// 10000 + index and closes the picker; losing the keyboard focus closes it too. The object
// owns itself: make it with new, and it deletes itself once its window is gone.

#include "platform/ToolTip.h"
#include "platform/Window.h"

class CImageList;

class CImageSelector : public fw::Window {
public:
    static constexpr int kColumns = 10;
    static constexpr int kCellMargin = 3;  // around each picture: cells are image + 6
    static constexpr fw::UINT kFirstToolId = 1000;
    static constexpr fw::UINT kFirstCommand = 10000;
    static constexpr fw::Color kTipTextColor = fw::RGB(0, 128, 128);

    // `images` must outlive the picker (the skin's list does).
    explicit CImageSelector(const CImageList& images);

    // Shows the picker with its top-left corner at screen point (x, y); `owner` receives
    // the choice. False when the window cannot be made; the object then deletes itself.
    bool Create(int x, int y, fw::Window* owner);
    // Made and shown in one step; null on failure.
    static CImageSelector* Show(const CImageList& images, int x, int y, fw::Window* owner);

    fw::Size CellSize() const { return cell_; }
    // The highlighted cell as (column, row); (-1, -1) when none.
    fw::Point Highlighted() const { return {hotColumn_, hotRow_}; }
    const fw::ToolTipCtrl& ToolTip() const { return tip_; }

    void OnPaint(fw::Canvas& canvas) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnMouseMove(fw::UINT keys, fw::Point p) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnLButtonUp(fw::UINT keys, fw::Point p) override;
    void OnKillFocus() override;
    void PostNcDestroy() override;

private:
    ~CImageSelector() override;
    void Relay(fw::UINT message, fw::UINT keys, fw::Point p);
    void DrawFrame(fw::Canvas& canvas, int column, int row, bool raised) const;

    const CImageList& images_;
    fw::HWND owner_ = fw::kNoWindow;
    fw::Size cell_;
    int hotColumn_ = -1;
    int hotRow_ = -1;
    bool closing_ = false;
    fw::ToolTipCtrl tip_;
};
