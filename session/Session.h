#pragma once
// The session values: who is logged in, the service's session key and the user's
// identity. Process-wide; the login and identity replies write them on the worker
// thread, every window reads them on the UI thread, so each access takes the lock.

#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>

#include "protocol/ServiceRequest.h"

struct SessionValues {
    std::string userName;    // as typed at login (GBK)
    std::string password;    // as typed at login
    std::string sessionKey;  // column `session` of the login reply; sent as tc_session
    std::string virid;       // the user's own id, from `getviridbyuserna`
    std::string userType;    // USR_VIRUSER_TYP
    std::string trueName;    // USR_VUSER_TRUEN
    std::string orgIdList;   // org_idstr
    std::string orgId;       // org_id
};

class CSession {
public:
    static CSession& Global();

    SessionValues Get() const;
    std::string UserName() const;
    std::string Password() const;
    std::string SessionKey() const;
    std::string Virid() const;
    std::string UserType() const;
    std::string TrueName() const;
    std::string OrgIdList() const;
    std::string OrgId() const;

    void SetLogin(std::string userName, std::string password);
    void SetSessionKey(std::string key);
    void SetVirid(std::string virid);
    void SetUserType(std::string type);
    void SetTrueName(std::string name);
    void SetOrgIdList(std::string list);
    void SetOrgId(std::string id);
    // Back to the empty session (tests; a process serves one session).
    void Reset();

private:
    mutable std::mutex mutex_;
    SessionValues values_;
};

inline CSession& Session() {
    return CSession::Global();
}

// Queues a service call with the current session key: what "queuing a request"
// means everywhere in the program.
void QueueSessionRequest(std::string text);
void QueueSessionRequest(ServiceCall call, std::initializer_list<std::string_view> values);
