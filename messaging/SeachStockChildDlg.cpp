#include "messaging/SeachStockChildDlg.h"

#include "messaging/LeavewordcontentHtmlDlg.h"
#include "platform/Framework.h"
#include "skin/CutCornerRegion.h"

namespace {

constexpr int kButtonXs[] = {930, 950, 970};
constexpr int kButtonY = 20;
constexpr int kButtonSize = 15;
constexpr fw::Rect kTitleRect{480, 0, 600, 46};

}  // namespace

CSeachStockChildDlg::CSeachStockChildDlg(fw::Window* parent) : fw::Dialog(IDD, parent) {}

CSeachStockChildDlg::~CSeachStockChildDlg() = default;

bool CSeachStockChildDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    if (!content_) {
        content_ = std::make_unique<CLeavewordcontentHtmlDlg>(this);
        content_->Create(CLeavewordcontentHtmlDlg::IDD, this);
        content_->SetOnEnded([this] { Close(); });
    }
    content_->ShowWindow(fw::SW_SHOW);
    frame_.Load();
    minimize_.SubclassDlgItem(kMinimize, this);
    minimize_.SetBitmaps(141, 133, 136, 141);
    inactive_.SubclassDlgItem(kInactive, this);
    inactive_.SetBitmaps(235, 237, 236, 235);
    inactive_.EnableWindow(false);
    close_.SubclassDlgItem(kClose, this);
    close_.SetBitmaps(140, 134, 135, 140);
    SetWindowPos(fw::HWND_TOPMOST, 0, 0, 0, 0,
                 fw::SWP_NOMOVE | fw::SWP_NOSIZE | fw::SWP_NOACTIVATE);
    MoveWindow(0, 0, kWidth, kHeight);
    CenterWindow();
    content_->MoveWindow(kPageRect);
    const fw::UINT ids[] = {kMinimize, kInactive, kClose};
    for (int i = 0; i < 3; ++i) {
        if (fw::Window* button = GetDlgItem(ids[i])) {
            button->MoveWindow(kButtonXs[i], kButtonY, kButtonSize, kButtonSize);
        }
    }
    if (fw::Window* title = GetDlgItem(kTitlePicture)) {
        title->MoveWindow(kTitleRect);
        title->ShowWindow(fw::SW_SHOW);
    }
    return true;
}

bool CSeachStockChildDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kMinimize:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case kInactive:
            return true;
        case kClose:
            Close();
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void CSeachStockChildDlg::Close() {
    ShowWindow(fw::SW_HIDE);
    if (onClosed_) {
        onClosed_();
    }
}

bool CSeachStockChildDlg::OnEraseBkgnd(fw::Canvas& canvas) {
    (void)canvas;
    return true;  // the frame covers everything in OnPaint
}

void CSeachStockChildDlg::OnPaint(fw::Canvas& canvas) {
    const fw::Rect client = GetClientRect();
    // Composed off screen and copied in one piece, so the frame never shows half drawn.
    fw::Canvas frame = canvas.Compatible(client.Width(), client.Height());
    frame_.Paint(frame, client);
    canvas.DrawBitmap(0, 0, frame.GetBitmap());
    CutCornerRegion(this, &frame);
}

void CSeachStockChildDlg::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    fw::Dialog::OnLButtonDown(keys, p);
}
