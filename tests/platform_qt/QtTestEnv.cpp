#include "tests/platform_qt/QtTestEnv.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef VQ_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <thread>

#include "platform/Framework.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/QtText.h"

namespace qttest {

namespace {

struct DriverState {
    std::deque<int> boxAnswers;
    std::vector<BoxRecord> boxes;
    std::deque<fw::UINT> menuChoices;
    std::vector<MenuRecord> menus;
    std::function<bool()> holdBoxes;
    std::function<void(fw::HWND)> modalHook;
    QTimer* timer = nullptr;
};

DriverState& State() {
    static DriverState s;
    return s;
}

fw::UINT FlagsOf(QMessageBox* box) {
    fw::UINT flags = fw::MB_OK;
    if (box->button(QMessageBox::Yes) != nullptr) {
        flags = fw::MB_YESNO;
    } else if (box->button(QMessageBox::Cancel) != nullptr) {
        flags = fw::MB_OKCANCEL;
    }
    switch (box->icon()) {
        case QMessageBox::Critical:
            return flags | fw::MB_ICONERROR;
        case QMessageBox::Question:
            return flags | fw::MB_ICONQUESTION;
        case QMessageBox::Warning:
            return flags | fw::MB_ICONEXCLAMATION;
        case QMessageBox::Information:
            return flags | fw::MB_ICONINFORMATION;
        default:
            return flags;
    }
}

void PressKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

void AnswerBox(QMessageBox* box) {
    DriverState& s = State();
    if (s.holdBoxes && !s.holdBoxes()) {
        return;
    }
    BoxRecord r;
    r.text = fw::qt::ToGbk(box->text());
    r.caption = fw::qt::ToGbk(box->windowTitle());
    r.flags = FlagsOf(box);
    const fw::UINT type = r.flags & fw::MB_TYPEMASK;
    if (!s.boxAnswers.empty()) {
        r.answer = s.boxAnswers.front();
        s.boxAnswers.pop_front();
    } else {
        r.answer = type == fw::MB_YESNO      ? fw::IDNO
                   : type == fw::MB_OKCANCEL ? fw::IDCANCEL
                                             : fw::IDOK;
    }
    s.boxes.push_back(r);
    QMessageBox::StandardButton which = QMessageBox::NoButton;
    switch (r.answer) {
        case fw::IDOK:
            which = QMessageBox::Ok;
            break;
        case fw::IDYES:
            which = QMessageBox::Yes;
            break;
        case fw::IDNO:
            which = QMessageBox::No;
            break;
        case fw::IDCANCEL:
            which = QMessageBox::Cancel;
            break;
        default:
            break;
    }
    if (QAbstractButton* b = box->button(which)) {
        b->click();
    } else {
        PressKey(box, Qt::Key_Escape);
    }
}

void CollectMenu(QMenu* menu, MenuRecord& r) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            continue;
        }
        r.texts.push_back(fw::qt::ToGbk(a->text()));
        if (a->font().bold()) {
            r.bold.push_back(fw::qt::ToGbk(a->text()));
        }
    }
}

void AnswerMenu(QMenu* menu) {
    DriverState& s = State();
    MenuRecord r;
    CollectMenu(menu, r);
    fw::UINT choice = 0;
    if (!s.menuChoices.empty()) {
        choice = s.menuChoices.front();
        s.menuChoices.pop_front();
    }
    QAction* target = nullptr;
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && choice != 0 && a->data().toUInt() == choice) {
            target = a;
        }
    }
    r.chosen = target != nullptr ? choice : 0;
    s.menus.push_back(r);
    if (target != nullptr) {
        menu->setActiveAction(target);
        PressKey(menu, Qt::Key_Return);
    } else {
        PressKey(menu, Qt::Key_Escape);
    }
}

void Poll() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        menu != nullptr && menu->isVisible()) {
        AnswerMenu(menu);
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
            AnswerBox(box);
            return;
        }
    }
}

std::filesystem::path FreshDir(const std::string& tag) {
    const auto base = std::filesystem::temp_directory_path();
    for (int i = 0;; ++i) {
        auto p =
            base / ("vq-qt-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(i));
        if (std::filesystem::create_directory(p)) {
            return p;
        }
    }
}

}  // namespace

// ---- Environment ----

Environment::Environment(const std::string& platform) {
    const char* home = std::getenv("HOME");
    const std::string tmp = std::filesystem::temp_directory_path().string();
    const bool temporary = home != nullptr && std::string(home).rfind(tmp, 0) == 0 &&
                           std::getenv("XDG_RUNTIME_DIR") != nullptr;
    if (!temporary) {
        dir_ = FreshDir("home");
        std::filesystem::create_directories(dir_ / "home");
        std::filesystem::create_directories(dir_ / "run");
        std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
        setenv("HOME", (dir_ / "home").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    }
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 0);
}

