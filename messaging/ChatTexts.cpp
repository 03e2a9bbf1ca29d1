#include "messaging/ChatTexts.h"

#include <cstdio>

#include "platform/core/Text.h"
#include "protocol/ServiceRequest.h"

namespace ChatTexts {
namespace {

// Dates come as "2026-12-08 09:30:00.000": the last four characters are the fraction.
constexpr std::size_t kDateFraction = 4;

const std::string& Separator() {
    static const std::string text = vq::Gbk("： ");
    return text;
}

}  // namespace

std::string MessageBlock(std::string_view speaker, std::string_view stamp,
                         std::string_view content) {
    std::string block;
    block.reserve(speaker.size() + stamp.size() + content.size() + 12);
    block.append(speaker).append(Separator()).append(stamp).append("\r\n");
    block.append(content).append("\r\n\r\n");
    return block;
}

std::string SentTimeStamp(const std::tm& local) {
    static const std::string pattern = vq::Gbk("%d-%d-%d  %d：%d：%d");
    char text[96];
    std::snprintf(text, sizeof text, pattern.c_str(), local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string ReceivedTimeStamp(std::string_view msgDate) {
    if (msgDate.size() < kDateFraction) {
        return std::string(msgDate);
    }
    return std::string(msgDate.substr(0, msgDate.size() - kDateFraction));
}

std::string HistoryTimeStamp(std::string_view msgDate) {
    if (msgDate.size() < kDateFraction) {
        return {};
    }
    return std::string(msgDate.substr(0, msgDate.size() - kDateFraction));
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (i + 1 < a.size() && vq::IsGbkPair(x, static_cast<unsigned char>(a[i + 1]))) {
            if (x != y || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(x) != lower(y)) {
            return false;
        }
    }
    return true;
}

std::string JsonValue(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (i + 1 < gbk.size() && vq::IsGbkPair(c, static_cast<unsigned char>(gbk[i + 1]))) {
            out.append(gbk.substr(i, 2));
            ++i;
        } else if (c >= 0x81 && c <= 0xFE) {
            // A lead byte without its second byte would take the next byte along, a
            // backslash of an escape included.
            out.push_back('?');
        } else if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out.append(escaped);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string ChangePicDocument(bool delivered, std::string_view fromId) {
    return std::string("{\"line\":[{\"title\":\"") + (delivered ? "1" : "2") + "\",\"uid\":\"" +
           JsonValue(fromId) + "\"}]}";
}

std::string SendRequest(std::string_view ownId, std::string_view contactId,
                        std::string_view content) {
    return BuildServiceText(ServiceCall::kSendChat, {ownId, contactId, content});
}

std::string MarkReadRequest(std::string_view msgId) {
    return BuildServiceText(ServiceCall::kMarkChatRead, {msgId});
}

std::string FirstLine(std::string_view content, std::size_t maxBytes) {
    const std::size_t end = content.find_first_of("\r\n");
    std::string_view line = content.substr(0, end);
    const std::size_t cut = vq::GbkCutLength(line, maxBytes);
    return std::string(line.substr(0, cut));
}

}  // namespace ChatTexts
