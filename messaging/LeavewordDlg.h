#pragma once
// The board's compose window: a title and a content, posted as a new message. Made once with
// the desktop as parent; posting leaves it open with empty fields, closing only hides it.

#include "platform/Window.h"
#include "skin/MyDrawBtn.h"

class CLeavewordDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 279;
    static constexpr fw::UINT kTitleEdit = 1073;
    static constexpr fw::UINT kContentEdit = 1074;
    static constexpr fw::UINT kPost = 1093;
    static constexpr fw::UINT kClose = 1094;
    static constexpr fw::UINT kMinimize = 1095;
    static constexpr fw::UINT kBackground = 281;
    static constexpr int kWidth = 519;
    static constexpr int kHeight = 408;
    static constexpr int kTitleLimit = 84;
    static constexpr int kContentLimit = 1000;

    explicit CLeavewordDlg(fw::Window* parent = nullptr);
    ~CLeavewordDlg() override;

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    // Enter in the title edit must not take the window away with the text in it.
    void OnOK() override {}
    void OnCancel() override;

    // Button 1093: queues the new message, or says what is missing.
    void Post();

private:
    CMyDrawBtn post_;
    CMyDrawBtn close_;
    CMyDrawBtn minimize_;
};
