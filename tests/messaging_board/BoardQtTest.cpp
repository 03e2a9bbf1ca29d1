// The board's windows on the real desktop stack (label gui): the framework's Qt backend with the
// thread page in Qt WebEngine. The page is filled, pages through its thread by its own links,
// hands the typed reply to the program and empties its box; screenshots of the compose window
// and of the message dialog are kept in the build tree.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWebEngineView>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "messaging/BoardWindows.h"
#include "messaging/LeavewordDlg.h"
#include "messaging/LeavewordcontentHtmlDlg.h"
#include "messaging/SeachStockChildDlg.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/web/QtWebRegister.h"
#include "platform/qt/web/QtWebView.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"
#include "tests/portal_home/ReplyBuilder.h"
#include "tests/web/WebTestSupport.h"

using fw::qt::QtWebView;
using portaltest::G;
using portaltest::Reply;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
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

void Pause(int ms) {
    QElapsedTimer t;
    t.start();
    WaitFor([&] { return t.elapsed() > ms; });
}

std::filesystem::path ScreenshotDir() {
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const std::filesystem::path dir =
        std::filesystem::path(bin != nullptr ? bin : ".") / "screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

// What the window shows: the framework's picture with the native widgets over it.
QImage Shot(fw::HWND hwnd) {
    auto* widget = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
    return widget != nullptr ? widget->grab().toImage() : QImage();
}

// Runs `script` in the page and waits for its result as text.
std::string Eval(QtWebView* view, const QString& script) {
    bool done = false;
    QString result;
    view->Widget()->page()->runJavaScript(script, [&](const QVariant& v) {
        result = v.toString();
        done = true;
    });
    WaitFor([&] { return done; }, 5000);
    return result.toStdString();
}

std::vector<std::vector<std::string>> ThreadRows(int replies) {
    std::vector<std::vector<std::string>> rows = {
        {"2026-12-08 09:12:05.000000000", G("张伟"),
         G("请问融资融券的开户条件是什么？\n资产要求和交易经验各需要多少？")}};
    const char* names[] = {"王明", "李婷", "张伟"};
    for (int i = 1; i <= replies; ++i) {
        const std::string minute = (i + 14 < 10 ? "0" : "") + std::to_string(i + 14);
        rows.push_back({"2026-12-08 09:" + minute + ":00.000000000", G(names[i % 3]),
                        i == 1 ? G("前20个交易日日均证券类资产不低于50万元，并有半年以上交易经验。")
                               : G("第") + std::to_string(i) + G("条回复：已收到 & 记录。")});
    }
    return rows;
}

class BoardQt : public ::testing::Test {
protected:
    void SetUp() override {
        RequestQueue::Global().Clear();
        Session().Reset();
        Session().SetSessionKey("s1");
        Session().SetVirid("4");
        Session().SetOrgId("1");
        board_ = std::make_unique<CBoardWindows>();
        board_->SetProgramDir(webtest::SourceDir());
    }
    void TearDown() override {
        board_.reset();
        Pause(100);
        RequestQueue::Global().Clear();
        Session().Reset();
    }
    std::unique_ptr<CBoardWindows> board_;
};

}  // namespace

TEST_F(BoardQt, ComposeWindowScreenshot) {
    board_->OpenLeaveword();
    CLeavewordDlg* dlg = board_->Leaveword();
    ASSERT_NE(dlg, nullptr);
    fw::input::Type(dlg->GetDlgItemHandle(CLeavewordDlg::kTitleEdit), G("融资融券开户条件咨询"));
    fw::input::Type(dlg->GetDlgItemHandle(CLeavewordDlg::kContentEdit),
                    G("您好，我想了解融资融券业务的开户条件：\r\n1. 资产要求是多少？\r\n"
                      "2. 需要多长时间的交易经验？\r\n谢谢！"));
    Pause(300);
    const QImage shot = Shot(dlg->GetSafeHwnd());
    ASSERT_EQ(shot.size(), QSize(519, 408));
    ASSERT_TRUE(
        shot.save(QString::fromStdString((ScreenshotDir() / "board-compose.png").string())));
}

