#pragma once
// Replies for the portal tests, made with the record-set encoder and decoded by the client's
// own decoder, as the socket worker would hand them over.

#include <string>
#include <vector>

#include "platform/core/Text.h"
#include "protocol/RecordSet.h"
#include "protocol/RecordSetWriter.h"

namespace portaltest {

struct Set {
    std::string tag;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

inline RecordSetList Reply(const std::vector<Set>& sets) {
    std::vector<uint8_t> body;
    for (const Set& s : sets) {
        const std::vector<uint8_t> block = EncodeTextRecordSet(s.tag, s.columns, s.rows);
        body.insert(body.end(), block.begin(), block.end());
    }
    RecordSetList list = DecodeRecordSets(body.data(), body.size());
    EXPECT_EQ(list.size(), sets.size());
    return list;
}

// UTF-8 test literals as the GBK the system speaks.
inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

}  // namespace portaltest
