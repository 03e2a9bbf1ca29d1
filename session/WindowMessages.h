#pragma once
// Every window message the program's windows speak to each other, each number written once.
// WM_USER is 1024. A forwarded service reply travels as lParam = RecordSetList* (the reply's
// record sets), wParam 0, sent synchronously: the receiver may take the record sets over
// (std::move) while it handles the message; whatever it leaves is released by the sender.

#include "platform/Types.h"

namespace WindowMsg {
using fw::UINT;
inline constexpr UINT kUser = 1024;

inline constexpr UINT kLoginTray = kUser + 1;  // login dialog's tray icon 131
inline constexpr UINT kMainTray = kUser + 2;   // main window's tray icon 150
inline constexpr UINT kSkinHover = kUser + 3;  // drawn button 1005 was hovered
inline constexpr UINT kLogin = kUser + 4;      // the login dialog logs in

// Replies forwarded to the portal page by the main window's dispatcher.
inline constexpr UINT kPortalHome = kUser + 5;     // get1menu .. get4menu
inline constexpr UINT kPortalArticle = kUser + 6;  // getnew
inline constexpr UINT kArticleToPage = kUser + 7;  // getnew, to the viewer's content page
inline constexpr UINT kNewArticles = kUser + 8;    // getnewNews, to the main window itself
inline constexpr UINT kPortalChat = kUser + 9;     // getIMS, getinfoIM
inline constexpr UINT kPortalMore = kUser + 10;    // get1more .. get4more
inline constexpr UINT kPortalColumnNews = kUser + 11;
inline constexpr UINT kPortalMenu = kUser + 12;  // getmunu
inline constexpr UINT kPortalSearch = kUser + 13;
inline constexpr UINT kPortalMenuNews = kUser + 14;
inline constexpr UINT kPortalChatHistory = kUser + 15;  // getim20
inline constexpr UINT kChatHistory = kUser + 16;        // getim20, to the chat window of `fromid`
inline constexpr UINT kSettingsColumns = kUser + 17;    // getallcolumn, to the personal settings
inline constexpr UINT kFavouriteColumns = kUser + 18;   // the same, passed on to its page
inline constexpr UINT kPortalPopup =
    kUser + 19;  // a pop-up's view button, lParam: const std::string* id
inline constexpr UINT kPortalIdentity = kUser + 20;  // getviridbyuserna handled; lParam unused
inline constexpr UINT kPortalBoardList = kUser + 21;
inline constexpr UINT kPortalBoardMessage = kUser + 22;  // looklinyan
inline constexpr UINT kBoardThread = kUser + 23;         // looklinyan, to the message dialog's page
inline constexpr UINT kViewerNoToggle = kUser + 24;      // disables the viewer's size toggle
inline constexpr UINT kTrayFlash = kUser + 25;           // lParam 0 starts the flashing, 1 stops it
inline constexpr UINT kPortalImages = kUser + 26;
inline constexpr UINT kReviewerAlert = kUser + 27;
// The tray tip while chat messages wait, lParam: const std::string* (GBK; empty: the usual tip).
inline constexpr UINT kTrayTip = kUser + 28;

inline constexpr UINT kPopupActivated = 1324;  // from the notifier control
}  // namespace WindowMsg
