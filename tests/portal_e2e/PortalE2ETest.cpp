// The portal against the reference service: every request the portal queues is sent by a
// loopback client, and each reply goes back through the main window's routing table.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/core/Text.h"
#include "portal/MyShowHtmlDlg.h"
#include "portal/NewsContentShowDlg.h"
#include "portal/ShowContentForNewsDlg.h"
#include "protocol/ServiceContract.h"
#include "protocol/SockThread.h"
#include "session/ReplyRoutes.h"
#include "session/Session.h"
#include "tests/portal_home/FakeSubsystems.h"
#include "tests/service/ServiceHarness.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using webtest::Settle;

namespace {

class PortalE2E : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        RequestQueue::Global().Clear();
        Session().Reset();
        client = std::make_unique<vqsvc::test::TestClient>(service.HttpPort(), true);
        ASSERT_TRUE(client->Login("demo", "demo123", service.PublicKeyPath()));
        RecordSetList id = client->Call(vqsvc::test::Call(10, "&username=demo"));
        ASSERT_FALSE(id.empty());
        RecordSet& s = *id.front();
        ASSERT_TRUE(s.MoveFirst());
        Session().SetLogin("demo", "demo123");
        Session().SetVirid(s.Value(ReplyColumn::kUserId));
        Session().SetUserType(s.Value(ReplyColumn::kUserType));
        Session().SetTrueName(s.Value(ReplyColumn::kTrueName));
        Session().SetOrgIdList(s.Value(ReplyColumn::kOrgIdList));
        Session().SetOrgId(s.Value(ReplyColumn::kOrgId));
        dlg = std::make_unique<CMyShowHtmlDlg>(messaging, forms);
        dlg->SetProgramDir(webtest::SourceDir());
        ASSERT_TRUE(dlg->Create(nullptr));
        Settle();
        view = HeadlessWebView::From(dlg->View());
    }
    void TearDown() override {
        dlg->DestroyWindow();
        dlg.reset();
        Settle();
        RequestQueue::Global().Clear();
        Session().Reset();
        client.reset();
        service.StopServer();
    }
    // Sends what the portal queued and hands each reply to it, until nothing is left.
    void Pump() {
        for (int round = 0; round < 10; ++round) {
            Settle();
            std::vector<ServiceRequest> queued = RequestQueue::Global().Snapshot();
            RequestQueue::Global().Clear();
            if (queued.empty()) {
                return;
            }
            for (const ServiceRequest& r : queued) {
                sent.push_back(r.text);
                RecordSetList reply = client->Call(r.text);
                if (reply.empty()) {
                    continue;
                }
                const ReplyRoute* route = FindReplyRoute(reply.front()->Tag());
                if (route != nullptr && route->action == ReplyAction::kForwardPortal) {
                    dlg->SendMessage(route->message, 0, reinterpret_cast<fw::LPARAM>(&reply));
                }
            }
        }
    }
    std::string LastArg(const std::string& fn) {
        std::string out;
        for (const auto& c : view->Calls()) {
            if (c.function == fn && !c.args.empty()) {
                out = c.args[0];
            }
        }
        return out;
    }
    vqsvc::test::ServiceHarness service;
    std::unique_ptr<vqsvc::test::TestClient> client;
    fakes::FakeMessaging messaging;
    fakes::FakeForms forms;
    std::unique_ptr<CMyShowHtmlDlg> dlg;
    HeadlessWebView* view = nullptr;
    std::vector<std::string> sent;
};

}  // namespace

TEST_F(PortalE2E, HomeMenuColumnArticleSearchAndBoard) {
    dlg->SendMessage(WindowMsg::kPortalIdentity);
    Pump();
    const std::string home = LastArg("showHome");
    ASSERT_FALSE(home.empty());
    EXPECT_NE(home.find("\"url\":\"prdid="), std::string::npos) << home;
    EXPECT_NE(LastArg("showLoginName").find("王明"), std::string::npos);
    // Staff sign on to the console page.
    EXPECT_EQ(LastArg("singleSignOn"), "{\"loginUserType\":\"0\"}");
    EXPECT_NE(LastArg("Communication_flash").find("财经点评"), std::string::npos);
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=16&virid=" + Session().Virid() +
                            "&orgidstr=" + Session().OrgIdList() + "&orgid=" + Session().OrgId()),
              sent.end())
        << "contacts asked for";

    // A menu entry, then one of its columns.
    view->ClearRecords();
    view->ScriptNavigate("http://velquor.portal/newslist.html?flaid=5");
    Pump();
    const std::string columns = LastArg("showColmn");
    EXPECT_NE(columns.find("sid="), std::string::npos) << columns;
    EXPECT_NE(LastArg("OutputHtml").find("prdid="), std::string::npos);
    const size_t sid = columns.find("sid=");
    const std::string columnId = columns.substr(sid + 4, columns.find('"', sid) - sid - 4);
    view->ClearRecords();
    view->ScriptNavigate("http://velquor.portal/newslist.html?fid=1&sid=" + columnId);
    Pump();
    const std::string list = LastArg("OutputHtml");
    EXPECT_NE(list.find("?fid=1&prdid="), std::string::npos) << list;

    // An article in the large viewer, then the small one.
    const size_t p = list.find("prdid=");
    const std::string articleId = list.substr(p + 6, list.find('"', p) - p - 6);
    view->ScriptNavigate("http://velquor.portal/newslist.html?prdid=" + articleId);
    Pump();
    ASSERT_NE(dlg->NewsViewer(), nullptr);
    CNewsContentShowDlg* page = dlg->NewsViewer()->ContentPage();
    ASSERT_FALSE(page->Title().empty());
    HeadlessWebView* pv = HeadlessWebView::From(page->View());
    const std::string title = vq::GbkToUtf8(page->Title());
    EXPECT_NE(pv->BodyHtmlUtf8().find(title), std::string::npos);
    dlg->NewsViewer()->ToggleSize();
    Settle();
    EXPECT_NE(pv->Url().find("SmallContentPage.html"), std::string::npos);
    EXPECT_NE(pv->BodyHtmlUtf8().find(title), std::string::npos);

    // A search of each kind the page offers.
    for (const char* kind : {"10", "50", "51", "52"}) {
        SCOPED_TRACE(kind);
        dlg->NavigatePage("htmlPath\\home.html");
        Settle();
        view->ClearRecords();
        ASSERT_TRUE(view->SetInputValue("StockCode", std::string(kind) == "52" ? "王" : "6"));
        ASSERT_TRUE(view->SetInputValue("search_name", kind));
        ASSERT_TRUE(view->Click("sousuo_go"));
        Pump();
        const std::string found = LastArg("OutputHtml");
        EXPECT_NE(found.find("搜索内容"), std::string::npos) << found;
    }

    // The board list.
    view->ClearRecords();
    view->ScriptNavigate("http://velquor.portal/newslist.html?fid=1&fworid=10");
    Pump();
    EXPECT_NE(LastArg("OutputHtml").find("msgid="), std::string::npos) << LastArg("OutputHtml");
    EXPECT_TRUE(dlg->Flags().atMessageList);
}
