// The personal settings window and its three pages on the headless backend: pages, the
// password change, the login state, the favourite columns.

#include <gtest/gtest.h>

#include <memory>

#include "forms/Forms.h"
#include "forms/ModifyPasswordDlg.h"
#include "forms/MyBestLoveDlg.h"
#include "forms/MyLoginStateSettingDlg.h"
#include "forms/SettingMyInfoDlg.h"
#include "session/ConfigFile.h"
#include "session/WindowMessages.h"
#include "tests/forms/FormsTestEnv.h"

namespace formstest {
namespace {

constexpr const char* kPrefix = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";

class SettingsWindowTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        main_ = std::make_unique<fw::Dialog>(102);
        ASSERT_TRUE(main_->Create());
    }
    void TearDown() override {
        settings_.reset();
        main_.reset();
        FormsTest::TearDown();
    }
    // As the main window does it: made once, created modeless, shown.
    CSettingMyInfoDlg& Open() {
        if (!settings_) {
            std::unique_ptr<fw::Dialog> made = forms_.MakeSettingsDialog(main_.get());
            settings_.reset(static_cast<CSettingMyInfoDlg*>(made.release()));
            EXPECT_TRUE(settings_->Create(main_.get()));
        }
        settings_->ShowWindow(fw::SW_SHOW);
        fw::PumpPending();
        fw::headless::ClearRecords();
        return *settings_;
    }
    // Hands a reply to the settings window as the dispatcher does; what is left is released.
    fw::LRESULT Deliver(RecordSetList sets) {
        return fw::SendMessage(settings_->GetSafeHwnd(), WindowMsg::kSettingsColumns, 0,
                               reinterpret_cast<fw::LPARAM>(&sets));
    }

    CForms forms_;
    std::unique_ptr<fw::Dialog> main_;
    std::unique_ptr<CSettingMyInfoDlg> settings_;
};

std::vector<fw::Dialog*> Pages(CSettingMyInfoDlg& s) {
    return {s.PasswordPage(), s.FavouritesPage(), s.LoginStatePage()};
}

// ---- The window ----

TEST_F(SettingsWindowTest, PagesAreMadeOnceAtTheirPlaceAndExactlyOneIsVisible) {
    CSettingMyInfoDlg& s = Open();
    for (fw::Dialog* page : Pages(s)) {
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(page->IsWindow());
        EXPECT_EQ(page->GetParentHwnd(), s.GetSafeHwnd());
        EXPECT_EQ(page->GetRectInParent(), fw::Rect::FromXYWH(200, 55, 450, 420));
    }
    EXPECT_TRUE(s.PasswordPage()->IsWindowVisible());
    EXPECT_FALSE(s.FavouritesPage()->IsWindowVisible());
    EXPECT_FALSE(s.LoginStatePage()->IsWindowVisible());
    EXPECT_TRUE(s.GetDlgItem(CSettingMyInfoDlg::kLoginStatePage)->IsWindowVisible())
        << "the template hides the login-state button; the window shows it";

    const fw::HWND pagesBefore[3] = {s.PasswordPage()->GetSafeHwnd(),
                                     s.FavouritesPage()->GetSafeHwnd(),
                                     s.LoginStatePage()->GetSafeHwnd()};
    for (fw::UINT button : {CSettingMyInfoDlg::kLoginStatePage, CSettingMyInfoDlg::kFavouritesPage,
                            CSettingMyInfoDlg::kPasswordPage}) {
        Click(s, button);
        int visible = 0;
        for (fw::Dialog* page : Pages(s)) {
            visible += page->IsWindowVisible() ? 1 : 0;
        }
        EXPECT_EQ(visible, 1) << button;
    }
    EXPECT_TRUE(s.PasswordPage()->IsWindowVisible());
    Click(s, CSettingMyInfoDlg::kClose);
    Open();
    EXPECT_EQ(s.PasswordPage()->GetSafeHwnd(), pagesBefore[0]);
    EXPECT_EQ(s.FavouritesPage()->GetSafeHwnd(), pagesBefore[1]);
    EXPECT_EQ(s.LoginStatePage()->GetSafeHwnd(), pagesBefore[2]);
}

TEST_F(SettingsWindowTest, CentredSkinnedAndDraggable) {
    CSettingMyInfoDlg& s = Open();
    const fw::Rect work = fw::GetWorkArea();
    const fw::Rect r = s.GetWindowRect();
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);

    const fw::Bitmap picture = fw::RenderWindow(s.GetSafeHwnd());
    EXPECT_TRUE(s.HasWindowRgn()) << "the corners of background 239 are cut";
    EXPECT_FALSE(s.GetWindowRgn().Contains(fw::Point{0, 0}));
    EXPECT_NE(picture.GetPixel(100, 300), fw::RGB(240, 240, 240))
        << "the bitmap, not the plain face";

    fw::input::Mouse(s.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {20, 200}, fw::MK_LBUTTON);
    fw::PumpPending();
    EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{s.GetSafeHwnd()});
}

