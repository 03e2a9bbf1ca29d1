#pragma once

// What the system relies on from the service: reply tags and the columns each
// consumer reads. Consumers and the reference service use these names only.
// Tags are compared without regard to letter case.

#include <span>
#include <string_view>

namespace ReplyTag {
inline constexpr std::string_view kUserIdentity = "getviridbyuserna";
inline constexpr std::string_view kMenu = "getmunu";
inline constexpr std::string_view kHome1 = "get1menu";
inline constexpr std::string_view kHome2 = "get2menu";
inline constexpr std::string_view kHome3 = "get3menu";
inline constexpr std::string_view kHome4 = "get4menu";
inline constexpr std::string_view kArticle = "getnew";
inline constexpr std::string_view kChatMessages = "getinfoIM";
inline constexpr std::string_view kContacts = "getIMS";
inline constexpr std::string_view kBoardList = "getliuyans";
inline constexpr std::string_view kBoardMessage = "looklinyan";
inline constexpr std::string_view kSearchByStock = "SearchByStock";
inline constexpr std::string_view kSearchInTitles = "SearchInTitles";
inline constexpr std::string_view kSearchInText = "SearchInText";
inline constexpr std::string_view kSearchByAuthor = "searchbyauth";
inline constexpr std::string_view kAllColumns = "getallcolumn";
inline constexpr std::string_view kFavourites = "editmyloves";
inline constexpr std::string_view kCustomRequest = "insertshenqin";
inline constexpr std::string_view kQuestionnaire = "trytongji";
inline constexpr std::string_view kLoginState = "changemystate";
inline constexpr std::string_view kBoardPost = "liuyan";
inline constexpr std::string_view kNewNews = "getnewNews";
inline constexpr std::string_view kNewsNeedCheck = "newsneedcheck";
inline constexpr std::string_view kMore1 = "get1more";
inline constexpr std::string_view kMore2 = "get2more";
inline constexpr std::string_view kMore3 = "get3more";
inline constexpr std::string_view kMore4 = "get4more";
inline constexpr std::string_view kColumnNews = "getcolprd";
inline constexpr std::string_view kMenuNews = "menunews";
inline constexpr std::string_view kImages = "firstimg";
inline constexpr std::string_view kChatHistory = "getim20";
inline constexpr std::string_view kMoreColumns = "getmorecol";
inline constexpr std::string_view kFavouriteColumns = "getmylovecol";
inline constexpr std::string_view kLoginOther = "loginother";
inline constexpr std::string_view kSessionError = "sessionerr";
}  // namespace ReplyTag

namespace ReplyColumn {
// Login reply.
inline constexpr std::string_view kIsOk = "isok";  // "T" = success; exact name
inline constexpr std::string_view kSession = "session";
// getviridbyuserna, contacts and news.
inline constexpr std::string_view kUserId = "usr_viruser_id";
inline constexpr std::string_view kUserType = "USR_VIRUSER_TYP";
inline constexpr std::string_view kTrueName = "USR_VUSER_TRUEN";
inline constexpr std::string_view kOrgIdList = "org_idstr";
inline constexpr std::string_view kOrgId = "org_id";
inline constexpr std::string_view kOrgName = "org_name";
inline constexpr std::string_view kSessionId = "EB_SESSION_ID";
inline constexpr std::string_view kSessionValue = "EB_SESSION_VALUE";
// getmunu.
inline constexpr std::string_view kMenuName = "PRD_MENU_NAME";
inline constexpr std::string_view kMenuId = "PRD_MENU_ID";
inline constexpr std::string_view kMenuLink = "PRD_MENU_LINK";
inline constexpr std::string_view kIsUsed = "IS_USED";
// News lists, home sections, searches, articles and alerts.
inline constexpr std::string_view kNewsId = "PRD_NEWS_ID";
inline constexpr std::string_view kNewsTitle = "PRD_NEWS_TITLE";
inline constexpr std::string_view kNewsText = "prd_news_text";
inline constexpr std::string_view kInsertDate = "INSERTDATE";
inline constexpr std::string_view kColumnName = "prd_column_name";
inline constexpr std::string_view kColumnId = "prd_column_id";
// Chat messages.
inline constexpr std::string_view kMsgDate = "msgDate";
inline constexpr std::string_view kMsgState = "msgstate";
inline constexpr std::string_view kMsgId = "msgid";
inline constexpr std::string_view kMsgContent = "msgcontent";
inline constexpr std::string_view kToId = "toid";
inline constexpr std::string_view kFromId = "fromid";
// Board.
inline constexpr std::string_view kMessageTitle = "message_title";
inline constexpr std::string_view kMessageId = "message_id";
inline constexpr std::string_view kMessageMeno = "message_meno";
// Picture strip.
inline constexpr std::string_view kPhotoUrl = "PHOTO_URL";
inline constexpr std::string_view kTextUrl = "TEXT_URL";
// Form outcomes: "1" = success.
inline constexpr std::string_view kResult = "ER_Int";
}  // namespace ReplyColumn

