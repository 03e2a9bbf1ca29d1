#pragma once

// The binary packet of the service protocol: a 96-byte header and a body.
// QORCoder builds packets, PacketParser reassembles them from a byte stream,
// QORCoderImp wraps zlib.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Field offsets of the 96-byte packet header.
namespace PacketHeader {
inline constexpr size_t kMarker = 0;  // five 0xFF bytes
inline constexpr size_t kMagic = 5;   // "QOR "
inline constexpr size_t kVersion = 9;
inline constexpr size_t kLength = 17;  // bytes from offset 37 to the end: 59 + body
inline constexpr size_t kKind = 37;
inline constexpr size_t kService = 39;
inline constexpr size_t kCompress = 43;
inline constexpr size_t kSession = 46;  // 32 bytes
inline constexpr size_t kMainFunction = 78;
inline constexpr size_t kSubFunction = 80;
inline constexpr size_t kFlag = 82;
inline constexpr size_t kBodyLength = 90;
inline constexpr size_t kChecksum = 94;
inline constexpr size_t kSize = 96;
inline constexpr size_t kLengthBase = 37;     // the length field counts from here
inline constexpr uint32_t kLengthExtra = 59;  // header bytes counted by the length field
inline constexpr uint16_t kVersionValue = 290;
inline constexpr uint16_t kKindRequest = 18;
inline constexpr uint16_t kKindProbe = 1;
inline constexpr uint8_t kCompressMarker = 18;
inline constexpr size_t kSessionBytes = 28;
inline constexpr size_t kSessionBlock = 32;
}  // namespace PacketHeader

// Packets declaring more than this are malformed, so a peer cannot make the
// receiver hold more memory than this.
inline constexpr uint32_t kMaxPacketLength = 64u * 1024 * 1024;

// Sum of the body's little-endian 16-bit words with wrap-around; an odd last
// byte counts as the high half of a word.
uint16_t PacketChecksum(const uint8_t* body, size_t size);

class QORCoder {
public:
    QORCoder();

    // Builds header and body into the coder's buffer. `sessionHex` is the
    // 56-digit hexadecimal session value; any other text leaves the block zero.
    // Main and sub function numbers are set afterwards with SetFunctionNumbers.
    void BuildPacket(std::string_view sessionHex, uint32_t bodyLength, uint16_t kind,
                     uint16_t service, const uint8_t* body, bool compress, bool flag);
    // Writes main and sub function numbers at offsets 78 and 80.
    void SetFunctionNumbers(uint16_t mainFunction, uint16_t subFunction);

    const std::vector<uint8_t>& Packet() const { return packet_; }

private:
    std::vector<uint8_t> packet_;
};

// The probe sent before a login in binary mode: kind 1, all numbers 0, a body
// of "s" in a 16-byte field and "s" in a 32-byte field.
std::vector<uint8_t> BuildProbePacket();
// True when `data` holds a packet whose body begins "OK" and NUL (offset 96).
bool IsProbeReply(const uint8_t* data, size_t size);
// A whole request packet for a final parameter text: kind 18, the text and its
// NUL as body, the function numbers read from the text.
std::vector<uint8_t> BuildRequestPacket(std::string_view text);

enum FeedResult : int {
    kFeedComplete = 0,
    kFeedMore = 1,
    kFeedBadMagic = 2,
    kFeedBadVersion = 3,
    kFeedBadLength = 4,  // length below 59, above the bound, or not matching the body length
    kFeedBadChecksum = 6,
};

// Incremental packet reassembly. Feed bytes as they arrive; after a result
// other than 0 and 1 call FeedPacket again with no bytes to resynchronise on
// the next marker within what is already buffered.
class PacketParser {
public:
    // Appends `size` bytes and parses as far as they allow (FeedResult).
    int FeedPacket(const uint8_t* data, size_t size);

    // After a result of 0, until the next FeedPacket: the whole packet and its body.
    const uint8_t* Packet() const { return buffer_.data() + start_; }
    size_t PacketSize() const { return PacketHeader::kLengthBase + length_; }
    const uint8_t* Body() const { return buffer_.data() + start_ + PacketHeader::kSize; }
    size_t BodySize() const {
        return length_ < PacketHeader::kLengthExtra ? 0 : length_ - PacketHeader::kLengthExtra;
    }

    size_t Buffered() const { return buffer_.size(); }
    void Reset();

private:
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t start_ = 0;
    uint32_t length_ = 0;
    int state_ = 0;
};

// zlib helpers; no request or reply path uses them.
class QORCoderImp {
public:
    // Compresses `*length` bytes into `dest`, whose capacity is taken equal to
    // the source length; `*length` becomes the compressed length.
    bool Compress(const uint8_t* source, size_t* length, uint8_t* dest);
    // `*destLength` holds the capacity on entry and the produced length on return.
    bool Uncompress(uint8_t* dest, size_t* destLength, const uint8_t* source, size_t sourceLength);
};
