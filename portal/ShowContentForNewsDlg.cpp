#include "portal/ShowContentForNewsDlg.h"

#include "platform/Framework.h"
#include "platform/Resources.h"
#include "platform/core/Text.h"
#include "portal/MyShowHtmlDlg.h"
#include "portal/NewsContentShowDlg.h"
#include "skin/CutCornerRegion.h"

namespace {

// Frame bitmaps in loading order: top-left, top edge, top-right, bottom-left, bottom edge,
// bottom-right.
constexpr fw::UINT kFrameBitmaps[] = {231, 232, 233, 229, 234, 230};
constexpr int kButtonY = 20;
constexpr int kButtonSize = 15;

}  // namespace

CShowContentForNewsDlg::CShowContentForNewsDlg(fw::Window* parent) : fw::Dialog(IDD, parent) {}

CShowContentForNewsDlg::~CShowContentForNewsDlg() = default;

bool CShowContentForNewsDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    SetWindowText(vq::Gbk("新闻内容浏览页"));
    m_pContent = std::make_unique<CNewsContentShowDlg>(this);
    // The article pages live where the portal's pages do.
    if (CMyShowHtmlDlg* portal = CMyShowHtmlDlg::Current()) {
        m_pContent->SetProgramDir(portal->ProgramDir());
    }
    m_pContent->Create(CNewsContentShowDlg::IDD, this);
    m_pContent->ShowWindow(fw::SW_SHOW);
    for (std::size_t i = 0; i < std::size(kFrameBitmaps); ++i) {
        m_bitmaps[i] = fw::Resources::Global().LoadBitmap(kFrameBitmaps[i]);
        m_sizes[i] = m_bitmaps[i] ? m_bitmaps[i]->GetSize() : fw::Size{};
    }
    m_btnMin.SubclassDlgItem(kMinimize, this);
    m_btnMin.SetBitmaps(141, 133, 136, 141);
    m_btnSize.SubclassDlgItem(kSizeToggle, this);
    m_btnSize.SetBitmaps(235, 237, 236, 235);
    m_btnClose.SubclassDlgItem(kClose, this);
    m_btnClose.SetBitmaps(140, 134, 135, 140);
    SetWindowPos(fw::HWND_TOPMOST, 0, 0, 0, 0,
                 fw::SWP_NOMOVE | fw::SWP_NOSIZE | fw::SWP_NOACTIVATE);
    LargeLayout();
    return true;
}

void CShowContentForNewsDlg::LargeLayout() {
    m_bLarge = true;
    MoveWindow(0, 0, 1005, 728);
    CenterWindow();
    if (m_pContent) {
        m_pContent->MoveWindow(0, 48, 1005, 663);
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
    if (m_pContent) {
        m_pContent->SendMessage(fw::WM_MOVE);
    }
    Invalidate();
}

void CShowContentForNewsDlg::ToggleSize() {
    if (m_bLarge) {
        m_bLarge = false;
        if (fw::Window* title = GetDlgItem(kTitlePicture)) {
            title->ShowWindow(fw::SW_HIDE);
        }
        MoveWindow(250, 160, 600, 450);
        if (m_pContent) {
            m_pContent->MoveWindow(0, 48, 600, 382);
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
        if (m_pContent) {
            m_pContent->NavigatePage("htmlPath\\SmallContentPage.html");
        }
    } else {
        LargeLayout();
        if (m_pContent) {
            m_pContent->NavigatePage("htmlPath\\ContentPage.html");
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
            if (m_pContent) {
                m_pContent->DestroyWindow();
            }
            DestroyWindow();
            g_newsViewerClosed = true;
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
    fw::SetDragFullWindows(true);
    StartSystemMove();
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
    const fw::Rect rc = GetClientRect();
    canvas.FillSolidRect(rc, fw::RGB(255, 255, 255));
    const fw::Size tl = m_sizes[kTopLeft], tr = m_sizes[kTopRight];
    const fw::Size bl = m_sizes[kBottomLeft], br = m_sizes[kBottomRight];
    if (const fw::Bitmap* b = m_bitmaps[kTopLeft].get()) {
        canvas.DrawBitmap(0, 0, *b);
    }
    if (const fw::Bitmap* b = m_bitmaps[kTop].get()) {
        canvas.StretchBlt(fw::Rect{tl.cx, 0, rc.right - tr.cx, tl.cy}, *b,
                          fw::Rect{0, 0, b->Width(), b->Height()});
    }
    if (const fw::Bitmap* b = m_bitmaps[kTopRight].get()) {
        canvas.DrawBitmap(rc.right - tr.cx, 0, *b);
    }
    if (const fw::Bitmap* b = m_bitmaps[kBottomLeft].get()) {
        canvas.DrawBitmap(0, rc.bottom - bl.cy, *b);
    }
    if (const fw::Bitmap* b = m_bitmaps[kBottom].get()) {
        canvas.StretchBlt(
            fw::Rect{bl.cx, rc.bottom - m_sizes[kBottom].cy, rc.right - br.cx, rc.bottom}, *b,
            fw::Rect{0, 0, b->Width(), b->Height()});
    }
    if (const fw::Bitmap* b = m_bitmaps[kBottomRight].get()) {
        canvas.DrawBitmap(rc.right - br.cx, rc.bottom - br.cy, *b);
    }
    CutCornerRegion(this, &canvas);
}
