// What a screen reader on the desktop gets: the login dialog on a private X server, with a
// private session bus on which the desktop's launcher of the accessibility bus runs, so
// that Qt's AT-SPI bridge is active. The change notes reach Qt's accessibility update path,
// and a reader on the accessibility bus finds the drawn buttons by name and presses them.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVariant>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/LoginDlg.h"
#include "forms/Forms.h"
#include "platform/Accessible.h"
#include "platform/Backend.h"
#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "session/Session.h"
#include "tests/core/TempDir.h"
#include "tests/platform_qt/QtTestEnv.h"

namespace {

// A program of the test's own (a D-Bus daemon, the accessibility bus launcher), ended by its
// pid; its first output line is kept (the daemon prints its address there).
class Helper {
public:
    ~Helper() { Stop(); }
    bool Start(const std::vector<std::string>& argv, bool readLine) {
        if (argv.empty() || ::access(argv[0].c_str(), X_OK) != 0) {
            return false;
        }
        int out[2];
        if (::pipe(out) != 0) {
            return false;
        }
        const pid_t pid = ::fork();
        if (pid < 0) {
            return false;
        }
        if (pid == 0) {
            // The helper goes with the test, however the test ends.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::vector<char*> args;
            for (const std::string& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            ::execv(argv[0].c_str(), args.data());
            ::_exit(127);
        }
        ::close(out[1]);
        pid_ = pid;
        if (readLine) {
            char c = 0;
            while (::read(out[0], &c, 1) == 1 && c != '\n') {
                line_ += c;
            }
        }
        ::close(out[0]);
        return !readLine || !line_.empty();
    }
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    const std::string& Line() const { return line_; }

private:
    pid_t pid_ = -1;
    std::string line_;
};

struct Desktop {
    bool ready = false;
};

Desktop& TheDesktop() {
    static Desktop d;
    return d;
}

class AtSpiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        env_ = std::make_unique<qttest::Environment>("xcb");
        if (dir_.path().empty()) {
            return;
        }
        const std::string config = dir_.File("session.conf");
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                 "Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/"
                                 "busconfig.dtd\">\n"
                                 "<busconfig><type>session</type>\n"
                              << "<listen>unix:dir=" << dir_.path() << "</listen>\n"
                              << "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                 "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                                 "</policy></busconfig>\n";
        if (!session_.Start({"/usr/bin/dbus-daemon", "--config-file=" + config, "--nofork",
                             "--print-address=1"},
                            true)) {
            return;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", session_.Line().c_str(), 1);
        // What a running screen reader would switch on.
        setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
        if (!server_.Start()) {
            return;
        }
        // The desktop's launcher of the accessibility bus, on the private session bus.
        TheDesktop().ready =
            launcher_.Start({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, false);
    }
    void TearDown() override {
        // Qt ends the process when its display goes away under it.
        delete qApp;
        launcher_.Stop();
        server_.Stop();
        session_.Stop();
        env_.reset();
    }

private:
    std::unique_ptr<qttest::Environment> env_;
    vq::test::TempDir dir_;
    Helper session_;
    Helper launcher_;
    qttest::XServer server_;
};

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new AtSpiEnvironment);

struct Seen {
    QAccessible::Event type;
    QAccessibleInterface* item;
    QAccessible::State changed;
};

std::vector<Seen>& Events() {
    static std::vector<Seen> events;
    return events;
}

void Record(QAccessibleEvent* event) {
    QAccessible::State changed;
    if (event->type() == QAccessible::StateChanged) {
        changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
    }
    Events().push_back(Seen{event->type(), event->accessibleInterface(), changed});
}

int Count(QAccessible::Event type, QAccessibleInterface* item) {
    int n = 0;
    for (const Seen& s : Events()) {
        n += s.type == type && s.item == item ? 1 : 0;
    }
    return n;
}

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class AtSpiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TheDesktop().ready) {
            GTEST_SKIP() << "Xvfb or dbus-daemon is not available";
        }
        ASSERT_FALSE(dir_.path().empty());
        previous_ = std::filesystem::current_path();
        setenv("VQ_COM_REGISTRY", dir_.File("com-registry").c_str(), 1);
        std::filesystem::current_path(dir_.path());
        const char* src = std::getenv("VQ_SOURCE_DIR");
        ASSERT_NE(src, nullptr);
        auto backend = qttest::MakeBackend();
        ASSERT_NE(backend, nullptr);
        ASSERT_TRUE(fw::InitWithBackend(std::move(backend), std::string(src) + "/res"));
        Session().Reset();
        qttest::ResetDriver();
        ASSERT_TRUE(qttest::PumpUntil([] { return QAccessible::isActive(); }, 5000))
            << "the AT-SPI bridge did not come up";
        dlg_ = std::make_unique<CLoginDlg>(forms_);
        ASSERT_TRUE(dlg_->Create(CLoginDlg::IDD));
        dlg_->ShowWindow(fw::SW_SHOW);
        qttest::LetTimePass(100);
        top_ = QAccessible::queryAccessibleInterface(
            static_cast<QWidget*>(fw::GetBackend()->NativeHandle(dlg_->GetSafeHwnd())));
        ASSERT_NE(top_, nullptr);
    }
    void TearDown() override {
        if (!TheDesktop().ready) {
            return;
        }
        QAccessible::installUpdateHandler(nullptr);
        dlg_.reset();
        fw::Shutdown();
        Session().Reset();
        qttest::ResetDriver();
        std::filesystem::current_path(previous_);
    }
    QAccessibleInterface* Child(int i) const { return top_->child(i); }

    vq::test::TempDir dir_;
    std::filesystem::path previous_;
    CForms forms_;
    std::unique_ptr<CLoginDlg> dlg_;
    QAccessibleInterface* top_ = nullptr;
};

