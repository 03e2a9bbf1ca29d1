// The page dialog base and the browser control on the headless backend.
#include <gtest/gtest.h>

#include "pagehost/DHtmlDialog.h"
#include "pagehost/HtmlCtrl.h"
#include "platform/Backend.h"
#include "platform/core/Text.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using webtest::Settle;

namespace {

const char kPage[] = R"html(<html><body><div id="outer"><button id="inner">x</button></div>
<span id="unbound">u</span><a id="okLink" href="APP:ok">ok</a><a id="cmdLink" href="app:reload">r</a>
<a id="out" href="other.html">o</a></body></html>)html";

class TestPageDlg : public CDHtmlDialog {
public:
    TestPageDlg() : CDHtmlDialog(182, 104) {}
    std::vector<std::string> log;
    std::string cancel;  // navigations to URLs containing this are cancelled
    bool swallowMenu = false;

    void OnOuter() { log.push_back("handler:outer"); }
    void OnInner() { log.push_back("handler:inner"); }
    void OnInnerAgain() { log.push_back("handler:inner2"); }

protected:
    std::span<const DHtmlEventMapEntry> GetDHtmlEventMap() const override {
        static const DHtmlEventMapEntry kMap[] = {
            {"outer", Handler(&TestPageDlg::OnOuter)},
            {"inner", Handler(&TestPageDlg::OnInner)},
            {"inner", Handler(&TestPageDlg::OnInnerAgain)},
        };
        return kMap;
    }
    bool OnBeforeNavigate(const fw::web::DispatchPtr& pDisp, const std::string& url) override {
        (void)pDisp;
        log.push_back("before:" + url);
        return cancel.empty() || url.find(cancel) == std::string::npos;
    }
    void OnNavigateComplete(const std::string& url) override { log.push_back("nav:" + url); }
    void OnDocumentComplete(const std::string& url) override { log.push_back("doc:" + url); }
    bool OnPageContextMenu() override { return swallowMenu; }
};

class PageDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        webtest::WritePage(dir_, "htmlPath/page.html", kPage);
        webtest::WritePage(dir_, "htmlPath/other.html", "<body></body>");
    }
    HeadlessWebView* ViewOf(const CDHtmlDialog& dlg) { return HeadlessWebView::From(dlg.View()); }
    vq::test::TempDir dir_;
};

}  // namespace

TEST_F(PageDialogTest, ShowsItsBuiltInPageFillingTheClientArea) {
    TestPageDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    Settle();
    const std::string resource =
        vq::Utf8ToGbk(fw::Resources::Global().FilePath(fw::ResourceKind::Html, 104));
    ASSERT_FALSE(resource.empty());
    const std::vector<std::string> expected = {"before:" + resource, "nav:" + resource,
                                               "doc:" + resource};
    EXPECT_EQ(dlg.log, expected);
    ASSERT_NE(ViewOf(dlg), nullptr);
    EXPECT_EQ(ViewOf(dlg)->SiteRect(), dlg.GetClientRect());
    EXPECT_TRUE(dlg.CurrentPage().empty()) << "a built-in page is not a page file";
    dlg.DestroyWindow();
}

TEST_F(PageDialogTest, PageFilesLiveBesideTheProgram) {
    TestPageDlg dlg;
    dlg.SetProgramDir(dir_.path());
    ASSERT_TRUE(dlg.Create(nullptr));
    Settle();
    dlg.log.clear();
    EXPECT_EQ(dlg.PagePath("htmlPath\\page.html"), dir_.path() + "/htmlPath/page.html");
    // A backslash inside a GBK character is part of it, not a separator.
    const std::string gbk = vq::Gbk("表");  // B1 ED
    EXPECT_EQ(dlg.PagePath(std::string("htmlPath\\\x81\\.html")),
              dir_.path() + "/htmlPath/\x81\\.html");
    EXPECT_EQ(dlg.PagePath("htmlPath\\" + gbk), dir_.path() + "/htmlPath/" + gbk);

    dlg.NavigatePage("htmlPath\\page.html");
    Settle();
    EXPECT_EQ(dlg.CurrentPage(), dir_.path() + "/htmlPath/page.html");
    ASSERT_EQ(dlg.log.size(), 3u);
    EXPECT_EQ(dlg.log[2], "doc:" + dlg.CurrentPage()) << "the complete URL names the page path";

    // Navigations that are not the dialog's own page keep the current page.
    dlg.Navigate("other.html?prdid=12");
    Settle();
    EXPECT_EQ(dlg.CurrentPage(), dir_.path() + "/htmlPath/page.html");
    EXPECT_EQ(dlg.log.back(), "doc:" + dir_.path() + "/htmlPath/other.html?prdid=12");
    dlg.DestroyWindow();
}

TEST_F(PageDialogTest, BeforeNavigateCanCancel) {
    TestPageDlg dlg;
    dlg.SetProgramDir(dir_.path());
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.NavigatePage("htmlPath\\page.html");
    Settle();
    dlg.log.clear();
    dlg.cancel = "flaid=";
    ASSERT_TRUE(ViewOf(dlg)->Click("out"));  // a link that is allowed
    dlg.Navigate("page.html?flaid=100");
    Settle();
    ASSERT_EQ(dlg.log.size(), 4u);
    EXPECT_EQ(dlg.log[0], "before:" + dir_.path() + "/htmlPath/other.html");
    EXPECT_EQ(dlg.log[1], "before:" + dir_.path() + "/htmlPath/page.html?flaid=100");
    EXPECT_EQ(dlg.log[3], "doc:" + dir_.path() + "/htmlPath/other.html");
    EXPECT_EQ(ViewOf(dlg)->LocationUrl(), dir_.path() + "/htmlPath/other.html");
    dlg.DestroyWindow();
}

