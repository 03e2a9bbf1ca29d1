#include "portal/ShowContentForNewsDlg.h"

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "portal/NewsContentShowDlg.h"
#include "skin/CutCornerRegion.h"

namespace {

constexpr int kButtonY = 20;
constexpr int kButtonSize = 15;

}  // namespace

CShowContentForNewsDlg::CShowContentForNewsDlg(INewsViewerOwner& owner, fw::Window* parent)
    : fw::Dialog(IDD, parent), owner_(owner) {}

CShowContentForNewsDlg::~CShowContentForNewsDlg() = default;

bool CShowContentForNewsDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    SetWindowText(vq::Gbk("新闻内容浏览页"));
    content_ = std::make_unique<CNewsContentShowDlg>(this, &owner_);
    if (!owner_.PageFolder().empty()) {
        content_->SetProgramDir(owner_.PageFolder());
    }
    content_->Create(CNewsContentShowDlg::IDD, this);
    content_->ShowWindow(fw::SW_SHOW);
    frame_.Load();
    minButton_.SubclassDlgItem(kMinimize, this);
    minButton_.SetBitmaps(141, 133, 136, 141);
    sizeButton_.SubclassDlgItem(kSizeToggle, this);
    sizeButton_.SetBitmaps(235, 237, 236, 235);
    closeButton_.SubclassDlgItem(kClose, this);
    closeButton_.SetBitmaps(140, 134, 135, 140);
    SetWindowPos(fw::HWND_TOPMOST, 0, 0, 0, 0,
                 fw::SWP_NOMOVE | fw::SWP_NOSIZE | fw::SWP_NOACTIVATE);
    LargeLayout();
    return true;
}

void CShowContentForNewsDlg::LargeLayout() {
    large_ = true;
    MoveWindow(0, 0, 1005, 728);
    CenterWindow();
    if (content_) {
        content_->MoveWindow(0, 48, 1005, 663);
    }
    const int xs[] = {930, 950, 970};
    const fw::UINT ids[] = {kMinimize, kSizeToggle, kClose};
    for (int i = 0; i < 3; ++i) {
        if (fw::Window* b = GetDlgItem(ids[i])) {
            b->MoveWindow(xs[i], kButtonY, kButtonSize, kButtonSize);
        }
    }
    if (fw::Window* title = GetDlgItem(kTitlePicture)) {
        title->MoveWindow(480, 0, 120, 46);
        title->ShowWindow(fw::SW_SHOW);
    }
    if (content_) {
        content_->SendMessage(fw::WM_MOVE);
    }
    Invalidate();
}

void CShowContentForNewsDlg::ToggleSize() {
    if (large_) {
        large_ = false;
        if (fw::Window* title = GetDlgItem(kTitlePicture)) {
            title->ShowWindow(fw::SW_HIDE);
        }
        MoveWindow(250, 160, 600, 450);
        if (content_) {
            content_->MoveWindow(0, 48, 600, 382);
        }
        const int xs[] = {525, 545, 565};
        const fw::UINT ids[] = {kMinimize, kSizeToggle, kClose};
        for (int i = 0; i < 3; ++i) {
            if (fw::Window* b = GetDlgItem(ids[i])) {
                b->MoveWindow(xs[i], kButtonY, kButtonSize, kButtonSize);
            }
        }
        CenterWindow();
        Invalidate();
        if (content_) {
            content_->NavigatePage("htmlPath\\SmallContentPage.html");
        }
    } else {
        LargeLayout();
        if (content_) {
            content_->NavigatePage("htmlPath\\ContentPage.html");
        }
    }
}

bool CShowContentForNewsDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kMinimize:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case kSizeToggle:
            ToggleSize();
            return true;
        case kClose:
            if (content_) {
                content_->DestroyWindow();
            }
            DestroyWindow();
            owner_.OnNewsViewerClosed();
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

fw::LRESULT CShowContentForNewsDlg::WindowProc(fw::UINT message, fw::WPARAM wParam,
                                               fw::LPARAM lParam) {
    if (message == kDisableToggle) {
        if (fw::Window* b = GetDlgItem(kSizeToggle)) {
            b->EnableWindow(false);
        }
        return 0;
    }
    return fw::Dialog::WindowProc(message, wParam, lParam);
}

void CShowContentForNewsDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    SetFocus();
    fw::Dialog::OnLButtonDown(keys, p);
}

void CShowContentForNewsDlg::OnLButtonDblClk(fw::UINT keys, fw::Point p) {
    ToggleSize();
    fw::Dialog::OnLButtonDblClk(keys, p);
}

bool CShowContentForNewsDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    (void)canvas;
    return true;
}

void CShowContentForNewsDlg::OnPaint(fw::Canvas& canvas) {
    frame_.Paint(canvas, GetClientRect());
    CutCornerRegion(this, &canvas);
}
