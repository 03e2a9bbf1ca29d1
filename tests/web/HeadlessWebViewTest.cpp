#include "platform/web/HeadlessWebView.h"

#include <gtest/gtest.h>

#include "platform/core/Text.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using webtest::Recorder;
using webtest::Settle;

namespace {

const char kPage[] = R"(<html><head><meta charset="utf-8"><script>
function fill(a, b) {}
function OutputHtml(doc, page) {}
</script></head><body><div id="menu"><a id="go" href="second.html?flaid=3"><b id="label">Go</b></a></div>
<input id="StockCode" value="600000"><span id="plain">x</span>
<form name="login" action="done.html"><input name="userName"><input name="userPwd"></form>
</body></html>)";

const char kSecond[] =
    R"(<html><body><script>function second() {}</script><p id="p">2</p></body></html>)";

class HeadlessWebViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        page_ = webtest::WritePage(dir_, "htmlPath/first.html", kPage);
        second_ = webtest::WritePage(dir_, "htmlPath/second.html", kSecond);
        webtest::WritePage(dir_, "htmlPath/done.html", "<html><body></body></html>");
        view_ = std::make_shared<HeadlessWebView>();
        view_->SetEvents(&events_);
    }
    void TearDown() override { view_->SetEvents(nullptr); }

    void Load(const std::string& path) {
        view_->Navigate(path);
        Settle();
    }

    vq::test::TempDir dir_;
    std::string page_;
    std::string second_;
    Recorder events_;
    std::shared_ptr<HeadlessWebView> view_;
};

}  // namespace

TEST_F(HeadlessWebViewTest, NavigationIsAsynchronousAndReportsInOrder) {
    view_->Navigate(page_);
    EXPECT_TRUE(events_.log.empty()) << "events must come from the loop, not from Navigate";
    EXPECT_EQ(view_->GetDocument(), nullptr);
    Settle();
    const std::vector<std::string> expected = {"before:" + page_, "nav:" + page_, "doc:" + page_};
    EXPECT_EQ(events_.log, expected);
    EXPECT_EQ(view_->LocationUrl(), page_);
    ASSERT_NE(view_->GetDocument(), nullptr);
    EXPECT_TRUE(view_->HasFunction("fill"));
    EXPECT_FALSE(view_->HasFunction("second"));
}

TEST_F(HeadlessWebViewTest, CancelledNavigationLeavesThePageAsItWas) {
    Load(page_);
    const fw::web::DocumentPtr before = view_->GetDocument();
    events_.log.clear();
    events_.cancel = {"second.html"};
    view_->Navigate(second_);
    Settle();
    EXPECT_EQ(events_.log, std::vector<std::string>{"before:" + second_});
    EXPECT_EQ(view_->LocationUrl(), page_);
    EXPECT_EQ(view_->GetDocument(), before);
    EXPECT_TRUE(before->IsCurrent());
}

TEST_F(HeadlessWebViewTest, ALaterNavigationSupersedesAnEarlierOne) {
    view_->Navigate(page_);
    view_->Navigate(second_);
    Settle();
    const std::vector<std::string> expected = {"before:" + page_, "before:" + second_,
                                               "nav:" + second_, "doc:" + second_};
    EXPECT_EQ(events_.log, expected);
}

TEST_F(HeadlessWebViewTest, ClicksBubbleInnermostFirstThenFollowTheLink) {
    Load(page_);
    events_.log.clear();
    ASSERT_TRUE(view_->Click("label"));
    const std::vector<std::string> clicks = {"click:label", "click:go", "click:menu"};
    EXPECT_EQ(events_.log, clicks);
    Settle();
    const std::string target = second_ + "?flaid=3";
    ASSERT_EQ(events_.log.size(), 6u);
    EXPECT_EQ(events_.log[3], "before:" + target);
    EXPECT_EQ(events_.log[5], "doc:" + target);
    EXPECT_FALSE(view_->Click("label")) << "the old page's elements are gone";
    EXPECT_FALSE(view_->Click("nosuch"));
}

TEST_F(HeadlessWebViewTest, ScriptWindowAndFrameNavigations) {
    Load(page_);
    events_.log.clear();
    events_.cancel = {"blocked"};
    view_->OpenNewWindow("blocked.html");
    view_->FrameNavigate("frame.html");
    Settle();
    const std::string dir = page_.substr(0, page_.rfind('/') + 1);
    const std::vector<std::string> expected = {"before:" + dir + "blocked.html",
                                               "frame:" + dir + "frame.html"};
    EXPECT_EQ(events_.log, expected);
    EXPECT_EQ(view_->LocationUrl(), page_) << "a new-window link obeys the same rules";
    view_->ScriptNavigate("second.html");
    Settle();
    EXPECT_EQ(view_->LocationUrl(), second_);
}

TEST_F(HeadlessWebViewTest, DocumentsGoStaleWhenThePageChanges) {
    Load(page_);
    fw::web::DocumentPtr doc = view_->GetDocument();
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->GetScript());
    EXPECT_EQ(doc->GetElementValue("StockCode"), "600000");
    Load(second_);
    EXPECT_FALSE(doc->IsCurrent());
    EXPECT_EQ(doc->GetScript(), nullptr);
    EXPECT_EQ(doc->GetElementValue("StockCode"), std::nullopt);
    EXPECT_FALSE(doc->SetBodyHtml("x"));
    EXPECT_NE(view_->GetDocument(), doc);
}

