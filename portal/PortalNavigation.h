#pragma once
// The portal's navigation rules as a pure function: what a URL the page navigates to means,
// given the portal's flags and the session. The dialog carries the actions out in order.

#include <string>
#include <string_view>
#include <vector>

#include "app/Session.h"

// Page files the portal shows, relative to the program's folder.
inline constexpr std::string_view kHomePage = "htmlPath\\home.html";
inline constexpr std::string_view kNewsListPage = "htmlPath\\newslist.html";
inline constexpr std::string_view kMessageListPage = "htmlPath\\messagelist.html";

struct PortalFlags {
    bool consoleOpened = false;
    bool atHome = true;
    bool atMessageList = false;
};

struct NavAction {
    enum Kind {
        kNavigatePage,      // text: page file; makes it the current page
        kSetPending,        // text: request queued when the current page has loaded
        kQueue,             // text: request queued now
        kOpenBoardMessage,  // text: message id; text2: request (also the last content request)
        kOpenArticle,       // text: request (the last content request)
        kOpenChat,          // text: contact id; text2: contact name
        kPageList,          // text: page value for OutputHtml(list document, value)
        kPageBoard,         // text: page value for OutputHtml(board document, value)
    };
    Kind kind;
    std::string text;
    std::string text2 = {};
    bool operator==(const NavAction&) const = default;
};

struct NavOutcome {
    bool allow = false;
    std::vector<NavAction> actions;
};

// Rules 1-12 for one URL (GBK, decoded). `flags` is updated as the rules say.
NavOutcome ApplyNavigationRules(std::string_view url, PortalFlags& flags, const SessionValues& s);

// The search: pending request for a kind and text read from the home page.
std::string SearchRequest(std::string_view kind, std::string_view text);
