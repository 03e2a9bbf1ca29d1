// The portal's navigation rules, one table row per URL and starting flags.
#include <gtest/gtest.h>

#include "portal/MyShowHtmlDlg.h"

namespace {

using K = NavAction::Kind;
const std::string Pre = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=";
const std::string L = "http://velquor.portal/newslist.html";

SessionValues Sess() {
    SessionValues s;
    s.virid = "V7";
    s.orgId = "O3";
    s.orgIdList = "O3,O4";
    s.userType = "2";
    return s;
}

struct Row {
    const char* name;
    std::string url;
    PortalFlags before;
    bool allow;
    std::vector<NavAction> actions;
    PortalFlags after;
};

const PortalFlags kHome{false, true, false};
const PortalFlags kList{false, false, false};
const PortalFlags kBoard{false, false, true};
const std::string kNews(kNewsListPage);

TEST(NavigationRules, Table) {
    const Row rows[] = {
        {"plain page file is followed", "/p/htmlPath/home.html", kHome, true, {}, kHome},
        {"outside address is followed", "http://example.com/a", kList, true, {}, kList},
        {"unknown query is cancelled", "x.html?zz=1", kHome, false, {}, kHome},
        {"slash query is cancelled", "http://h/?zz=1", kHome, false, {}, kHome},
        {"board column",
         L + "?fid=1&fworid=10",
         kHome,
         true,
         {{K::kNavigatePage, std::string(kMessageListPage)},
          {K::kSetPending, Pre + "46&virid=V7&orgid=O3&usertype=2"}},
         kBoard},
        {"column at home queues at once",
         L + "?fid=1&sid=5",
         kHome,
         false,
         {{K::kQueue, Pre + "25&coluid=5&virid=V7"}},
         kHome},
        {"column after board reloads list",
         L + "?fid=1&sid=5",
         kBoard,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "25&coluid=5&virid=V7"}},
         kBoard},
        {"board message",
         L + "?fid=1&msgid=42",
         kList,
         false,
         {{K::kOpenBoardMessage, "42", Pre + "48&msgid=42"}},
         kList},
        {"article", L + "?prdid=9", kHome, false, {{K::kOpenArticle, Pre + "12&newid=9"}}, kHome},
        {"contact",
         "chat.html?id=u5&FriendName=Bob",
         kHome,
         false,
         {{K::kOpenChat, "u5", "Bob"}},
         kHome},
        {"menu home from list",
         "newslist.html?flaid=100",
         kList,
         false,
         {{K::kNavigatePage, std::string(kHomePage)}, {K::kSetPending, Pre + "2&virid=V7"}},
         kHome},
        {"menu 101 at home",
         "newslist.html?flaid=101",
         kHome,
         true,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "19&menuid=4"}},
         kList},
        {"menu 101 on list queues",
         "newslist.html?flaid=101",
         kList,
         false,
         {{K::kQueue, Pre + "19&menuid=4"}},
         kList},
        {"menu M at home",
         "newslist.html?flaid=7",
         kHome,
         true,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "34&virid=V7&menuid=7"}},
         kList},
        {"menu M on list queues",
         "newslist.html?flaid=7",
         kList,
         false,
         {{K::kQueue, Pre + "34&virid=V7&menuid=7"}},
         kList},
        {"menu M after board switches",
         "newslist.html?flaid=7",
         kBoard,
         true,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "34&virid=V7&menuid=7"}},
         kBoard},
        {"board paging",
         "messagelist.html?getmessagelisturl=3",
         kBoard,
         false,
         {{K::kPageBoard, "3"}},
         kBoard},
        {"list paging takes after last =",
         "newslist.html?getPage=1&p=4",
         kList,
         false,
         {{K::kPageList, "4"}},
         kList},
        {"tab 1",
         "newslist.html?uid=1",
         kHome,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "19&menuid=4&orgid=O3"}},
         kList},
        {"tab 2",
         "newslist.html?uid=2",
         kHome,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "20&menuid=&orgid=O3"}},
         kList},
        {"tab 3",
         "newslist.html?uid=3",
         kHome,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "21&menuid=&orgid=O3"}},
         kList},
        {"tab 4",
         "newslist.html?uid=4",
         kHome,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "23&virid=V7"}},
         kList},
        {"tab 12 is tab 1",
         "newslist.html?uid=12",
         kHome,
         false,
         {{K::kNavigatePage, kNews}, {K::kSetPending, Pre + "19&menuid=4&orgid=O3"}},
         kList},
        {"tab rule yields to a marker",
         "newslist.html?uid=1&prdid=3",
         kHome,
         false,
         {{K::kOpenArticle, Pre + "12&newid=3"}},
         kHome},
        // Several rules act on one URL, in their order.
        {"article that also carries a menu",
         L + "?prdid=9&flaid=7",
         kHome,
         true,
         {{K::kOpenArticle, Pre + "12&newid=9&flaid=7"},
          {K::kNavigatePage, kNews},
          {K::kSetPending, Pre + "34&virid=V7&menuid=7"}},
         kList},
        {"board then column",
         L + "?fworid=1&sid=2",
         kHome,
         true,
         {{K::kNavigatePage, std::string(kMessageListPage)},
          {K::kSetPending, Pre + "46&virid=V7&orgid=O3&usertype=2"},
          {K::kNavigatePage, kNews},
          {K::kSetPending, Pre + "25&coluid=2&virid=V7"}},
         kBoard},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PortalFlags f = r.before;
        const NavOutcome out = ApplyNavigationRules(r.url, f, Sess());
        EXPECT_EQ(out.allow, r.allow);
        EXPECT_EQ(out.actions, r.actions);
        EXPECT_EQ(f.atHome, r.after.atHome);
        EXPECT_EQ(f.atMessageList, r.after.atMessageList);
        EXPECT_EQ(f.consoleOpened, r.after.consoleOpened);
    }
}

TEST(NavigationRules, SearchRequests) {
    EXPECT_EQ(SearchRequest("10", "600036"), Pre + "47&cont=600036");
    EXPECT_EQ(SearchRequest("50", "abc"), Pre + "50&cont=abc");
    // An empty search still makes a request, with neither kind nor text.
    EXPECT_EQ(SearchRequest("", ""), Pre + "&cont=");
}

}  // namespace