// The reply each request receives and the columns its consumer reads: the
// binding part of the contract for a service written for this system.
struct ReplyContract {
    std::string_view request;  // sub function number, or "login"
    std::string_view tag;
    std::span<const std::string_view> columns;
};

namespace ReplyContractColumns {
using namespace ReplyColumn;
inline constexpr std::string_view kLogin[] = {kIsOk, kSession};
inline constexpr std::string_view kIdentity[] = {kUserId, kUserType, kTrueName, kOrgIdList, kOrgId};
inline constexpr std::string_view kMenu[] = {kMenuName, kMenuId, kMenuLink, kIsUsed};
inline constexpr std::string_view kHome[] = {kNewsId, kNewsTitle, kInsertDate, kColumnName,
                                             "prd_menu_name"};
inline constexpr std::string_view kArticle[] = {"prd_news_text", "prd_news_title", "insertdate",
                                                "usr_vuser_truen"};
inline constexpr std::string_view kChat[] = {kMsgDate, kMsgState, kMsgId,           kMsgContent,
                                             kToId,    kFromId,   "usr_vuser_truen"};
inline constexpr std::string_view kBoardList[] = {kMessageTitle, "usr_vuser_truen", "insertdate",
                                                  kMsgState, kMessageId};
inline constexpr std::string_view kBoardMessage[] = {"insertdate", "usr_vuser_truen", kMessageMeno};
inline constexpr std::string_view kNews[] = {kNewsId, kNewsTitle, kInsertDate, "usr_vuser_truen",
                                             kMenuName};
inline constexpr std::string_view kAllColumns[] = {"prd_menu_id", "prd_menu_name"};
inline constexpr std::string_view kOutcome[] = {kResult};
}  // namespace ReplyContractColumns

inline constexpr ReplyContract kReplyContracts[] = {
    {"login", "", ReplyContractColumns::kLogin},
    {"10", ReplyTag::kUserIdentity, ReplyContractColumns::kIdentity},
    {"1", ReplyTag::kMenu, ReplyContractColumns::kMenu},
    {"2", ReplyTag::kHome1, ReplyContractColumns::kHome},
    {"2", ReplyTag::kHome2, ReplyContractColumns::kHome},
    {"2", ReplyTag::kHome3, ReplyContractColumns::kHome},
    {"2", ReplyTag::kHome4, ReplyContractColumns::kHome},
    {"12", ReplyTag::kArticle, ReplyContractColumns::kArticle},
    {"13", ReplyTag::kChatMessages, ReplyContractColumns::kChat},
    {"46", ReplyTag::kBoardList, ReplyContractColumns::kBoardList},
    {"48", ReplyTag::kBoardMessage, ReplyContractColumns::kBoardMessage},
    {"47", ReplyTag::kSearchByStock, ReplyContractColumns::kNews},
    {"47", ReplyTag::kSearchInTitles, ReplyContractColumns::kNews},
    {"47", ReplyTag::kSearchInText, ReplyContractColumns::kNews},
    {"47", ReplyTag::kSearchByAuthor, ReplyContractColumns::kNews},
    {"39", ReplyTag::kAllColumns, ReplyContractColumns::kAllColumns},
    {"38", ReplyTag::kFavourites, ReplyContractColumns::kOutcome},
    {"41", ReplyTag::kCustomRequest, ReplyContractColumns::kOutcome},
    {"42", ReplyTag::kQuestionnaire, ReplyContractColumns::kOutcome},
    {"43", ReplyTag::kLoginState, ReplyContractColumns::kOutcome},
    {"45", ReplyTag::kBoardPost, ReplyContractColumns::kOutcome},
};
