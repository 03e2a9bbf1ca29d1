// The framework's shared backend suite, run against real Qt widgets.

#include "tests/platform/BackendSuite.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

struct QtTraits {
    static std::unique_ptr<fw::Backend> Make() {
        qttest::ResetDriver();
        return qttest::MakeBackend();
    }
    static void LetTimePass(int ms) { qttest::LetTimePass(ms); }
    static void ScriptMessageBoxes(std::vector<int> answers) {
        qttest::ScriptMessageBoxes(std::move(answers));
    }
    static std::vector<vqtest::BoxSeen> MessageBoxesSeen() {
        std::vector<vqtest::BoxSeen> out;
        for (const qttest::BoxRecord& r : qttest::MessageBoxesSeen()) {
            out.push_back({r.text, r.caption, r.flags, r.answer});
        }
        return out;
    }
    static void ScriptMenus(std::vector<fw::UINT> choices) {
        qttest::ScriptMenus(std::move(choices));
    }
    static void SetModalHook(std::function<void(fw::HWND)> hook) {
        qttest::SetModalHook(std::move(hook));
    }
    static void CaptureOpenedUrls(const std::filesystem::path& dir) {
        qttest::CaptureOpenedUrls(dir);
    }
    static std::vector<std::string> UrlsOpened(std::size_t atLeast) {
        return qttest::UrlsOpened(atLeast);
    }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, BackendSuite, ::testing::Types<QtTraits>);
