// The portal page dialog and the news viewer on the headless page model, with the real page
// files of htmlPath: what is queued when, what reaches the page's script, the viewer's life.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/headless/Headless.h"
#include "platform/web/PageFile.h"
#include "portal/MyShowHtmlDlg.h"
#include "portal/NewsContentShowDlg.h"
#include "portal/ShowContentForNewsDlg.h"
#include "protocol/SockThread.h"
#include "session/Session.h"
#include "tests/portal_home/FakeSubsystems.h"
#include "tests/portal_home/ReplyBuilder.h"
#include "tests/web/WebTestSupport.h"

using fw::web::HeadlessWebView;
using portaltest::G;
using portaltest::Reply;
using webtest::Settle;

namespace {

const std::string Pre = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";

std::vector<std::string> Queued() {
    std::vector<std::string> out;
    for (const ServiceRequest& r : RequestQueue::Global().Snapshot()) {
        out.push_back(r.text);
    }
    RequestQueue::Global().Clear();
    return out;
}

std::string ReadSource(const std::string& relative) {
    std::ifstream in(webtest::SourceDir() + "/" + relative, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class PortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureFramework();
        RequestQueue::Global().Clear();
        Session().Reset();
        Session().SetVirid("V7");
        Session().SetOrgId("O3");
        Session().SetOrgIdList("O3");
        Session().SetUserType("2");
        Session().SetTrueName(G("周敏"));
        dlg = std::make_unique<CMyShowHtmlDlg>(messaging, forms);
        dlg->SetProgramDir(webtest::SourceDir());
        ASSERT_TRUE(dlg->Create(nullptr));
        Settle();
        view = HeadlessWebView::From(dlg->View());
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        dlg->DestroyWindow();
        dlg.reset();
        Settle();
        RequestQueue::Global().Clear();
        Session().Reset();
    }
    std::vector<std::string> CallsOf(const std::string& fn) {
        std::vector<std::string> out;
        for (const auto& c : view->Calls()) {
            if (c.function == fn) {
                out.push_back(c.args.empty() ? "" : c.args[0]);
            }
        }
        return out;
    }
    fw::LRESULT Send(fw::UINT msg, RecordSetList sets) {
        return dlg->SendMessage(msg, 0, reinterpret_cast<fw::LPARAM>(&sets));
    }
    fakes::FakeMessaging messaging;
    fakes::FakeForms forms;
    std::unique_ptr<CMyShowHtmlDlg> dlg;
    HeadlessWebView* view = nullptr;
};

}  // namespace

