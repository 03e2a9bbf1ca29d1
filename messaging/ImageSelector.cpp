#include "messaging/ImageSelector.h"

#include <algorithm>

#include "messaging/Emoticons.h"
#include "platform/Framework.h"
#include "skin/ImageList.h"

namespace {

constexpr fw::Color kButtonFace = fw::RGB(240, 240, 240);
constexpr fw::Color kHighlight = fw::RGB(255, 255, 255);
constexpr fw::Color kShadow = fw::RGB(160, 160, 160);
constexpr fw::Color kBorder = fw::RGB(100, 100, 100);

}  // namespace

CImageSelector::CImageSelector(const CImageList& images) : images_(images) {
    const fw::Size image = images.GetImageSize();
    cell_ = {image.cx + 2 * kCellMargin, image.cy + 2 * kCellMargin};
}

CImageSelector::~CImageSelector() = default;

CImageSelector* CImageSelector::Show(const CImageList& images, int x, int y, fw::Window* owner) {
    auto* picker = new CImageSelector(images);
    return picker->Create(x, y, owner) ? picker : nullptr;
}

bool CImageSelector::Create(int x, int y, fw::Window* owner) {
    const int count = images_.GetImageCount();
    // Rows rounded up, so that a last, partly filled row is shown too.
    const int rows = (count + kColumns - 1) / kColumns;
    const int width = cell_.cx * std::min(count, kColumns);
    const int height = cell_.cy * rows;
    owner_ = owner != nullptr ? owner->GetSafeHwnd() : fw::kNoWindow;
    if (count <= 0 ||
        !CreateEx(fw::WS_EX_TOOLWINDOW, "", fw::WS_POPUP | fw::WS_BORDER | fw::WS_VISIBLE,
                  fw::Rect::FromXYWH(x, y, width, height), owner)) {
        delete this;
        return false;
    }
    if (tip_.Create(this)) {
        for (int i = 0; i < count; ++i) {
            const int column = i % kColumns;
            const int row = i / kColumns;
            tip_.AddTool(kFirstToolId + fw::UINT(i),
                         fw::Rect::FromXYWH(column * cell_.cx, row * cell_.cy, cell_.cx, cell_.cy),
                         std::string(EmoticonCode(i)));
        }
        tip_.SetTipTextColor(kTipTextColor);
    }
    // The picker holds the keyboard until the user goes elsewhere, which closes it.
    SetFocus();
    return IsWindow();
}

bool CImageSelector::OnEraseBkgnd(fw::Canvas& canvas) {
    canvas.FillSolidRect(canvas.ClientRect(), kButtonFace);
    return true;
}

void CImageSelector::OnPaint(fw::Canvas& canvas) {
    const int count = images_.GetImageCount();
    for (int i = 0; i < count; ++i) {
        const int column = i % kColumns;
        const int row = i / kColumns;
        images_.Draw(canvas, i,
                     fw::Point{column * cell_.cx + kCellMargin, row * cell_.cy + kCellMargin});
    }
    if (hotColumn_ >= 0) {
        DrawFrame(canvas, hotColumn_, hotRow_, true);
    }
    canvas.FrameRect(canvas.ClientRect(), kBorder);
}

void CImageSelector::DrawFrame(fw::Canvas& canvas, int column, int row, bool raised) const {
    const fw::Rect r = fw::Rect::FromXYWH(column * cell_.cx, row * cell_.cy, cell_.cx, cell_.cy);
    const fw::Color topLeft = raised ? kHighlight : kButtonFace;
    const fw::Color bottomRight = raised ? kShadow : kButtonFace;
    canvas.FillSolidRect(fw::Rect{r.left, r.top, r.right, r.top + 1}, topLeft);
    canvas.FillSolidRect(fw::Rect{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    canvas.FillSolidRect(fw::Rect{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    canvas.FillSolidRect(fw::Rect{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void CImageSelector::Relay(fw::UINT message, fw::UINT keys, fw::Point p) {
    tip_.RelayEvent(fw::Msg{message, keys, fw::MAKELPARAM(p.x, p.y)});
}

void CImageSelector::OnMouseMove(fw::UINT keys, fw::Point p) {
    Relay(fw::WM_MOUSEMOVE, keys, p);
    int column = -1;
    int row = -1;
    if (p.x >= 0 && p.y >= 0) {
        column = p.x / cell_.cx;
        row = p.y / cell_.cy;
        // Only cells that hold a picture light up.
        if (column >= kColumns || column + row * kColumns >= images_.GetImageCount()) {
            column = row = -1;
        }
    }
    if (column != hotColumn_ || row != hotRow_) {
        hotColumn_ = column;
        hotRow_ = row;
        Invalidate();
    }
}

void CImageSelector::OnLButtonDown(fw::UINT keys, fw::Point p) {
    // A desktop moves the pointer to the press first; a press alone must choose as well.
    OnMouseMove(keys, p);
    Relay(fw::WM_LBUTTONDOWN, keys, p);
    if (hotColumn_ < 0) {
        return;
    }
    const fw::UINT id = kFirstCommand + fw::UINT(hotColumn_ + hotRow_ * kColumns);
    const fw::HWND self = hwnd_;
    closing_ = true;  // the owner may take the focus while it handles the choice
    fw::SendMessage(owner_, fw::WM_COMMAND, fw::MAKEWPARAM(id, 0), 0);
    if (fw::IsWindow(self)) {
        DestroyWindow();
    }
}

void CImageSelector::OnLButtonUp(fw::UINT keys, fw::Point p) {
    Relay(fw::WM_LBUTTONUP, keys, p);
}

void CImageSelector::OnKillFocus() {
    if (closing_) {
        return;
    }
    closing_ = true;
    DestroyWindow();
}

void CImageSelector::PostNcDestroy() {
    delete this;
}
