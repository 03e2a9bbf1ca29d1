// Every dialog of the forms on the Qt backend (offscreen platform), filled in, with
// screenshots in <build>/screenshots/forms-*.png. Radio buttons must show the picture under
// them (no patch of one colour) and no magenta may show inside the windows' shapes.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "forms/CustomRequestDlg.h"
#include "forms/Forms.h"
#include "forms/ModifyPasswordDlg.h"
#include "forms/MyBestLoveDlg.h"
#include "forms/MyLoginStateSettingDlg.h"
#include "forms/QuestionnaireDlg.h"
#include "forms/SettingMyInfoDlg.h"
#include "forms/SettingNetDlg.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "protocol/RecordSetWriter.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "session/WindowMessages.h"
#include "tests/core/TempDir.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

// What the window shows: the framework's picture with the native widgets over it.
QImage Shot(fw::HWND hwnd) {
    auto* widget = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
    return widget != nullptr ? widget->grab().toImage().convertToFormat(QImage::Format_RGB32)
                             : QImage();
}

bool InCorner(int x, int y, int w, int h) {
    constexpr int k = 6;
    return (x < k || x >= w - k) && (y < k || y >= h - k);
}

// Magenta pixels inside the window, the cut corners left out.
int MagentaPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 240 && qGreen(p) < 16 && qBlue(p) > 240 &&
                !InCorner(x, y, image.width(), image.height())) {
                ++n;
            }
        }
    }
    return n;
}

bool Near(QRgb shown, fw::Color drawn) {
    return std::abs(qRed(shown) - int(fw::GetRValue(drawn))) <= 8 &&
           std::abs(qGreen(shown) - int(fw::GetGValue(drawn))) <= 8 &&
           std::abs(qBlue(shown) - int(fw::GetBValue(drawn))) <= 8;
}

class FormsGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        vq::test::WriteBytes(dir_.File("config.ini"),
                             "[NET]\r\nIP=10.20.30.40\r\nTCPORT=9000\r\nUSE=2\r\n\r\n"
                             "[LoginStateFLag]\r\nvalue=2\r\n\r\n");
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        auto backend = qttest::MakeBackend();
        ASSERT_NE(backend, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(std::move(backend), std::string(src) + "/res"));
        Session().Reset();
        Session().SetLogin("demo", "demo123");
        Session().SetVirid("1");
        RequestQueue::Global().Clear();
        main_ = std::make_unique<fw::Dialog>(102);
        ASSERT_TRUE(main_->Create());
        portal_ = std::make_unique<fw::Dialog>(132);
        ASSERT_TRUE(portal_->Create(main_.get()));
    }
    void TearDown() override {
        forms_.reset();
        portal_.reset();
        main_.reset();
        fw::Shutdown();
        RequestQueue::Global().Clear();
        Session().Reset();
        std::filesystem::current_path(previous_);
    }

    // Shows the window, takes its picture and saves it as forms-<name>.png.
    QImage Capture(fw::Window& window, const char* name) {
        window.ShowWindow(fw::SW_SHOW);
        qttest::LetTimePass(300);
        QImage image = Shot(window.GetSafeHwnd());
        EXPECT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.width(), window.GetClientRect().Width()) << name;
        EXPECT_EQ(image.height(), window.GetClientRect().Height()) << name;
        const auto path = ScreenshotDir() / (std::string("forms-") + name + ".png");
        EXPECT_TRUE(image.save(QString::fromStdString(path.string()))) << path;
        EXPECT_EQ(MagentaPixels(image), 0) << name;
        return image;
    }
    // A radio button of `page` inside `top` shows the background picture at the right end
    // of its rectangle, where neither its mark nor its label is drawn.
    static void ExpectSeeThrough(const QImage& shown, fw::Window& top, fw::Window& radio,
                                 const char* what) {
        const fw::Bitmap drawn = fw::RenderWindow(top.GetSafeHwnd());
        const fw::Rect r = top.ScreenToClient(radio.GetWindowRect());
        int same = 0;
        int points = 0;
        for (int y = r.top + 1; y < r.bottom - 1; y += 3) {
            const int x = r.right - 3;
            ++points;
            same += Near(shown.pixel(x, y), drawn.GetPixel(x, y)) ? 1 : 0;
        }
        EXPECT_EQ(same, points) << what << " at " << r.left << "," << r.top;
    }

    vq::test::TempDir dir_;
    std::filesystem::path previous_;
    std::unique_ptr<CForms> forms_ = std::make_unique<CForms>();
    std::unique_ptr<fw::Dialog> main_;
    std::unique_ptr<fw::Dialog> portal_;
};

