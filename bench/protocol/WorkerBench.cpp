// Round trips over loopback against a minimal in-process peer, through the
// queue and the worker, and the same exchange made directly on a socket: the
// difference of the medians is what the queue and the worker add.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "protocol/QORCoder.h"
#include "protocol/RecordSetWriter.h"
#include "protocol/SockThread.h"
#include "tests/protocol/TestPeer.h"

namespace {

const std::string kText = "tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=13&fromid=7";

PeerAction Answer(const PeerRequest& r) {
    if (r.probe)
        return PeerAction::ProbeOk();
    static const std::vector<uint8_t> reply =
        EncodeTextRecordSet("getinfoIM", {"msgid", "msgcontent"}, {{"1", "hello"}});
    return PeerAction::Reply(reply);
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class Waiter : public IThreadReturn {
public:
    void OnThreadReturn(RequestResult&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    void WaitFor(uint64_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return count_ >= n; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t count_ = 0;
};

void BM_WorkerRoundTrip(benchmark::State& state) {
    const bool binary = state.range(0) != 0;
    TestPeer peer(binary, Answer);
    RequestQueue queue;
    Waiter waiter;
    auto worker = std::make_shared<SXSockThread>(queue);
    worker->LoadSettings(MakeServerSettings("127.0.0.1", peer.Port(), peer.Port(), binary ? 2 : 0),
                         "", "", "", "");
    worker->SetServiceReceiver(&waiter);
    WorkerHost host;
    host.Start(worker);
    std::vector<double> micros;
    uint64_t done = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QueueServiceCall(kText, "S", queue);
        waiter.WaitFor(++done);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    host.Stop();
    state.counters["median_us"] = Median(micros);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WorkerRoundTrip)->Arg(0)->Arg(1)->UseRealTime()->MinTime(1.0);

// The same request and reply bytes on a plain socket, with no queue or worker.
void BM_DirectRoundTrip(benchmark::State& state) {
    const bool binary = state.range(0) != 0;
    TestPeer peer(binary, Answer);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(peer.Port()));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    PackageCounter counter;
    ConnectionContext ctx;
    ctx.counter = &counter;
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::string text = kText;
        AppendCommonParameters(text, false, false, "S", ctx);
        std::vector<uint8_t> out;
        if (binary) {
            out = BuildRequestPacket(text);
        } else {
            FrameHttpPost(text);
            out.assign(text.begin(), text.end());
        }
        send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        std::string http;
        PacketParser parser;
        uint8_t buf[1024];
        for (;;) {
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                state.SkipWithError("peer closed");
                break;
            }
            if (binary) {
                if (parser.FeedPacket(buf, static_cast<size_t>(n)) == kFeedComplete) {
                    benchmark::DoNotOptimize(DecodeRecordSets(parser.Body(), parser.BodySize()));
                    break;
                }
            } else {
                http.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
                if (SplitHttpReply(http) == kHttpComplete) {
                    benchmark::DoNotOptimize(DecodeRecordSets(
                        reinterpret_cast<const uint8_t*>(http.data()), http.size()));
                    break;
                }
            }
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    close(fd);
    state.counters["median_us"] = Median(micros);
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DirectRoundTrip)->Arg(0)->Arg(1)->UseRealTime()->MinTime(1.0);

// What a login costs the thread that starts its worker while the previous worker is stuck in
// a host-name lookup that nothing interrupts: the time of WorkerHost::Start alone. The target
// is that it never waits for the old worker (well under a millisecond, not the lookup's time).
void BM_StartWhileTheOldWorkerIsInALookup(benchmark::State& state) {
    RequestQueue queue;
    WorkerHost host;
    std::vector<double> micros;
    for (auto _ : state) {
        state.PauseTiming();
        auto gate = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
        auto released = std::make_shared<bool>(false);
        auto entered = std::make_shared<bool>(false);
        auto stuck = std::make_shared<SXSockThread>(queue);
        ServerSettings s = MakeServerSettings("service.invalid", 1, 1, 0);
        s.resolve = [gate, released, entered](const std::string&, uint32_t*) {
            std::unique_lock<std::mutex> lock(gate->first);
            *entered = true;
            gate->second.notify_all();
            gate->second.wait(lock, [&] { return *released; });
            return false;
        };
        stuck->LoadSettings(s, "", "", "", "");
        host.Start(stuck);
        {
            std::unique_lock<std::mutex> lock(gate->first);
            gate->second.wait(lock, [&] { return *entered; });
        }
        auto next = std::make_shared<SXSockThread>(queue);
        next->LoadSettings(MakeServerSettings("", 1, 1, 0), "", "", "", "");
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        host.Start(next);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());

        state.PauseTiming();
        {
            std::lock_guard<std::mutex> lock(gate->first);
            *released = true;
        }
        gate->second.notify_all();
        state.ResumeTiming();
    }
    host.Stop();
    state.counters["median_us"] = Median(micros);
    state.counters["max_us"] = micros.empty() ? 0 : *std::max_element(micros.begin(), micros.end());
}
BENCHMARK(BM_StartWhileTheOldWorkerIsInALookup)->UseRealTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