TEST_F(SettingsWindowTest, EscapeIsSwallowedCloseAndMinimiseHideTheWindow) {
    CSettingMyInfoDlg& s = Open();
    const fw::HWND edit = s.PasswordPage()->GetDlgItemHandle(CModifyPasswordDlg::kOld);
    fw::input::Focus(edit);
    fw::input::Key(edit, fw::VK_ESCAPE, true);
    fw::input::Key(edit, fw::VK_ESCAPE, false);
    fw::PumpPending();
    EXPECT_TRUE(s.IsWindowVisible());
    EXPECT_TRUE(s.PasswordPage()->IsWindowVisible());

    Click(s, CSettingMyInfoDlg::kMinimise);
    EXPECT_TRUE(s.IsIconic());
    s.ShowWindow(fw::SW_RESTORE);

    fw::input::Close(s.GetSafeHwnd());
    fw::PumpPending();
    EXPECT_FALSE(s.IsWindowVisible());
    EXPECT_TRUE(s.IsWindow()) << "closing hides, the window is kept";
    Open();
    Click(s, CSettingMyInfoDlg::kClose);
    EXPECT_FALSE(s.IsWindowVisible());
    EXPECT_TRUE(s.IsWindow());
}

// ---- Password ----

class PasswordPageTest : public SettingsWindowTest {
protected:
    void Fill(const std::string& oldPw, const std::string& newPw, const std::string& confirm) {
        CModifyPasswordDlg& p = *settings_->PasswordPage();
        p.SetDlgItemText(CModifyPasswordDlg::kOld, oldPw);
        p.SetDlgItemText(CModifyPasswordDlg::kNew, newPw);
        p.SetDlgItemText(CModifyPasswordDlg::kConfirm, confirm);
    }
};

TEST_F(PasswordPageTest, ASixteenthCharacterCannotBeTyped) {
    CSettingMyInfoDlg& s = Open();
    for (fw::UINT id :
         {CModifyPasswordDlg::kOld, CModifyPasswordDlg::kNew, CModifyPasswordDlg::kConfirm}) {
        EXPECT_EQ(Type(*s.PasswordPage(), id, "abcdefghijklmno"), 15) << id;
        EXPECT_EQ(Type(*s.PasswordPage(), id, "p"), 0) << id;
        EXPECT_EQ(s.PasswordPage()->GetDlgItemText(id), "abcdefghijklmno");
    }
}

TEST_F(PasswordPageTest, NewAndConfirmationDifferingInCaseSendTheDigestOfTheNewOne) {
    CSettingMyInfoDlg& s = Open();
    Fill("sECRET1", "abc", "ABC");
    Click(*s.PasswordPage(), CModifyPasswordDlg::kSend);
    // MD5("abc"), the digest every MD5 description lists.
    EXPECT_EQ(Queued(),
              std::vector<std::string>{std::string(kPrefix) +
                                       "37&virid=7&newpass=900150983cd24fb0d6963f7d28e17f72"});
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(s.IsWindowVisible()) << "1061 keeps the window open";
    EXPECT_EQ(Session().Password(), kLoginPassword) << "the login password is kept";

    Click(*s.PasswordPage(), CModifyPasswordDlg::kSendAndClose);
    EXPECT_EQ(Queued().size(), 2u);
    EXPECT_FALSE(s.IsWindowVisible()) << "1059 closes it";
}

TEST_F(PasswordPageTest, RefusalsSendNothingAndClearWhatWasWrong) {
    CSettingMyInfoDlg& s = Open();
    CModifyPasswordDlg& p = *s.PasswordPage();

    Fill("Secret1", "", "abc");
    Click(p, CModifyPasswordDlg::kSendAndClose);
    Fill("wrong", "abc", "abc");
    Click(p, CModifyPasswordDlg::kSendAndClose);
    EXPECT_EQ(p.GetDlgItemText(CModifyPasswordDlg::kOld), "");
    EXPECT_EQ(p.GetDlgItemText(CModifyPasswordDlg::kNew), "abc");
    Fill("Secret1", "abc", "abd");
    Click(p, CModifyPasswordDlg::kSendAndClose);
    EXPECT_EQ(p.GetDlgItemText(CModifyPasswordDlg::kOld), "Secret1");
    EXPECT_EQ(p.GetDlgItemText(CModifyPasswordDlg::kNew), "");
    EXPECT_EQ(p.GetDlgItemText(CModifyPasswordDlg::kConfirm), "");

    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{G("输入内容不能为空！"), G("原密码输入有误，请重新输入！"),
                                        G("原密码与新密码不一致！")}));
    for (const auto& b : fw::headless::MessageBoxes()) {
        EXPECT_EQ(b.caption, G("提示"));
        EXPECT_EQ(b.flags & fw::MB_ICONEXCLAMATION, fw::MB_ICONEXCLAMATION);
    }
    EXPECT_TRUE(Queued().empty());
    EXPECT_TRUE(s.IsWindowVisible()) << "a refused change does not close the window";

    Click(p, CModifyPasswordDlg::kClose);
    EXPECT_FALSE(s.IsWindowVisible());
    EXPECT_TRUE(Queued().empty());
}

