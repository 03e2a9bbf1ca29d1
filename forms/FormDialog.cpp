#include "forms/FormDialog.h"

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "skin/MyDrawBtn.h"
#include "skin/SkinFrame.h"

CFormDialog::CFormDialog(fw::UINT templateId, fw::Window* parent, Look look)
    : fw::Dialog(templateId, parent), look_(look) {}

CFormDialog::~CFormDialog() = default;

fw::LRESULT CFormDialog::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    if (message == fw::WM_INITDIALOG) {
        // A dialog object run modally again gets a new window: the buttons of the last one
        // went with it.
        buttons_.clear();
    }
    return fw::Dialog::WindowProc(message, wParam, lParam);
}

bool CFormDialog::OnEraseBkgnd(fw::Canvas& canvas) {
    if (look_.background != 0 &&
        PaintSkinBackground(*this, canvas, look_.background, look_.cutCorners)) {
        return true;
    }
    return fw::Dialog::OnEraseBkgnd(canvas);
}

void CFormDialog::OnLButtonDown(fw::UINT keys, fw::Point p) {
    if (look_.drag) {
        BeginSkinDrag(*this);
        return;
    }
    fw::Dialog::OnLButtonDown(keys, p);
}

void CFormDialog::SkinButton(fw::UINT id, fw::UINT normal, fw::UINT hover, fw::UINT pressed,
                             fw::UINT disabled) {
    auto button = std::make_unique<CMyDrawBtn>();
    if (!button->SubclassDlgItem(id, this)) {
        return;
    }
    button->SetBitmaps(normal, hover, pressed, disabled);
    buttons_.push_back(std::move(button));
}

void CFormDialog::Tip(std::string_view utf8) {
    fw::MessageBox(GetSafeHwnd(), vq::Gbk(utf8), vq::Gbk("提示"),
                   fw::MB_OK | fw::MB_ICONEXCLAMATION);
}
