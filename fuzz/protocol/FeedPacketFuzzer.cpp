// Feeds arbitrary bytes to the packet parser in chunk sizes taken from the
// input, then decodes every complete body.

#include <cstddef>
#include <cstdint>

#include "protocol/QORCoder.h"
#include "protocol/RecordSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    uint32_t seed = data[0] | 1u;
    ++data;
    --size;
    PacketParser parser;
    size_t at = 0;
    size_t packets = 0;
    while (at < size) {
        seed = seed * 1103515245u + 12345u;
        const size_t chunk = std::min<size_t>(1 + (seed >> 16) % 300, size - at);
        int r = parser.FeedPacket(data + at, chunk);
        at += chunk;
        while (r != kFeedMore) {
            if (r == kFeedComplete) {
                const uint8_t* packet = parser.Packet();
                const uint8_t* body = parser.Body();
                // Touch the first and last byte of what the parser claims to hold.
                packets += packet[0] + packet[parser.PacketSize() - 1];
                if (parser.BodySize() > 0) {
                    packets += body[0] + body[parser.BodySize() - 1];
                }
                packets += DecodeRecordSets(body, parser.BodySize()).size();
            }
            r = parser.FeedPacket(nullptr, 0);
        }
    }
    return packets == 0xFFFFFFFF ? 1 : 0;
}
