// The script bridge and navigation against real Qt WebEngine (label gui). The test starts
// its own offscreen display, temporary HOME and XDG_RUNTIME_DIR, and disables the browser
// sandbox only when it runs as root.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QWebEngineView>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "platform/core/Text.h"
#include "platform/qt/web/QtWebView.h"
#include "pagehost/WebPage.h"
#include "tests/core/TempDir.h"
#include "tests/web/WebTestSupport.h"

using fw::qt::QtWebView;
using webtest::Recorder;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

std::size_t Count(const std::vector<std::string>& log, const std::string& prefix) {
    std::size_t n = 0;
    for (const std::string& s : log) {
        n += s.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return n;
}

const char kPage[] = R"html(<!DOCTYPE html><html><head><meta charset="utf-8">
<style>body{font:28px "WenQuanYi Micro Hei",sans-serif;background:#f4f7fb;color:#16325c;margin:24px}
#out{border:2px solid #1f6f8b;padding:16px;border-radius:8px;background:#fff}</style>
<script>
function fill(title, text) { document.getElementById('out').textContent = title + '|' + text; }
function answer(x) { return x + '!'; }
function thrower() { throw new Error('broken page'); }
</script></head><body>
<div id="menu"><a id="link" href="second.html?flaid=3"><span id="label">菜单</span></a></div>
<a id="blank" href="third.html" target="_blank">new</a>
<a id="app" href="APP:ok">ok</a>
<input id="StockCode" value="600000">
<form name="login" action="second.html"><input name="userName"><input name="userPwd"></form>
<div id="out">empty</div>
</body></html>)html";

class QtWebViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        page_ = webtest::WritePage(dir_, "htmlPath/first.html", kPage);
        second_ = webtest::WritePage(dir_, "htmlPath/second.html",
                                     "<html><body><script>function second(){}</script>"
                                     "<iframe src=\"frame.html\"></iframe></body></html>");
        third_ = webtest::WritePage(dir_, "htmlPath/third.html", "<html><body>3</body></html>");
        webtest::WritePage(dir_, "htmlPath/frame.html", "<html><body>f</body></html>");
        host_ = std::make_unique<QWidget>();
        host_->resize(760, 300);
        view_ = QtWebView::Create(host_.get());
        view_->SetEvents(&events_);
        host_->show();
    }
    void TearDown() override {
        view_->SetEvents(nullptr);
        view_.reset();
        host_.reset();
        QCoreApplication::processEvents();
    }

    // Navigates and waits for the page's document-complete.
    bool Load(const std::string& path) {
        const std::size_t before = Count(events_.log, "doc:");
        view_->Navigate(path);
        return WaitFor([&] { return Count(events_.log, "doc:") > before; });
    }
    void Js(const QString& script) { view_->Widget()->page()->runJavaScript(script); }
    bool Settled() {
        return WaitFor([&] { return view_->PendingScripts() == 0; });
    }

    vq::test::TempDir dir_;
    std::string page_, second_, third_;
    std::unique_ptr<QWidget> host_;
    std::shared_ptr<QtWebView> view_;
    Recorder events_;
};

}  // namespace

TEST_F(QtWebViewTest, ScriptBridgeFillsThePageFirstArgumentFirst) {
    ASSERT_TRUE(Load(page_));
    const std::vector<std::string> order = {"before:" + page_, "nav:" + page_, "doc:" + page_};
    EXPECT_EQ(events_.log, order);
    CWebPage bridge;
    ASSERT_TRUE(bridge.AttachDocument(view_->GetDocument()));
    ASSERT_TRUE(bridge.CallScript("fill", vq::Gbk("研究资讯：今日要闻"), vq::Gbk("第二段")));
    ASSERT_TRUE(Settled());
    const auto body = view_->GetDocument()->GetBodyHtml();
    ASSERT_TRUE(body);
    EXPECT_NE(body->find(vq::Gbk("研究资讯：今日要闻|第二段")), std::string::npos);

    // The page filled by a script call, for the eye.
    Pause(400);
    const char* bin = std::getenv("VQ_BINARY_DIR");
    const std::filesystem::path dir =
        std::filesystem::path(bin != nullptr ? bin : ".") / "screenshots";
    std::filesystem::create_directories(dir);
    const QImage shot = view_->Widget()->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString::fromStdString((dir / "page-filled-by-script.png").string())));

    // Undefined: fails at once with the system text, nothing shown.
    EXPECT_FALSE(bridge.CallScript("notOnThisPage", "x"));
    EXPECT_EQ(bridge.GetLastError(), "JSCall Error:\nUnknown name.");

    // Results come back to a caller that asks for them.
    fw::web::Value v;
    ASSERT_TRUE(bridge.CallScript("answer", vq::Gbk("好"), &v));
    EXPECT_EQ(v.type, fw::web::Value::Type::String);
    EXPECT_EQ(v.text, u"\u597d!");
    // Texts reach the page exactly, whatever they hold.
    const std::string tricky = "q\"uote' back\\slash\nline\r</script>\t" + vq::Gbk("中");
    ASSERT_TRUE(bridge.CallScript("answer", tricky, &v));
    EXPECT_EQ(v.text, vq::GbkToUtf16(tricky) + u"!");
    EXPECT_FALSE(bridge.CallScript("thrower", &v));
    EXPECT_EQ(bridge.GetLastError(), "JSCall Error:\nException occurred.");
}