// Indices in the login dialog's list: 4 OK, 5 server settings, 6 close, 7 minimise,
// 8 apply, 9 the apply picture.
TEST_F(AtSpiTest, ChangesOfDrawnControlsAreAnnounced) {
    Events().clear();
    QAccessible::installUpdateHandler(&Record);

    dlg_->GetDlgItem(CLoginDlg::kNetSettings)->SetFocus();
    EXPECT_EQ(Count(QAccessible::Focus, Child(5)), 1);

    dlg_->SetDlgItemText(CLoginDlg::kApply, vq::Gbk("申请账号"));
    EXPECT_EQ(Count(QAccessible::NameChanged, Child(8)), 1);

    Events().clear();
    dlg_->GetDlgItem(fw::IDOK)->EnableWindow(false);
    ASSERT_EQ(Count(QAccessible::StateChanged, Child(4)), 1);
    EXPECT_TRUE(Events().back().changed.disabled);
    EXPECT_FALSE(Events().back().changed.invisible);

    Events().clear();
    dlg_->GetDlgItem(CLoginDlg::kApplyPicture)->ShowWindow(fw::SW_SHOW);
    ASSERT_EQ(Count(QAccessible::StateChanged, Child(9)), 1);
    EXPECT_TRUE(Events().back().changed.invisible);

    // A control made at run time without an id is named in code and announced.
    Events().clear();
    fw::Button extra;
    ASSERT_TRUE(extra.CreateEx(0, "", fw::WS_CHILD | fw::WS_VISIBLE | fw::BS_OWNERDRAW,
                               fw::Rect{4, 4, 20, 20}, dlg_.get(), 0, fw::ControlKind::Button));
    fw::SetAccessibleName(extra.GetSafeHwnd(), vq::Gbk("帮助"));
    QAccessibleInterface* made = Child(top_->childCount() - 1);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->text(QAccessible::Name), Q("帮助"));
    EXPECT_EQ(Count(QAccessible::ObjectCreated, made), 1);
    EXPECT_EQ(Count(QAccessible::NameChanged, made), 1);
    extra.DestroyWindow();
    EXPECT_EQ(Count(QAccessible::ObjectDestroyed, made), 1);
    qttest::LetTimePass(50);
    EXPECT_EQ(top_->childCount(), 11);
}

// A reader's own connection to the accessibility bus.
class Reader {
public:
    explicit Reader(const std::string& address)
        : bus_(QDBusConnection::connectToBus(QString::fromStdString(address),
                                             QStringLiteral("vq-a11y-reader"))) {}
    ~Reader() { QDBusConnection::disconnectFromBus(QStringLiteral("vq-a11y-reader")); }
    bool Connected() const { return bus_.isConnected(); }

