#pragma once

// Turns one request text into one reply body: checks the session, finds the
// sub function in the dispatch table and runs its handler against the store.
// Not thread-safe: the server calls it from its one loop thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "service/RequestParams.h"
#include "service/ServiceStore.h"

namespace vqsvc {

// Tags of replies that no consumer reads, and of the service's own errors.
namespace ServiceTag {
inline constexpr std::string_view kLogin = "login";
inline constexpr std::string_view kSendChat = "sendmsg";
inline constexpr std::string_view kMarkRead = "readmsg";
inline constexpr std::string_view kPassword = "modifypass";
inline constexpr std::string_view kUnknownFunction = "unknownfunc";
inline constexpr std::string_view kBadRequest = "badrequest";
}  // namespace ServiceTag

// The search kinds of the home page: the page's value is the sub function
// number, except "10" which the client turns into 47.
inline constexpr int kSearchByStockFunction = 47;
inline constexpr int kSearchInTitlesFunction = 50;
inline constexpr int kSearchInTextFunction = 51;
inline constexpr int kSearchByAuthorFunction = 52;

// A contact counts as online while its session was used this recently; the
// client polls every 30 seconds.
inline constexpr int64_t kOnlineWindowSeconds = 150;

// Local time of the branch: dates on the wire are China Standard Time.
inline constexpr int64_t kBranchUtcOffset = 8 * 3600;

// "2026-12-08 09:30:00.000000000": the lists show it without its last 13
// characters, the article viewer whole.
std::string FormatInsertDate(int64_t epochSeconds);
// "2026-12-08 09:30:00.000": the chat shows it without its last 4 characters.
std::string FormatMessageDate(int64_t epochSeconds);

class ServiceHandler;

struct RequestContext {
    const RequestParams& params;
    const UserRecord& user;
};

using ReplyBody = std::vector<uint8_t>;

struct SubFunctionEntry {
    int number;
    std::string_view name;
    ReplyBody (ServiceHandler::*handler)(const RequestContext&);
};

class ServiceHandler {
public:
    // `privateKeyPem` decrypts the login's userKey.
    ServiceHandler(ServiceStore& store, std::string privateKeyPem);

    // One request text (without HTTP or packet framing) in, one reply body out.
    // `fault` receives a one-line description when the request was refused.
    ReplyBody Handle(std::string_view text, std::string* fault = nullptr);

    static const std::vector<SubFunctionEntry>& Table();

private:
    ReplyBody Login(const RequestParams& params, std::string* fault);

    ReplyBody Menu(const RequestContext& c);
    ReplyBody Home(const RequestContext& c);
    ReplyBody Identity(const RequestContext& c);
    ReplyBody Article(const RequestContext& c);
    ReplyBody NewChats(const RequestContext& c);
    ReplyBody SendChat(const RequestContext& c);
    ReplyBody MarkRead(const RequestContext& c);
    ReplyBody Contacts(const RequestContext& c);
    ReplyBody Poll(const RequestContext& c);
    ReplyBody List1(const RequestContext& c);
    ReplyBody List2(const RequestContext& c);
    ReplyBody List3(const RequestContext& c);
    ReplyBody List4(const RequestContext& c);
    ReplyBody ColumnNews(const RequestContext& c);
    ReplyBody MenuNews(const RequestContext& c);
    ReplyBody ChangePassword(const RequestContext& c);
    ReplyBody SetFavourite(const RequestContext& c);
    ReplyBody AllColumns(const RequestContext& c);
    ReplyBody CustomRequestForm(const RequestContext& c);
    ReplyBody QuestionnaireForm(const RequestContext& c);
    ReplyBody LoginState(const RequestContext& c);
    ReplyBody BoardPost(const RequestContext& c);
    ReplyBody BoardList(const RequestContext& c);
    ReplyBody BoardMessage(const RequestContext& c);
    ReplyBody Images(const RequestContext& c);
    ReplyBody SearchStock(const RequestContext& c);
    ReplyBody SearchTitles(const RequestContext& c);
    ReplyBody SearchText(const RequestContext& c);
    ReplyBody SearchAuthor(const RequestContext& c);
    ReplyBody Search(const RequestContext& c, SearchKind kind, std::string_view tag);

    // True when `name` is absent or names the session's own user: ids in a
    // request never let one user act for another.
    static bool IsSelf(const RequestContext& c, std::string_view name);

    bool SeenLoginKey(const std::string& userKeyHex);

    ServiceStore& store_;
    std::string privateKeyPem_;
    // Recent login keys: a captured login text cannot be replayed.
    std::deque<std::string> recentKeys_;
    std::unordered_set<std::string> recentKeySet_;
};

}  // namespace vqsvc
