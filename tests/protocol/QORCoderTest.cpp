#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "protocol/QORCoder.h"
#include "tests/protocol/TestBytes.h"

using namespace testbytes;

namespace {

// The probe, from the header table: kind 1, length 59 + 48 = 0x6b, body length
// 0x30, checksum 0x73 + 0x73 = 0xe6, body "s" in 16 bytes then "s" in 32.
const char kProbeHex[] =
    "ff ff ff ff ff 51 4f 52 20 22 01 00 00 00 00 00 00"
    "6b 00 00 00 00000000000000000000000000000000"
    "01 00 00 00 00 00 00 00 00"
    "00000000000000000000000000000000 00000000000000000000000000000000"
    "00 00 00 00 00 00000000000000 30 00 00 00 e6 00"
    "73 000000000000000000000000000000"
    "73 00000000000000000000000000000000000000000000000000000000000000";

const char kRequestText[] = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=41&name=x";

// The request for kRequestText: kind 18, service 300 (0x012c), main 600
// (0x0258), sub 41 (0x29), length 59 + 51 = 0x6e, odd body with its NUL.
Bytes RequestPacket() {
    Bytes p = FromHex(
        "ff ff ff ff ff 51 4f 52 20 22 01 00 00 00 00 00 00"
        "6e 00 00 00 00000000000000000000000000000000"
        "12 00 2c 01 00 00 00 00 00"
        "00000000000000000000000000000000 00000000000000000000000000000000"
        "58 02 29 00 00 00000000000000 33 00 00 00 9c bd");
    p.insert(p.end(), kRequestText, kRequestText + sizeof kRequestText);  // with the NUL
    return p;
}

std::vector<int> FeedAll(PacketParser& parser, const Bytes& data, size_t chunk) {
    std::vector<int> results;
    for (size_t at = 0; at < data.size(); at += chunk) {
        int r = parser.FeedPacket(data.data() + at, std::min(chunk, data.size() - at));
        while (r != kFeedMore) {
            results.push_back(r);
            r = parser.FeedPacket(nullptr, 0);
        }
    }
    return results;
}

}  // namespace

TEST(PacketChecksum, WordsAndOddTail) {
    EXPECT_EQ(PacketChecksum(nullptr, 0), 0);
    const Bytes even = FromHex("01 02 03 04");
    EXPECT_EQ(PacketChecksum(even.data(), even.size()), 0x0201 + 0x0403);
    const Bytes odd = FromHex("01 02 05");
    EXPECT_EQ(PacketChecksum(odd.data(), odd.size()), 0x0201 + 0x0500);
    const Bytes wrap = FromHex("ff ff 02 00");
    EXPECT_EQ(PacketChecksum(wrap.data(), wrap.size()), 0x0001);
}

TEST(QORCoder, ProbeMatchesHandWrittenBytes) {
    EXPECT_EQ(BuildProbePacket(), FromHex(kProbeHex));
}

TEST(QORCoder, RequestMatchesHandWrittenBytes) {
    EXPECT_EQ(BuildRequestPacket(kRequestText), RequestPacket());
}

