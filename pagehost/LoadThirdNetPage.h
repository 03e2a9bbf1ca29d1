#pragma once
// The window that shows an outside web site inside the program (the quotes site, the
// stock-information site): a skinned top-level dialog with its own minimise, size and close
// buttons, switching between a large and a small layout. Closing hides it for the next use.

#include <memory>
#include <string>

#include "pagehost/HtmlCtrl.h"
#include "platform/Canvas.h"
#include "platform/Window.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinFrame.h"

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
    int Layout() const { return layout_; }
    CHtmlCtrl& HtmlCtrl() { return htmlCtrl_; }
    const CMyDrawBtn& MaximizeButton() const { return maxButton_; }

private:
    void ApplyLayout(bool large);
    void SkinButtons();

    CSkinFrame frame_;
    fw::Font font_;
    CHtmlCtrl htmlCtrl_;
    CMyDrawBtn minButton_;
    CMyDrawBtn maxButton_;
    CMyDrawBtn closeButton_;
    int layout_ = 0;
};
