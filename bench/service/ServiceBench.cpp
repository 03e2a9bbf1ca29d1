// Requests per second of the reference service over loopback for the client's
// everyday mix (home page, a list, an article, the chat poll), with 1 and 8
// clients at once, in both transport modes.

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>

#include "service/DemoData.h"
#include "tests/service/ServiceHarness.h"

namespace {

using vqsvc::test::Call;
using vqsvc::test::ServiceHarness;
using vqsvc::test::TestClient;

ServiceHarness& Service() {
    static ServiceHarness service;
    return service;
}

const char* const kUsers[][2] = {{"demo", "demo123"},       {"liting", "liting123"},
                                 {"zhaolei", "zhaolei123"}, {"zhangwei", "zhangwei123"},
                                 {"liuyang", "liuyang123"}, {"chenjing", "chenjing123"},
                                 {"yangfan", "yangfan123"}, {"huanglei", "huanglei123"}};

void BM_ClientMix(benchmark::State& state) {
    bool http = state.range(0) != 0;
    ServiceHarness& service = Service();
    TestClient client(service.Port(http), http);
    const auto* user = kUsers[state.thread_index() % 8];
    if (!client.Login(user[0], user[1], service.PublicKeyPath())) {
        state.SkipWithError("login failed");
        return;
    }
    const std::string mix[] = {Call(2, "&virid=1"), Call(34, "&virid=1&menuid=4"),
                               Call(12, "&newid=42"), Call(13, "&fromid=1")};
    int64_t requests = 0;
    for (auto _ : state) {
        for (const std::string& text : mix) {
            auto reply = client.Call(text);
            if (reply.empty()) {
                state.SkipWithError("no reply");
                return;
            }
            benchmark::DoNotOptimize(reply);
            ++requests;
        }
    }
    state.SetItemsProcessed(requests);
    state.SetLabel(http ? "http" : "binary");
}
BENCHMARK(BM_ClientMix)->Arg(1)->Arg(0)->Threads(1)->Threads(8)->UseRealTime()->MinTime(2.0);

// The handler alone, without sockets: what one request costs inside the service.
void BM_HandlerHomePage(benchmark::State& state) {
    vqsvc::test::TempDir dir;
    int64_t now = vqsvc::test::kTestNow;
    vqsvc::ServiceStore store;
    store.Open(dir.path(), [now] { return now; });
    vqsvc::SeedDemoData(store, 7);
    vqsvc::ServiceHandler handler(store, "");
    std::string text = Call(2, "&virid=1&tc_session={" + store.CreateSession(1) + "}");
    for (auto _ : state) {
        auto reply = handler.Handle(text);
        benchmark::DoNotOptimize(reply);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandlerHomePage);

}  // namespace

BENCHMARK_MAIN();
