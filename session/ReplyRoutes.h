#pragma once
// Routing of service replies by the tag of their first record set: which window takes each
// reply, and by which message (session/WindowMessages.h).

#include <span>
#include <string_view>

#include "platform/Types.h"
#include "session/WindowMessages.h"

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
