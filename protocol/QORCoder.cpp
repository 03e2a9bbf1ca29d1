#include "protocol/QORCoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "protocol/ByteOrder.h"
#include "protocol/ServiceRequest.h"

using vqproto::LoadU16;
using vqproto::LoadU32;
using vqproto::StoreU16;
using vqproto::StoreU32;

namespace {

constexpr uint8_t kMarkerBytes[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr uint8_t kMagicBytes[4] = {'Q', 'O', 'R', ' '};
constexpr size_t kReserveAfter = 64 * 1024;

}  // namespace

uint16_t PacketChecksum(const uint8_t* body, size_t size) {
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < size; i += 2) {
        sum += LoadU16(body + i);
    }
    if (i < size) {
        sum += static_cast<uint32_t>(body[i]) << 8;
    }
    return static_cast<uint16_t>(sum);
}

QORCoder::QORCoder() : packet_(PacketHeader::kSize, 0) {
    std::memcpy(packet_.data() + PacketHeader::kMarker, kMarkerBytes, 5);
    std::memcpy(packet_.data() + PacketHeader::kMagic, kMagicBytes, 4);
    StoreU16(packet_.data() + PacketHeader::kVersion, PacketHeader::kVersionValue);
}

void QORCoder::BuildPacket(std::string_view sessionHex, uint32_t bodyLength, uint16_t kind,
                           uint16_t service, const uint8_t* body, bool compress, bool flag) {
    packet_.resize(PacketHeader::kSize);
    uint8_t* h = packet_.data();
    StoreU32(h + PacketHeader::kLength, bodyLength + PacketHeader::kLengthExtra);
    StoreU32(h + 13, 0);
    h[PacketHeader::kCompress] = compress ? PacketHeader::kCompressMarker : 0;
    h[44] = 0;
    h[45] = 0;
    std::memset(h + PacketHeader::kSession, 0, PacketHeader::kSessionBlock);
    if (!sessionHex.empty()) {
        const std::string session = HexDecode(sessionHex);
        if (session.size() == PacketHeader::kSessionBytes) {
            std::memcpy(h + PacketHeader::kSession, session.data(), session.size());
        }
    }
    StoreU16(h + PacketHeader::kKind, kind);
    StoreU16(h + PacketHeader::kService, service);
    StoreU32(h + PacketHeader::kBodyLength, bodyLength);
    h[PacketHeader::kFlag] = flag ? 1 : 0;
    if (bodyLength > 0) {
        packet_.insert(packet_.end(), body, body + bodyLength);
    }
    StoreU16(packet_.data() + PacketHeader::kChecksum,
             PacketChecksum(packet_.data() + PacketHeader::kSize, bodyLength));
}

void QORCoder::SetFunctionNumbers(uint16_t mainFunction, uint16_t subFunction) {
    StoreU16(packet_.data() + PacketHeader::kMainFunction, mainFunction);
    StoreU16(packet_.data() + PacketHeader::kSubFunction, subFunction);
}

std::vector<uint8_t> BuildProbePacket() {
    uint8_t body[48] = {};
    body[0] = 's';
    body[16] = 's';
    QORCoder coder;
    coder.BuildPacket({}, sizeof body, PacketHeader::kKindProbe, 0, body, false, false);
    coder.SetFunctionNumbers(0, 0);
    return coder.Packet();
}

bool IsProbeReply(const uint8_t* data, size_t size) {
    return size >= PacketHeader::kSize + 3 && data[96] == 'O' && data[97] == 'K' && data[98] == 0;
}

std::vector<uint8_t> BuildRequestPacket(std::string_view text) {
    const FunctionNumbers n = ReadFunctionNumbers(text);
    std::vector<uint8_t> body(text.begin(), text.end());
    body.push_back(0);
    QORCoder coder;
    coder.BuildPacket({}, static_cast<uint32_t>(body.size()), PacketHeader::kKindRequest, n.service,
                      body.data(), false, false);
    coder.SetFunctionNumbers(n.mainFunction, n.subFunction);
    return coder.Packet();
}

void PacketParser::Reset() {
    buffer_.clear();
    pos_ = start_ = 0;
    length_ = 0;
    state_ = 0;
}