TEST(PageFiles, EveryPageOffersItsFunctionsAndElements) {
    const std::vector<std::string> portalFunctions = {
        "showHome",  "showLoginName", "singleSignOn", "Communication_flash",
        "showColmn", "OutputHtml",    "showonline",   "showonline_new",
        "changepic", "getImage",      "showflash"};
    const std::vector<std::string> homeIds = {"sousuo_go",
                                              "Login_in1",
                                              "Login_in2",
                                              "show_fl",
                                              "nr_xzb1",
                                              "nr_xzb2",
                                              "nr_xzb3",
                                              "nr_xzb4",
                                              "customRequisition",
                                              "customRequisition_icon",
                                              "customQuestionnaire",
                                              "customQuestionnaire_icon",
                                              "fortuneClassRoom",
                                              "putinleavewordButton",
                                              "StockCode",
                                              "search_name"};
    struct PageCase {
        std::string file;
        std::vector<std::string> functions, ids;
    };
    const PageCase pages[] = {
        {"htmlPath/home.html", portalFunctions, homeIds},
        {"htmlPath/newslist.html", portalFunctions, {"list", "pager", "columns"}},
        {"htmlPath/messagelist.html", portalFunctions, {"list", "pager", "putinleavewordButton"}},
        {"htmlPath/message.html",
         {"OutputHtml", "clearMessage"},
         {"discussMessage", "putinLeaveword", "ButtonOK", "ButtonCancel"}},
        {"htmlPath/ContentPage.html", {}, {}},
        {"htmlPath/SmallContentPage.html", {}, {}},
    };
    for (const PageCase& p : pages) {
        SCOPED_TRACE(p.file);
        const std::string html = ReadSource(p.file);
        ASSERT_FALSE(html.empty());
        const fw::web::PageInfo info = fw::web::ParsePage(html);
        for (const std::string& fn : p.functions) {
            EXPECT_NE(std::find(info.functions.begin(), info.functions.end(), fn),
                      info.functions.end())
                << fn;
        }
        for (const std::string& id : p.ids) {
            EXPECT_TRUE(std::any_of(info.elements.begin(), info.elements.end(), [&](const auto& e) {
                return e.id == id;
            })) << id;
        }
        // No resource from the network, no eval of documents, no HTML insertion of data.
        EXPECT_EQ(html.find("src=\"http"), std::string::npos);
        EXPECT_EQ(html.find("eval("), std::string::npos);
        EXPECT_EQ(html.find("innerHTML"), std::string::npos);
    }
    const std::string js = ReadSource("htmlPath/portal.js");
    EXPECT_EQ(js.find("eval("), std::string::npos);
    EXPECT_EQ(js.find("innerHTML"), std::string::npos);
    EXPECT_NE(js.find("JSON.parse"), std::string::npos);
    for (const char* page : {"htmlPath/ContentPage.html", "htmlPath/SmallContentPage.html"}) {
        const std::string html = ReadSource(page);
        const fw::web::PageInfo info = fw::web::ParsePage(html);
        const std::string body = html.substr(info.bodyBegin, info.bodyEnd - info.bodyBegin);
        for (const char* word : {"标题", "时间", "作者", "内容正在加载中，请稍候！"}) {
            EXPECT_NE(body.find(word), std::string::npos) << page << " " << word;
        }
    }
    // The search kinds are the ones the service understands.
    const std::string home = ReadSource("htmlPath/home.html");
    for (const char* kind : {"value=\"10\"", "value=\"50\"", "value=\"51\"", "value=\"52\""}) {
        EXPECT_NE(home.find(kind), std::string::npos) << kind;
    }
}

TEST_F(PortalTest, PendingRequestGoesOutOnlyWhenItsPageHasLoaded) {
    EXPECT_NE(dlg->CurrentPage().find("home.html"), std::string::npos);
    EXPECT_TRUE(Queued().empty()) << "nothing is pending at start";

    dlg->SendMessage(WindowMsg::kPortalIdentity);
    EXPECT_EQ(dlg->PendingRequest(), Pre + "2&menuid=9&count=6&virid=V7");
    EXPECT_TRUE(Queued().empty()) << "not before the page has loaded";
    Settle();
    EXPECT_EQ(Queued(),
              (std::vector<std::string>{Pre + "49", Pre + "2&menuid=9&count=6&virid=V7"}));
    EXPECT_TRUE(dlg->PendingRequest().empty());

    // A second page navigation before the first page has loaded replaces the pending request.
    dlg->SendMessage(WindowMsg::kPortalIdentity);
    dlg->OnFortuneClassRoom();
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "34&virid=V7&menuid=16&orgid=O3"}));
    dlg->SendMessage(WindowMsg::kPortalIdentity);
    Settle();
    Queued();

    // A menu link from home switches to the list page and sends its request after loading;
    // once off the home page, the next menu link is sent at once.
    view->ScriptNavigate("http://velquor.portal/newslist.html?flaid=7");
    view->ScriptNavigate("http://velquor.portal/newslist.html?flaid=5");
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "34&virid=V7&menuid=5",
                                                  Pre + "34&virid=V7&menuid=7"}));
    EXPECT_NE(dlg->CurrentPage().find("newslist.html"), std::string::npos);
    EXPECT_FALSE(dlg->Flags().atHome);

    // On the list page a menu link refills in place: queued at once, the page stays.
    view->ClearRecords();
    view->ScriptNavigate("http://velquor.portal/newslist.html?flaid=6");
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "34&virid=V7&menuid=6"}));
    EXPECT_NE(dlg->CurrentPage().find("newslist.html"), std::string::npos);
}

