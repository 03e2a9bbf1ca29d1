// Speed of the work a skinned window repeats: cutting the corners of a full-size frame
// background, composing a drawn button's picture, and loading the standard skin.

#include <benchmark/benchmark.h>

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "skin/CutCornerRegion.h"
#include "skin/ImageList.h"
#include "skin/Skin.h"

namespace {

std::string SourceDir() {
    const char* dir = std::getenv("VQ_SOURCE_DIR");
    return dir != nullptr ? dir : ".";
}

void BM_CornerRegionFullFrame(benchmark::State& state) {
    fw::Canvas bg(1005, 728, fw::RGB(20, 40, 64));
    for (int i = 0; i < 6; ++i) {
        bg.SetPixel(i, 0, fw::RGB(255, 0, 255));
        bg.SetPixel(1004 - i, 727, fw::RGB(255, 0, 255));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(CornerRegion(1005, 728, bg));
    }
}
BENCHMARK(BM_CornerRegionFullFrame);

void BM_ImageListDrawEmoticon(benchmark::State& state) {
    CImageList list;
    list.Create(20, 20, CImageList::ILC_COLOR8 | CImageList::ILC_MASK, 50, 50);
    fw::Bitmap strip(1000, 20, fw::RGB(0, 128, 128));
    for (int x = 0; x < 1000; x += 3) strip.SetPixel(x, 10, fw::RGB(200, 150, 30));
    list.Add(strip, fw::RGB(0, 128, 128));
    fw::Canvas canvas(20, 20);
    int i = 0;
    for (auto _ : state) {
        list.Draw(canvas, i++ % 50, {0, 0});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ImageListDrawEmoticon);

void BM_LoadStandardSkin(benchmark::State& state) {
    static const bool started =
        fw::InitWithBackend(fw::headless::CreateBackend(), SourceDir() + "/res");
    if (!started) {
        state.SkipWithError("framework did not start");
        return;
    }
    CSkin skin;
    for (auto _ : state) {
        skin.LoadSkin(SourceDir() + "/res", vq::Gbk("标准风格"));
        benchmark::DoNotOptimize(skin.m_imgEmotion.GetImageCount());
    }
}
BENCHMARK(BM_LoadStandardSkin)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
