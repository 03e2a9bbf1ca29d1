#include "session/ReplyRoutes.h"

#include "protocol/RecordSet.h"
#include "protocol/ServiceContract.h"

namespace {

using enum ReplyAction;
namespace T = ReplyTag;

constexpr ReplyRoute kRoutes[] = {
    {T::kMenu, kForwardPortal, WindowMsg::kPortalMenu},
    {T::kImages, kForwardPortal, WindowMsg::kPortalImages},
    {T::kLoginOther, kForcedRelogin},
    {T::kSessionError, kForcedRelogin},
    {T::kUserIdentity, kIdentity, WindowMsg::kPortalIdentity},
    {T::kHome1, kForwardPortal, WindowMsg::kPortalHome},
    {T::kArticle, kForwardPortal, WindowMsg::kPortalArticle},
    {T::kBoardMessage, kForwardPortal, WindowMsg::kPortalBoardMessage},
    {T::kNewNews, kForwardSelf, WindowMsg::kNewArticles},
    {T::kContacts, kForwardPortal, WindowMsg::kPortalChat},
    {T::kChatMessages, kForwardPortal, WindowMsg::kPortalChat},
    {T::kMore1, kForwardPortal, WindowMsg::kPortalMore},
    {T::kMore2, kForwardPortal, WindowMsg::kPortalMore},
    {T::kMore3, kForwardPortal, WindowMsg::kPortalMore},
    {T::kMore4, kForwardPortal, WindowMsg::kPortalMore},
    {T::kColumnNews, kForwardPortal, WindowMsg::kPortalColumnNews},
    {T::kSearchByStock, kForwardPortal, WindowMsg::kPortalSearch},
    {T::kSearchInTitles, kForwardPortal, WindowMsg::kPortalSearch},
    {T::kSearchInText, kForwardPortal, WindowMsg::kPortalSearch},
    {T::kSearchByAuthor, kForwardPortal, WindowMsg::kPortalSearch},
    {T::kMenuNews, kForwardPortal, WindowMsg::kPortalMenuNews},
    {T::kChatHistory, kForwardPortal, WindowMsg::kPortalChatHistory},
    {T::kAllColumns, kForwardSettings, WindowMsg::kSettingsColumns},
    {T::kBoardList, kForwardPortal, WindowMsg::kPortalBoardList},
    {T::kFavourites, kConfirm, 0, "设置成功！", "设置失败！"},
    {T::kQuestionnaire, kConfirm, 0, "资料已成功提交，谢谢你的参与！",
     "资料提交失败，请重新填写提交！"},
    {T::kCustomRequest, kConfirm, 0, "资料已成功提交！", "对不起，该资料只能提交一次！"},
    {T::kBoardPost, kConfirm, 0, "资料已成功提交！", "资料提交失败！"},
    {T::kLoginState, kConfirm, 0, "登录状态设置成功！", "登录状态设置失败，请重新设置"},
};

}  // namespace

std::span<const ReplyRoute> ReplyRoutes() {
    return kRoutes;
}

const ReplyRoute* FindReplyRoute(std::string_view tag) {
    for (const ReplyRoute& route : kRoutes) {
        if (EqualsNoCase(route.tag, tag)) {
            return &route;
        }
    }
    return nullptr;
}
