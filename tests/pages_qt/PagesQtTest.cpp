// The page files in real Qt WebEngine (label gui): each page is filled through the script
// bridge with documents the program builds, links and paging come back as navigations the
// portal's rules recognise, and a screenshot of each page is kept for review.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWebEngineView>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "platform/core/Text.h"
#include "platform/qt/web/QtWebView.h"
#include "portal/MyShowHtmlDlg.h"
#include "portal/NewsContentShowDlg.h"
#include "portal/PageDocuments.h"
#include "pagehost/WebPage.h"
#include "tests/core/TempDir.h"
#include "tests/portal_home/ReplyBuilder.h"
#include "tests/web/WebTestSupport.h"

using fw::qt::QtWebView;
using portaltest::G;
using portaltest::Reply;
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

const std::string kDate = "2026-12-08 09:30:15.000000000";
const std::vector<std::string> kNewsCols = {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE",
                                            "usr_vuser_truen", "PRD_MENU_NAME"};

class PagesQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = std::make_unique<QWidget>();
        host_->resize(1005, 695);
        view_ = QtWebView::Create(host_.get());
        view_->SetEvents(&events_);
        host_->show();
        // Page links must come back to the program, not be followed.
        events_.cancel = {".html?", "/?"};
    }
    void TearDown() override {
        view_->SetEvents(nullptr);
        view_.reset();
        host_.reset();
        QCoreApplication::processEvents();
    }
    bool Load(const std::string& page) {
        const std::string path = webtest::SourceDir() + "/htmlPath/" + page;
        events_.log.clear();
        view_->Navigate(path);
        if (!WaitFor([&] {
                for (const auto& e : events_.log) {
                    if (e.rfind("doc:", 0) == 0) {
                        return true;
                    }
                }
                return false;
            })) {
            return false;
        }
        return bridge_.AttachDocument(view_->GetDocument());
    }
    bool Call(const std::string& fn, const std::string& arg) {
        const bool ok = bridge_.CallScript(fn, arg);
        WaitFor([&] { return view_->PendingScripts() == 0; });
        return ok;
    }
    // Clicks the first element matching `selector` and returns the URL the page asked for.
    std::string ClickAndCatch(const std::string& selector) {
        events_.log.clear();
        view_->Widget()->page()->runJavaScript(QString::fromStdString(
            "(function(){var e=document.querySelector('" + selector + "');if(e)e.click();})()"));
        std::string url;
        WaitFor(
            [&] {
                for (const auto& e : events_.log) {
                    if (e.rfind("before:", 0) == 0) {
                        url = e.substr(7);
                        return true;
                    }
                }
                return false;
            },
            5000);
        return url;
    }
    void Shot(const std::string& name) {
        WaitFor([] { return false; }, 300);  // let the page paint
        const char* bin = std::getenv("VQ_BINARY_DIR");
        const std::filesystem::path dir =
            std::filesystem::path(bin != nullptr ? bin : ".") / "screenshots";
        std::filesystem::create_directories(dir);
        view_->Widget()->grab().toImage().save(QString::fromStdString((dir / name).string()));
    }
    // What the navigation rules do with a URL the page asked for.
    static NavOutcome Rules(const std::string& url, PortalFlags flags = {false, false, false}) {
        return ApplyNavigationRules(url, flags, SessionValues{});
    }

    std::unique_ptr<QWidget> host_;
    std::shared_ptr<QtWebView> view_;
    Recorder events_;
    CWebPage bridge_;
};

}  // namespace

TEST_F(PagesQtTest, HomeShowsItsSectionsMenuContactsAndLinksBack) {
    ASSERT_TRUE(Load("home.html"));
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 6; ++i) {
        rows.push_back({std::to_string(i),
                        G("招商银行三季度业绩点评：息差企稳") + std::to_string(i), kDate, "",
                        G("宏观")});
    }
    auto home = Reply({{"get1menu", kNewsCols, rows},
                       {"get2menu",
                        {"PRD_NEWS_ID", "PRD_NEWS_TITLE", "INSERTDATE", "prd_column_name"},
                        {{"21", G("新能源车产业链周报"), kDate, G("行业分析")}}}});
    ASSERT_TRUE(Call("showHome", *PageDocuments::BuildHome(home)));
    auto menu = Reply({{"getmunu",
                        {"PRD_MENU_NAME", "PRD_MENU_ID", "PRD_MENU_LINK", "IS_USED"},
                        {{G("财经点评"), "4", "", "0"}, {G("市场研究"), "5", "", "0"}}}});
    ASSERT_TRUE(Call("Communication_flash", *PageDocuments::BuildMenu(menu)));
    ASSERT_TRUE(Call("showLoginName", PageDocuments::LoginNameDocument(G("周敏"))));
    ASSERT_TRUE(Call(
        "showonline",
        G("{\"user_type\":\"1\",\"col\":[{\"title\":\"1\",\"name\":\"王磊\",\"uid\":\"3\"}],"
          "\"cus\":[{\"Team\":\"河西营业部\",\"teamMembers\":[{\"title\":\"0\",\"name\":\"吴强\","
          "\"uid\":\"9\"}]}]}")));
    ASSERT_TRUE(Call("changepic", "{\"line\":[{\"title\":\"2\",\"uid\":\"3\"}]}"));
    ASSERT_TRUE(Call("getImage", ""));
    Shot("portal_home.png");

    // Every link comes back as a URL the rules act on.
    const std::string article = ClickAndCatch("#home_post a");
    EXPECT_NE(article.find("prdid=1"), std::string::npos) << article;
    EXPECT_EQ(Rules(article).actions.at(0).kind, NavAction::kOpenArticle);
    const std::string menuUrl = ClickAndCatch("#menubar a:nth-child(2)");
    EXPECT_EQ(menuUrl.substr(menuUrl.size() - 7), "flaid=4") << menuUrl;
    const std::string more = ClickAndCatch("#more_lupdate");
    EXPECT_NE(more.find("newslist.html?uid=2"), std::string::npos) << more;
    const std::string chat = ClickAndCatch("#contacts a");
    const NavOutcome chatRule = Rules(chat);
    ASSERT_FALSE(chatRule.actions.empty()) << chat;
    EXPECT_EQ(chatRule.actions[0], (NavAction{NavAction::kOpenChat, "3", G("王磊")}));
}

