#include "forms/SettingMyInfoDlg.h"

#include "forms/ModifyPasswordDlg.h"
#include "forms/MyBestLoveDlg.h"
#include "forms/MyLoginStateSettingDlg.h"
#include "platform/Accessible.h"
#include "platform/core/Text.h"
#include "protocol/ServiceRequest.h"
#include "session/Session.h"
#include "session/WindowMessages.h"

CSettingMyInfoDlg::CSettingMyInfoDlg(fw::Window* parent)
    : CFormDialog(IDD, parent, {kBackground, true, true}) {}

CSettingMyInfoDlg::~CSettingMyInfoDlg() = default;

bool CSettingMyInfoDlg::OnInitDialog() {
    CenterWindow();
    SkinButton(kMinimise, 141, 133, 136, 141);
    SkinButton(kClose, 140, 134, 135, 140);
    // The string table's 1040 names the news viewer's size button.
    if (fw::Window* button = GetDlgItem(kMinimise)) {
        fw::SetAccessibleName(button->GetSafeHwnd(), vq::Gbk("最小化"));
    }
    SkinButton(kLoginStatePage, 278);
    SkinButton(kFavouritesPage, 240);
    SkinButton(kPasswordPage, 256);
    if (fw::Window* button = GetDlgItem(kLoginStatePage)) {
        button->ShowWindow(fw::SW_SHOW);
    }

    password_ = std::make_unique<CModifyPasswordDlg>(this);
    favourites_ = std::make_unique<CMyBestLoveDlg>(this);
    loginState_ = std::make_unique<CMyLoginStateSettingDlg>(this);
    for (fw::Dialog* page :
         {static_cast<fw::Dialog*>(password_.get()), static_cast<fw::Dialog*>(favourites_.get()),
          static_cast<fw::Dialog*>(loginState_.get())}) {
        if (page->Create(this)) {
            page->MoveWindow(kPageRect);
        }
    }
    ShowPage(password_.get());
    return true;
}

fw::LRESULT CSettingMyInfoDlg::WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) {
    if (message == WindowMsg::kSettingsColumns) {
        // Passed on unchanged: the page takes the record sets over.
        return favourites_ && favourites_->IsWindow()
                   ? favourites_->SendMessage(WindowMsg::kFavouriteColumns, wParam, lParam)
                   : 0;
    }
    return CFormDialog::WindowProc(message, wParam, lParam);
}

bool CSettingMyInfoDlg::OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) {
    switch (id) {
        case kMinimise:
            ShowWindow(fw::SW_MINIMIZE);
            return true;
        case kClose:
            Hide();
            return true;
        case kPasswordPage:
            ShowPage(password_.get());
            return true;
        case kFavouritesPage:
            ShowFavourites();
            return true;
        case kLoginStatePage:
            ShowPage(loginState_.get());
            return true;
        default:
            return CFormDialog::OnCommand(id, notifyCode, control);
    }
}

bool CSettingMyInfoDlg::PreTranslateMessage(fw::HWND target, const fw::Msg& msg) {
    if (msg.id == fw::WM_KEYDOWN && msg.wParam == fw::VK_ESCAPE) {
        return true;
    }
    return CFormDialog::PreTranslateMessage(target, msg);
}

void CSettingMyInfoDlg::ShowPage(fw::Dialog* page) {
    for (fw::Dialog* p :
         {static_cast<fw::Dialog*>(password_.get()), static_cast<fw::Dialog*>(favourites_.get()),
          static_cast<fw::Dialog*>(loginState_.get())}) {
        if (p != nullptr && p->IsWindow()) {
            p->ShowWindow(p == page ? fw::SW_SHOW : fw::SW_HIDE);
        }
    }
}

void CSettingMyInfoDlg::ShowFavourites() {
    QueueSessionRequest(ServiceCall::kFavouriteColumns, {Session().Virid(), ""});
    ShowPage(favourites_.get());
}

void CSettingMyInfoDlg::Hide() {
    ShowWindow(fw::SW_HIDE);
}