TEST_F(HeadlessWebViewTest, ScriptCallsAreRecordedInCallOrder) {
    Load(page_);
    auto script = view_->GetDocument()->GetScript();
    int id = 0;
    ASSERT_EQ(script->GetIDsOfNames(u"fill", id), fw::web::kOk);
    EXPECT_EQ(script->GetIDsOfNames(u"missing", id), fw::web::kUnknownName);
    ASSERT_EQ(script->GetIDsOfNames(u"fill", id), fw::web::kOk);
    // Stored last first, as a dispatch call carries them.
    EXPECT_EQ(script->Invoke(id, {u"second", u"\u4e2d\u6587"}, nullptr), fw::web::kOk);
    ASSERT_EQ(view_->Calls().size(), 1u);
    EXPECT_EQ(view_->Calls()[0].function, "fill");
    EXPECT_EQ(view_->Calls()[0].args, (std::vector<std::string>{"中文", "second"}));
    EXPECT_EQ(script->Invoke(99, {}, nullptr), fw::web::kUnknownName);
}

TEST_F(HeadlessWebViewTest, DomAccessInGbk) {
    Load(page_);
    fw::web::DocumentPtr doc = view_->GetDocument();
    view_->SetInputValue("StockCode", "浦发");
    EXPECT_EQ(doc->GetElementValue("StockCode"), vq::Gbk("浦发"));
    EXPECT_TRUE(doc->SetElementValue("StockCode", vq::Gbk("银行")));
    EXPECT_EQ(view_->GetElementValue("StockCode"), "银行");
    EXPECT_EQ(doc->GetElementValue("absent"), std::nullopt);

    ASSERT_TRUE(doc->SetBodyHtml(vq::Gbk("<p id=\"t\">标题</p>")));
    EXPECT_EQ(doc->GetBodyHtml(), vq::Gbk("<p id=\"t\">标题</p>"));
    EXPECT_TRUE(view_->Click("t")) << "the new body's elements are known";
    EXPECT_TRUE(view_->HasFunction("fill")) << "the head's script survives a body change";
}

TEST_F(HeadlessWebViewTest, FirstFormIsFilledAndSubmitted) {
    Load(page_);
    fw::web::DocumentPtr doc = view_->GetDocument();
    auto form = doc->GetFirstForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->name, "login");
    EXPECT_EQ(form->elementNames, (std::vector<std::string>{"userName", "userPwd"}));
    EXPECT_TRUE(doc->SetFirstFormElementValue(0, vq::Gbk("张三")));
    EXPECT_TRUE(doc->SetFirstFormElementValue(1, "pw"));
    EXPECT_FALSE(doc->SetFirstFormElementValue(2, "x"));
    EXPECT_TRUE(doc->SubmitFirstForm());
    ASSERT_EQ(view_->Submits().size(), 1u);
    EXPECT_EQ(view_->Submits()[0].values[0].second, "张三");
    EXPECT_EQ(view_->Submits()[0].values[1].second, "pw");
    Settle();
    EXPECT_NE(view_->LocationUrl().find("done.html"), std::string::npos);
    EXPECT_FALSE(view_->GetDocument()->GetFirstForm());
}

TEST_F(HeadlessWebViewTest, GbkPagesMissingFilesAndInlineHtml) {
    const std::string gbkPage = webtest::WritePage(
        dir_, "gbk.html",
        vq::Gbk("<meta charset=\"gb2312\"><body><input id=\"n\" value=\"中文\"></body>"));
    Load(gbkPage);
    EXPECT_EQ(view_->GetElementValue("n"), "中文");
    EXPECT_EQ(view_->GetDocument()->GetElementValue("n"), vq::Gbk("中文"));

    events_.log.clear();
    Load(dir_.path() + "/missing.html");
    ASSERT_EQ(events_.log.size(), 3u) << "a missing page still completes, empty";
    ASSERT_TRUE(view_->GetDocument());
    EXPECT_FALSE(view_->HasFunction("fill"));

    view_->LoadHtml(vq::Gbk("<body><script>function k(){}</script><b id=\"b\">粗</b></body>"),
                    "about:blank");
    Settle();
    EXPECT_TRUE(view_->HasFunction("k"));
    EXPECT_EQ(view_->LocationUrl(), "about:blank");
}

TEST_F(HeadlessWebViewTest, ContextMenuAndSiteNotices) {
    Load(page_);
    EXPECT_TRUE(view_->RightClick());
    events_.swallowMenu = true;
    EXPECT_FALSE(view_->RightClick());
    view_->OnSiteMoved(fw::Rect{1, 2, 30, 40});
    view_->OnSiteShown(true);
    EXPECT_EQ(view_->SiteRect(), (fw::Rect{1, 2, 30, 40}));
    EXPECT_TRUE(view_->Shown());
    // Once its site is gone the view raises nothing more.
    events_.log.clear();
    view_->OnSiteDestroyed();
    view_->Navigate(second_);
    Settle();
    EXPECT_TRUE(events_.log.empty());
}