TEST_F(PortalTest, SearchReadsTheBoxAndKind) {
    ASSERT_TRUE(view->SetInputValue("StockCode", "600036"));
    ASSERT_TRUE(view->SetInputValue("search_name", "51"));
    ASSERT_TRUE(view->Click("sousuo_go"));
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "51&cont=600036"}));

    view->ScriptNavigate("http://velquor.portal/newslist.html?flaid=100");
    Settle();
    Queued();
    ASSERT_TRUE(view->SetInputValue("StockCode", ""));
    ASSERT_TRUE(view->Click("sousuo_go"));
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "&cont="}));
}

TEST_F(PortalTest, RepliesReachTheScriptAndTheStoredDocuments) {
    Send(WindowMsg::kPortalHome,
         Reply({{"get1menu",
                 {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE"},
                 {{"1", G("晨会纪要"), "2026-12-08 09:30:15.000000000"}}}}));
    const auto home = CallsOf("showHome");
    ASSERT_EQ(home.size(), 1u);
    EXPECT_NE(
        home[0].find("{\"title\":\"晨会纪要\",\"time\":\"2026-12-08 09:30\",\"url\":\"prdid=1\"}"),
        std::string::npos);
    EXPECT_EQ(CallsOf("showLoginName"), (std::vector<std::string>{"{\"loginName\":\"周敏\"}"}));
    EXPECT_TRUE(CallsOf("singleSignOn").empty());
    // Without a menu the menu is asked for; the contacts always.
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "1&virid=V7",
                                                  Pre + "16&virid=V7&orgidstr=O3&orgid=O3"}));

    const std::vector<std::string> menuCols = {"PRD_MENU_NAME", "PRD_MENU_ID", "PRD_MENU_LINK",
                                               "IS_USED"};
    Send(WindowMsg::kPortalMenu, Reply({{"getmunu", menuCols, {{"A", "4", "", "0"}}}}));
    Send(WindowMsg::kPortalMenu, Reply({{"getmunu", menuCols, {{"B", "5", "", "0"}}}}));
    const auto menus = CallsOf("Communication_flash");
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_NE(menus[1].find("\"B\""), std::string::npos) << "the newest menu is shown now";
    EXPECT_NE(dlg->MenuDocument().find("\"A\""), std::string::npos) << "the first one is kept";

    Send(WindowMsg::kPortalMore, Reply({{"get2more", {"PRD_NEWS_ID"}, {}}}));
    EXPECT_EQ(dlg->ListDocument(),
              "{\"title\":\"--\",\"sites\":[{\"caption\":\"\",\"author\":\" "
              "\",\"time\":\"\",\"url\":\"\"}]}");
    std::vector<std::string> order;
    for (const auto& c : view->Calls()) {
        order.push_back(c.function);
    }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(order.end() - 3, order.end()),
              (std::vector<std::string>{"showColmn", "OutputHtml", "showonline_new"}));

    // List paging hands the stored list back with the page number.
    view->ClearRecords();
    view->ScriptNavigate("newslist.html?getPage=3");
    Settle();
    ASSERT_EQ(view->Calls().size(), 1u);
    EXPECT_EQ(view->Calls()[0].function, "OutputHtml");
    EXPECT_EQ(view->Calls()[0].args,
              (std::vector<std::string>{vq::GbkToUtf8(dlg->ListDocument()), "3"}));

    // A builder without record set reports and changes nothing.
    EXPECT_EQ(Send(WindowMsg::kPortalMenuNews, RecordSetList{}), -1);
}

TEST_F(PortalTest, ConsoleLinkTurnsOffChatsAndLetsTheContextMenuShow) {
    const std::vector<std::string>& chats = messaging.chats;
    const std::size_t openedBefore = fw::headless::UrlsOpened().size();
    EXPECT_FALSE(view->RightClick());
    view->ScriptNavigate("chat.html?id=u5&FriendName=%E5%91%A8%E6%95%8F");
    Settle();
    EXPECT_EQ(chats, (std::vector<std::string>{"u5/" + G("周敏")}));
    dlg->OnConsoleLogin();
    const std::vector<std::string> urls = fw::headless::UrlsOpened();
    const std::vector<std::string> opened(urls.begin() + openedBefore, urls.end());
    EXPECT_EQ(opened.size(), 1u);
    view->ScriptNavigate("chat.html?id=u6&FriendName=x");
    Settle();
    EXPECT_EQ(chats.size(), 1u);
    EXPECT_TRUE(view->RightClick());
}

