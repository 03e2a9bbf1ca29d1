#pragma once
// The board's message dialog: a topmost, skinned frame around the thread page. Its close button
// only hides it and tells its owner, which builds a new one for every later thread link.

#include <functional>
#include <memory>

#include "platform/Window.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinFrame.h"

class CLeavewordcontentHtmlDlg;

class CSeachStockChildDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 282;
    static constexpr fw::UINT kMinimize = 1096;
    static constexpr fw::UINT kInactive = 1097;
    static constexpr fw::UINT kClose = 1098;
    static constexpr fw::UINT kTitlePicture = 1099;
    static constexpr int kWidth = 1005;
    static constexpr int kHeight = 728;
    static constexpr fw::Rect kPageRect{0, 48, 1005, 48 + 663};

    explicit CSeachStockChildDlg(fw::Window* parent = nullptr);
    ~CSeachStockChildDlg() override;

    // Called when the user closes the dialog (button 1098, the desktop's close, Escape, or the
    // thread page's own OK and Cancel elements).
    void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
    CLeavewordcontentHtmlDlg* ContentPage() const { return content_.get(); }

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnPaint(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnOK() override {}
    void OnCancel() override { Close(); }

private:
    void Close();

    std::unique_ptr<CLeavewordcontentHtmlDlg> content_;
    CSkinFrame frame_;
    CMyDrawBtn minimize_;
    CMyDrawBtn inactive_;
    CMyDrawBtn close_;
    std::function<void()> onClosed_;
};