TEST_F(QtWebViewTest, CancelledNavigationKeepsThePageAndCompletesOnce) {
    ASSERT_TRUE(Load(page_));
    fw::web::DocumentPtr doc = view_->GetDocument();
    events_.log.clear();
    events_.cancel = {"flaid="};
    Js("document.getElementById('label').click()");
    ASSERT_TRUE(WaitFor([&] { return Count(events_.log, "before:") == 1; }));
    Pause(500);  // a cancelled navigation still ends a load in the engine
    EXPECT_EQ(Count(events_.log, "doc:"), 0u);
    EXPECT_EQ(view_->LocationUrl(), page_);
    EXPECT_TRUE(doc->IsCurrent());
    EXPECT_NE(std::find(events_.log.begin(), events_.log.end(), "before:" + second_ + "?flaid=3"),
              events_.log.end());
    // The click reached the page's elements, innermost first.
    ASSERT_TRUE(WaitFor([&] { return Count(events_.log, "click:") == 3; }));
    std::vector<std::string> clicks;
    for (const std::string& s : events_.log) {
        if (s.rfind("click:", 0) == 0) {
            clicks.push_back(s);
        }
    }
    EXPECT_EQ(clicks, (std::vector<std::string>{"click:label", "click:link", "click:menu"}));

    events_.cancel.clear();
    events_.log.clear();
    ASSERT_TRUE(Load(second_));
    Pause(500);
    EXPECT_EQ(Count(events_.log, "doc:"), 1u) << "one load, one document-complete";
    EXPECT_EQ(events_.log.back(), "doc:" + second_);
    EXPECT_FALSE(doc->IsCurrent());
    EXPECT_TRUE(view_->HasFunction("second"));
    EXPECT_FALSE(view_->HasFunction("fill"));
    // The iframe's navigation came through as a sub-frame one.
    EXPECT_EQ(Count(events_.log, "frame:"), 1u);
}

TEST_F(QtWebViewTest, NewWindowLinksAndAppAddressesObeyTheRules) {
    ASSERT_TRUE(Load(page_));
    events_.log.clear();
    events_.cancel = {"third.html", "app:"};
    Js("document.getElementById('blank').click()");
    Js("window.open('third.html')");
    Js("document.getElementById('app').click()");
    ASSERT_TRUE(WaitFor([&] { return Count(events_.log, "before:") >= 3; }))
        << ::testing::PrintToString(events_.log);
    Pause(300);
    EXPECT_EQ(Count(events_.log, "before:" + third_), 2u);
    bool sawApp = false;
    for (const std::string& s : events_.log) {
        sawApp = sawApp ||
                 (s.size() > 7 && (s.compare(7, 4, "app:") == 0 || s.compare(7, 4, "APP:") == 0));
    }
    EXPECT_TRUE(sawApp) << "an app: link must reach before-navigate";
    EXPECT_EQ(view_->LocationUrl(), page_);

    events_.cancel.clear();
    Js("document.getElementById('blank').click()");
    ASSERT_TRUE(WaitFor([&] { return view_->LocationUrl() == third_; }));
}

TEST_F(QtWebViewTest, ValuesAndFormsThroughTheChannel) {
    ASSERT_TRUE(Load(page_));
    fw::web::DocumentPtr doc = view_->GetDocument();
    EXPECT_EQ(doc->GetElementValue("StockCode"), "600000");
    Js(
        QString::fromUtf8("var e=document.getElementById('StockCode'); e.value='浦发银行';"
                          "e.dispatchEvent(new Event('input', {bubbles:true}));"));
    ASSERT_TRUE(WaitFor([&] { return doc->GetElementValue("StockCode") == vq::Gbk("浦发银行"); }));
    ASSERT_TRUE(doc->SetElementValue("StockCode", vq::Gbk("招商")));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(doc->GetElementValue("StockCode"), vq::Gbk("招商"));

    auto form = doc->GetFirstForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->name, "login");
    EXPECT_EQ(form->elementNames, (std::vector<std::string>{"userName", "userPwd"}));
    ASSERT_TRUE(doc->SetFirstFormElementValue(0, vq::Gbk("张三")));
    ASSERT_TRUE(doc->SubmitFirstForm());
    ASSERT_TRUE(WaitFor([&] { return Count(events_.log, "doc:") == 2; }));
    EXPECT_EQ(events_.log.back().rfind("doc:" + second_, 0), 0u);
    EXPECT_NE(events_.log.back().find("userName=" + vq::Gbk("张三")), std::string::npos);
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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    return result;
}
