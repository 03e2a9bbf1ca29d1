#pragma once
// The window that shows an outside web site inside the program (the quotes site, the
// stock-information site): a skinned top-level dialog with its own minimise, size and close
// buttons, switching between a large and a small layout. Closing hides it for the next use.

#include <memory>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Window.h"
#include "pagehost/HtmlCtrl.h"
#include "skin/MyDrawBtn.h"

constexpr fw::UINT IDD_LOADTHIRDNETPAGE = 268;
constexpr fw::UINT IDC_THIRD_MINIMIZE = 1079;
constexpr fw::UINT IDC_THIRD_MAXIMIZE = 1080;
constexpr fw::UINT IDC_THIRD_CLOSE = 1081;
constexpr fw::UINT IDC_THIRD_LEFT = 1082;
constexpr fw::UINT IDC_THIRD_RIGHT = 1083;
constexpr fw::UINT IDC_THIRD_TITLE = 1084;

class CLoadThirdNetPage : public fw::Dialog {
public:
    explicit CLoadThirdNetPage(fw::Window* pParent = nullptr);
    ~CLoadThirdNetPage() override;

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnLButtonDblClk(fw::UINT keys, fw::Point p) override;

    void Navigate(const std::string& url);
    void ToggleLayout();
    // 0 while the large layout shows, 1 while the small one does.
    int Layout() const { return m_nLayout; }
    CHtmlCtrl& HtmlCtrl() { return m_htmlCtrl; }
    const CMyDrawBtn& MaximizeButton() const { return m_btnMax; }

private:
    // The frame pieces, in the order they are loaded.
    enum Piece { kTopLeft, kTop, kTopRight, kBottomLeft, kBottom, kBottomRight, kPieces = 9 };
    void ApplyLayout(bool large);
    void SkinButtons();

    std::shared_ptr<const fw::Bitmap> m_bitmaps[kPieces];
    fw::Size m_sizes[kPieces];
    fw::Font m_font;
    CHtmlCtrl m_htmlCtrl;
    CMyDrawBtn m_btnMin;
    CMyDrawBtn m_btnMax;
    CMyDrawBtn m_btnClose;
    int m_nLayout = 0;
};