TEST(QORCoder, OptionalFieldsLandAtTheirOffsets) {
    QORCoder coder;
    const std::string session(56, 'a');  // 28 bytes of 0xaa
    const uint8_t body[2] = {9, 8};
    coder.BuildPacket(session, 2, 18, 7, body, true, true);
    const Bytes& p = coder.Packet();
    ASSERT_EQ(p.size(), 98u);
    EXPECT_EQ(p[43], 18);
    EXPECT_EQ(p[82], 1);
    EXPECT_EQ(p[46], 0xaa);
    EXPECT_EQ(p[46 + 27], 0xaa);
    EXPECT_EQ(p[46 + 28], 0);
    // A session text that is not 56 hex digits leaves the block zero.
    coder.BuildPacket("abcd", 2, 18, 7, body, false, false);
    EXPECT_TRUE(std::all_of(coder.Packet().begin() + 46, coder.Packet().begin() + 78,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(coder.Packet()[43], 0);
    EXPECT_EQ(coder.Packet()[82], 0);
}

TEST(PacketParser, WholePacketAndProbeReply) {
    PacketParser parser;
    const Bytes p = RequestPacket();
    ASSERT_EQ(parser.FeedPacket(p.data(), p.size()), kFeedComplete);
    ASSERT_EQ(parser.BodySize(), sizeof kRequestText);
    EXPECT_EQ(std::memcmp(parser.Body(), kRequestText, sizeof kRequestText), 0);
    EXPECT_EQ(parser.PacketSize(), p.size());

    Bytes ok = FromHex(kProbeHex);
    EXPECT_FALSE(IsProbeReply(ok.data(), ok.size()));
    ok[96] = 'O';
    ok[97] = 'K';
    ok[98] = 0;
    EXPECT_TRUE(IsProbeReply(ok.data(), ok.size()));
    EXPECT_FALSE(IsProbeReply(ok.data(), 98));
}

TEST(PacketParser, GarbageBeforeTheMarkerAndChangedBody) {
    const Bytes garbage = FromHex("00 ff ff 41 ff ff ff ff 42");
    PacketParser parser;
    const Bytes stream = Append(garbage, RequestPacket());
    EXPECT_EQ(parser.FeedPacket(stream.data(), stream.size()), kFeedComplete);
    EXPECT_EQ(parser.BodySize(), sizeof kRequestText);

    // A 0xff right before the marker makes the first five-byte run start one
    // byte early: that candidate fails, and the next attempt finds the packet.
    const Bytes sticky = Append(FromHex("42 ff"), RequestPacket());
    PacketParser second;
    EXPECT_EQ(second.FeedPacket(sticky.data(), sticky.size()), kFeedBadMagic);
    EXPECT_EQ(second.FeedPacket(nullptr, 0), kFeedComplete);
    EXPECT_EQ(second.BodySize(), sizeof kRequestText);

    Bytes bad = RequestPacket();
    bad[100] ^= 0x01;
    PacketParser other;
    EXPECT_EQ(other.FeedPacket(bad.data(), bad.size()), kFeedBadChecksum);
}

TEST(PacketParser, WrongMagicVersionAndLengths) {
    auto first = [](Bytes p) {
        PacketParser parser;
        return parser.FeedPacket(p.data(), p.size());
    };
    Bytes p = RequestPacket();
    p[5] = 'X';
    EXPECT_EQ(first(p), kFeedBadMagic);
    p = RequestPacket();
    p[9] = 0x23;
    EXPECT_EQ(first(p), kFeedBadVersion);
    p = RequestPacket();
    p[17] = 58;  // length below the header's 59
    EXPECT_EQ(first(p), kFeedBadLength);
    p = RequestPacket();
    p[90] = 0x32;  // body length disagrees with length - 59
    EXPECT_EQ(first(p), kFeedBadLength);
    p = RequestPacket();
    p[17] = 0x01;
    p[18] = 0x00;
    p[19] = 0x00;
    p[20] = 0x04;  // 64 MiB + 1
    EXPECT_EQ(first(p), kFeedBadLength);
    p[20] = 0xff;
    EXPECT_EQ(first(p), kFeedBadLength);
}

TEST(PacketParser, ResynchronisesAfterAMalformedPacket) {
    Bytes bad = RequestPacket();
    bad[95] ^= 0xff;  // checksum
    Bytes badMagic = RequestPacket();
    badMagic[6] = 'x';
    const Bytes stream = Append(Append(Append(bad, badMagic), RequestPacket()), RequestPacket());
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{1024}, stream.size()}) {
        PacketParser parser;
        const std::vector<int> results = FeedAll(parser, stream, chunk);
        const std::vector<int> expected = {kFeedBadChecksum, kFeedBadMagic, kFeedComplete,
                                           kFeedComplete};
        EXPECT_EQ(results, expected) << "chunk " << chunk;
    }
}

TEST(PacketParser, OneByteAtATimeAndEmptyBody) {
    QORCoder coder;
    coder.BuildPacket({}, 0, 18, 1, nullptr, false, false);
    const Bytes empty = coder.Packet();
    EXPECT_EQ(empty[94], 0);
    EXPECT_EQ(empty[95], 0);
    PacketParser parser;
    for (size_t i = 0; i + 1 < empty.size(); ++i) {
        ASSERT_EQ(parser.FeedPacket(&empty[i], 1), kFeedMore) << i;
    }
    ASSERT_EQ(parser.FeedPacket(&empty.back(), 1), kFeedComplete);
    EXPECT_EQ(parser.BodySize(), 0u);
}

TEST(PacketParser, MemoryStaysBoundedOnGarbage) {
    PacketParser parser;
    std::mt19937 rng(7);
    Bytes noise(4096);
    for (int round = 0; round < 64; ++round) {
        for (auto& b : noise) {
            b = static_cast<uint8_t>(rng() % 255);  // never 0xff: no marker
        }
        EXPECT_EQ(parser.FeedPacket(noise.data(), noise.size()), kFeedMore);
        EXPECT_EQ(parser.Buffered(), 0u);
    }
}

TEST(QORCoderImp, CompressRoundTrip) {
    QORCoderImp imp;
    const std::string text(1000, 'z');
    std::vector<uint8_t> packed(text.size());
    size_t length = text.size();
    ASSERT_TRUE(imp.Compress(Data(text), &length, packed.data()));
    EXPECT_LT(length, 100u);
    EXPECT_EQ(packed[0], 0x78);  // zlib stream header
    std::vector<uint8_t> back(text.size());
    size_t backLength = back.size();
    ASSERT_TRUE(imp.Uncompress(back.data(), &backLength, packed.data(), length));
    EXPECT_EQ(std::string(back.begin(), back.begin() + static_cast<long>(backLength)), text);
    // Random bytes do not fit a destination the size of the source.
    std::vector<uint8_t> random(256);
    std::mt19937 rng(1);
    for (auto& b : random)
        b = static_cast<uint8_t>(rng());
    size_t randomLength = random.size();
    std::vector<uint8_t> small(random.size());
    EXPECT_FALSE(imp.Compress(random.data(), &randomLength, small.data()));
    size_t none = 4;
    EXPECT_FALSE(imp.Uncompress(back.data(), &none, random.data(), random.size()));
}