TEST_F(PortalTest, ViewerFetchesAfterItsFirstLoadKeepsTheArticleAndIsRebuiltAfterClose) {
    {
        // A reply before the article page's first load is dropped.
        CNewsContentShowDlg alone;
        alone.SetProgramDir(webtest::SourceDir());
        ASSERT_TRUE(alone.Create(nullptr));
        RecordSetList early = Reply({{"getnew", {"prd_news_title"}, {{"early"}}}});
        EXPECT_EQ(alone.OnArticle(early), -1);
        EXPECT_TRUE(alone.FilledBody().empty());
        alone.DestroyWindow();
        Settle();
    }
    view->ScriptNavigate("http://velquor.portal/newslist.html?prdid=9");
    Settle();
    ASSERT_NE(dlg->NewsViewer(), nullptr);
    CNewsContentShowDlg* page = dlg->NewsViewer()->ContentPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "12&newid=9"}));
    EXPECT_FALSE(page->BodyTemplate().empty());

    Send(WindowMsg::kPortalArticle,
         Reply({{"getnew",
                 {"prd_news_text", "prd_news_title", "insertdate", "usr_vuser_truen"},
                 {{"<p>old</p>", "x", "", ""},
                  {"<p>" + G("正文") + "</p>", G("策略周报"), "2026-12-08 09:30:15.000000000",
                   G("王磊")}}}}));
    HeadlessWebView* pv = HeadlessWebView::From(page->View());
    const std::string body = pv->BodyHtmlUtf8();
    EXPECT_NE(body.find("策略周报"), std::string::npos);
    EXPECT_NE(body.find("2026-12-08 09:30:15.000000000"), std::string::npos) << "the full date";
    EXPECT_NE(body.find("<p>正文</p>"), std::string::npos);
    EXPECT_EQ(body.find("内容正在加载中"), std::string::npos);

    // Small and back: the same article, no new request.
    dlg->NewsViewer()->ToggleSize();
    Settle();
    EXPECT_FALSE(dlg->NewsViewer()->IsLarge());
    EXPECT_NE(pv->Url().find("SmallContentPage.html"), std::string::npos);
    EXPECT_NE(pv->BodyHtmlUtf8().find("策略周报"), std::string::npos);
    dlg->NewsViewer()->ToggleSize();
    Settle();
    EXPECT_TRUE(dlg->NewsViewer()->IsLarge());
    EXPECT_NE(pv->BodyHtmlUtf8().find("<p>正文</p>"), std::string::npos);
    EXPECT_TRUE(Queued().empty());

    // A second article while the viewer is open is queued at once.
    view->ScriptNavigate("http://velquor.portal/newslist.html?prdid=10");
    Settle();
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "12&newid=10"}));

    // Closed: the next article builds a fresh viewer that fetches after its first load.
    CShowContentForNewsDlg* old = dlg->NewsViewer();
    old->SendMessage(fw::WM_COMMAND, CShowContentForNewsDlg::kClose, 0);
    EXPECT_TRUE(dlg->NewsViewerClosed());
    view->ScriptNavigate("http://velquor.portal/newslist.html?prdid=11");
    Settle();
    ASSERT_NE(dlg->NewsViewer(), nullptr);
    EXPECT_TRUE(dlg->NewsViewer()->IsLarge());
    EXPECT_FALSE(dlg->NewsViewer()->ContentPage()->BodyTemplate().empty());
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "12&newid=11"}));
}

