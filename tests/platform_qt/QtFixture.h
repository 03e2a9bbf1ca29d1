#pragma once
// A framework started on the Qt backend for each test, with the hand-written resources of
// the framework tests, and a dialog that writes down what reaches it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Window.h"
#include "platform/core/Text.h"
#include "tests/platform/TestResources.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace qttest {

inline std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

class Recorder : public fw::Dialog {
public:
    using fw::Dialog::Dialog;
    bool OnCommand(fw::UINT id, fw::UINT code, fw::HWND) override {
        commands.emplace_back(id, code);
        if (onCommand) {
            onCommand(id, code);
        }
        return id != fw::UINT(fw::IDOK) && id != fw::UINT(fw::IDCANCEL);
    }
    void OnTimer(fw::UINT id) override { timers.push_back(id); }
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message >= fw::WM_USER) {
            user.push_back(message);
            userParams.emplace_back(wParam, lParam);
            return 1;
        }
        if (onMessage) {
            onMessage(message, lParam);
        }
        return fw::Dialog::WindowProc(message, wParam, lParam);
    }
    bool OnEraseBkgnd(fw::Canvas& canvas) override {
        if (background != 0xFFFFFFFFu) {
            canvas.FillSolidRect(canvas.ClientRect(), background);
            return true;
        }
        return fw::Dialog::OnEraseBkgnd(canvas);
    }
    int Count(fw::UINT id, fw::UINT code) const {
        return int(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }

    std::vector<std::pair<fw::UINT, fw::UINT>> commands;
    std::vector<fw::UINT> timers;
    std::vector<fw::UINT> user;
    std::vector<std::pair<fw::WPARAM, fw::LPARAM>> userParams;
    fw::Color background = 0xFFFFFFFFu;
    std::function<void(fw::UINT, fw::UINT)> onCommand;
    std::function<void(fw::UINT, fw::LPARAM)> onMessage;
};

class QtFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vq-qt-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        vqtest::MakeTestResources(dir_);
        ResetDriver();
        ASSERT_TRUE(fw::InitWithBackend(MakeBackend(), dir_.string()));
    }
    void TearDown() override {
        SetModalHook(nullptr);
        fw::Shutdown();
        std::filesystem::remove_all(dir_);
    }
    static QWidget* W(fw::HWND h) {
        return static_cast<QWidget*>(fw::GetBackend()->NativeHandle(h));
    }
    template <typename T>
    static T* As(fw::HWND h) {
        return qobject_cast<T*>(W(h));
    }
    // What the window shows, its picture and native widgets composed.
    static QImage Shot(fw::HWND h) {
        return W(h)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

    std::filesystem::path dir_;
};

// The folder screenshots go to: the build tree's when the test runs under CTest.
inline std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace qttest
