// Decoding and reassembly speed, each beside memcpy of the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/QORCoder.h"
#include "protocol/RecordSet.h"
#include "protocol/RecordSetWriter.h"

namespace {

// About 1 MiB: 10 000 rows of 8 mixed columns.
const std::vector<uint8_t>& Reply() {
    static const std::vector<uint8_t> body = [] {
        RecordSetWriter w("getmorenews");
        w.AddColumn("PRD_NEWS_ID", kTypeInt32);
        w.AddColumn("PRD_NEWS_TITLE", kTypeText);
        w.AddColumn("score", kTypeDouble);
        w.AddColumn("rank", kTypeInt16);
        w.AddColumn("read", kTypeBool);
        w.AddColumn("INSERTDATE", kTypeText);
        w.AddColumn("ratio", kTypeFloat);
        w.AddColumn("menu", kTypeInt32c);
        for (int i = 0; i < 10000; ++i) {
            w.AddRow();
            w.SetInt(0, 100000 + i);
            w.SetText(1, "\xd6\xd0\xce\xc4 research note title number " + std::to_string(i) +
                             " on the branch's daily market view");
            w.SetDouble(2, i * 1.25);
            w.SetInt(3, i % 300);
            w.SetBool(4, i % 2 == 0);
            w.SetText(5, "2026-12-08 09:30:00.000000000");
            w.SetFloat(6, static_cast<float>(i) / 7.0f);
            w.SetInt(7, i % 40);
        }
        return w.Finish();
    }();
    return body;
}

void BM_MemcpyReply(benchmark::State& state) {
    const auto& body = Reply();
    std::vector<uint8_t> copy(body.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), body.data(), body.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_MemcpyReply);

void BM_DecodeReply(benchmark::State& state) {
    const auto& body = Reply();
    for (auto _ : state) {
        RecordSetList sets = DecodeRecordSets(body.data(), body.size());
        benchmark::DoNotOptimize(sets.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeReply);

void BM_DecodeAndReadEveryCell(benchmark::State& state) {
    const auto& body = Reply();
    for (auto _ : state) {
        RecordSetList sets = DecodeRecordSets(body.data(), body.size());
        size_t total = 0;
        RecordSet& rs = *sets[0];
        if (rs.MoveFirst()) {
            do {
                for (int c = 0; c < rs.ColumnCount(); ++c) {
                    total += rs.GetText(c).size();
                }
            } while (rs.MoveNext());
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeAndReadEveryCell);

std::vector<uint8_t> Packet(size_t bodyBytes) {
    std::vector<uint8_t> body(bodyBytes);
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<uint8_t>(i * 31);  // includes 0xff bytes
    }
    QORCoder coder;
    coder.BuildPacket({}, static_cast<uint32_t>(body.size()), 18, 300, body.data(), false, false);
    return coder.Packet();
}

void BM_MemcpyPacket(benchmark::State& state) {
    const std::vector<uint8_t> packet = Packet(static_cast<size_t>(state.range(0)));
    std::vector<uint8_t> copy(packet.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), packet.data(), packet.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_MemcpyPacket)->RangeMultiplier(4)->Range(16 << 10, 4 << 20);

// Linear in the packet size: the bytes per second stay flat across sizes.
void BM_FeedPacket1KiBChunks(benchmark::State& state) {
    const std::vector<uint8_t> packet = Packet(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        PacketParser parser;
        int r = kFeedMore;
        for (size_t at = 0; at < packet.size(); at += 1024) {
            r = parser.FeedPacket(packet.data() + at, std::min<size_t>(1024, packet.size() - at));
        }
        if (r != kFeedComplete) {
            state.SkipWithError("packet not complete");
            break;
        }
        benchmark::DoNotOptimize(parser.Body());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_FeedPacket1KiBChunks)->RangeMultiplier(4)->Range(16 << 10, 4 << 20);

}  // namespace

BENCHMARK_MAIN();
