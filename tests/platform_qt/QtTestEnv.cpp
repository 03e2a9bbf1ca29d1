#include "tests/platform_qt/QtTestEnv.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
    for (int n = 91; n < 160; ++n) {
        const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (::access(sock.c_str(), F_OK) == 0 || ::access(lock.c_str(), F_OK) == 0) {
            continue;
        }
        const std::string display = ":" + std::to_string(n);
        const pid_t pid = ::fork();
        if (pid < 0) {
            return false;
        }
        if (pid == 0) {
            ::execl(xvfb, "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                    "tcp", "-br", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Up to five seconds for the socket; a server that died lost the race for `n`.
        for (int i = 0; i < 250; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                break;
            }
            if (::access(sock.c_str(), F_OK) == 0) {
                pid_ = pid;
                display_ = display;
                setenv("DISPLAY", display.c_str(), 1);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return false;
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
