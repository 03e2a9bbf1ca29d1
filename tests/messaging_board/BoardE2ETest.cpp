// The board against the reference service on loopback: a message posted from the compose
// window (opened by the home page's button) appears in the portal's board list, its link opens
// the thread in the message dialog, a reply written on the thread page is in the thread when it
// is read again, and a closed message dialog is replaced at the next link. Requests go out as the
// program queues them; replies take the main window's reply routes: to the portal page, which
// hands threads to the board's windows, and post outcomes to the main window's dispatcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/OrvanelDlg.h"
#include "messaging/BoardWindows.h"
#include "messaging/LeavewordDlg.h"
#include "messaging/LeavewordcontentHtmlDlg.h"
#include "messaging/SeachStockChildDlg.h"
#include "platform/Backend.h"
#include "platform/core/Text.h"
#include "portal/MyShowHtmlDlg.h"
#include "portal/PageDocuments.h"
#include "portal/Portal.h"
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

std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

// The messaging subsystem with only its board: what the portal reaches through IMessaging.
class BoardMessaging : public IMessaging {
public:
    explicit BoardMessaging(CBoardWindows& board) : board_(board) {}
    bool OpenChat(IPortalPage&, const std::string&, const std::string&) override { return false; }
    std::string ContactDocument(const RecordSet&) override { return {}; }
    void OnArrivingMessages(IPortalPage&, RecordSetList& sets) override { sets.clear(); }
    fw::LRESULT OnChatHistory(RecordSetList&) override { return 0; }
    void OpenLeaveword() override { board_.OpenLeaveword(); }
    void OpenBoardMessage(const std::string& messageId) override {
        board_.OpenBoardMessage(messageId);
    }
    fw::LRESULT OnBoardMessageReply(RecordSetList& sets) override {
        return board_.OnBoardMessageReply(sets);
    }

private:
    CBoardWindows& board_;
};

