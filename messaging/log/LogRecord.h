#pragma once
// One record of the message log as it lies in "msgDBlog.dat", and the buffer a history
// query fills. Everything here is plain bytes: no database, no windows.
//
// Record layout (little-endian):
//   0  4  record number slot (0 when written; a query puts the record's key here)
//   4  1  direction: 1 sent by the user, 0 received
//   5  3  reserved (0)
//   8  8  time of writing, seconds since 1970-01-01 UTC, signed
//  16  4  total record length, header included
//  20  4  reserved (0)
//  24  from id NUL, empty string NUL, to id NUL, empty string NUL, text NUL
// so a record is 29 bytes longer than its three texts together.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kLogRecordHeaderSize = 24;
inline constexpr std::size_t kLogRecordLengthOffset = 16;
inline constexpr std::size_t kLogRecordOverhead = 29;

inline constexpr std::uint8_t kLogDirectionReceived = 0;
inline constexpr std::uint8_t kLogDirectionSent = 1;

struct LogRecord {
    std::uint32_t recordNumber = 0;
    std::uint8_t direction = 0;
    std::int64_t time = 0;
    std::string fromId;
    std::string toId;
    std::string text;
};

// The bytes of a new record, record number slot 0. A text is cut at its first NUL, which
// the layout could not hold. Empty when the record would not fit its 32-bit length field.
std::string EncodeLogRecord(std::uint8_t direction, std::int64_t time, std::string_view fromId,
                            std::string_view toId, std::string_view text);

// Exactly one record: `bytes` must be as long as its length field says and hold its five
// strings inside that length. Anything else is corrupt and gives nothing.
std::optional<LogRecord> DecodeLogRecord(std::string_view bytes);

// Whether a record belongs to the conversation a query asks for. Each pattern is a whole
// user id that must be the record's from id or its to id; an empty pattern matches any
// record. Whole ids, so the contact "12" never sees the records of the contact "123".
bool MatchesConversation(const LogRecord& record, std::string_view pattern1,
                         std::string_view pattern2);

// The result of a history query: whole records one after the other, newest first, and a
// read position. The capacity starts at 64 bytes and, when a record does not fit, becomes
// the record's length plus twice the old capacity.
class MessageQueryResult {
public:
    static constexpr std::size_t kInitialCapacity = 64;

    MessageQueryResult() : bytes_(kInitialCapacity) {}
    // A buffer holding `bytes` as they stand, read position 0 (the reader's fuzz target and
    // tests hand in whatever bytes they like).
    static MessageQueryResult FromBytes(std::string_view bytes);

    // Appends a whole record and writes `recordNumber` into its slot.
    void AppendRecord(std::string_view record, std::uint32_t recordNumber);

    // The record at the read position, advancing past it. Records that do not decode are
    // passed over; when fewer than 24 bytes remain, or a length field points outside the
    // buffer or inside its own header, reading ends. Never reads outside the used bytes.
    std::optional<LogRecord> ReadNext();
    // The texts of all records from the read position on, in buffer order, concatenated.
    std::string ReadAllTexts();

    std::size_t Capacity() const { return bytes_.size(); }
    std::size_t Size() const { return used_; }
    std::size_t ReadPosition() const { return readPos_; }
    std::string_view Bytes() const { return {bytes_.data(), used_}; }
    // Records taken by the query that filled it.
    std::size_t RecordCount() const { return records_; }

private:
    std::vector<char> bytes_;
    std::size_t used_ = 0;
    std::size_t readPos_ = 0;
    std::size_t records_ = 0;
};