// The page's clicks, links and replies that belong to messaging and forms reach them through
// their interfaces, and the page offers its document, its pending sets and the main window.
TEST_F(PortalTest, MessagingAndFormsAreReachedThroughTheirInterfaces) {
    ASSERT_TRUE(view->Click("customRequisition"));
    ASSERT_TRUE(view->Click("customQuestionnaire"));
    ASSERT_TRUE(view->Click("putinleavewordButton"));
    Settle();
    EXPECT_EQ(forms.opened, (std::vector<std::string>{"customRequest", "questionnaire"}));
    EXPECT_EQ(messaging.leavewords, 1);

    // A board message link opens the message dialog and asks for the thread at once.
    view->ScriptNavigate("http://velquor.portal/messagelist.html?msgid=77");
    Settle();
    EXPECT_EQ(messaging.boardMessages, std::vector<std::string>{"77"});
    EXPECT_EQ(Queued(), (std::vector<std::string>{Pre + "48&msgid=77"}));
    Send(WindowMsg::kPortalBoardMessage, Reply({{"looklinyan", {"a"}, {{"1"}}}}));
    Send(WindowMsg::kPortalBoardMessage, Reply({{"other", {"a"}, {{"1"}}}}));
    EXPECT_EQ(messaging.boardReplies, 1) << "only a looklinyan reply goes to the thread page";

    // Arriving chat messages stay with the page for the chat windows; contacts are shown.
    Send(WindowMsg::kPortalChat, Reply({{"getinfoIM", {"fromid"}, {{"u5"}}}}));
    Send(WindowMsg::kPortalChat, Reply({{"getinfoIM", {"fromid"}, {{"u6"}}}}));
    ASSERT_EQ(dlg->PendingMessages().size(), 2u);
    RecordSet& oldest = *dlg->PendingMessages().front();
    ASSERT_TRUE(oldest.MoveFirst());
    EXPECT_EQ(oldest.Value("fromid"), "u5") << "oldest first";
    view->ClearRecords();
    Send(WindowMsg::kPortalChat, Reply({{"getIMS", {"id"}, {{"u5"}}}}));
    EXPECT_EQ(messaging.contactDocuments, 1);
    EXPECT_EQ(CallsOf("showonline").size(), 1u);
    Send(WindowMsg::kPortalChatHistory, Reply({{"getim20", {"fromid"}, {{"u5"}}}}));
    EXPECT_EQ(messaging.histories, 1);

    // The back-channel: the page's document and its script functions.
    EXPECT_TRUE(dlg->HasPageDocument());
    view->ClearRecords();
    EXPECT_TRUE(dlg->CallPageScript("changepic", "{\"line\":[]}"));
    EXPECT_EQ(CallsOf("changepic"), std::vector<std::string>{"{\"line\":[]}"});
    EXPECT_FALSE(dlg->CallPageScript("noSuchFunction", "x"));
    EXPECT_EQ(&dlg->PageWindow(), dlg.get());
    EXPECT_EQ(dlg->TellMainWindow(WindowMsg::kTrayFlash, 0, 0), 0) << "no main window here";
}

// A page inside a main window tells that window, and only that one.
TEST_F(PortalTest, ThePageTellsItsMainWindow) {
    class MainWindow : public fw::Dialog {
    public:
        MainWindow() : fw::Dialog(182) {}
        std::vector<std::pair<fw::UINT, fw::LPARAM>> told;
        fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
            if (message == WindowMsg::kTrayFlash) {
                told.emplace_back(message, lParam);
                return 7;
            }
            return fw::Dialog::WindowProc(message, wParam, lParam);
        }
    } main;
    ASSERT_TRUE(main.Create(nullptr));
    CMyShowHtmlDlg page(messaging, forms, &main);
    page.SetProgramDir(webtest::SourceDir());
    ASSERT_TRUE(page.Create(&main));
    Settle();
    EXPECT_EQ(page.TellMainWindow(WindowMsg::kTrayFlash, 0, 1), 7);
    EXPECT_EQ(main.told,
              (std::vector<std::pair<fw::UINT, fw::LPARAM>>{{WindowMsg::kTrayFlash, 1}}));
    page.DestroyWindow();
    main.DestroyWindow();
    Settle();
}