class BoardE2E : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        RequestQueue::Global().Clear();
        fw::headless::ClearRecords();
        Session().Reset();
        client_ = std::make_unique<vqsvc::test::TestClient>(service_.HttpPort(), true);
        // A customer: the board list shows the customer's own threads.
        ASSERT_TRUE(client_->Login("zhangwei", "zhangwei123", service_.PublicKeyPath()));
        RecordSetList id = client_->Call(vqsvc::test::Call(10, "&username=zhangwei"));
        ASSERT_FALSE(id.empty());
        RecordSet& s = *id.front();
        ASSERT_TRUE(s.MoveFirst());
        Session().SetLogin("zhangwei", "zhangwei123");
        Session().SetSessionKey(client_->session);
        Session().SetVirid(s.Value(ReplyColumn::kUserId));
        Session().SetUserType(s.Value(ReplyColumn::kUserType));
        Session().SetTrueName(s.Value(ReplyColumn::kTrueName));
        Session().SetOrgIdList(s.Value(ReplyColumn::kOrgIdList));
        Session().SetOrgId(s.Value(ReplyColumn::kOrgId));
        board_.SetProgramDir(webtest::SourceDir());
        portal_ = std::make_unique<CMyShowHtmlDlg>(messaging_, forms_);
        portal_->SetProgramDir(webtest::SourceDir());
        ASSERT_TRUE(portal_->Create(nullptr));
        Settle();
        view_ = HeadlessWebView::From(portal_->View());
        ASSERT_NE(view_, nullptr);
    }
    void TearDown() override {
        portal_->DestroyWindow();
        portal_.reset();
        Settle();
        RequestQueue::Global().Clear();
        Session().Reset();
        client_.reset();
        service_.StopServer();
    }

    // Sends what was queued and routes each reply, until nothing is left.
    void Pump() {
        for (int round = 0; round < 10; ++round) {
            Settle();
            std::vector<ServiceRequest> queued = RequestQueue::Global().Snapshot();
            RequestQueue::Global().Clear();
            if (queued.empty()) {
                return;
            }
            for (const ServiceRequest& r : queued) {
                sent_.push_back(r.text);
                RecordSetList reply = client_->Call(r.text);
                ASSERT_FALSE(reply.empty()) << r.text;
                const ReplyRoute* route = FindReplyRoute(reply.front()->Tag());
                ASSERT_NE(route, nullptr) << reply.front()->Tag();
                if (route->action == ReplyAction::kForwardPortal) {
                    portal_->SendMessage(route->message, 0, reinterpret_cast<fw::LPARAM>(&reply));
                } else if (route->action == ReplyAction::kConfirm) {
                    RequestResult result;
                    result.recordSets = std::move(reply);
                    dispatcher_.OnThreadReturn(result);
                }
            }
        }
        FAIL() << "requests kept coming";
    }
    // A link of the portal's pages, followed as the page does.
    void FollowPortalLink(const std::string& url) {
        view_->ScriptNavigate(url);
        Pump();
    }
    // Texts of the message boxes shown since the last call (UTF-8).
    std::vector<std::string> Outcomes() {
        std::vector<std::string> texts;
        for (const auto& box : fw::headless::MessageBoxes()) {
            EXPECT_EQ(box.caption, vq::Gbk("提示"));
            texts.push_back(vq::GbkToUtf8(box.text));
        }
        fw::headless::ClearRecords();
        return texts;
    }
    // The board list the portal last gave its page (GBK, as built).
    std::string BoardList() const { return portal_->BoardDocument(); }
    // The link of the board list item whose caption is `title`.
    std::string ListLinkOf(const std::string& title) {
        const std::string list = BoardList();
        const size_t at = list.find("\"caption\":\"" + title + "\"");
        if (at == std::string::npos) {
            return {};
        }
        const size_t url = list.find("\"url\":\"", at);
        const size_t begin = url + 7;
        return list.substr(begin, list.find('"', begin) - begin);
    }
    CLeavewordcontentHtmlDlg* Page() const {
        return board_.MessageDialog() != nullptr ? board_.MessageDialog()->ContentPage() : nullptr;
    }
    // The thread the page was last given, as the page gets it (UTF-8).
    std::string ShownThread() const {
        std::string doc;
        for (const auto& c : HeadlessWebView::From(Page()->View())->Calls()) {
            if (c.function == "OutputHtml" && !c.args.empty()) {
                doc = c.args[0];
            }
        }
        return doc;
    }

    vqsvc::test::ServiceHarness service_;
    std::unique_ptr<vqsvc::test::TestClient> client_;
    CBoardWindows board_;
    BoardMessaging messaging_{board_};
    fakes::FakeForms forms_;
    CPortal portals_{messaging_, forms_};
    // The main window's reply dispatcher; the window itself is not needed for outcomes.
    COrvanelDlg dispatcher_{portals_, forms_};
    std::unique_ptr<CMyShowHtmlDlg> portal_;
    HeadlessWebView* view_ = nullptr;
    std::vector<std::string> sent_;
};

}  // namespace

