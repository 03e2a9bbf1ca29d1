// The questionnaire and the custom request on the headless backend, opened as the portal
// opens them.

#include <gtest/gtest.h>

#include <memory>

#include "forms/CustomRequestDlg.h"
#include "forms/Forms.h"
#include "forms/QuestionnaireDlg.h"
#include "tests/forms/FormsTestEnv.h"

namespace formstest {
namespace {

constexpr const char* kPrefix = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";

class FeedbackFormsTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        main_ = std::make_unique<fw::Dialog>(102);
        ASSERT_TRUE(main_->Create());
        portal_ = std::make_unique<fw::Dialog>(132);
        ASSERT_TRUE(portal_->Create(main_.get()));
        main_->ShowWindow(fw::SW_SHOW);
        portal_->ShowWindow(fw::SW_SHOW);
    }
    void TearDown() override {
        forms_.reset();
        portal_.reset();
        main_.reset();
        FormsTest::TearDown();
    }
    CQuestionnaireDlg& Questionnaire() {
        forms_->OpenQuestionnaire(*portal_);
        fw::PumpPending();
        EXPECT_NE(forms_->Questionnaire(), nullptr);
        return *forms_->Questionnaire();
    }
    CCustomRequestDlg& CustomRequest() {
        forms_->OpenCustomRequest(*portal_);
        fw::PumpPending();
        EXPECT_NE(forms_->CustomRequest(), nullptr);
        return *forms_->CustomRequest();
    }

    std::unique_ptr<CForms> forms_ = std::make_unique<CForms>();
    std::unique_ptr<fw::Dialog> main_;
    std::unique_ptr<fw::Dialog> portal_;
};

// ---- Questionnaire ----

TEST_F(FeedbackFormsTest, QuestionnaireIsMadeOnceCentredAtItsSize) {
    CQuestionnaireDlg& q = Questionnaire();
    EXPECT_TRUE(q.IsWindowVisible());
    EXPECT_EQ(q.GetClientRect(), fw::Rect::FromXYWH(0, 0, 467, 312));
    const fw::Rect work = fw::GetWorkArea();
    const fw::Rect r = q.GetWindowRect();
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(q.ParentWindow(), portal_.get());
    const fw::HWND first = q.GetSafeHwnd();
    Click(q, CQuestionnaireDlg::kClose);
    EXPECT_FALSE(q.IsWindowVisible());
    EXPECT_EQ(Questionnaire().GetSafeHwnd(), first);
    EXPECT_TRUE(forms_->Questionnaire()->IsWindowVisible());
    EXPECT_TRUE(Queued().empty());
}

TEST_F(FeedbackFormsTest, UntouchedRatingsSendScoreFiveAndHighlightOne) {
    CQuestionnaireDlg& q = Questionnaire();
    EXPECT_EQ(q.IsDlgButtonChecked(1077), fw::BST_CHECKED);
    EXPECT_EQ(q.IsDlgButtonChecked(1081), fw::BST_CHECKED);
    Type(q, CQuestionnaireDlg::kRemark, G("很好"));
    Click(q, CQuestionnaireDlg::kSubmit);
    EXPECT_EQ(Queued(),
              std::vector<std::string>{std::string(kPrefix) +
                                       "42&virid=7&pinfen=5&liangdian=1&jianyi=" + G("很好")});
    EXPECT_FALSE(q.IsWindowVisible()) << "hidden after the submit";
    EXPECT_TRUE(q.IsWindow());
    EXPECT_EQ(q.GetDlgItemText(CQuestionnaireDlg::kRemark), G("很好")) << "kept for the next use";
}

TEST_F(FeedbackFormsTest, EachRadioButtonGivesItsValue) {
    CQuestionnaireDlg& q = Questionnaire();
    Type(q, CQuestionnaireDlg::kRemark, "ok");
    // liangdian: 1077 "1" .. 1080 "4"; pinfen: 1081 "5" .. 1085 "1".
    const std::pair<fw::UINT, fw::UINT> clicks[] = {{1078, 1085}, {1080, 1082}, {1079, 1083}};
    const char* expected[] = {"pinfen=1&liangdian=2", "pinfen=4&liangdian=4",
                              "pinfen=3&liangdian=3"};
    for (int i = 0; i < 3; ++i) {
        Questionnaire();
        Click(q, clicks[i].first);
        Click(q, clicks[i].second);
        EXPECT_EQ(q.IsDlgButtonChecked(1077), fw::BST_UNCHECKED);
        EXPECT_EQ(q.IsDlgButtonChecked(1081), fw::BST_UNCHECKED);
        Click(q, CQuestionnaireDlg::kSubmit);
        EXPECT_EQ(Queued().back(),
                  std::string(kPrefix) + "42&virid=7&" + expected[i] + "&jianyi=ok");
    }
    Questionnaire();
    Click(q, 1084);
    Click(q, CQuestionnaireDlg::kSubmit);
    EXPECT_EQ(Queued().back(), std::string(kPrefix) + "42&virid=7&pinfen=2&liangdian=3&jianyi=ok");
}

TEST_F(FeedbackFormsTest, AnEmptyRemarkIsRefused) {
    CQuestionnaireDlg& q = Questionnaire();
    Click(q, CQuestionnaireDlg::kSubmit);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{G("请将内容填完整后提交！")});
    EXPECT_EQ(fw::headless::MessageBoxes().at(0).caption, G("提示"));
    EXPECT_TRUE(Queued().empty());
    EXPECT_TRUE(q.IsWindowVisible());
}

