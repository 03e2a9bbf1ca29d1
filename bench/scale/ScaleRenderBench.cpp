// The core's picture of a window at scale 1 and 2: the main window (its strip composed off
// screen, seven drawn buttons) and the login dialog (background picture, five drawn
// buttons), with the Qt backend's text renderer on the offscreen platform.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/Framework.h"
#include "platform/Render.h"
#include "platform/Resources.h"
#include "platform/qt/QtRegister.h"
#include "skin/MyDrawBtn.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

std::shared_ptr<const fw::Bitmap> Art(fw::UINT id) {
    return fw::Resources::Global().LoadBitmap(id);
}

class Skinned : public fw::Dialog {
public:
    Skinned(fw::UINT id, fw::UINT background, std::map<fw::UINT, fw::UINT> buttons)
        : fw::Dialog(id), background_(background), art_(std::move(buttons)) {}
    bool OnInitDialog() override {
        for (const auto& [id, bitmap] : art_) {
            auto btn = std::make_unique<CMyDrawBtn>();
            if (btn->SubclassDlgItem(id, this)) {
                btn->SetBitmaps(bitmap, bitmap, bitmap, bitmap);
                buttons_.push_back(std::move(btn));
            }
        }
        return true;
    }
    bool OnEraseBkgnd(fw::Canvas& dc) override {
        if (background_ != 0) {
            if (auto bg = Art(background_)) {
                dc.DrawBitmap(0, 0, *bg);
            }
            return true;
        }
        fw::Canvas off = dc.Compatible(dc.Width(), dc.Height());
        auto left = Art(175), mid = Art(170), right = Art(168);
        if (left && mid && right) {
            off.DrawBitmap(0, 0, *left);
            off.StretchBlt(fw::Rect{left->Width(), 0, off.Width() - right->Width(), mid->Height()},
                           *mid, fw::Rect{0, 0, mid->Width(), mid->Height()});
            off.DrawBitmap(off.Width() - right->Width(), 0, *right);
        }
        dc.BitBlt(0, 0, dc.Width(), dc.Height(), off, 0, 0);
        return true;
    }

private:
    fw::UINT background_;
    std::map<fw::UINT, fw::UINT> art_;
    std::vector<std::unique_ptr<CMyDrawBtn>> buttons_;
};

struct Session {
    Session() : env("offscreen") {
        fw::InitWithBackend(fw::qt::CreateBackend(), VQ_RES_SOURCE_DIR);
        main.Create();
        main.ShowWindow(fw::SW_SHOW);
        login.Create();
        login.ShowWindow(fw::SW_SHOW);
    }
    ~Session() {
        main.DestroyWindow();
        login.DestroyWindow();
        fw::Shutdown();
    }
    qttest::Environment env;
    Skinned main{102, 0, {{1006, 160}, {1007, 151}, {1008, 154}, {1010, 163}, {1011, 157}}};
    Skinned login{129, 130, {{1, 146}, {1014, 187}, {1011, 177}, {1004, 140}, {1005, 141}}};
};

Session& Get() {
    static Session s;
    return s;
}

void Render(benchmark::State& state, fw::Window& w) {
    const int scale = int(state.range(0));
    std::vector<fw::TextRecord> texts;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fw::RenderWindowAtScale(w.GetSafeHwnd(), scale, texts));
    }
    const fw::Rect r = w.GetClientRect();
    state.counters["Mpx"] = benchmark::Counter(
        double(r.Width()) * r.Height() * scale * scale * double(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void BM_MainWindow(benchmark::State& state) {
    Render(state, Get().main);
}
BENCHMARK(BM_MainWindow)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_LoginDialog(benchmark::State& state) {
    Render(state, Get().login);
}
BENCHMARK(BM_LoginDialog)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
