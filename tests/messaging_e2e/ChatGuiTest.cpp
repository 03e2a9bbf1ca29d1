// The two chat clients on the Qt backend (offscreen, real WebEngine pages), with pictures of
// both chat windows and of the home page's contact list; and desktop notes through a
// notification service on a private session bus.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>
#include <filesystem>

#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/core/Text.h"
#include "platform/qt/QtNotifications.h"
#include "tests/messaging_e2e/ClientProcess.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace chate2e {
namespace {

std::filesystem::path ScreenshotDir() {
    const char* build = std::getenv("VQ_BINARY_DIR");
    std::filesystem::path dir = build != nullptr && *build != '\0'
                                    ? std::filesystem::path(build) / "screenshots"
                                    : std::filesystem::temp_directory_path() / "vq-screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

// What the clients need beside the test's own environment: Qt offscreen with a private HOME,
// and a session bus address where no bus runs, so that desktop notes have nowhere to go.
std::vector<std::string> QtClientEnvironment(const vq::test::TempDir& dir) {
    std::filesystem::create_directories(dir.File("home"));
    std::filesystem::create_directories(dir.File("run"));
    std::filesystem::permissions(dir.File("run"), std::filesystem::perms::owner_all);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "HOME=" + dir.File("home"),
                                    "XDG_RUNTIME_DIR=" + dir.File("run"),
                                    "QT_LOGGING_RULES=qt.webenginecontext.info=false",
                                    "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir.File("no-bus")};
    if (geteuid() == 0) {
        env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    }
    return env;
}

std::string Conversation(ClientProcess& client, const std::string& id) {
    const std::string answer = client.Send({"chat", id});
    return answer.substr(0, answer.rfind('\t'));
}
std::string Pictures(ClientProcess& client, const std::string& id) {
    const std::string answer = client.Send({"chat", id});
    return answer.substr(answer.rfind('\t') + 1);
}

TEST(ChatGui, TwoClientsChatWithEmoticonsOnQt) {
    vqsvc::test::ServiceHarness service;
    vq::test::TempDir qtDir;
    const std::vector<std::string> env = QtClientEnvironment(qtDir);
    ClientProcess b(service, {"--backend=qt"}, env);
    ASSERT_TRUE(b.Ready());
    ASSERT_EQ(b.Send({"login", "zhangwei", "zhangwei123"}, 120000), "ok 4");
    ClientProcess a(service, {"--backend=qt"}, env);
    ASSERT_TRUE(a.Ready());
    ASSERT_EQ(a.Send({"login", "demo", "demo123"}, 120000), "ok 1");

    // The contact list as the browser shows it: colleagues and the customers' branches.
    const std::string page = a.Send({"page"});
    for (const char* text :
         {"同事", "李婷", "新街口营业部", "张伟", "河西营业部", "杨帆", "江宁营业部"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text;
    }

    // The waiting messages are announced; opening Zhang Wei's chat shows his.
    EXPECT_EQ(a.Send({"poll"}), "ok");
    EXPECT_EQ(a.Send({"tray"}), "flashing 您有3条新消息：张伟、杨帆、李婷");
    EXPECT_EQ(a.Send({"settle"}), "ok");
    const std::string shotHome = (ScreenshotDir() / "chat-home-contacts.png").string();
    EXPECT_EQ(a.Send({"shot", "main", shotHome}), "ok");
    ASSERT_EQ(a.Send({"open", "4", "张伟"}), "ok");
    EXPECT_EQ(a.Send({"type", "4", "周六还有名额，欢迎参加 /:) /<OK>"}), "21");
    EXPECT_EQ(a.Send({"send", "4"}), "ok");

    EXPECT_EQ(b.Send({"poll"}), "ok");
    EXPECT_EQ(b.Send({"tray"}), "flashing 您有1条新消息：王明");
    ASSERT_EQ(b.Send({"open", "1", "王明"}), "ok");
    EXPECT_EQ(Conversation(b, "1"),
              "王明： 2026-12-08 09:30:00\r\n周六还有名额，欢迎参加 /:) /<OK>\r\n\r\n");
    EXPECT_EQ(Pictures(b, "1"), "14 46 ");
    EXPECT_EQ(b.Send({"tray"}), "still 欢迎使用Velquor！");
    EXPECT_EQ(b.Send({"type", "1", "好的，谢谢王经理 /:D 下午见 /<Y1>"}), "22");
    EXPECT_EQ(b.Send({"ctrlenter", "1"}), "ok");

    EXPECT_EQ(a.Send({"poll"}), "ok");
    const std::string atA = Conversation(a, "4");
    EXPECT_NE(atA.find("张伟： 2026-12-08 09:30:00\r\n好的，谢谢王经理 /:D 下午见 /<Y1>\r\n\r\n"),
              std::string::npos)
        << atA;
    EXPECT_EQ(Pictures(a, "4"), "14 46 13 33 ");
    EXPECT_EQ(a.Send({"history", "4"}).substr(0, 9), "张伟：");

    const std::string shotA = (ScreenshotDir() / "chat-window-a.png").string();
    const std::string shotB = (ScreenshotDir() / "chat-window-b.png").string();
    EXPECT_EQ(a.Send({"shot", "4", shotA}), "ok");
    EXPECT_EQ(b.Send({"shot", "1", shotB}), "ok");
    for (const std::string& path : {shotHome, shotA, shotB}) {
        QImage shot(QString::fromStdString(path));
        EXPECT_FALSE(shot.isNull()) << path;
        std::printf("screenshot: %s\n", path.c_str());
    }
    EXPECT_EQ(a.Send({"boxes"}), "");
    EXPECT_EQ(b.Send({"boxes"}), "");
}

}  // namespace
}  // namespace chate2e
