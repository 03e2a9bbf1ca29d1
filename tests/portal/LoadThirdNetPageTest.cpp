#include "pagehost/LoadThirdNetPage.h"

#include <gtest/gtest.h>

#include "platform/Backend.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using webtest::Settle;

namespace {

class LoadThirdNetPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        ASSERT_TRUE(dlg_.Create(nullptr));
        dlg_.ShowWindow(fw::SW_SHOW);
    }
    void TearDown() override { dlg_.DestroyWindow(); }

    fw::Rect At(fw::UINT id) { return dlg_.GetDlgItem(id)->GetRectInParent(); }
    void Press(fw::UINT id) { ASSERT_TRUE(fw::input::Click(dlg_.GetDlgItemHandle(id))); }
    void ExpectCentred(int w, int h) {
        const fw::Rect rc = dlg_.GetWindowRect();
        const fw::Rect work = fw::GetWorkArea();
        EXPECT_EQ(rc.Width(), w);
        EXPECT_EQ(rc.Height(), h);
        EXPECT_LE(std::abs((rc.left + rc.right) - (work.left + work.right)), 1);
        EXPECT_LE(std::abs((rc.top + rc.bottom) - (work.top + work.bottom)), 1);
    }
    void ExpectLarge() {
        EXPECT_EQ(dlg_.Layout(), 0);
        ExpectCentred(1005, 728);
        EXPECT_EQ(At(IDC_THIRD_LEFT), fw::Rect::FromXYWH(0, 48, 9, 663));
        EXPECT_EQ(At(IDC_HTMLVIEW), fw::Rect::FromXYWH(9, 48, 987, 663));
        EXPECT_EQ(At(IDC_THIRD_RIGHT), fw::Rect::FromXYWH(996, 48, 9, 663));
        EXPECT_TRUE(dlg_.GetDlgItem(IDC_THIRD_TITLE)->IsWindowVisible());
        EXPECT_EQ(At(IDC_THIRD_TITLE), fw::Rect::FromXYWH(480, 0, 120, 46));
        EXPECT_EQ(At(IDC_THIRD_CLOSE), fw::Rect::FromXYWH(970, 20, 15, 15));
        EXPECT_EQ(At(IDC_THIRD_MAXIMIZE), fw::Rect::FromXYWH(950, 20, 15, 15));
        EXPECT_EQ(At(IDC_THIRD_MINIMIZE), fw::Rect::FromXYWH(930, 20, 15, 15));
    }
    void ExpectSmall() {
        EXPECT_EQ(dlg_.Layout(), 1);
        ExpectCentred(600, 450);
        EXPECT_EQ(At(IDC_HTMLVIEW), fw::Rect::FromXYWH(9, 48, 582, 382));
        EXPECT_EQ(At(IDC_THIRD_RIGHT), fw::Rect::FromXYWH(591, 48, 9, 663));
        EXPECT_FALSE(dlg_.GetDlgItem(IDC_THIRD_TITLE)->IsWindowVisible());
        EXPECT_EQ(At(IDC_THIRD_CLOSE), fw::Rect::FromXYWH(565, 20, 15, 15));
        EXPECT_EQ(At(IDC_THIRD_MAXIMIZE), fw::Rect::FromXYWH(545, 20, 15, 15));
        EXPECT_EQ(At(IDC_THIRD_MINIMIZE), fw::Rect::FromXYWH(525, 20, 15, 15));
    }

    CLoadThirdNetPage dlg_;
};

}  // namespace

TEST_F(LoadThirdNetPageTest, StartsLargeWithTheViewInPlaceOf1078) {
    ExpectLarge();
    EXPECT_EQ(dlg_.GetDlgItem(IDC_HTMLVIEW), &dlg_.HtmlCtrl());
    ASSERT_NE(HeadlessWebView::From(dlg_.HtmlCtrl().View()), nullptr);
    // The size button is drawn from its own bitmaps (235 normal, 237 hover).
    const auto& button = dlg_.MaximizeButton();
    EXPECT_EQ(button.GetSafeHwnd(), dlg_.GetDlgItemHandle(IDC_THIRD_MAXIMIZE));
    ASSERT_FALSE(button.Image(0).IsNull());
    EXPECT_EQ(button.Image(0).Get(), fw::Resources::Global().LoadBitmap(235).get());
    EXPECT_EQ(button.Image(1).Get(), fw::Resources::Global().LoadBitmap(237).get());
}

TEST_F(LoadThirdNetPageTest, FirstPressOf1080GivesTheSmallLayoutAndBack) {
    Press(IDC_THIRD_MAXIMIZE);
    ExpectSmall();
    Press(IDC_THIRD_MAXIMIZE);
    ExpectLarge();
    // A double-click anywhere toggles too.
    fw::input::Mouse(dlg_.GetSafeHwnd(), fw::WM_LBUTTONDBLCLK, {300, 10});
    ExpectSmall();
}

TEST_F(LoadThirdNetPageTest, CloseHidesAndReopeningKeepsTheLayout) {
    Press(IDC_THIRD_MAXIMIZE);
    Press(IDC_THIRD_CLOSE);
    EXPECT_TRUE(dlg_.IsWindow()) << "kept for the next use";
    EXPECT_FALSE(dlg_.IsWindowVisible());
    dlg_.ShowWindow(fw::SW_SHOW);
    dlg_.Navigate("about:blank");
    Settle();
    ExpectSmall();
    EXPECT_EQ(HeadlessWebView::From(dlg_.HtmlCtrl().View())->LocationUrl(), "about:blank");
}

TEST_F(LoadThirdNetPageTest, MinimiseAndDrag) {
    fw::headless::ClearRecords();
    fw::input::Mouse(dlg_.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {300, 10}, fw::MK_LBUTTON);
    EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{dlg_.GetSafeHwnd()});
    fw::input::Mouse(dlg_.GetSafeHwnd(), fw::WM_LBUTTONUP, {300, 10});
    Press(IDC_THIRD_MINIMIZE);
    EXPECT_TRUE(dlg_.IsIconic());
}
