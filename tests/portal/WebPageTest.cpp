// The script bridge against the headless page model.
#include "pagehost/WebPage.h"

#include <gtest/gtest.h>

#include "platform/core/Text.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;

namespace {

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        fw::headless::ClearRecords();
        const std::string page = webtest::WritePage(dir_, "p.html", R"html(<html><body>
<script>function OutputHtml(doc, page) {} function showflash() {} function fails() {}
function answer() {}</script><p id="x"></p></body></html>)html");
        view_->Navigate(page);
        webtest::Settle();
        ASSERT_TRUE(view_->GetDocument());
    }

    vq::test::TempDir dir_;
    std::shared_ptr<HeadlessWebView> view_ = std::make_shared<HeadlessWebView>();
    CWebPage page_;
};

// Something a browser hands out that is not a document.
class Element : public fw::web::DispatchObject {};

}  // namespace

TEST_F(WebPageTest, TwoArgumentsArriveFirstFirstInUtf16) {
    ASSERT_TRUE(page_.SetDocument(view_->GetDocument()));
    const std::string doc = vq::Gbk("{\"total\":\"1a\",\"name\":\"张三\"}");
    ASSERT_TRUE(page_.CallScript("OutputHtml", doc, "2"));
    ASSERT_TRUE(page_.CallScript("showflash"));
    ASSERT_TRUE(page_.CallScript("OutputHtml", vq::Gbk("单")));
    ASSERT_EQ(view_->Calls().size(), 3u);
    EXPECT_EQ(view_->Calls()[0].args,
              (std::vector<std::string>{"{\"total\":\"1a\",\"name\":\"张三\"}", "2"}));
    EXPECT_TRUE(view_->Calls()[1].args.empty());
    EXPECT_EQ(view_->Calls()[2].args, std::vector<std::string>{"单"});
    EXPECT_TRUE(page_.GetLastError().empty());
}

TEST_F(WebPageTest, UndefinedFunctionFailsSilentlyWithTheSystemText) {
    ASSERT_TRUE(page_.AttachDocument(view_->GetDocument()));
    EXPECT_FALSE(page_.CallScript("notOnThisPage", "a"));
    EXPECT_EQ(page_.GetLastError(), "JSCall Error:\nUnknown name.");
    EXPECT_TRUE(view_->Calls().empty());
    EXPECT_TRUE(fw::headless::MessageBoxes().empty());
}

TEST_F(WebPageTest, FailuresOfTheFunctionItself) {
    ASSERT_TRUE(page_.AttachDocument(view_->GetDocument()));
    view_->SetFunction("fails", [](HeadlessWebView&, const std::vector<std::string>&,
                                   fw::web::Value*) { return fw::web::kException; });
    EXPECT_FALSE(page_.CallScript("fails"));
    EXPECT_EQ(page_.GetLastError(), "JSCall Error:\nException occurred.");
    // A code the system has no text for.
    view_->SetFunction("fails", [](HeadlessWebView&, const std::vector<std::string>&,
                                   fw::web::Value*) { return fw::web::Status(0x80041234u); });
    EXPECT_FALSE(page_.CallScript("fails"));
    EXPECT_EQ(page_.GetLastError(), "JSCall Error:\nFormatMessage Netive Error");
    EXPECT_TRUE(fw::headless::MessageBoxes().empty());
}

TEST_F(WebPageTest, ResultIsReturnedOnlyWhenAsked) {
    ASSERT_TRUE(page_.AttachDocument(view_->GetDocument()));
    view_->SetFunction("answer", [](HeadlessWebView&, const std::vector<std::string>& args,
                                    fw::web::Value* result) {
        result->type = fw::web::Value::Type::String;
        result->text = vq::Utf8ToUtf16(args.empty() ? "none" : args[0] + "!");
        return fw::web::kOk;
    });
    fw::web::Value v;
    ASSERT_TRUE(page_.CallScript("answer", vq::Gbk("好"), &v));
    EXPECT_EQ(v.type, fw::web::Value::Type::String);
    EXPECT_EQ(v.text, u"\u597d!");
    EXPECT_TRUE(page_.CallScript("answer"));
}

TEST_F(WebPageTest, BindingErrors) {
    EXPECT_FALSE(page_.CallScript("showflash"));
    EXPECT_EQ(page_.GetLastError(), "Cannot GetScript");
    EXPECT_FALSE(page_.SetDocument(nullptr));
    EXPECT_EQ(page_.GetLastError(), "NULL pointer");
    EXPECT_FALSE(page_.SetDocument(std::make_shared<Element>()));
    EXPECT_EQ(page_.GetLastError(), "Failed to get HTML document COM object");
    EXPECT_EQ(page_.GetDocument(), nullptr) << "a failed bind releases the old document";
    EXPECT_FALSE(page_.AttachDocument(nullptr));
    EXPECT_EQ(page_.GetLastError(), "NULL pointer");
    fw::web::DocumentPtr doc = view_->GetDocument();
    EXPECT_TRUE(page_.AttachDocument(doc));
    EXPECT_TRUE(page_.AttachDocument(doc));
    EXPECT_EQ(page_.GetDocument(), doc);
}

TEST_F(WebPageTest, ADocumentFromAnEarlierPageReachesNothing) {
    ASSERT_TRUE(page_.AttachDocument(view_->GetDocument()));
    const std::string next =
        webtest::WritePage(dir_, "q.html", "<script>function OutputHtml(a, b) {}</script>");
    view_->Navigate(next);
    webtest::Settle();
    EXPECT_FALSE(page_.CallScript("OutputHtml", "x", "y"));
    EXPECT_EQ(page_.GetLastError(), "Cannot GetScript");
    EXPECT_TRUE(view_->Calls().empty());
    ASSERT_TRUE(page_.AttachDocument(view_->GetDocument()));
    EXPECT_TRUE(page_.CallScript("OutputHtml", "x", "y"));
}