TEST_F(BoardE2E, PostListOpenReplyAndReadAgain) {
    // A new message, typed into the compose window that the home page's button opens.
    ASSERT_TRUE(view_->Click("putinleavewordButton"));
    Settle();
    CLeavewordDlg* compose = board_.Leaveword();
    ASSERT_NE(compose, nullptr);
    const std::string title = G("融资&融券的利率=多少？");
    const std::string content = G("请问融资融券的年利率是多少？\r\n是否有优惠+折扣&条件");
    fw::input::Type(compose->GetDlgItemHandle(CLeavewordDlg::kTitleEdit), title);
    fw::input::Type(compose->GetDlgItemHandle(CLeavewordDlg::kContentEdit), content);
    fw::input::Click(compose->GetDlgItemHandle(CLeavewordDlg::kPost));
    Pump();
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(Outcomes(), std::vector<std::string>{"资料已成功提交！"});
    EXPECT_EQ(compose->GetDlgItemText(CLeavewordDlg::kTitleEdit), "");

    // The board list shows it with its title as typed.
    FollowPortalLink(std::string(PageDocuments::kLinkPrefix) + "?fid=1&fworid=10");
    const std::string link = ListLinkOf(title);
    ASSERT_NE(link.find("msgid="), std::string::npos) << vq::GbkToUtf8(BoardList());

    // Its link opens the thread: the message itself, content as typed.
    FollowPortalLink(link);
    ASSERT_NE(Page(), nullptr);
    EXPECT_TRUE(board_.MessageDialog()->IsWindowVisible());
    const std::string messageId = link.substr(link.find("msgid=") + 6);
    EXPECT_EQ(Page()->ThreadId(), messageId);
    std::string thread = ShownThread();
    EXPECT_EQ(thread.rfind("{\"total\":\"1\",", 0), 0u) << thread;
    EXPECT_NE(thread.find("\"name\":\"张伟\""), std::string::npos) << thread;
    EXPECT_NE(thread.find("请问融资融券的年利率是多少？\\r\\n是否有优惠+折扣&条件"),
              std::string::npos)
        << thread;

    // A reply with an ampersand, written on the thread page.
    HeadlessWebView* view = HeadlessWebView::From(Page()->View());
    ASSERT_TRUE(view->SetInputValue("discussMessage", "年利率 8.35% & 无折扣，见公告=最新"));
    ASSERT_TRUE(view->Click("putinLeaveword"));
    Pump();
    EXPECT_EQ(Outcomes(), std::vector<std::string>{"资料已成功提交！"});
    EXPECT_EQ(std::count_if(view->Calls().begin(), view->Calls().end(),
                            [](const auto& c) { return c.function == "clearMessage"; }),
              1)
        << "the box is cleared";

    // Read again: the thread has two rows, the reply exactly as typed.
    FollowPortalLink(link);
    thread = ShownThread();
    EXPECT_EQ(thread.rfind("{\"total\":\"2\",", 0), 0u) << thread;
    EXPECT_NE(thread.find("\"content\":\"年利率 8.35% & 无折扣，见公告=最新\""), std::string::npos)
        << thread;
    // The list now counts the thread as answered.
    FollowPortalLink(std::string(PageDocuments::kLinkPrefix) + "?fid=1&fworid=10");
    const std::string list = BoardList();
    const size_t item = list.find("\"caption\":\"" + title + "\"");
    ASSERT_NE(item, std::string::npos);
    EXPECT_EQ(list.substr(list.find("\"type\":\"", item), 10), "\"type\":\"1\"");
}

TEST_F(BoardE2E, BlankReplyIsNotSentAndAClosedDialogIsReplaced) {
    board_.OpenLeaveword();
    CLeavewordDlg* compose = board_.Leaveword();
    const std::string title = G("开户咨询");
    compose->SetDlgItemText(CLeavewordDlg::kTitleEdit, title);
    compose->SetDlgItemText(CLeavewordDlg::kContentEdit, G("周六营业吗？"));
    fw::input::Click(compose->GetDlgItemHandle(CLeavewordDlg::kPost));
    Pump();
    EXPECT_EQ(Outcomes(), std::vector<std::string>{"资料已成功提交！"});
    FollowPortalLink(std::string(PageDocuments::kLinkPrefix) + "?fid=1&fworid=10");
    const std::string link = ListLinkOf(title);
    ASSERT_FALSE(link.empty());
    FollowPortalLink(link);
    ASSERT_NE(Page(), nullptr);

    // Nothing goes to the service for a reply of blanks.
    sent_.clear();
    HeadlessWebView* view = HeadlessWebView::From(Page()->View());
    ASSERT_TRUE(view->SetInputValue("discussMessage", "  "));
    ASSERT_TRUE(view->Click("putinLeaveword"));
    Pump();
    EXPECT_TRUE(sent_.empty());
    EXPECT_TRUE(Outcomes().empty());

    // Closed once: the next link builds a new dialog, which shows the thread.
    CSeachStockChildDlg* first = board_.MessageDialog();
    const fw::HWND firstWindow = first->GetSafeHwnd();
    fw::input::Click(first->GetDlgItemHandle(CSeachStockChildDlg::kClose));
    Settle();
    EXPECT_FALSE(first->IsWindowVisible());
    EXPECT_TRUE(board_.MessageDialogClosed());
    FollowPortalLink(link);
    EXPECT_FALSE(fw::IsWindow(firstWindow));
    ASSERT_NE(board_.MessageDialog(), nullptr);
    EXPECT_TRUE(board_.MessageDialog()->IsWindowVisible());
    EXPECT_NE(ShownThread().find("周六营业吗？"), std::string::npos) << ShownThread();
}