    // The program's name on the bus: the one whose root is the application "Orvanel".
    QString FindProgram() {
        QDBusMessage m = QDBusMessage::createMethodCall(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames");
        const QDBusMessage reply = Call(m);
        for (const QString& name : reply.arguments().value(0).toStringList()) {
            if (name.startsWith(':') && name != bus_.baseService() &&
                Property(name, QStringLiteral("/org/a11y/atspi/accessible/root"), "Name")
                        .toString() == QStringLiteral("Orvanel")) {
                return name;
            }
        }
        return {};
    }
    // Paths of the children of `path`.
    QStringList Children(const QString& service, const QString& path) {
        QStringList out;
        const int n = Property(service, path, "ChildCount").toInt();
        for (int i = 0; i < n; ++i) {
            QDBusMessage m = QDBusMessage::createMethodCall(
                service, path, "org.a11y.atspi.Accessible", "GetChildAtIndex");
            m << i;
            const QDBusMessage reply = Call(m);
            const QDBusArgument arg = reply.arguments().value(0).value<QDBusArgument>();
            QString name;
            QDBusObjectPath object;
            arg.beginStructure();
            arg >> name >> object;
            arg.endStructure();
            out << object.path();
        }
        return out;
    }
    QVariant Property(const QString& service, const QString& path, const char* name) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
        m << QStringLiteral("org.a11y.atspi.Accessible") << QString::fromLatin1(name);
        const QDBusMessage reply = Call(m);
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString RoleName(const QString& service, const QString& path) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, "org.a11y.atspi.Accessible",
                                                        "GetRoleName");
        return Call(m).arguments().value(0).toString();
    }
    bool Press(const QString& service, const QString& path) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(service, path, "org.a11y.atspi.Action", "DoAction");
        m << 0;
        return Call(m).arguments().value(0).toBool();
    }

private:
    // The program answers on this same thread: wait by running its loop.
    QDBusMessage Call(const QDBusMessage& m) {
        QDBusPendingCall call = bus_.asyncCall(m, 5000);
        qttest::PumpUntil([&] { return call.isFinished(); }, 6000);
        return call.reply();
    }

    QDBusConnection bus_;
};

TEST_F(AtSpiTest, ReaderOnTheBusFindsAndPressesDrawnButtons) {
    QDBusMessage ask = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                      "org.a11y.Bus", "GetAddress");
    QDBusPendingCall asked = QDBusConnection::sessionBus().asyncCall(ask, 5000);
    qttest::PumpUntil([&] { return asked.isFinished(); }, 6000);
    const QString address = asked.reply().arguments().value(0).toString();
    ASSERT_FALSE(address.isEmpty());
    Reader reader(address.toStdString());
    ASSERT_TRUE(reader.Connected());
    const QString program = reader.FindProgram();
    ASSERT_FALSE(program.isEmpty());

    const QString root = QStringLiteral("/org/a11y/atspi/accessible/root");
    QString window;
    for (const QString& path : reader.Children(program, root)) {
        if (reader.Property(program, path, "Name").toString() == Q("Velquor3.0")) {
            window = path;
        }
    }
    ASSERT_FALSE(window.isEmpty()) << "the login dialog is not on the bus";

    QStringList names;
    QString minimise;
    for (const QString& path : reader.Children(program, window)) {
        if (reader.RoleName(program, path) == QStringLiteral("push button")) {
            const QString name = reader.Property(program, path, "Name").toString();
            names << name;
            if (name == Q("最小化")) {
                minimise = path;
            }
        }
    }
    const QStringList expected = {Q("确定"), Q("服务器设置"), Q("关闭"), Q("最小化"),
                                  Q("申请使用")};
    EXPECT_EQ(names, expected);
    ASSERT_FALSE(minimise.isEmpty());
    EXPECT_TRUE(reader.Press(program, minimise));
    qttest::PumpUntil([this] { return dlg_->IsIconic(); }, 2000);
    EXPECT_TRUE(dlg_->IsIconic());
}

}  // namespace
