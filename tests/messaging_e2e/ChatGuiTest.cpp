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
    EXPECT_EQ(a.Quit(), 0);
    EXPECT_EQ(b.Quit(), 0);
}

// A bus of the test's own, ended by its pid.
class PrivateBus {
public:
    PrivateBus() {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char buffer[512];
        std::string line;
        ssize_t n;
        while (line.find('\n') == std::string::npos &&
               (n = read(out[0], buffer, sizeof buffer)) > 0) {
            line.append(buffer, static_cast<std::size_t>(n));
        }
        close(out[0]);
        address_ = line.substr(0, line.find('\n'));
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    const std::string& Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

}  // namespace

// The desktop's notification service as the test plays it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Note {
        QString app, summary, body;
        QStringList actions;
        uint id = 0;
    };
    std::vector<Note> notes;
    std::vector<uint> closed;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        (void)replaces, (void)icon, (void)hints, (void)timeout;
        notes.push_back({app, summary, body, actions, 100 + static_cast<uint>(notes.size())});
        return notes.back().id;
    }
    void CloseNotification(uint id) { closed.push_back(id); }
};

namespace {

void Signal(QDBusConnection& connection, const char* name, const QVariantList& args) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", name);
    signal.setArguments(args);
    connection.send(signal);
}

TEST(ChatGui, DesktopNotesReachTheNotificationServiceAndTheirClicksComeBack) {
    PrivateBus bus;
    if (bus.Address().empty()) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup-deps.sh installs it)";
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
    qttest::Environment environment("offscreen");
    ASSERT_TRUE(fw::InitWithBackend(qttest::MakeBackend(), ""));
    fw::qt::EnableDesktopNotifications();

    // No service on the bus yet: the note goes nowhere and nothing fails.
    int clicks = 0;
    fw::ShowNotification({vq::Gbk("杨帆"), vq::Gbk("在吗？")}, [&] { ++clicks; });
    qttest::LetTimePass(300);

    QDBusConnection server = QDBusConnection::connectToBus(
        QString::fromStdString(bus.Address()), QStringLiteral("velquor-test-notifications"));
    ASSERT_TRUE(server.isConnected());
    FakeNotificationServer fake;
    ASSERT_TRUE(server.registerObject("/org/freedesktop/Notifications", &fake,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));

    const std::uint32_t first = fw::ShowNotification(
        {vq::Gbk("张伟"), vq::Gbk("周六的报告会还有名额吗？")}, [&] { ++clicks; });
    ASSERT_TRUE(qttest::PumpUntil([&] { return !fake.notes.empty(); }, 5000));
    const FakeNotificationServer::Note note = fake.notes.at(0);
    EXPECT_EQ(note.app, QStringLiteral("Velquor"));
    EXPECT_EQ(note.summary, QStringLiteral("张伟"));
    EXPECT_EQ(note.body, QStringLiteral("周六的报告会还有名额吗？"));
    EXPECT_EQ(note.actions.value(0), QStringLiteral("default"));
    qttest::LetTimePass(200);  // the answer with the desktop's number comes back

    // The click on the note's body.
    Signal(server, "ActionInvoked", {note.id, QStringLiteral("default")});
    ASSERT_TRUE(qttest::PumpUntil([&] { return clicks == 1; }, 5000));

    // A withdrawn note is closed on the desktop; a dismissed one calls back no more.
    fw::ShowNotification({"a", "b"}, [&] { ++clicks; });
    const std::uint32_t third = fw::ShowNotification({"c", "d"}, [&] { ++clicks; });
    ASSERT_TRUE(qttest::PumpUntil([&] { return fake.notes.size() == 3; }, 5000));
    qttest::LetTimePass(200);
    fw::CloseNotification(third);
    ASSERT_TRUE(qttest::PumpUntil([&] { return !fake.closed.empty(); }, 5000));
    EXPECT_EQ(fake.closed.at(0), fake.notes.at(2).id);
    Signal(server, "NotificationClosed", {fake.notes.at(1).id, 2u});
    qttest::LetTimePass(200);
    Signal(server, "ActionInvoked", {fake.notes.at(1).id, QStringLiteral("default")});
    Signal(server, "ActionInvoked", {note.id, QStringLiteral("default")});
    qttest::LetTimePass(300);
    EXPECT_EQ(clicks, 1) << "dismissed and already clicked notes stay quiet";
    (void)first;

    fw::SetNotificationService(nullptr);
    server.unregisterService("org.freedesktop.Notifications");
    QDBusConnection::disconnectFromBus(QStringLiteral("velquor-test-notifications"));
    fw::Shutdown();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
}  // namespace chate2e

#include "ChatGuiTest.moc"
