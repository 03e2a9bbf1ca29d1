#include "portal/SystemSettingHtmlDlg.h"

#include <gtest/gtest.h>

#include "platform/core/Text.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using webtest::Settle;

namespace {

class SystemSettingHtmlDlgTest : public ::testing::Test {
protected:
    void SetUp() override { webtest::EnsureFramework(); }
    void TearDown() override { fw::headless::SetModalHook(nullptr); }

    // Runs the dialog modally; `act` runs inside its loop once the page has loaded.
    fw::INT_PTR RunWith(const std::function<void(CSystemSettingHtmlDlg&)>& act) {
        CSystemSettingHtmlDlg dlg;
        fw::headless::SetModalHook([&](fw::HWND) {
            Settle();
            act(dlg);
        });
        return dlg.DoModal();
    }
};

}  // namespace

TEST_F(SystemSettingHtmlDlgTest, ShowsItsGreyPageCentred) {
    CSystemSettingHtmlDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    Settle();
    HeadlessWebView* view = HeadlessWebView::From(dlg.View());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Calls().size(), 0u) << "no script function is called";
    EXPECT_TRUE(dlg.CurrentPage().empty()) << "no page file is loaded";
    const auto& elements = view->Page().elements;
    auto find = [&](const std::string& id) -> const fw::web::PageElement* {
        for (const auto& e : elements) {
            if (e.id == id) {
                return &e;
            }
        }
        return nullptr;
    };
    ASSERT_NE(find("CSystemSettingHtmlDlg"), nullptr);
    EXPECT_EQ(find("CSystemSettingHtmlDlg")->tag, "body");
    ASSERT_NE(find("ButtonOK"), nullptr);
    ASSERT_NE(find("ButtonCancel"), nullptr);
    const std::string body = view->BodyHtmlUtf8();
    EXPECT_NE(body.find(">确定<"), std::string::npos);
    EXPECT_NE(body.find(">取消<"), std::string::npos);

    const fw::Rect work = fw::GetWorkArea();
    const fw::Rect rc = dlg.GetWindowRect();
    EXPECT_LE(std::abs((rc.left + rc.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((rc.top + rc.bottom) - (work.top + work.bottom)), 1);
    dlg.DestroyWindow();
}

TEST_F(SystemSettingHtmlDlgTest, TheTwoButtonsEndTheDialog) {
    EXPECT_EQ(RunWith([](CSystemSettingHtmlDlg& dlg) {
                  ASSERT_TRUE(HeadlessWebView::From(dlg.View())->Click("ButtonOK"));
              }),
              fw::IDOK);
    EXPECT_EQ(RunWith([](CSystemSettingHtmlDlg& dlg) {
                  ASSERT_TRUE(HeadlessWebView::From(dlg.View())->Click("ButtonCancel"));
              }),
              fw::IDCANCEL);
}
