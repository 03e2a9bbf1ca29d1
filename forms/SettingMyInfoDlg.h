#pragma once
// The personal settings window: made once by the main window and shown on every use. Its
// three pages (password, favourite columns, login state) are children made once, exactly one
// of them visible. Closing only hides it.

#include <memory>

#include "forms/FormDialog.h"

class CModifyPasswordDlg;
class CMyBestLoveDlg;
class CMyLoginStateSettingDlg;

class CSettingMyInfoDlg : public CFormDialog {
public:
    static constexpr fw::UINT IDD = 238;
    static constexpr fw::UINT kMinimise = 1040;
    static constexpr fw::UINT kClose = 1041;
    static constexpr fw::UINT kLoginStatePage = 1043;
    static constexpr fw::UINT kFavouritesPage = 1045;
    static constexpr fw::UINT kPasswordPage = 1058;
    static constexpr fw::UINT kBackground = 239;
    static constexpr fw::Rect kPageRect{200, 55, 650, 475};

    explicit CSettingMyInfoDlg(fw::Window* parent = nullptr);
    ~CSettingMyInfoDlg() override;

    bool OnInitDialog() override;
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override;
    bool OnCommand(fw::UINT id, fw::UINT notifyCode, fw::HWND control) override;
    bool PreTranslateMessage(fw::HWND target, const fw::Msg& msg) override;
    // Closing, Enter and the close button hide the window; it is made only once.
    void OnOK() override { Hide(); }
    void OnCancel() override { Hide(); }

    CModifyPasswordDlg* PasswordPage() const { return password_.get(); }
    CMyBestLoveDlg* FavouritesPage() const { return favourites_.get(); }
    CMyLoginStateSettingDlg* LoginStatePage() const { return loginState_.get(); }

private:
    void ShowPage(fw::Dialog* page);
    void ShowFavourites();
    void Hide();

    std::unique_ptr<CModifyPasswordDlg> password_;
    std::unique_ptr<CMyBestLoveDlg> favourites_;
    std::unique_ptr<CMyLoginStateSettingDlg> loginState_;
};