TEST_F(FeedbackFormsTest, TheRemarkCannotAddParameters) {
    CQuestionnaireDlg& q = Questionnaire();
    q.SetDlgItemText(CQuestionnaireDlg::kRemark, "50%+&virid=1");
    Click(q, CQuestionnaireDlg::kSubmit);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) +
                                                 "42&virid=7&pinfen=5&liangdian=1&jianyi="
                                                 "50%25%2B%26virid%3D1"});
}

TEST_F(FeedbackFormsTest, QuestionnaireMovesByAPressAnywhere) {
    CQuestionnaireDlg& q = Questionnaire();
    fw::headless::ClearRecords();
    fw::input::Mouse(q.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {20, 20}, fw::MK_LBUTTON);
    fw::PumpPending();
    EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{q.GetSafeHwnd()});
}

// ---- Custom request ----

void FillCustom(CCustomRequestDlg& c, const std::vector<std::string>& values) {
    const fw::UINT ids[] = {CCustomRequestDlg::kName, CCustomRequestDlg::kIdNumber,
                            CCustomRequestDlg::kAddress, CCustomRequestDlg::kMobile,
                            CCustomRequestDlg::kPhone};
    for (std::size_t i = 0; i < values.size(); ++i) {
        c.SetDlgItemText(ids[i], values[i]);
    }
}

TEST_F(FeedbackFormsTest, CustomRequestFieldsKeepTheirLimits) {
    CCustomRequestDlg& c = CustomRequest();
    EXPECT_EQ(Type(c, CCustomRequestDlg::kName, G("一二三四五六七八九")), 8);
    EXPECT_EQ(Type(c, CCustomRequestDlg::kIdNumber, "1234567890123456789"), 18);
    EXPECT_EQ(Type(c, CCustomRequestDlg::kAddress, "123456789012345678901"), 20);
    EXPECT_EQ(Type(c, CCustomRequestDlg::kPhone, "1234567890123"), 12);
    EXPECT_EQ(c.GetDlgItemText(CCustomRequestDlg::kName), G("一二三四五六七八"));
}

TEST_F(FeedbackFormsTest, TheMobileFieldRefusesLettersAndAThirteenthDigit) {
    CCustomRequestDlg& c = CustomRequest();
    EXPECT_EQ(Type(c, CCustomRequestDlg::kMobile, "a"), 0);
    EXPECT_EQ(Type(c, CCustomRequestDlg::kMobile, "138001380001"), 12);
    EXPECT_EQ(Type(c, CCustomRequestDlg::kMobile, "9"), 0);
    EXPECT_EQ(c.GetDlgItemText(CCustomRequestDlg::kMobile), "138001380001");
    EXPECT_EQ(Type(c, CCustomRequestDlg::kPhone, "x"), 0);
}

TEST_F(FeedbackFormsTest, CustomRequestSendsFiveFieldsEscaped) {
    CCustomRequestDlg& c = CustomRequest();
    FillCustom(c, {G("张三"), "11010519491231002X", "A&B=C+1", "13800138000", "01012345678"});
    Click(c, CCustomRequestDlg::kSubmit);
    EXPECT_EQ(Queued(), std::vector<std::string>{std::string(kPrefix) + "41&name=" + G("张三") +
                                                 "&usrcode=11010519491231002X"
                                                 "&addr=A%26B%3DC%2B1&mobile=13800138000"
                                                 "&pho=01012345678"});
    EXPECT_FALSE(c.IsWindowVisible());
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(FeedbackFormsTest, AnyEmptyCustomFieldIsRefused) {
    CCustomRequestDlg& c = CustomRequest();
    const std::vector<std::string> full = {"a", "b", "c", "1", "2"};
    for (std::size_t empty = 0; empty < full.size(); ++empty) {
        std::vector<std::string> values = full;
        values[empty].clear();
        FillCustom(c, values);
        Click(c, CCustomRequestDlg::kSubmit);
        EXPECT_TRUE(c.IsWindowVisible()) << empty;
    }
    EXPECT_EQ(BoxTexts(), std::vector<std::string>(5, G("请将资料填完整后提交！")));
    EXPECT_TRUE(Queued().empty());
}

TEST_F(FeedbackFormsTest, CustomRequestIsTopmostCentredCutAndDraggable) {
    CCustomRequestDlg& c = CustomRequest();
    EXPECT_NE(c.GetExStyle() & fw::WS_EX_TOPMOST, 0u);
    const fw::Rect work = fw::GetWorkArea();
    const fw::Rect r = c.GetWindowRect();
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    fw::RenderWindow(c.GetSafeHwnd());
    EXPECT_TRUE(c.HasWindowRgn());
    EXPECT_FALSE(c.GetWindowRgn().Contains(fw::Point{0, 0}));
    fw::headless::ClearRecords();
    fw::input::Mouse(c.GetSafeHwnd(), fw::WM_LBUTTONDOWN, {30, 30}, fw::MK_LBUTTON);
    fw::PumpPending();
    EXPECT_EQ(fw::headless::SystemMoves(), std::vector<fw::HWND>{c.GetSafeHwnd()});
    const fw::HWND first = c.GetSafeHwnd();
    Click(c, CCustomRequestDlg::kClose);
    EXPECT_FALSE(c.IsWindowVisible());
    EXPECT_EQ(CustomRequest().GetSafeHwnd(), first) << "made once";
}

}  // namespace
}  // namespace formstest
