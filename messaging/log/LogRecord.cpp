#include "messaging/log/LogRecord.h"

#include <cstring>
#include <limits>

namespace {

std::uint32_t ReadU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

std::uint64_t ReadU64(const char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

void WriteU32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void WriteU64(char* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string_view UpToNul(std::string_view s) {
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// The NUL-terminated string at `pos`, moving `pos` past its NUL; nothing when the NUL is
// missing before the end of `body`.
std::optional<std::string_view> NextString(std::string_view body, std::size_t& pos) {
    if (pos >= body.size())
        return std::nullopt;
    const auto nul = body.find('\0', pos);
    if (nul == std::string_view::npos)
        return std::nullopt;
    std::string_view s = body.substr(pos, nul - pos);
    pos = nul + 1;
    return s;
}

}  // namespace

std::string EncodeLogRecord(std::uint8_t direction, std::int64_t time, std::string_view fromId,
                            std::string_view toId, std::string_view text) {
    fromId = UpToNul(fromId);
    toId = UpToNul(toId);
    text = UpToNul(text);
    const std::size_t total = fromId.size() + toId.size() + text.size() + kLogRecordOverhead;
    if (total < fromId.size() || total > std::numeric_limits<std::uint32_t>::max())
        return {};
    std::string record(kLogRecordHeaderSize, '\0');
    record[4] = static_cast<char>(direction);
    WriteU64(record.data() + 8, static_cast<std::uint64_t>(time));
    WriteU32(record.data() + kLogRecordLengthOffset, static_cast<std::uint32_t>(total));
    record.reserve(total);
    record.append(fromId).push_back('\0');
    record.push_back('\0');
    record.append(toId).push_back('\0');
    record.push_back('\0');
    record.append(text).push_back('\0');
    return record;
}

std::optional<LogRecord> DecodeLogRecord(std::string_view bytes) {
    if (bytes.size() < kLogRecordOverhead)
        return std::nullopt;
    if (ReadU32(bytes.data() + kLogRecordLengthOffset) != bytes.size())
        return std::nullopt;
    std::size_t pos = kLogRecordHeaderSize;
    const auto from = NextString(bytes, pos);
    const auto empty1 = NextString(bytes, pos);
    const auto to = NextString(bytes, pos);
    const auto empty2 = NextString(bytes, pos);
    const auto text = NextString(bytes, pos);
    if (!from || !empty1 || !to || !empty2 || !text)
        return std::nullopt;
    LogRecord r;
    r.recordNumber = ReadU32(bytes.data());
    r.direction = static_cast<std::uint8_t>(bytes[4]);
    r.time = static_cast<std::int64_t>(ReadU64(bytes.data() + 8));
    r.fromId.assign(*from);
    r.toId.assign(*to);
    r.text.assign(*text);
    return r;
}

bool MatchesConversation(const LogRecord& record, std::string_view pattern1,
                         std::string_view pattern2) {
    const auto matches = [&](std::string_view pattern) {
        return pattern.empty() || record.fromId == pattern || record.toId == pattern;
    };
    return matches(pattern1) && matches(pattern2);
}

MessageQueryResult MessageQueryResult::FromBytes(std::string_view bytes) {
    MessageQueryResult result;
    if (bytes.size() > result.bytes_.size())
        result.bytes_.resize(bytes.size());
    if (!bytes.empty())
        std::memcpy(result.bytes_.data(), bytes.data(), bytes.size());
    result.used_ = bytes.size();
    return result;
}

void MessageQueryResult::AppendRecord(std::string_view record, std::uint32_t recordNumber) {
    if (record.size() > bytes_.size() - used_)
        bytes_.resize(record.size() + 2 * bytes_.size());
    char* at = bytes_.data() + used_;
    std::memcpy(at, record.data(), record.size());
    if (record.size() >= 4)
        WriteU32(at, recordNumber);
    used_ += record.size();
    ++records_;
}

std::optional<LogRecord> MessageQueryResult::ReadNext() {
    while (used_ - readPos_ >= kLogRecordHeaderSize) {
        const char* at = bytes_.data() + readPos_;
        const std::uint32_t length = ReadU32(at + kLogRecordLengthOffset);
        if (length < kLogRecordHeaderSize || length > used_ - readPos_) {
            // Without a trustworthy length there is no next record to find.
            readPos_ = used_;
            return std::nullopt;
        }
        readPos_ += length;
        if (auto record = DecodeLogRecord({at, length}))
            return record;
    }
    return std::nullopt;
}

std::string MessageQueryResult::ReadAllTexts() {
    std::string texts;
    while (auto record = ReadNext())
        texts += record->text;
    return texts;
}