TEST_F(PagesQtTest, ListPagesRenderDocumentsAndPageThroughThem) {
    ASSERT_TRUE(Load("newslist.html"));
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 20; ++i) {
        rows.push_back({std::to_string(100 + i),
                        G("策略周报：\"估值修复\"第") + std::to_string(i) + G("期"), kDate,
                        G("王磊"), G("投资策略")});
    }
    auto more = Reply({{"get2more", kNewsCols, rows},
                       {"getmorecol",
                        {"prd_column_name", "prd_column_id"},
                        {{G("宏观研究"), "1"}, {G("我的留言"), "10"}}}});
    const auto docs = PageDocuments::BuildListPage(more);
    ASSERT_TRUE(Call("showColmn", docs->columns));
    ASSERT_TRUE(Call("OutputHtml", docs->list));
    Shot("portal_newslist.png");
    const std::string page2 = ClickAndCatch("#page_2");
    EXPECT_EQ(Rules(page2).actions, (std::vector<NavAction>{{NavAction::kPageList, "2"}})) << page2;
    const std::string item = ClickAndCatch("#list a");
    EXPECT_EQ(Rules(item).actions.at(0).kind, NavAction::kOpenArticle) << item;
    const std::string col = ClickAndCatch("#columns a");
    EXPECT_NE(col.find("sid=1"), std::string::npos) << col;

    // The empty forms render as an empty list, not as a broken page.
    auto none = Reply({{"get2more", kNewsCols, {}}});
    ASSERT_TRUE(Call("OutputHtml", PageDocuments::BuildListPage(none)->list));
    auto search = Reply({{"SearchInTitles", kNewsCols, {}}});
    ASSERT_TRUE(Call("OutputHtml", *PageDocuments::BuildSearch(search)));
    Shot("portal_newslist_empty.png");

    ASSERT_TRUE(Load("messagelist.html"));
    std::vector<std::vector<std::string>> board;
    for (int i = 1; i <= 18; ++i) {
        board.push_back(
            {G("开户流程咨询 \"急\""), G("徐丽"), kDate, i % 2 ? "1" : "0", std::to_string(i)});
    }
    auto liuyan =
        Reply({{"getliuyans",
                {"message_title", "usr_vuser_truen", "insertdate", "msgstate", "message_id"},
                board}});
    ASSERT_TRUE(Call("OutputHtml", *PageDocuments::BuildBoardList(liuyan)));
    Shot("portal_messagelist.png");
    const std::string bp = ClickAndCatch("#page_2");
    EXPECT_EQ(Rules(bp).actions, (std::vector<NavAction>{{NavAction::kPageBoard, "2"}})) << bp;
    const std::string msg = ClickAndCatch("#list a");
    EXPECT_EQ(Rules(msg).actions.at(0).kind, NavAction::kOpenBoardMessage) << msg;
}

TEST_F(PagesQtTest, ArticleAndThreadPages) {
    for (const char* page : {"ContentPage.html", "SmallContentPage.html"}) {
        ASSERT_TRUE(Load(page));
        auto doc = view_->GetDocument();
        ASSERT_TRUE(doc);
        const std::string body = doc->GetBodyHtml().value_or("");
        ASSERT_FALSE(body.empty());
        doc->SetBodyHtml(
            CNewsContentShowDlg::Fill(body, G("2027年度投资策略：稳中求进"), kDate, G("王磊"),
                                      G("<p>正文第一段：宏观经济<b>企稳</b>。</"
                                        "p><table><tr><td>代码</td><td>600036</td></tr></table>")));
        Shot(std::string("portal_") + page + ".png");
    }
    ASSERT_TRUE(Load("message.html"));
    ASSERT_TRUE(
        Call("OutputHtml", G("{\"total\":\"2\",\"sites\":[{\"time\":\"2026-12-08 "
                             "09:30\",\"name\":\"徐丽\",\"content\":\"请问开户需要带什么？\"},"
                             "{\"time\":\"2026-12-08 "
                             "10:02\",\"name\":\"王磊\",\"content\":\"身份证和银行卡即可。\"}]}")));
    Shot("portal_message.png");
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
    return RUN_ALL_TESTS();
}
