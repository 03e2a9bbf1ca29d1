#include "messaging/BoardDocument.h"

#include <cstdio>

#include "platform/core/Text.h"
#include "protocol/ServiceContract.h"

namespace BoardDocument {

namespace {

constexpr std::size_t kDateCut = 13;

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

}  // namespace

std::string DateText(std::string_view date) {
    if (date.size() < kDateCut) {
        return std::string(date);
    }
    return std::string(date.substr(0, date.size() - kDateCut));
}

std::string JsonText(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (IsLead(c)) {
            if (i + 1 < gbk.size() && vq::IsGbkPair(c, static_cast<unsigned char>(gbk[i + 1]))) {
                out += gbk.substr(i, 2);
                ++i;
            } else {
                // Left alone it would pair with a backslash we add next and swallow it.
                out += '?';
            }
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsBlank(std::string_view gbk) {
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            continue;
        }
        if (c == 0xA1 && i + 1 < gbk.size() && static_cast<unsigned char>(gbk[i + 1]) == 0xA1) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

std::string Build(RecordSet* thread) {
    if (thread == nullptr || !EqualsNoCase(thread->Tag(), ReplyTag::kBoardMessage) ||
        thread->RowCount() <= 0 || !thread->MoveFirst()) {
        return std::string(kEmpty);
    }
    char total[16];
    std::snprintf(total, sizeof total, "%x", static_cast<unsigned>(thread->RowCount()));
    std::string doc = "{\"total\":\"";
    doc += total;
    doc += "\",\"sites\":[";
    bool first = true;
    do {
        if (!first) {
            doc += ',';
        }
        first = false;
        doc += "{\"time\":\"" + JsonText(DateText(thread->Value("insertdate")));
        doc += "\",\"name\":\"" + JsonText(thread->Value("usr_vuser_truen"));
        doc += "\",\"content\":\"" + JsonText(thread->Value(ReplyColumn::kMessageMeno));
        doc += "\"}";
    } while (thread->MoveNext());
    doc += "]}";
    return doc;
}

}  // namespace BoardDocument
