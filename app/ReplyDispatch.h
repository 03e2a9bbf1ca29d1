#pragma once
// Routing of service replies by the tag of their first record set, and the window
// messages the program's windows speak to each other.
//
// A forwarded reply travels as lParam = RecordSetList* (the reply's record sets), wParam 0,
// sent synchronously: the receiving window may take the record sets over (std::move) while
// it handles the message; whatever it leaves is released by the sender afterwards.

#include <span>
#include <string_view>

#include "platform/Types.h"

namespace AppMsg {
using fw::UINT;
inline constexpr UINT kLoginTray = 1025;      // login dialog's tray icon 131
inline constexpr UINT kMainTray = 1026;       // main window's tray icon 150
inline constexpr UINT kSkinHover = 1027;      // drawn button 1005 was hovered
inline constexpr UINT kLogin = 1028;          // the login dialog logs in
inline constexpr UINT kPortalHome = 1029;     // get1menu
inline constexpr UINT kPortalArticle = 1030;  // getnew
inline constexpr UINT kNewArticles = 1032;    // getnewNews, to the main window itself
inline constexpr UINT kPortalChat = 1033;     // getIMS, getinfoIM
inline constexpr UINT kPortalMore = 1034;     // get1more .. get4more
inline constexpr UINT kPortalColumnNews = 1035;
inline constexpr UINT kPortalMenu = 1036;  // getmunu
inline constexpr UINT kPortalSearch = 1037;
inline constexpr UINT kPortalMenuNews = 1038;
inline constexpr UINT kPortalChatHistory = 1039;
inline constexpr UINT kSettingsColumns = 1041;  // getallcolumn, to the personal settings
inline constexpr UINT kPortalPopup = 1043;  // a pop-up's view button, lParam: const std::string* id
inline constexpr UINT kPortalIdentity = 1044;  // getviridbyuserna handled; lParam unused
inline constexpr UINT kPortalBoardList = 1045;
inline constexpr UINT kPortalBoardMessage = 1046;
inline constexpr UINT kTrayFlash = 1049;  // lParam 0 starts the flashing, 1 stops it
inline constexpr UINT kPortalImages = 1050;
inline constexpr UINT kReviewerAlert = 1051;
inline constexpr UINT kPopupActivated = 1324;  // from the notifier control
}  // namespace AppMsg

enum class ReplyAction {
    kForwardPortal,    // `message` to the portal page dialog
    kForwardSelf,      // `message` to the main window itself
    kForwardSettings,  // `message` to the personal settings dialog, if it was ever opened
    kIdentity,         // completes the session values, then 1044 to the portal page
    kForcedRelogin,    // the account was taken over: tell, restart, end
    kConfirm,          // a posted form's outcome from column ER_Int
};

struct ReplyRoute {
    std::string_view tag;  // compared without regard to letter case
    ReplyAction action;
    fw::UINT message = 0;
    std::string_view okText = {};    // kConfirm: UTF-8
    std::string_view failText = {};  // kConfirm: UTF-8
};

// The whole table, first match wins; a tag not in it is released unread.
std::span<const ReplyRoute> ReplyRoutes();
const ReplyRoute* FindReplyRoute(std::string_view tag);
