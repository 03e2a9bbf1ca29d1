#include "app/ReplyDispatch.h"

#include "protocol/RecordSet.h"
#include "protocol/ServiceContract.h"

namespace {

using enum ReplyAction;
namespace T = ReplyTag;

constexpr ReplyRoute kRoutes[] = {
    {T::kMenu, kForwardPortal, AppMsg::kPortalMenu},
    {T::kImages, kForwardPortal, AppMsg::kPortalImages},
    {T::kLoginOther, kForcedRelogin},
    {T::kSessionError, kForcedRelogin},
    {T::kUserIdentity, kIdentity, AppMsg::kPortalIdentity},
    {T::kHome1, kForwardPortal, AppMsg::kPortalHome},
    {T::kArticle, kForwardPortal, AppMsg::kPortalArticle},
    {T::kBoardMessage, kForwardPortal, AppMsg::kPortalBoardMessage},
    {T::kNewNews, kForwardSelf, AppMsg::kNewArticles},
    {T::kContacts, kForwardPortal, AppMsg::kPortalChat},
    {T::kChatMessages, kForwardPortal, AppMsg::kPortalChat},
    {T::kMore1, kForwardPortal, AppMsg::kPortalMore},
    {T::kMore2, kForwardPortal, AppMsg::kPortalMore},
    {T::kMore3, kForwardPortal, AppMsg::kPortalMore},
    {T::kMore4, kForwardPortal, AppMsg::kPortalMore},
    {T::kColumnNews, kForwardPortal, AppMsg::kPortalColumnNews},
    {T::kSearchByStock, kForwardPortal, AppMsg::kPortalSearch},
    {T::kSearchInTitles, kForwardPortal, AppMsg::kPortalSearch},
    {T::kSearchInText, kForwardPortal, AppMsg::kPortalSearch},
    {T::kSearchByAuthor, kForwardPortal, AppMsg::kPortalSearch},
    {T::kMenuNews, kForwardPortal, AppMsg::kPortalMenuNews},
    {T::kChatHistory, kForwardPortal, AppMsg::kPortalChatHistory},
    {T::kAllColumns, kForwardSettings, AppMsg::kSettingsColumns},
    {T::kBoardList, kForwardPortal, AppMsg::kPortalBoardList},
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
