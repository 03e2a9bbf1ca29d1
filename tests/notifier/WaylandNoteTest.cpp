// The control on a Wayland desktop without X: a headless compositor of the test's own and a
// private session bus with a notification service the test plays. The Qt backend runs
// natively on Wayland, cannot place the pop-ups, and a new article arrives as a desktop note
// whose view action, sent back over the bus, reaches the host as the view button would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "notifier/MsgWnd.h"
#include "notifier/PallinoteApp.h"
#include "notifier/PallinoteCtrl.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/Notifications.h"
#include "platform/core/Text.h"
#include "platform/qt/QtNotifications.h"
#include "platform/qt/QtRegister.h"

// The desktop's notification service as the test plays it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Note {
        QString app, icon, summary, body;
        QStringList actions;
        int timeout = 0;
        uint id = 0;
    };
    std::vector<Note> notes;
    std::vector<uint> closed;

public slots:
    QStringList GetCapabilities() {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
    }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        (void)replaces, (void)hints;
        notes.push_back(
            {app, icon, summary, body, actions, timeout, 500 + static_cast<uint>(notes.size())});
        return notes.back().id;
    }
    void CloseNotification(uint id) { closed.push_back(id); }
};

namespace {

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    for (const auto& dir : QString::fromLocal8Bit(path != nullptr ? path : "")
                               .split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (access((dir.toStdString() + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

bool WaylandPluginInstalled() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty();
}

bool Connectable(const std::string& socketPath) {
    sockaddr_un address{};
    if (socketPath.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// A child process ended by its pid.
class Child {
public:
    ~Child() { Stop(); }
    // Starts argv with stdout (and stderr) to `log`, or to a pipe that First() reads.
    bool Start(const std::vector<std::string>& argv, const std::string& log, bool pipeOut) {
        int out[2] = {-1, -1};
        if (pipeOut && pipe(out) != 0)
            return false;
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = pipeOut ? out[1] : open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 1);
            const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            dup2(err, 2);
            std::vector<char*> args;
            for (const auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        if (pipeOut) {
            close(out[1]);
            out_ = out[0];
        }
        return pid_ > 0;
    }
    // The first line the child writes (the bus address).
    std::string FirstLine() {
        std::string line;
        char buffer[512];
        ssize_t n = 0;
        while (out_ >= 0 && line.find('\n') == std::string::npos &&
               (n = read(out_, buffer, sizeof buffer)) > 0)
            line.append(buffer, static_cast<std::size_t>(n));
        return line.substr(0, line.find('\n'));
    }
    void Stop() {
        if (out_ >= 0)
            close(out_);
        out_ = -1;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// Pumps the Qt loop and the core's queue until `done`, within a real-time bound.
bool PumpUntil(const std::function<bool()>& done, int maxMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        fw::PumpPending();
        fw::GetBackend()->ProcessEvents(5);
    }
    return true;
}

void Signal(QDBusConnection& connection, const char* name, const QVariantList& args) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(name));
    signal.setArguments(args);
    connection.send(signal);
}

// The host's top-level window: records message 1324 with its text.
class HostWindow : public fw::Window {
public:
    fw::LRESULT WindowProc(fw::UINT message, fw::WPARAM wParam, fw::LPARAM lParam) override {
        if (message == WM_POPUP_VIEW) {
            views.emplace_back(reinterpret_cast<const char16_t*>(lParam));
            return 0;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::vector<std::u16string> views;
};

// Ends the framework and Qt before the compositor and the bus go, however the test ends:
// Qt ends the process when its compositor goes away under it.
struct QtFirst {
    static inline const QString kServerBus = QStringLiteral("velquor-test-notes");
    ~QtFirst() {
        fw::SetNotificationService(nullptr);
        QDBusConnection::disconnectFromBus(kServerBus);
        if (fw::IsInitialized())
            fw::Shutdown();
        delete QCoreApplication::instance();
    }
};

// The temporary folder of the test's desktop, removed at the end.
struct TempDir {
    std::filesystem::path path;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// Runs before Qt is started in this process: a compositor that is not there leaves the
// program to the headless backend instead of Qt ending it.
TEST(WaylandNotes, WithoutACompositorOrXThereIsNoQtBackend) {
    const TempDir temp{std::filesystem::temp_directory_path() /
                       ("vq-wayland-none-" + std::to_string(getpid()))};
    std::filesystem::create_directories(temp.path);
    setenv("XDG_RUNTIME_DIR", temp.path.c_str(), 1);
    setenv("WAYLAND_DISPLAY", "velquor-nobody-here", 1);
    unsetenv("DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_EQ(fw::qt::CreateBackend(), nullptr);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
}

TEST(WaylandNotes, ANewArticleOnWaylandIsADesktopNoteAndItsViewActionOpensIt) {
    if (!OnPath("weston"))
        GTEST_SKIP() << "weston is not installed (Debian package weston)";
    if (!OnPath("dbus-daemon"))
        GTEST_SKIP() << "dbus-daemon is not installed";
    if (!WaylandPluginInstalled())
        GTEST_SKIP()
            << "Qt's Wayland platform plugin is not installed (Debian package qt6-wayland)";

    // A desktop of the test's own: Wayland only, no X display anywhere.
    const TempDir temp{std::filesystem::temp_directory_path() /
                       ("vq-wayland-" + std::to_string(getpid()))};
    const std::filesystem::path& dir = temp.path;
    std::filesystem::create_directories(dir / "run");
    std::filesystem::create_directories(dir / "home");
    std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    setenv("HOME", (dir / "home").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 0);
    const std::string socketName = "velquor-wayland-test";
    Child compositor;
    ASSERT_TRUE(compositor.Start({"weston", "--backend=headless-backend.so", "--no-config",
                                  "--idle-time=0", "--socket=" + socketName},
                                 (dir / "weston.log").string(), false));
    const std::string socketPath = (dir / "run" / socketName).string();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!Connectable(socketPath) && std::chrono::steady_clock::now() < end)
        usleep(20000);
    ASSERT_TRUE(Connectable(socketPath)) << "weston did not come up; see " << dir / "weston.log";
    setenv("WAYLAND_DISPLAY", socketName.c_str(), 1);

    Child bus;
    ASSERT_TRUE(bus.Start({"dbus-daemon", "--session", "--nofork", "--print-address=1"},
                          (dir / "dbus.log").string(), true));
    const std::string address = bus.FirstLine();
    ASSERT_FALSE(address.empty());
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);

    const QtFirst qtFirst;
    // The backend chooses the platform itself: natively Wayland, since no X is there.
    auto backend = fw::qt::CreateBackend();
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(fw::InitWithBackend(std::move(backend), VQ_TEST_RES_DIR));
    EXPECT_TRUE(QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        << QGuiApplication::platformName().toStdString();
    EXPECT_FALSE(fw::CanPlaceWindows());
    fw::qt::EnableDesktopNotifications();

    QDBusConnection server =
        QDBusConnection::connectToBus(QString::fromStdString(address), QtFirst::kServerBus);
    ASSERT_TRUE(server.isConnected());
    FakeNotificationServer fake;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    {
        HostWindow host;
        ASSERT_TRUE(host.CreateEx(0, vq::Gbk("主窗口"), fw::WS_POPUP | fw::WS_VISIBLE,
                                  {0, 0, 600, 400}, nullptr));
        CComPtr<IDispatch> disp;
        ASSERT_EQ(CPallinoteCtrl::CreateInstance(nullptr, IID_IDispatch, disp.PutVoid()), S_OK);
        auto* ctrl = static_cast<CPallinoteCtrl*>(disp.Get());
        ControlPlacement place;
        place.parent = host.GetSafeHwnd();
        place.style = fw::WS_VISIBLE;
        place.left = 10, place.top = 10, place.right = 110, place.bottom = 60;
        place.id = 1036;
        ASSERT_EQ(ctrl->CreateControlWindow(place, nullptr), S_OK);
        ThePallinoteApp().ResetMessageCounter();

        // As the program announces a new article; a tag in the text stays text.
        ctrl->ShowMessage(u"最新", u"<b>招商银行</b>年报解读 & 展望", u"20345", u"", u"", u"",
                          0x000000FF, u"", u"", u"");
        ASSERT_TRUE(PumpUntil([&] { return !fake.notes.empty(); }));
        const FakeNotificationServer::Note note = fake.notes.at(0);
        EXPECT_EQ(note.app, QStringLiteral("Velquor"));
        EXPECT_EQ(note.icon, QStringLiteral("velquor"));
        EXPECT_EQ(note.summary, QStringLiteral("最新"));
        EXPECT_EQ(note.body, QStringLiteral("&lt;b&gt;招商银行&lt;/b&gt;年报解读 &amp; 展望"));
        EXPECT_EQ(note.actions, (QStringList{QStringLiteral("default"), QStringLiteral("查看"),
                                             QStringLiteral("view"), QStringLiteral("查看")}));
        EXPECT_EQ(note.timeout, 0);
        CMsgWnd* popup = ctrl->PersistentWindow();
        ASSERT_NE(popup, nullptr);
        EXPECT_FALSE(popup->IsWindowVisible());

        // The user presses the note's button: the answer to Notify is in by then.
        PumpUntil([] { return false; }, 300);
        Signal(server, "ActionInvoked", {note.id, QStringLiteral("view")});
        ASSERT_TRUE(PumpUntil([&] { return !host.views.empty(); }));
        EXPECT_EQ(host.views, std::vector<std::u16string>{u"20345"});
        EXPECT_FALSE(ctrl->PersistentOpen());

        // A note the user closes closes its pop-up, and hands nothing over.
        ctrl->ShowMessage(u"最新", u"第二篇", u"20346", u"", u"", u"", 0, u"", u"", u"");
        ASSERT_TRUE(PumpUntil([&] { return fake.notes.size() == 2; }));
        PumpUntil([] { return false; }, 300);
        Signal(server, "NotificationClosed", {fake.notes.at(1).id, 2u});
        ASSERT_TRUE(PumpUntil([&] { return !ctrl->PersistentOpen(); }));
        EXPECT_EQ(host.views.size(), 1u);

        // With no notification service on the bus the pop-up shows, wherever Wayland puts it.
        ASSERT_TRUE(server.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        ctrl->ShowMessage(u"最新", u"第三篇", u"20347", u"", u"", u"", 0, u"", u"", u"");
        CMsgWnd* shown = ctrl->PersistentWindow();
        ASSERT_TRUE(PumpUntil([&] { return shown->IsWindowVisible(); }));
        const auto* widget =
            static_cast<QWidget*>(fw::GetBackend()->NativeHandle(shown->GetSafeHwnd()));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return widget->isVisible(); }));
        EXPECT_EQ(fake.notes.size(), 2u);

        disp.Reset();
        host.DestroyWindow();
    }
}

}  // namespace

#include "WaylandNoteTest.moc"