TEST_F(FormsGuiTest, PersonalSettingsWindowWithEachPage) {
    std::unique_ptr<fw::Dialog> made = forms_->MakeSettingsDialog(main_.get());
    auto& s = static_cast<CSettingMyInfoDlg&>(*made);
    ASSERT_TRUE(s.Create(main_.get()));

    CModifyPasswordDlg& password = *s.PasswordPage();
    password.SetDlgItemText(CModifyPasswordDlg::kOld, "demo123");
    password.SetDlgItemText(CModifyPasswordDlg::kNew, "NewPass9");
    password.SetDlgItemText(CModifyPasswordDlg::kConfirm, "NewPass9");
    Capture(s, "settings-password");

    fw::input::Click(s.GetDlgItemHandle(CSettingMyInfoDlg::kLoginStatePage));
    const QImage state = Capture(s, "settings-loginstate");
    for (fw::UINT id : {1089u, 1090u, 1091u, 1092u}) {
        ExpectSeeThrough(state, s, *s.LoginStatePage()->GetDlgItem(id), "login state");
    }

    fw::input::Click(s.GetDlgItemHandle(CSettingMyInfoDlg::kFavouritesPage));
    const std::vector<uint8_t> body =
        EncodeTextRecordSet("getallcolumn", {"prd_menu_id", "prd_menu_name"},
                            {{"1", G("宏观研究")},
                             {"2", G("行业研究")},
                             {"3", G("个股点评")},
                             {"4", G("晨会纪要")},
                             {"5", G("港股")},
                             {"151", G("其它")}});
    RecordSetList sets = DecodeRecordSets(body.data(), body.size());
    s.SendMessage(WindowMsg::kSettingsColumns, 0, reinterpret_cast<fw::LPARAM>(&sets));
    CMyBestLoveDlg& favourites = *s.FavouritesPage();
    ASSERT_EQ(favourites.ColumnButtonHandles().size(), 6u);
    fw::input::Click(favourites.GetDlgItemHandle(2002));
    const QImage columns = Capture(s, "settings-favourites");
    for (fw::HWND h : favourites.ColumnButtonHandles()) {
        ExpectSeeThrough(columns, s, *fw::Window::FromHandle(h), "column");
    }
}

TEST_F(FormsGuiTest, NetworkSettingsDialog) {
    std::unique_ptr<fw::Dialog> dlg = forms_->MakeNetSettingsDialog(main_.get());
    ASSERT_TRUE(dlg->Create(main_.get()));
    EXPECT_EQ(dlg->GetDlgItemText(CSettingNetDlg::kPort), "9000");
    Capture(*dlg, "net");
}

TEST_F(FormsGuiTest, QuestionnaireAndCustomRequest) {
    forms_->OpenQuestionnaire(*portal_);
    CQuestionnaireDlg& q = *forms_->Questionnaire();
    fw::input::Click(q.GetDlgItemHandle(1079));
    fw::input::Click(q.GetDlgItemHandle(1082));
    q.SetDlgItemText(CQuestionnaireDlg::kRemark, G("研究报告很及时，希望增加港股内容。"));
    Capture(q, "questionnaire");
    q.EndDialog(fw::IDCANCEL);

    forms_->OpenCustomRequest(*portal_);
    CCustomRequestDlg& c = *forms_->CustomRequest();
    c.SetDlgItemText(CCustomRequestDlg::kName, G("张三"));
    c.SetDlgItemText(CCustomRequestDlg::kIdNumber, "11010519491231002X");
    c.SetDlgItemText(CCustomRequestDlg::kAddress, G("北京市西城区金融街1号"));
    c.SetDlgItemText(CCustomRequestDlg::kMobile, "13800138000");
    c.SetDlgItemText(CCustomRequestDlg::kPhone, "01012345678");
    Capture(c, "customrequest");
}

}  // namespace
