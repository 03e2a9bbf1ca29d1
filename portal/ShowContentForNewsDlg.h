#pragma once
// The news viewer: a skinned, borderless top-level window framing the article page, with its
// own minimise, size and close buttons and a large and a small layout.

#include <memory>

#include "platform/Bitmap.h"
#include "platform/Window.h"
#include "skin/MyDrawBtn.h"

class CNewsContentShowDlg;

class CShowContentForNewsDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 228;
    static constexpr fw::UINT kMinimize = 1039;
    static constexpr fw::UINT kSizeToggle = 1040;
    static constexpr fw::UINT kClose = 1041;
    static constexpr fw::UINT kTitlePicture = 1048;
    static constexpr fw::UINT kDisableToggle = fw::WM_USER + 24;

    explicit CShowContentForNewsDlg(fw::Window* parent = nullptr);
    ~CShowContentForNewsDlg() override;

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnPaint(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnLButtonDblClk(fw::UINT keys, fw::Point p) override;

    void ToggleSize();
    bool IsLarge() const { return m_bLarge; }
    CNewsContentShowDlg* ContentPage() const { return m_pContent.get(); }

private:
    void LargeLayout();
    enum Piece { kTopLeft, kTop, kTopRight, kBottomLeft, kBottom, kBottomRight, kPieces };

    std::shared_ptr<const fw::Bitmap> m_bitmaps[kPieces];
    fw::Size m_sizes[kPieces];
    CMyDrawBtn m_btnMin;
    CMyDrawBtn m_btnSize;
    CMyDrawBtn m_btnClose;
    std::unique_ptr<CNewsContentShowDlg> m_pContent;
    bool m_bLarge = false;
};