int PacketParser::FeedPacket(const uint8_t* data, size_t size) {
    // Drop consumed bytes once they are at least half the buffer, so feeding
    // stays linear in the bytes fed.
    const size_t keepFrom = state_ == 0 ? pos_ : start_;
    if (keepFrom > 0 && keepFrom * 2 >= buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
        pos_ -= keepFrom;
        start_ = state_ == 0 ? 0 : start_ - keepFrom;
    }
    if (size > 0) {
        buffer_.insert(buffer_.end(), data, data + size);
    }
    for (;;) {
        switch (state_) {
            case 0: {
                for (;;) {
                    const uint8_t* base = buffer_.data();
                    const void* ff = pos_ < buffer_.size()
                                         ? std::memchr(base + pos_, 0xFF, buffer_.size() - pos_)
                                         : nullptr;
                    if (ff == nullptr) {
                        buffer_.clear();
                        pos_ = 0;
                        return kFeedMore;
                    }
                    const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(ff) - base);
                    if (buffer_.size() - at < 5) {
                        buffer_.erase(buffer_.begin(),
                                      buffer_.begin() + static_cast<std::ptrdiff_t>(at));
                        pos_ = 0;
                        return kFeedMore;
                    }
                    if (std::memcmp(base + at, kMarkerBytes, 5) == 0) {
                        start_ = at;
                        pos_ = at + 5;
                        state_ = 1;
                        break;
                    }
                    pos_ = at + 1;
                }
                break;
            }
            case 1: {
                if (buffer_.size() - start_ < PacketHeader::kLengthBase) {
                    return kFeedMore;
                }
                const uint8_t* p = buffer_.data() + start_;
                // A failed candidate resumes the search one byte on, so a marker
                // that overlaps the failed one is still found.
                state_ = 0;
                pos_ = start_ + 1;
                if (std::memcmp(p + PacketHeader::kMagic, kMagicBytes, 4) != 0) {
                    return kFeedBadMagic;
                }
                if (LoadU16(p + PacketHeader::kVersion) != PacketHeader::kVersionValue) {
                    return kFeedBadVersion;
                }
                length_ = LoadU32(p + PacketHeader::kLength);
                if (length_ < PacketHeader::kLengthExtra || length_ > kMaxPacketLength) {
                    return kFeedBadLength;
                }
                pos_ = start_ + PacketHeader::kLengthBase;
                state_ = 2;
                break;
            }
            case 2: {
                if (buffer_.size() - pos_ < length_) {
                    // Once a large packet is really arriving, make room for all
                    // of it at once; a mere header claiming much gets nothing.
                    if (buffer_.size() - pos_ >= kReserveAfter) {
                        buffer_.reserve(pos_ + length_);
                    }
                    return kFeedMore;
                }
                pos_ += length_;
                state_ = 3;
                break;
            }
            case 3: {
                state_ = 0;
                const uint8_t* p = buffer_.data() + start_;
                if (LoadU32(p + PacketHeader::kBodyLength) !=
                    length_ - PacketHeader::kLengthExtra) {
                    pos_ = start_ + 1;
                    return kFeedBadLength;
                }
                const uint16_t sum = PacketChecksum(p + PacketHeader::kSize, BodySize());
                return sum == LoadU16(p + PacketHeader::kChecksum) ? kFeedComplete
                                                                   : kFeedBadChecksum;
            }
            default:
                state_ = 0;
                break;
        }
    }
}

bool QORCoderImp::Compress(const uint8_t* source, size_t* length, uint8_t* dest) {
    uLongf destLength = static_cast<uLongf>(*length);
    if (compress(dest, &destLength, source, static_cast<uLong>(*length)) != Z_OK) {
        return false;
    }
    *length = destLength;
    return true;
}

bool QORCoderImp::Uncompress(uint8_t* dest, size_t* destLength, const uint8_t* source,
                             size_t sourceLength) {
    uLongf produced = static_cast<uLongf>(*destLength);
    if (uncompress(dest, &produced, source, static_cast<uLong>(sourceLength)) != Z_OK) {
        return false;
    }
    *destLength = produced;
    return true;
}
