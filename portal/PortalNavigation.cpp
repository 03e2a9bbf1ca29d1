#include "portal/PortalNavigation.h"

#include "protocol/ServiceRequest.h"

namespace {

constexpr std::string_view kMarkers[] = {
    "prdid=", "html?id=", "sid=", "flaid=", "getPage=", "fworid=", "msgid=", "getmessagelisturl="};

bool Has(std::string_view url, std::string_view what) {
    return url.find(what) != std::string_view::npos;
}

std::string After(std::string_view url, std::string_view marker) {
    const size_t at = url.find(marker);
    return at == std::string_view::npos ? std::string()
                                        : std::string(url.substr(at + marker.size()));
}

std::string AfterLastEquals(std::string_view url) {
    const size_t at = url.rfind('=');
    return at == std::string_view::npos ? std::string() : std::string(url.substr(at + 1));
}

// A menu or column link either switches to the list page (and sends its request once the page
// has loaded) or, on a list page already, refills it in place.
void ListRequest(NavOutcome& out, const PortalFlags& flags, std::string request) {
    if (flags.atHome || flags.atMessageList) {
        out.allow = true;
        out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
        out.actions.push_back({NavAction::kSetPending, std::move(request)});
    } else {
        out.allow = false;
        out.actions.push_back({NavAction::kQueue, std::move(request)});
    }
}

}  // namespace

NavOutcome ApplyNavigationRules(std::string_view url, PortalFlags& flags, const SessionValues& s) {
    NavOutcome out;
    out.allow = !Has(url, ".html?") && !Has(url, "/?");
    bool anyMarker = false;
    for (std::string_view m : kMarkers) {
        anyMarker = anyMarker || Has(url, m);
    }

    if (Has(url, "fworid=")) {
        out.allow = true;
        out.actions.push_back({NavAction::kNavigatePage, std::string(kMessageListPage)});
        out.actions.push_back(
            {NavAction::kSetPending,
             BuildServiceText(ServiceCall::kBoardList, {s.virid, s.orgId, s.userType})});
        flags.atHome = false;
        flags.atMessageList = true;
    }
    if (Has(url, "sid=")) {
        std::string request =
            BuildServiceText(ServiceCall::kColumnNews, {After(url, "sid="), s.virid});
        if (flags.atMessageList) {
            out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
            out.actions.push_back({NavAction::kSetPending, std::move(request)});
        } else {
            out.actions.push_back({NavAction::kQueue, std::move(request)});
        }
    }
    if (Has(url, "msgid=")) {
        out.allow = false;
        const std::string id = After(url, "msgid=");
        out.actions.push_back(
            {NavAction::kOpenBoardMessage, id, BuildServiceText(ServiceCall::kBoardMessage, {id})});
    }
    if (Has(url, "prdid=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kOpenArticle,
                               BuildServiceText(ServiceCall::kArticle, {After(url, "prdid=")})});
    }
    if (Has(url, "html?id=")) {
        const std::string rest = After(url, "?id=");
        out.actions.push_back(
            {NavAction::kOpenChat, rest.substr(0, rest.find('&')), After(url, "FriendName=")});
    }
    if (Has(url, "flaid=")) {
        const std::string value = After(url, "flaid=");
        if (value == "100") {
            out.actions.push_back({NavAction::kNavigatePage, std::string(kHomePage)});
            out.actions.push_back(
                {NavAction::kSetPending, BuildServiceText(ServiceCall::kHomeNews, {s.virid})});
            flags.atHome = true;
        } else {
            ListRequest(out, flags,
                        value == "101"
                            ? BuildServiceText(ServiceCall::kListTab, {})
                            : BuildServiceText(ServiceCall::kMenuNews, {s.virid, value}));
            flags.atHome = false;
        }
    }
    if (Has(url, "getmessagelisturl=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kPageBoard, AfterLastEquals(url)});
    }
    if (Has(url, "getPage=")) {
        out.allow = false;
        out.actions.push_back({NavAction::kPageList, AfterLastEquals(url)});
    }
    if (!anyMarker && Has(url, "newslist.html?uid=")) {
        out.actions.push_back({NavAction::kNavigatePage, std::string(kNewsListPage)});
        flags.atHome = false;
        std::string request;
        if (Has(url, "newslist.html?uid=1")) {
            request = BuildServiceText(ServiceCall::kListTabOrg, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=2")) {
            request = BuildServiceText(ServiceCall::kListTab2, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=3")) {
            request = BuildServiceText(ServiceCall::kListTab3, {s.orgId});
        }
        if (Has(url, "newslist.html?uid=4")) {
            request = BuildServiceText(ServiceCall::kListTab4, {s.virid});
        }
        out.actions.push_back({NavAction::kSetPending, std::move(request)});
    }
    return out;
}

std::string SearchRequest(std::string_view kind, std::string_view text) {
    return BuildSearchText(kind, text);
}