// ---- Login state ----

TEST_F(SettingsWindowTest, StoredStateTwoChecks1090AndIsSentAtOnce) {
    WriteConfig("[LoginStateFLag]\r\nvalue=2\r\n");
    CSettingMyInfoDlg& s = Open();
    Click(s, CSettingMyInfoDlg::kLoginStatePage);
    CMyLoginStateSettingDlg& page = *s.LoginStatePage();
    EXPECT_TRUE(page.IsWindowVisible());
    EXPECT_EQ(page.IsDlgButtonChecked(1090), fw::BST_CHECKED);
    for (fw::UINT other : {1089u, 1091u, 1092u}) {
        EXPECT_EQ(page.IsDlgButtonChecked(other), fw::BST_UNCHECKED) << other;
    }
    Click(page, CMyLoginStateSettingDlg::kSendAndClose);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "43&state=2&virid=7"});
    EXPECT_FALSE(s.IsWindowVisible()) << "1086 closes the window";
}

TEST_F(SettingsWindowTest, AClickedStateIsWrittenAtOnceAndSentBy1088) {
    WriteConfig("[NET]\r\nIP=10.0.0.1\r\n\r\n");
    CSettingMyInfoDlg& s = Open();
    CMyLoginStateSettingDlg& page = *s.LoginStatePage();
    for (fw::UINT id : {1089u, 1090u, 1091u, 1092u}) {
        EXPECT_EQ(page.IsDlgButtonChecked(id), fw::BST_UNCHECKED) << "nothing stored";
    }
    Click(s, CSettingMyInfoDlg::kLoginStatePage);
    Click(page, 1091);
    EXPECT_EQ(IniReadText(ConfigId::kLoginStateValue), "1");
    Click(page, 1092);
    EXPECT_EQ(IniReadText(ConfigId::kLoginStateValue), "3");
    EXPECT_EQ(page.IsDlgButtonChecked(1091), fw::BST_UNCHECKED);
    EXPECT_EQ(IniReadText(ConfigId::kNetIp), "10.0.0.1") << "the rest of the file is kept";
    EXPECT_TRUE(Queued().empty()) << "a click only stores the choice";

    Click(page, CMyLoginStateSettingDlg::kSend);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "43&state=3&virid=7"});
    EXPECT_TRUE(s.IsWindowVisible()) << "1088 keeps it open";
    Click(page, CMyLoginStateSettingDlg::kClose);
    EXPECT_FALSE(s.IsWindowVisible());
    EXPECT_EQ(Queued().size(), 1u);
}

TEST_F(SettingsWindowTest, AStoredValueThatIsNoStateChecksNothingAndIsNotSent) {
    WriteConfig("[LoginStateFLag]\r\nvalue=7&virid=1\r\n");
    CSettingMyInfoDlg& s = Open();
    CMyLoginStateSettingDlg& page = *s.LoginStatePage();
    for (fw::UINT id : {1089u, 1090u, 1091u, 1092u}) {
        EXPECT_EQ(page.IsDlgButtonChecked(id), fw::BST_UNCHECKED);
    }
    Click(page, CMyLoginStateSettingDlg::kSend);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "43&state=&virid=7"});
}

// ---- Favourite columns ----

RecordSetList Columns(const std::vector<std::pair<std::string, std::string>>& idName) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& [id, name] : idName) {
        rows.push_back({id, name});
    }
    return Reply("getallcolumn", {"prd_menu_id", "prd_menu_name", "is_mylove"}, [&] {
        for (auto& r : rows) {
            r.push_back("0");
        }
        return rows;
    }());
}

TEST_F(SettingsWindowTest, TheFavouritesButtonAsksForTheColumnsAndShowsThePage) {
    CSettingMyInfoDlg& s = Open();
    Click(s, CSettingMyInfoDlg::kFavouritesPage);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "39&virid=7&mylove="});
    EXPECT_TRUE(s.FavouritesPage()->IsWindowVisible());
    EXPECT_FALSE(s.PasswordPage()->IsWindowVisible());
}