TEST_F(BoardQt, ThreadPageInWebEngine) {
    board_->OpenBoardMessage("31");
    CSeachStockChildDlg* dlg = board_->MessageDialog();
    ASSERT_NE(dlg, nullptr);
    CLeavewordcontentHtmlDlg* page = dlg->ContentPage();
    auto* view = dynamic_cast<QtWebView*>(page->View().get());
    ASSERT_NE(view, nullptr) << "the Qt view is used under Qt";
    EXPECT_EQ(view->Widget()->size(), QSize(1005, 663));

    RecordSetList sets =
        Reply({{"looklinyan", {"insertdate", "usr_vuser_truen", "message_meno"}, ThreadRows(15)}});
    board_->OnBoardMessageReply(sets);
    // 16 rows: announced as "10" (hexadecimal), shown as 16, ten on the first page.
    ASSERT_TRUE(WaitFor([&] {
        return page->GetDocument() != nullptr &&
               Eval(view, "document.querySelectorAll('#thread .post').length") == "10";
    }));
    EXPECT_EQ(Eval(view, "document.getElementById('threadCount').textContent"), "16");
    EXPECT_EQ(Eval(view, "document.querySelector('#thread .post.first .said').textContent"),
              "请问融资融券的开户条件是什么？\n资产要求和交易经验各需要多少？");
    EXPECT_EQ(Eval(view, "document.querySelectorAll('#pager a').length"), "2");
    Pause(300);
    const QImage shot = Shot(dlg->GetSafeHwnd());
    EXPECT_EQ(shot.size(), QSize(1005, 728));
    ASSERT_TRUE(
        shot.save(QString::fromStdString((ScreenshotDir() / "board-message.png").string())));

    // The page link is followed; the reloaded page shows the second page.
    Eval(view, "document.getElementById('page_2').click(); 1");
    ASSERT_TRUE(WaitFor([&] {
        return page->GetDocument() != nullptr &&
               Eval(view, "location.search") == "?getmessageurl=2" &&
               Eval(view, "document.querySelectorAll('#thread .post').length") == "6";
    }));
    EXPECT_EQ(Eval(view, "document.querySelector('#thread .post .tag').textContent"), "回复 10");
    EXPECT_EQ(Eval(view, "document.querySelector('#pager a.cur').textContent"), "2");
    Pause(300);
    Shot(dlg->GetSafeHwnd())
        .save(QString::fromStdString((ScreenshotDir() / "board-message-page2.png").string()));

    // A reply as typed reaches the queue, and the box is emptied.
    Eval(view,
         "var t=document.getElementById('discussMessage');t.focus();"
         "t.value='收到 & 谢谢，partenid=1';t.dispatchEvent(new Event('input'));1");
    Pause(200);
    Eval(view, "document.getElementById('putinLeaveword').click(); 1");
    ASSERT_TRUE(WaitFor([] { return RequestQueue::Global().Size() == 1; }));
    EXPECT_EQ(RequestQueue::Global().Snapshot()[0].text,
              "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=45&partenid=31&virid=4" +
                  G("&meno=收到 %26 谢谢，partenid%3D1&title=&orgid=1"));
    EXPECT_TRUE(WaitFor(
        [&] { return Eval(view, "document.getElementById('discussMessage').value").empty(); }));

    // Blanks are not sent and stay in the box.
    RequestQueue::Global().Clear();
    Eval(view,
         "var t=document.getElementById('discussMessage');"
         "t.value='   ';t.dispatchEvent(new Event('input'));1");
    Pause(200);
    Eval(view, "document.getElementById('putinLeaveword').click(); 1");
    Pause(500);
    EXPECT_EQ(RequestQueue::Global().Size(), 0u);
    EXPECT_EQ(Eval(view, "document.getElementById('discussMessage').value"), "   ");
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
