#include "session/Session.h"

#include <utility>

#include "protocol/SockThread.h"

CSession& CSession::Global() {
    static CSession session;
    return session;
}

SessionValues CSession::Get() const {
    std::lock_guard lock(mutex_);
    return values_;
}

#define VQ_SESSION_FIELD(Getter, Setter, field) \
    std::string CSession::Getter() const {      \
        std::lock_guard lock(mutex_);           \
        return values_.field;                   \
    }                                           \
    void CSession::Setter(std::string value) {  \
        std::lock_guard lock(mutex_);           \
        values_.field = std::move(value);       \
    }

VQ_SESSION_FIELD(SessionKey, SetSessionKey, sessionKey)
VQ_SESSION_FIELD(Virid, SetVirid, virid)
VQ_SESSION_FIELD(UserType, SetUserType, userType)
VQ_SESSION_FIELD(TrueName, SetTrueName, trueName)
VQ_SESSION_FIELD(OrgIdList, SetOrgIdList, orgIdList)
VQ_SESSION_FIELD(OrgId, SetOrgId, orgId)
#undef VQ_SESSION_FIELD

std::string CSession::UserName() const {
    std::lock_guard lock(mutex_);
    return values_.userName;
}

std::string CSession::Password() const {
    std::lock_guard lock(mutex_);
    return values_.password;
}

void CSession::SetLogin(std::string userName, std::string password) {
    std::lock_guard lock(mutex_);
    values_.userName = std::move(userName);
    values_.password = std::move(password);
}

void CSession::Reset() {
    std::lock_guard lock(mutex_);
    values_ = SessionValues{};
}

void QueueSessionRequest(std::string text) {
    QueueServiceCall(std::move(text), Session().SessionKey());
}

void QueueSessionRequest(ServiceCall call, std::initializer_list<std::string_view> values) {
    QueueSessionRequest(BuildServiceText(call, values));
}
