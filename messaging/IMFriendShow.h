#pragma once
// The contact document of the home page, built from one "getIMS" record set:
//   {"user_type":"1","col":[colleagues...],"cus":[{"Team":"org","teamMembers":[...]},...]}
// Colleagues (any account type but "0") form one list in row order; customers (type "0")
// are grouped by organisation, compared without regard to case and named as first seen.
// A contact's state comes from the two session columns, the later column deciding.

#include <string>
#include <vector>

#include "protocol/RecordSet.h"

class CIMFriendShow {
public:
    // Kept for the organisation-customer list, which nothing fills.
    struct T_ORG_CUST {
        std::string orgName;
    };
    static constexpr int kOrgCustBlockSize = 10;

    // The record set stays the caller's; it must outlive the builder.
    explicit CIMFriendShow(RecordSet& contacts);

    // Adds the organisation of every customer row to the organisation list, once each.
    void CollectTeams();
    // "\"user_type\":\"1\",\"col\":[" + colleague entries + "]".
    std::string BuildColPart();
    // One team with the customer rows of organisation `org`.
    std::string BuildTeam(const std::string& org);
    // ",\"cus\":[" + one team per organisation + "]"; collects the teams first.
    std::string BuildCusPart();

    // "{" + BuildColPart() + BuildCusPart() + "}".
    std::string BuildDocument();

    const std::vector<std::string>& Organisations() const { return orgs_; }
    const std::vector<T_ORG_CUST*>& OrgCustomers() const { return orgCust_; }

private:
    struct Contact {
        std::string uid;
        std::string name;
        std::string type;
        std::string org;
        std::string state;
    };
    // Reads the current row's columns in record-set order.
    Contact ReadRow();
    template <typename Visit>
    void ForEachContact(Visit visit);

    RecordSet& set_;
    std::vector<T_ORG_CUST*> orgCust_;
    std::vector<std::string> orgs_;
};
