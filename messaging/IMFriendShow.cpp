#include "messaging/IMFriendShow.h"

#include <string_view>

#include "messaging/ChatTexts.h"
#include "protocol/ServiceContract.h"

namespace {

namespace C = ReplyColumn;
constexpr std::string_view kAccountTypeColumn = "usr_viruser_typ";
constexpr std::string_view kCustomerType = "0";

void DropLastComma(std::string& text) {
    if (!text.empty() && text.back() == ',') {
        text.pop_back();
    }
}

std::string Entry(const std::string& state, const std::string& name, const std::string& uid) {
    return "{\"title\":\"" + ChatTexts::JsonValue(state) + "\",\"name\":\"" +
           ChatTexts::JsonValue(name) + "\",\"uid\":\"" + ChatTexts::JsonValue(uid) + "\"}";
}

}  // namespace

CIMFriendShow::CIMFriendShow(RecordSet& contacts) : set_(contacts) {
    orgCust_.reserve(kOrgCustBlockSize);
}

CIMFriendShow::Contact CIMFriendShow::ReadRow() {
    Contact c;
    for (int i = 0; i < set_.ColumnCount(); ++i) {
        const std::string_view name = set_.Column(i)->name;
        if (EqualsNoCase(name, C::kUserId)) {
            c.uid = set_.GetText(i);
        } else if (EqualsNoCase(name, C::kTrueName)) {
            c.name = set_.GetText(i);
        } else if (EqualsNoCase(name, kAccountTypeColumn)) {
            c.type = set_.GetText(i);
        } else if (EqualsNoCase(name, C::kOrgName)) {
            c.org = set_.GetText(i);
        } else if (EqualsNoCase(name, C::kSessionId)) {
            c.state = set_.GetText(i).empty() ? "0" : "1";
        } else if (EqualsNoCase(name, C::kSessionValue)) {
            const std::string_view chosen = set_.GetText(i);
            if (chosen == "1") {
                c.state = "5";
            } else if (chosen == "2") {
                c.state = "4";
            } else if (chosen == "3") {
                c.state = "3";
            }
        }
    }
    return c;
}

template <typename Visit>
void CIMFriendShow::ForEachContact(Visit visit) {
    if (!set_.MoveFirst()) {
        return;
    }
    do {
        visit(ReadRow());
    } while (set_.MoveNext());
}

void CIMFriendShow::CollectTeams() {
    ForEachContact([this](const Contact& c) {
        if (c.type != kCustomerType) {
            return;
        }
        for (const std::string& org : orgs_) {
            if (ChatTexts::SameNoCase(org, c.org)) {
                return;
            }
        }
        orgs_.push_back(c.org);
    });
}

std::string CIMFriendShow::BuildColPart() {
    std::string part = "\"user_type\":\"1\",\"col\":[";
    ForEachContact([&](const Contact& c) {
        if (c.type != kCustomerType) {
            part += Entry(c.state, c.name, c.uid) + ",";
        }
    });
    DropLastComma(part);
    return part + "]";
}

std::string CIMFriendShow::BuildTeam(const std::string& org) {
    std::string team = "{\"Team\":\"" + ChatTexts::JsonValue(org) + "\",\"teamMembers\":[";
    ForEachContact([&](const Contact& c) {
        if (c.type == kCustomerType && ChatTexts::SameNoCase(c.org, org)) {
            team += Entry(c.state, c.name, c.uid) + ",";
        }
    });
    DropLastComma(team);
    return team + "]}";
}

std::string CIMFriendShow::BuildCusPart() {
    CollectTeams();
    std::string part = ",\"cus\":[";
    for (const std::string& org : orgs_) {
        part += BuildTeam(org) + ",";
    }
    DropLastComma(part);
    return part + "]";
}

std::string CIMFriendShow::BuildDocument() {
    return "{" + BuildColPart() + BuildCusPart() + "}";
}
