#pragma once
// The news viewer: a skinned, borderless top-level window framing the article page, with its
// own minimise, size and close buttons and a large and a small layout.

#include <memory>
#include <string>

#include "platform/Window.h"
#include "session/WindowMessages.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinFrame.h"

class CNewsContentShowDlg;

// What the viewer and its article page need from the window that opens them.
class INewsViewerOwner {
public:
    virtual ~INewsViewerOwner() = default;
    // The folder the article pages are found in (GBK, with its trailing separator).
    virtual const std::string& PageFolder() const = 0;
    // The article request the content page queues once it has first loaded.
    virtual const std::string& LastContentRequest() const = 0;
    // The user closed the viewer.
    virtual void OnNewsViewerClosed() = 0;
};

class CShowContentForNewsDlg : public fw::Dialog {
public:
    static constexpr fw::UINT IDD = 228;
    static constexpr fw::UINT kMinimize = 1039;
    static constexpr fw::UINT kSizeToggle = 1040;
    static constexpr fw::UINT kClose = 1041;
    static constexpr fw::UINT kTitlePicture = 1048;
    static constexpr fw::UINT kDisableToggle = WindowMsg::kViewerNoToggle;

    explicit CShowContentForNewsDlg(INewsViewerOwner& owner, fw::Window* parent = nullptr);
    ~CShowContentForNewsDlg() override;

    bool OnInitDialog() override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnEraseBkgnd(fw::Canvas& canvas) override;
    void OnPaint(fw::Canvas& canvas) override;
    void OnLButtonDown(fw::UINT keys, fw::Point p) override;
    void OnLButtonDblClk(fw::UINT keys, fw::Point p) override;

    void ToggleSize();
    bool IsLarge() const { return large_; }
    CNewsContentShowDlg* ContentPage() const { return content_.get(); }

private:
    void LargeLayout();

    INewsViewerOwner& owner_;
    CSkinFrame frame_;
    CMyDrawBtn minButton_;
    CMyDrawBtn sizeButton_;
    CMyDrawBtn closeButton_;
    std::unique_ptr<CNewsContentShowDlg> content_;
    bool large_ = false;
};
