// What a repaint costs on the Qt backend: the core's picture of a dialog made and handed
// to Qt, a whole window painted by Qt, and text rasterised into a picture. The notifier's
// pop-ups repaint on every slide step, so these bound how smooth a slide can be.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QWidget>
#include <filesystem>

#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtText.h"
#include "tests/platform/TestResources.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

struct Session {
    Session() : env("offscreen") {
        dir =
            std::filesystem::temp_directory_path() / ("vq-qt-bench-" + std::to_string(::getpid()));
        vqtest::MakeTestResources(dir);
        fw::InitWithBackend(qttest::MakeBackend(), dir.string());
        dialog.Create(9001);
        dialog.SetDlgItemText(11, vq::Gbk("张三"));
        dialog.ShowWindow(fw::SW_SHOW);
    }
    ~Session() {
        dialog.DestroyWindow();
        fw::Shutdown();
        std::filesystem::remove_all(dir);
    }
    qttest::Environment env;
    std::filesystem::path dir;
    fw::Dialog dialog;
};

Session& Get() {
    static Session s;
    return s;
}

void BM_DialogPicture(benchmark::State& state) {
    Session& s = Get();
    auto* qt = static_cast<fw::qt::QtBackend*>(fw::GetBackend());
    for (auto _ : state) {
        benchmark::DoNotOptimize(qt->Render(s.dialog.GetSafeHwnd()));
    }
}
BENCHMARK(BM_DialogPicture)->Unit(benchmark::kMicrosecond);

void BM_DialogRepaint(benchmark::State& state) {
    Session& s = Get();
    auto* top = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(s.dialog.GetSafeHwnd()));
    for (auto _ : state) {
        s.dialog.Invalidate();
        benchmark::DoNotOptimize(top->grab());
    }
}
BENCHMARK(BM_DialogRepaint)->Unit(benchmark::kMicrosecond);

void BM_PopupText(benchmark::State& state) {
    Get();
    fw::Bitmap picture(285, 170, fw::RGB(255, 255, 255));
    fw::TextRecord t;
    t.text = vq::Gbk("您有新的消息，请注意查收！最新研究报告已经发布，请点击查看详细内容。");
    t.rect = fw::Rect{10, 30, 275, 130};
    t.font = fw::Font::FromPoints("Impact", 9);
    t.format = fw::DT_WORDBREAK | fw::DT_VCENTER;
    t.bkMode = fw::TRANSPARENT;
    for (auto _ : state) {
        fw::qt::RenderText(picture, fw::Rect{0, 0, 285, 170}, t);
    }
}
BENCHMARK(BM_PopupText)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
