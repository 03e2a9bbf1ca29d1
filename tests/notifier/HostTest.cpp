// The program's side: start-up registration from the program's folder and the
// wrapper that embeds the control. The control library is loaded at run time;
// this program exports its framework so that the control's windows are its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ControlRegistration.h"
#include "app/Pallinotectrl1.h"
#include "com/Registry.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"
#include "tests/com/TempRegistry.h"

namespace {

std::string BuiltLibrary() {
    const char* dir = std::getenv("VQ_RUNTIME_DIR");
    if (dir != nullptr && *dir != '\0')
        return std::string(dir) + "/Pallinote.ocx";
    return VQ_PALLINOTE_PATH;
}

// A program folder of its own with a copy of the library.
std::string ProgramDir(const TempRegistry& temp) {
    const std::string dir = temp.Dir() + "/prog/";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(BuiltLibrary(), dir + "Pallinote.ocx");
    return dir;
}

TEST(StartupRegistration, RegistersTheLibraryBesideTheProgram) {
    TempRegistry temp;
    const std::string dir = ProgramDir(temp);
    ASSERT_TRUE(RegisterNotifierControl(dir));
    Registry r;
    ASSERT_EQ(ReadRegistry(r), S_OK);
    const auto path = r.GetValue("CLSID\\{11DC9524-86C3-48A9-BFB8-C0A419BBB9F4}\\InprocServer32");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(std::filesystem::canonical(*path), std::filesystem::canonical(dir + "Pallinote.ocx"));
}

TEST(StartupRegistration, FailuresAreSilent) {
    TempRegistry temp;
    EXPECT_FALSE(RegisterNotifierControl(temp.Dir() + "/nowhere/"));
    // A library whose registration fails (the registry cannot be written) is refused quietly.
    const std::string dir = ProgramDir(temp);
    setenv("VQ_COM_REGISTRY", (dir + "Pallinote.ocx/registry").c_str(), 1);
    EXPECT_FALSE(RegisterNotifierControl(dir));
}

class HostWindow : public fw::Window {
public:
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message == fw::WM_USER + 300) {
            views.emplace_back(reinterpret_cast<const char16_t*>(lParam));
            return 0;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::vector<std::u16string> views;
};

TEST(HostWrapper, EmbedsTheControlAndCallsItByDispatchId) {
    TempRegistry temp;
    ASSERT_TRUE(RegisterNotifierControl(ProgramDir(temp)));
    ASSERT_TRUE(fw::InitWithBackend(fw::headless::CreateBackend(), ""));
    fw::headless::SetScreen({1280, 800}, {0, 0, 1280, 770});
    {
        HostWindow host;
        ASSERT_TRUE(host.CreateEx(0, vq::Gbk("主窗口"), fw::WS_POPUP | fw::WS_VISIBLE,
                                  {0, 0, 1000, 700}, nullptr));
        CPallinotectrl1 ctrl;
        ASSERT_TRUE(ctrl.Create("", fw::WS_VISIBLE, {0, 0, 10, 10}, &host, 1036));
        EXPECT_EQ(host.GetDlgItemHandle(1036), ctrl.ControlHwnd());
        EXPECT_EQ(ctrl.GetPort(), "9999");
        ctrl.SetOverTime("30");
        EXPECT_EQ(ctrl.GetOverTime(), "30");

        const std::size_t before = fw::EnumTopLevelWindows().size();
        ctrl.ShowMessage(vq::Gbk("最新"), vq::Gbk("新文章 [7|打开]"), "http://a/7", "5", "0", "0",
                         0x00FF0000u, "", "", "");
        EXPECT_EQ(fw::EnumTopLevelWindows().size(), before + 1);  // the pop-up

        fw::headless::ClearRecords();
        ctrl.ShowWindow(vq::Gbk("主窗"));
        const auto calls = fw::headless::ForegroundCalls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), host.GetSafeHwnd());
        host.DestroyWindow();
    }
    fw::Shutdown();
}

}  // namespace
