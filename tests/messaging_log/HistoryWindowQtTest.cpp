// The history window drawn by the Qt backend (offscreen), with emoticons in its view, saved
// as a picture in <build>/screenshots/history-window.png.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "messaging/Emoticons.h"
#include "messaging/HistroyRecordDlg.h"
#include "messaging/log/MessageLog.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

std::string G(const char* utf8) {
    return vq::Gbk(utf8);
}

std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

TEST(HistoryWindowQt, EmoticonsInTheViewUnderQt) {
    qttest::Environment env("offscreen");
    vq::test::TempDir logDir;
    const char* src = std::getenv("VQ_SOURCE_DIR");
    ASSERT_NE(src, nullptr);
    auto backend = qttest::MakeBackend();
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(fw::InitWithBackend(std::move(backend), std::string(src) + "/res"));
    SetMessageLogFolder(logDir.path());
    std::int64_t now = 1273223000;
    SetMessageLogClock([&] { return now++; });
    Session().Reset();
    Session().SetVirid("5");

    const std::string messages[][3] = {
        {"5", "7", G("我： 2010-5-7  9：3：15\r\n早上好 /:) 今天的晨报看了吗？\r\n\r\n")},
        {"7", "5", G("李明： 2010-5-7  9：4：2\r\n看了 /:D 新能源那篇写得好 /<OK>\r\n\r\n")},
        {"5", "7",
         G("我： 2010-5-7  9：5：40\r\n详情见 http://research.velquor.example/42 /8-)\r\n\r\n")},
        {"7", "5", G("李明： 2010-5-7  9：6：1\r\n收到 /<Y1> /<F> 谢谢\r\n\r\n")},
    };
    for (const auto& m : messages) {
        ASSERT_TRUE(AppendMessage(m[2], m[0],
                                  m[0] == "5" ? kLogDirectionSent : kLogDirectionReceived, m[1]));
    }
    CHistroyRecordDlg* dlg = CHistroyRecordDlg::Open("7", G("李明"));
    ASSERT_NE(dlg, nullptr);
    const fw::HWND hwnd = dlg->GetSafeHwnd();
    qttest::LetTimePass(300);

    // Newest first, each code a picture: 14; 4; 13, 46; 33, 29.
    EXPECT_EQ(dlg->View().GetObjectCount(), 6);
    EXPECT_EQ(ReadEmoticonText(dlg->View()),
              messages[3][2] + messages[2][2] + messages[1][2] + messages[0][2]);

    auto* widget = static_cast<QWidget*>(fw::GetBackend()->NativeHandle(hwnd));
    ASSERT_NE(widget, nullptr);
    const QImage shot = widget->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.width(), dlg->GetClientRect().Width());
    EXPECT_EQ(shot.height(), dlg->GetClientRect().Height());
    const auto file = ScreenshotDir() / "history-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string())));
    std::printf("screenshot: %s\n", file.c_str());
    EXPECT_TRUE(qttest::MessageBoxesSeen().empty());

    dlg->Close();
    EXPECT_FALSE(fw::IsWindow(hwnd));
    fw::Shutdown();
    SetMessageLogFolder(".");
    SetMessageLogClock(nullptr);
    Session().Reset();
}

}  // namespace