TEST_F(SettingsWindowTest, FourColumnsAreRadioButtonsAtTheirPlaces) {
    CSettingMyInfoDlg& s = Open();
    Click(s, CSettingMyInfoDlg::kFavouritesPage);
    EXPECT_EQ(Deliver(Columns(
                  {{"1", G("宏观")}, {"2", G("行业")}, {"5", G("个股")}, {"151", G("港股")}})),
              0);
    CMyBestLoveDlg& page = *s.FavouritesPage();
    const std::vector<fw::HWND> buttons = page.ColumnButtonHandles();
    ASSERT_EQ(buttons.size(), 4u);
    const fw::Rect expected[] = {
        fw::Rect::FromXYWH(80, 80, 80, 40), fw::Rect::FromXYWH(180, 80, 80, 40),
        fw::Rect::FromXYWH(280, 80, 80, 40), fw::Rect::FromXYWH(80, 110, 80, 40)};
    const fw::UINT ids[] = {2001, 2002, 2005, 2151};
    const std::string captions[] = {G("宏观"), G("行业"), G("个股"), G("港股")};
    for (int i = 0; i < 4; ++i) {
        fw::Window* b = fw::Window::FromHandle(buttons[i]);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetRectInParent(), expected[i]) << i;
        EXPECT_EQ(b->GetDlgCtrlID(), ids[i]);
        EXPECT_EQ(b->GetWindowText(), captions[i]);
        EXPECT_TRUE(b->IsWindowVisible());
        EXPECT_EQ(page.GetDlgItemHandle(ids[i]), buttons[i]);
    }

    Click(page, 2005);
    EXPECT_EQ(page.ChosenColumn(), "5");
    EXPECT_EQ(page.IsDlgButtonChecked(2005), fw::BST_CHECKED);
    fw::input::Click(buttons[3]);
    fw::PumpPending();
    EXPECT_EQ(page.ChosenColumn(), "5") << "column 151 cannot be chosen";
    EXPECT_EQ(page.IsDlgButtonChecked(2151), fw::BST_UNCHECKED);
    EXPECT_EQ(page.IsDlgButtonChecked(2005), fw::BST_CHECKED);

    RequestQueue::Global().Clear();
    Click(page, CMyBestLoveDlg::kSend);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "38&virid=7&mylove=5"});
    EXPECT_TRUE(s.IsWindowVisible());
    Click(page, 2001);
    Click(page, CMyBestLoveDlg::kSendAndClose);
    EXPECT_EQ(Queued().back(), std::string(kPrefix) + "38&virid=7&mylove=1");
    EXPECT_FALSE(s.IsWindowVisible());
}

TEST_F(SettingsWindowTest, SendingBeforeAnyChoiceSendsAnEmptyFavourite) {
    CSettingMyInfoDlg& s = Open();
    Click(s, CSettingMyInfoDlg::kFavouritesPage);
    Deliver(Columns({{"1", "a"}}));
    RequestQueue::Global().Clear();
    Click(*s.FavouritesPage(), CMyBestLoveDlg::kSend);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "38&virid=7&mylove="});
    Click(*s.FavouritesPage(), CMyBestLoveDlg::kClose);
    EXPECT_FALSE(s.IsWindowVisible());
    EXPECT_EQ(Queued().size(), 1u);
}

TEST_F(SettingsWindowTest, ANewReplyReplacesTheButtonsOfTheLastOne) {
    CSettingMyInfoDlg& s = Open();
    CMyBestLoveDlg& page = *s.FavouritesPage();
    Deliver(Columns({{"1", "a"}, {"2", "b"}, {"3", "c"}}));
    Click(page, 2003);
    const std::vector<fw::HWND> before = page.ColumnButtonHandles();
    Deliver(Columns({{"3", "c"}, {"4", "d"}}));
    for (fw::HWND h : before) {
        EXPECT_FALSE(fw::IsWindow(h)) << "earlier buttons are removed";
    }
    const std::vector<fw::HWND> after = page.ColumnButtonHandles();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(fw::Window::FromHandle(after[0])->GetRectInParent(),
              fw::Rect::FromXYWH(80, 80, 80, 40));
    EXPECT_EQ(page.IsDlgButtonChecked(2003), fw::BST_UNCHECKED);
    EXPECT_EQ(page.ChosenColumn(), "") << "no choice survives the list it was made in";
}

TEST_F(SettingsWindowTest, EmptyAndForeignRepliesToTheFavouritesPage) {
    CSettingMyInfoDlg& s = Open();
    EXPECT_EQ(Deliver({}), -1);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"QUEST FAILED!"});
    EXPECT_EQ(Deliver(Reply("editmyloves", {"ER_Int"}, {{"1"}})), 0);
    EXPECT_TRUE(s.FavouritesPage()->ColumnButtonHandles().empty());
    EXPECT_EQ(BoxTexts().size(), 1u);
}

}  // namespace
}  // namespace formstest