TEST_F(PageDialogTest, ClickBindingTableRunsHandlersInnermostFirst) {
    TestPageDlg dlg;
    dlg.SetProgramDir(dir_.path());
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.NavigatePage("htmlPath\\page.html");
    Settle();
    dlg.log.clear();
    ASSERT_TRUE(ViewOf(dlg)->Click("inner"));
    const std::vector<std::string> expected = {"handler:inner", "handler:inner2", "handler:outer"};
    EXPECT_EQ(dlg.log, expected);
    dlg.log.clear();
    ASSERT_TRUE(ViewOf(dlg)->Click("unbound"));
    EXPECT_TRUE(dlg.log.empty());
    dlg.DestroyWindow();
}

TEST_F(PageDialogTest, ContextMenuSilentModeAndDestruction) {
    auto dlg = std::make_unique<TestPageDlg>();
    ASSERT_TRUE(dlg->Create(nullptr));
    Settle();
    std::shared_ptr<fw::web::WebView> view = dlg->View();
    HeadlessWebView* hv = HeadlessWebView::From(view);
    EXPECT_TRUE(hv->RightClick());
    dlg->swallowMenu = true;
    EXPECT_FALSE(hv->RightClick());
    EXPECT_FALSE(view->IsSilent());
    dlg->SetSilent(true);
    EXPECT_TRUE(view->IsSilent());
    // A navigation still queued when the dialog goes away reaches nobody.
    view->Navigate("about:blank");
    dlg.reset();
    Settle();
    EXPECT_EQ(hv->LocationUrl().find("about:blank"), std::string::npos);
}

// ---- CHtmlCtrl ----

namespace {

class OkParent : public fw::Dialog {
public:
    OkParent() : fw::Dialog(268) {}
    int oks = 0;
    void OnOK() override {
        ++oks;
        fw::Dialog::OnOK();
    }
};

}  // namespace

TEST_F(PageDialogTest, HtmlCtrlTakesThePlaceOfControl1078) {
    OkParent parent;
    ASSERT_TRUE(parent.Create(nullptr));
    fw::Window* placeholder = parent.GetDlgItem(IDC_HTMLVIEW);
    ASSERT_NE(placeholder, nullptr);
    const fw::Rect where = placeholder->GetRectInParent();
    CHtmlCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(&parent));
    EXPECT_EQ(parent.GetDlgItem(IDC_HTMLVIEW), &ctrl);
    EXPECT_EQ(ctrl.GetRectInParent(), where);
    EXPECT_TRUE(ctrl.GetStyle() & fw::WS_VISIBLE);
    fw::WindowInfo info;
    ASSERT_TRUE(fw::GetWindowInfo(ctrl.GetSafeHwnd(), info));
    EXPECT_EQ(info.kind, fw::ControlKind::Html);
    int with1078 = 0;
    for (fw::HWND child : parent.GetChildren()) {
        with1078 += fw::Window::FromHandle(child)->GetDlgCtrlID() == IDC_HTMLVIEW ? 1 : 0;
    }
    EXPECT_EQ(with1078, 1) << "the static is gone";
    ASSERT_NE(HeadlessWebView::From(ctrl.View()), nullptr);
    parent.DestroyWindow();
}

TEST_F(PageDialogTest, HtmlCtrlParentWithout1078GetsNoView) {
    fw::Dialog parent(182);
    ASSERT_TRUE(parent.Create(nullptr));
    const std::size_t children = parent.GetChildren().size();
    CHtmlCtrl ctrl;
    EXPECT_FALSE(ctrl.CreateFromStatic(&parent));
    EXPECT_EQ(ctrl.GetSafeHwnd(), fw::kNoWindow);
    EXPECT_EQ(ctrl.View(), nullptr);
    EXPECT_EQ(parent.GetChildren().size(), children);
    EXPECT_FALSE(ctrl.CreateFromStatic(nullptr));
    parent.DestroyWindow();
}

TEST_F(PageDialogTest, HtmlCtrlAppCommandsAreNeverLoaded) {
    OkParent parent;
    ASSERT_TRUE(parent.Create(nullptr));
    parent.ShowWindow(fw::SW_SHOW);
    CHtmlCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(&parent));
    HeadlessWebView* view = HeadlessWebView::From(ctrl.View());
    ctrl.Navigate(dir_.path() + "/htmlPath/page.html");
    Settle();
    const std::string shown = view->LocationUrl();
    ASSERT_EQ(shown, dir_.path() + "/htmlPath/page.html");

    // Another command is swallowed without effect.
    ASSERT_TRUE(view->Click("cmdLink"));
    ctrl.Navigate("App:Whatever");
    Settle();
    EXPECT_EQ(parent.oks, 0);
    EXPECT_EQ(view->LocationUrl(), shown);
    EXPECT_TRUE(parent.IsWindowVisible());

    // "APP:ok" closes the parent as its OK button would; nothing is loaded.
    ASSERT_TRUE(view->Click("okLink"));
    Settle();
    EXPECT_EQ(parent.oks, 1);
    EXPECT_FALSE(parent.IsWindowVisible());
    EXPECT_EQ(view->LocationUrl(), shown);
    ctrl.Navigate("aPp:OK");
    Settle();
    EXPECT_EQ(parent.oks, 2);
    EXPECT_EQ(view->LocationUrl(), shown);
    parent.DestroyWindow();
}
