// The page dialogs on the real desktop stack: the framework's Qt backend with WebEngine views
// in its HTML sites (label gui, offscreen, temporary HOME and XDG_RUNTIME_DIR, sandbox off
// only as root).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "pagehost/LoadThirdNetPage.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/web/QtWebRegister.h"
#include "platform/qt/web/QtWebView.h"
#include "portal/SystemSettingHtmlDlg.h"
#include "tests/core/TempDir.h"
#include "tests/web/WebTestSupport.h"

using fw::qt::QtWebView;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        fw::PumpPending();
    }
    return true;
}

QtWebView* QtView(const fw::web::WebViewPtr& view) {
    return dynamic_cast<QtWebView*>(view.get());
}

void Click(const fw::web::WebViewPtr& view, const char* id) {
    QtView(view)->Widget()->page()->runJavaScript(
        QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
}

std::filesystem::path ScreenshotDir() {
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const std::filesystem::path dir =
        std::filesystem::path(bin != nullptr ? bin : ".") / "screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

TEST(PageDialogQtTest, SettingsPageButtonsEndTheModalDialog) {
    for (const char* button : {"ButtonOK", "ButtonCancel"}) {
        CSystemSettingHtmlDlg dlg;
        bool clicked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (clicked || !dlg.View() || !dlg.View()->GetDocument()) {
                return;
            }
            if (std::string(button) == "ButtonOK") {
                auto* top =
                    static_cast<QWidget*>(fw::GetBackend()->NativeHandle(dlg.GetSafeHwnd()));
                ASSERT_NE(top, nullptr);
                QtWebView* view = QtView(dlg.View());
                // The view lives in the dialog's browser area and fills it.
                EXPECT_EQ(view->Widget()->size(),
                          QSize(dlg.GetClientRect().Width(), dlg.GetClientRect().Height()));
                top->grab().save(
                    QString::fromStdString((ScreenshotDir() / "system-settings.png").string()));
            }
            clicked = true;
            Click(dlg.View(), button);
        });
        poll.start(50);
        QTimer::singleShot(20000, [&] { dlg.EndDialog(-2); });  // never hang
        const fw::INT_PTR result = dlg.DoModal();
        EXPECT_EQ(result, std::string(button) == "ButtonOK" ? fw::IDOK : fw::IDCANCEL) << button;
    }
}

TEST(PageDialogQtTest, OutsideSiteWindowTakesAppOkAsItsOkButton) {
    vq::test::TempDir dir;
    const std::string page =
        webtest::WritePage(dir, "site.html",
                           "<html><body><p>site</p><a id=\"ok\" href=\"APP:ok\">ok</a>"
                           "<a id=\"cmd\" href=\"app:other\">other</a></body></html>");
    CLoadThirdNetPage dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.ShowWindow(fw::SW_SHOW);
    ASSERT_NE(QtView(dlg.HtmlCtrl().View()), nullptr) << "the Qt view is used under Qt";
    QWidget* site = static_cast<QWidget*>(dlg.HtmlCtrl().NativeParent());
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(QtView(dlg.HtmlCtrl().View())->Widget()->parentWidget(), site);
    dlg.Navigate(page);
    ASSERT_TRUE(WaitFor([&] { return dlg.HtmlCtrl().View()->GetDocument() != nullptr; }));
    EXPECT_EQ(QtView(dlg.HtmlCtrl().View())->Widget()->size(), QSize(987, 663));

    Click(dlg.HtmlCtrl().View(), "cmd");
    QElapsedTimer t;
    t.start();
    WaitFor([&] { return t.elapsed() > 500; });
    EXPECT_TRUE(dlg.IsWindowVisible()) << "another command does nothing";

    Click(dlg.HtmlCtrl().View(), "ok");
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsWindowVisible(); })) << "APP:ok closes the window";
    EXPECT_EQ(dlg.HtmlCtrl().View()->LocationUrl(), page) << "and loads nothing";
    dlg.DestroyWindow();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    vq::test::TempDir home;
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::setenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false", 0);
    if (::geteuid() == 0) {
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
    if (!fw::InitWithBackend(fw::qt::CreateBackend(), webtest::SourceDir() + "/res")) {
        return 1;
    }
    fw::qt::RegisterWebView();
    const int result = RUN_ALL_TESTS();
    fw::Shutdown();
    return result;
}