Environment::~Environment() {
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

// ---- XServer ----

bool XServer::Start() {
    const char* candidates[] = {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"};
    const char* xvfb = nullptr;
    for (const char* c : candidates) {
        if (::access(c, X_OK) == 0) {
            xvfb = c;
            break;
        }
    }
    if (xvfb == nullptr) {
        return false;
    }
    // The server picks a free display itself and writes its number once it listens: tests
    // that start servers at the same time never share one.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    // The server's end without close-on-exec, named before the fork: the child only execs.
    const int out = ::fcntl(fds[1], F_DUPFD, 3);
    ::close(fds[1]);
    const std::string fd = std::to_string(out);
    const pid_t pid = out < 0 ? -1 : ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        if (out >= 0) {
            ::close(out);
        }
        return false;
    }
    if (pid == 0) {
        // The server must not hold the test's output open: a test that ends early would
        // otherwise be waited for until its time-out.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        // -noreset: by default the server resets when its last client leaves, and a client
        // that connects during the reset is refused (the check below is such a last client).
        ::execl(xvfb, "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                "tcp", "-br", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    // Up to ten seconds for the number; a server that ends first closes the pipe.
    while (::poll(&p, 1, 10000) > 0) {
        char buf[16];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        number.append(buf, static_cast<size_t>(n));
        if (number.find('\n') != std::string::npos) {
            break;
        }
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r')) {
        number.pop_back();
    }
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return false;
    }
    pid_ = pid;
    display_ = ":" + number;
    // Qt ends the process when its first connection is refused; wait until one is taken.
    bool accepted = false;
#ifndef VQ_HAVE_XCB
    accepted = true;
#endif
    for (int i = 0; i < 250 && !accepted; ++i) {
#ifdef VQ_HAVE_XCB
        xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
        accepted = xcb_connection_has_error(c) == 0;
        xcb_disconnect(c);
#endif
        if (!accepted) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (!accepted) {
        Stop();
        return false;
    }
    setenv("DISPLAY", display_.c_str(), 1);
    return true;
}

void XServer::Stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

// ---- Backend and driver ----

std::unique_ptr<fw::Backend> MakeBackend() {
    std::unique_ptr<fw::Backend> b = fw::qt::CreateBackend();
    auto* qt = static_cast<fw::qt::QtBackend*>(b.get());
    if (qt == nullptr) {
        return b;
    }
    qt->SetModalHook([](fw::HWND h) {
        if (State().modalHook) {
            State().modalHook(h);
        }
    });
    qt->SetStallTimeoutMs(10000);
    DriverState& s = State();
    if (s.timer == nullptr) {
        s.timer = new QTimer(qApp);
        QObject::connect(s.timer, &QTimer::timeout, s.timer, [] { Poll(); });
        s.timer->start(15);
    }
    return b;
}

fw::qt::QtBackend* Backend() {
    return static_cast<fw::qt::QtBackend*>(fw::GetBackend());
}

void SetModalHook(std::function<void(fw::HWND)> hook) {
    State().modalHook = std::move(hook);
}

void LetTimePass(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        fw::PumpPending();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        fw::GetBackend()->ProcessEvents(int(std::min<long long>(left, 5)));
    }
    fw::PumpPending();
}

bool PumpUntil(const std::function<bool()>& done, int maxMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        fw::PumpPending();
        fw::GetBackend()->ProcessEvents(5);
    }
    return true;
}

void ScriptMessageBoxes(std::vector<int> answers) {
    State().boxAnswers.assign(answers.begin(), answers.end());
}
std::vector<BoxRecord> MessageBoxesSeen() {
    return State().boxes;
}
void ScriptMenus(std::vector<fw::UINT> choices) {
    State().menuChoices.assign(choices.begin(), choices.end());
}
std::vector<MenuRecord> MenusSeen() {
    return State().menus;
}
void HoldMessageBoxesUntil(std::function<bool()> ready) {
    State().holdBoxes = std::move(ready);
}

void PauseDriver(bool paused) {
    if (QTimer* t = State().timer) {
        if (paused) {
            t->stop();
        } else {
            t->start(15);
        }
    }
}

namespace {

struct UrlCapture {
    bool pathSaved = false;
    std::string savedPath;
    std::filesystem::path file;
};

UrlCapture& Capture() {
    static UrlCapture capture;
    return capture;
}

}  // namespace

void CaptureOpenedUrls(const std::filesystem::path& dir) {
    UrlCapture& c = Capture();
    const std::filesystem::path bin = dir / "opener-bin";
    std::filesystem::create_directories(bin);
    c.file = dir / "opened-urls.txt";
    std::filesystem::remove(c.file);
    {
        std::ofstream script(bin / "xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << c.file.string() << "'\n";
    }
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    if (!c.pathSaved) {
        const char* path = std::getenv("PATH");
        c.savedPath = path != nullptr ? path : "";
        c.pathSaved = true;
    }
    setenv("PATH", (bin.string() + ":" + c.savedPath).c_str(), 1);
}

std::vector<std::string> UrlsOpened(std::size_t atLeast) {
    const UrlCapture& c = Capture();
    std::vector<std::string> urls;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (true) {
        urls.clear();
        std::ifstream in(c.file);
        for (std::string line; std::getline(in, line);) {
            urls.push_back(fw::qt::ToGbk(QString::fromUtf8(line.c_str())));
        }
        if (urls.size() >= atLeast || std::chrono::steady_clock::now() > end) {
            return urls;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ResetDriver() {
    UrlCapture& capture = Capture();
    if (capture.pathSaved) {
        setenv("PATH", capture.savedPath.c_str(), 1);
        capture.file.clear();
    }
    DriverState& s = State();
    s.boxAnswers.clear();
    s.boxes.clear();
    s.menuChoices.clear();
    s.menus.clear();
    s.holdBoxes = nullptr;
    s.modalHook = nullptr;
    PauseDriver(false);
}

}  // namespace qttest
