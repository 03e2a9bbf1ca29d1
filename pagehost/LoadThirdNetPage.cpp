#include "pagehost/LoadThirdNetPage.h"

#include "platform/Framework.h"
#include "skin/CutCornerRegion.h"

namespace {

struct Placement {
    fw::Rect window;
    fw::Rect left;
    fw::Rect view;
    fw::Rect right;
    bool titleShown;
    int closeX, maxX, minX;
};

// The two layouts: window, border strips, the web view, the title, the button columns.
constexpr int kButtonY = 20;
constexpr int kButtonSize = 15;
const Placement kLarge = {fw::Rect::FromXYWH(0, 0, 1005, 728),
                          fw::Rect::FromXYWH(0, 48, 9, 663),
                          fw::Rect::FromXYWH(9, 48, 987, 663),
                          fw::Rect::FromXYWH(996, 48, 9, 663),
                          true,
                          970,
                          950,
                          930};
const Placement kSmall = {fw::Rect::FromXYWH(250, 160, 600, 450),
                          fw::Rect::FromXYWH(0, 48, 9, 663),
                          fw::Rect::FromXYWH(9, 48, 582, 382),
                          fw::Rect::FromXYWH(591, 48, 9, 663),
                          false,
                          565,
                          545,
                          525};
const fw::Rect kTitle = fw::Rect::FromXYWH(480, 0, 120, 46);

}  // namespace

CLoadThirdNetPage::CLoadThirdNetPage(fw::Window* pParent)
    : fw::Dialog(IDD_LOADTHIRDNETPAGE, pParent) {}

CLoadThirdNetPage::~CLoadThirdNetPage() = default;

bool CLoadThirdNetPage::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    CenterWindow();
    frame_.Load();
    font_ = fw::Font::DefaultGui();
    ApplyLayout(true);
    htmlCtrl_.CreateFromStatic(this);
    SkinButtons();
    return true;
}

void CLoadThirdNetPage::SkinButtons() {
    minButton_.SubclassDlgItem(IDC_THIRD_MINIMIZE, this);
    minButton_.SetBitmaps(141, 133, 136, 141);
    maxButton_.SubclassDlgItem(IDC_THIRD_MAXIMIZE, this);
    maxButton_.SetBitmaps(235, 237, 236, 235);
    closeButton_.SubclassDlgItem(IDC_THIRD_CLOSE, this);
    closeButton_.SetBitmaps(140, 134, 135, 140);
    const std::pair<fw::UINT, int> buttons[] = {
        {IDC_THIRD_MINIMIZE, 930}, {IDC_THIRD_MAXIMIZE, 950}, {IDC_THIRD_CLOSE, 970}};
    for (const auto& [id, x] : buttons) {
        if (fw::Window* b = GetDlgItem(id)) {
            b->MoveWindow(x, kButtonY, kButtonSize, kButtonSize);
        }
    }
}

void CLoadThirdNetPage::ApplyLayout(bool large) {
    const Placement& p = large ? kLarge : kSmall;
    MoveWindow(p.window);
    const std::pair<fw::UINT, fw::Rect> pieces[] = {
        {IDC_THIRD_LEFT, p.left}, {IDC_HTMLVIEW, p.view}, {IDC_THIRD_RIGHT, p.right}};
    for (const auto& [id, rect] : pieces) {
        if (fw::Window* w = GetDlgItem(id)) {
            w->MoveWindow(rect);
        }
    }
    if (fw::Window* title = GetDlgItem(IDC_THIRD_TITLE)) {
        if (p.titleShown) {
            title->MoveWindow(kTitle);
        }
        title->ShowWindow(p.titleShown ? fw::SW_SHOW : fw::SW_HIDE);
    }
    const std::pair<fw::UINT, int> buttons[] = {
        {IDC_THIRD_CLOSE, p.closeX}, {IDC_THIRD_MAXIMIZE, p.maxX}, {IDC_THIRD_MINIMIZE, p.minX}};
    for (const auto& [id, x] : buttons) {
        if (fw::Window* b = GetDlgItem(id)) {
            b->MoveWindow(x, kButtonY, kButtonSize, kButtonSize);
        }
    }
    CenterWindow();
    Invalidate();
}

void CLoadThirdNetPage::ToggleLayout() {
    if (layout_ == 1) {
        ApplyLayout(true);
        layout_ = 0;
    } else {
        ApplyLayout(false);
        layout_ = 1;
    }
}

void CLoadThirdNetPage::Navigate(const std::string& url) {
    htmlCtrl_.Navigate(url);
}

bool CLoadThirdNetPage::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case IDC_THIRD_MINIMIZE:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case IDC_THIRD_MAXIMIZE:
            ToggleLayout();
            return true;
        case IDC_THIRD_CLOSE:
            ShowWindow(fw::SW_HIDE);
            return true;
        default:
            return fw::Dialog::OnCommand(id, notifyCode, control);
    }
}

void CLoadThirdNetPage::OnLButtonDown(fw::UINT keys, fw::Point p) {
    BeginSkinDrag(*this);
    fw::Dialog::OnLButtonDown(keys, p);
}

void CLoadThirdNetPage::OnLButtonDblClk(fw::UINT keys, fw::Point p) {
    ToggleLayout();
    fw::Dialog::OnLButtonDblClk(keys, p);
}

bool CLoadThirdNetPage::OnEraseBkgnd(fw::Canvas& canvas) {
    frame_.Paint(canvas, GetClientRect());
    CutCornerRegion(this, &canvas);
    return true;
}
