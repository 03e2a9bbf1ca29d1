// Conversion throughput for page-sized texts, the cost of one literal, and one
// profile read of a typical config.ini.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/core/Profile.h"
#include "platform/core/Text.h"

namespace {

// About 1 MiB of GBK: Chinese text with ASCII markup, as in a page document.
std::string BigGbk() {
    std::string s;
    while (s.size() < (1u << 20)) {
        s += "{\"title\":\"\xCC\xE1\xCA\xBE\xB5\xC7\xC2\xBC\xCA\xA7\xB0\xDC\",\"id\":12345},";
    }
    return s;
}

void BM_GbkToUtf8(benchmark::State& state) {
    const std::string gbk = BigGbk();
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::GbkToUtf8(gbk));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(BM_GbkToUtf8);

void BM_GbkToUtf16(benchmark::State& state) {
    const std::string gbk = BigGbk();
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::GbkToUtf16(gbk));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gbk.size()));
}
BENCHMARK(BM_GbkToUtf16);

void BM_Utf16ToGbk(benchmark::State& state) {
    const std::u16string u = vq::GbkToUtf16(BigGbk());
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::Utf16ToGbk(u));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * u.size() * 2));
}
BENCHMARK(BM_Utf16ToGbk);

void BM_InvalidGbkToUtf8(benchmark::State& state) {
    const std::string bad(1u << 16, '\xFF');
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::GbkToUtf8(bad));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bad.size()));
}
BENCHMARK(BM_InvalidGbkToUtf8);

void BM_Literal(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::Gbk("提示"));
}
BENCHMARK(BM_Literal);

void BM_ProfileRead(benchmark::State& state) {
    char dir[] = "/tmp/vqbench.XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(dir) + "/config.ini";
    std::ofstream(path, std::ios::binary)
        << "[INFOR]\r\nNAME=config\r\n\r\n[VERSION]\r\nNAME=3.0\r\n\r\n[NET]\r\nIP=192.168.1.5\r\n"
           "HTTPPORT=80\r\nTCPORT=8000\r\nUSE=2\r\n\r\n[URL]\r\nCOMMON=a=1&b=2\r\n\r\n[Manager]\r\n"
           "IsRemFlag=1\r\nUserName=ab\r\nUserPassword=pw\r\n";
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            vq::GetPrivateProfileString("Manager", "UserPassword", "", 200, path));
    }
    ::unlink(path.c_str());
    ::rmdir(dir);
}
BENCHMARK(BM_ProfileRead);

}  // namespace

BENCHMARK_MAIN();
