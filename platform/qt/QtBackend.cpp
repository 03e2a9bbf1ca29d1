#include "platform/qt/QtBackend.h"

#include <QAction>
#include <QApplication>
#include <QAudioDevice>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMediaDevices>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/Menu.h"
#include "platform/Render.h"
#include "platform/qt/QtAccessible.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtRegister.h"
#include "platform/qt/QtText.h"
#include "platform/qt/TopWindow.h"
#include "platform/qt/WaveFile.h"
#include "platform/qt/X11Windows.h"

#ifdef VQ_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace fw::qt {

namespace {

const QEvent::Type kWakeEvent = QEvent::Type(QEvent::User + 17);
// While a message box or menu runs Qt's own loop, the core's timers still have to fire.
constexpr int kNestedPumpMs = 10;

class Waker : public QObject {
public:
    explicit Waker(QtBackend& backend) : backend_(backend) {}
    bool event(QEvent* event) override {
        if (event->type() == kWakeEvent) {
            backend_.OnWakeEvent();
            return true;
        }
        return QObject::event(event);
    }

private:
    QtBackend& backend_;
};

QImage ToImage(const Bitmap& b) {
    if (b.IsNull()) {
        return {};
    }
    QImage image = QImage(reinterpret_cast<const uchar*>(b.Pixels().data()), b.DeviceWidth(),
                          b.DeviceHeight(), qsizetype(b.DeviceWidth()) * 4, QImage::Format_RGB32)
                       .copy();
    image.setDevicePixelRatio(b.Scale());
    return image;
}

QIcon IconOf(HICON icon) {
    if (icon == 0) {
        return {};
    }
    std::shared_ptr<const Bitmap> b = Resources::Global().LoadIcon(icon);
    if (!b) {
        return {};
    }
    // Both sizes as plain pixmaps: the desktop asks for an icon size times its scale and
    // the icon answers with the drawn 2x picture instead of an enlarged 1x one.
    QIcon out;
    for (const Bitmap* size : {b.get(), b->DoubleSize().get()}) {
        if (size != nullptr) {
            QImage image = ToImage(*size);
            image.setDevicePixelRatio(1);
            out.addPixmap(QPixmap::fromImage(image));
        }
    }
    return out;
}

QRegion ToRegion(const Region& region) {
    QRegion out;
    for (const Rect& r : region.Rects()) {
        out += QRect(r.left, r.top, r.Width(), r.Height());
    }
    return out;
}

Rect ToRect(const QRect& r) {
    return Rect::FromXYWH(r.x(), r.y(), r.width(), r.height());
}

QString Lines(const std::string& gbk) {
    QString s = FromGbk(gbk);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool XDisplayReachable() {
#ifdef VQ_HAVE_XCB
    if (!IsSet(std::getenv("DISPLAY"))) {
        return false;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return ok;
#else
    return IsSet(std::getenv("DISPLAY"));
#endif
}

// The compositor's socket: $WAYLAND_DISPLAY, relative to $XDG_RUNTIME_DIR unless absolute.
bool WaylandDisplayReachable() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!IsSet(name)) {
        name = "wayland-0";
    }
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!IsSet(runtime)) {
            return false;
        }
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Qt's Wayland platform is a plugin of its own (Debian: qt6-wayland).
bool WaylandPluginInstalled() {
    QStringList folders = QString::fromLocal8Bit(qgetenv("QT_PLUGIN_PATH"))
                              .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& folder : folders) {
        const QDir platforms(folder + QStringLiteral("/platforms"));
        if (!platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty()) {
            return true;
        }
    }
    return false;
}

// The desktop connection must be there before Qt is asked for it: Qt ends the process
// when it cannot open its display, and the program would rather run headless.
bool DisplayReachable() {
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    if (IsSet(qpa) && std::strncmp(qpa, "wayland", 7) == 0) {
        return WaylandDisplayReachable() && WaylandPluginInstalled();
    }
    const bool x11 = !IsSet(qpa) || std::strncmp(qpa, "xcb", 3) == 0;
    return !x11 || XDisplayReachable();
}

bool EnsureApplication() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        return true;
    }
    if (QCoreApplication::instance() != nullptr) {
        return false;  // a non-widget application object: no windows possible
    }
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    const std::string forced =
        ForcedPlatform(wayland, qpa, IsSet(wayland) && !IsSet(qpa) && XDisplayReachable());
    if (!forced.empty()) {
        setenv("QT_QPA_PLATFORM", forced.c_str(), 1);
    }
    if (!DisplayReachable()) {
        return false;
    }
    // The page views come later and share one GL context set-up.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    static int argc = 1;
    static char name[] = "Orvanel";
    static char* argv[] = {name, nullptr};
    // Kept for the rest of the process: page views and the desktop connection outlive
    // any one backend, and Qt cannot be started twice.
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Lets a Wayland desktop tie the windows to the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.velquor.Velquor"));
    InstallAccessibility();
    return true;
}

void FillMenu(QMenu* menu, const std::vector<MenuItem>& items, UINT defaultId) {
    for (const MenuItem& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            FillMenu(menu->addMenu(FromGbk(item.text)), item.items, defaultId);
        } else {
            QAction* action = menu->addAction(FromGbk(item.text));
            action->setData(QVariant::fromValue<uint>(item.id));
            if (item.isDefault || (defaultId != 0 && item.id == defaultId)) {
                QFont bold = action->font();
                bold.setBold(true);
                action->setFont(bold);
            }
        }
    }
}

}  // namespace

std::string ForcedPlatform(const char* waylandDisplay, const char* qpaPlatform, bool xReachable) {
    // The pop-ups place themselves in the screen corner, which only X allows: a Wayland
    // session runs through XWayland when it can, else natively (pop-ups become desktop
    // notes there). A platform asked for stands.
    if (!IsSet(waylandDisplay) || IsSet(qpaPlatform)) {
        return "";
    }
    return xReachable ? "xcb" : "wayland";
}

// ---- Registration ----

void RegisterBackend() {
    fw::RegisterBackend("qt", [] { return CreateBackend(); });
}

std::unique_ptr<Backend> CreateBackend() {
    if (!EnsureApplication()) {
        return nullptr;
    }
    return std::make_unique<QtBackend>();
}

// ---- Life ----

QtBackend::QtBackend() : start_(std::chrono::steady_clock::now()) {
    waker_ = new Waker(*this);
    QObject::connect(qApp, &QApplication::focusChanged, waker_, [this](QWidget*, QWidget* now) {
        if (now == nullptr || Applying()) {
            return;
        }
        const QVariant v = now->property("vqHwnd");
        if (v.isValid()) {
            const HWND hwnd = HWND(v.toULongLong());
            if (Find(hwnd) != nullptr && fw::GetFocus() != hwnd) {
                Scope scope(*this);
                ApplyingScope applying(*this);
                input::Focus(hwnd);
            }
            return;
        }
        // Another of our top-level windows came forward: the keyboard left the window that
        // had it (an emoticon picker closes then). Within one window the focus stays.
        if (auto* top = dynamic_cast<TopWindow*>(now); top != nullptr &&
                                                       Find(top->Hwnd()) != nullptr &&
                                                       TopOf(fw::GetFocus()) != top->Hwnd()) {
            Scope scope(*this);
            ApplyingScope applying(*this);
            input::Focus(top->Hwnd());
        }
    });
    QObject::connect(
        qApp, &QApplication::applicationStateChanged, waker_, [this](Qt::ApplicationState state) {
            // Another program has the keyboard now.
            if (state != Qt::ApplicationActive && !Applying() && fw::GetFocus() != kNoWindow) {
                Scope scope(*this);
                input::Focus(kNoWindow);
            }
        });
}

QtBackend::~QtBackend() {
    for (TrayEntry& t : trays_) {
        delete t.icon;
    }
    trays_.clear();
    for (auto& [id, effect] : sounds_) {
        delete effect;
    }
    sounds_.clear();
    for (auto& [hwnd, e] : windows_) {
        if (e.widget != nullptr && e.info.parent == kNoWindow) {
            graveyard_.push_back(e.widget);
        }
    }
    windows_.clear();
    FlushGraveyard();
    delete waker_;
}

// ---- Event loop ----

void QtBackend::ProcessEvents(int maxWaitMs) {
    if (handlerDepth_ == 0 && nestedDepth_ == 0) {
        FlushGraveyard();
        // Qt's own deferred deletions wait for an event loop that this one is not.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (maxWaitMs == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    QTimer deadline;
    if (maxWaitMs > 0) {
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        deadline.start(maxWaitMs);  // its expiry alone wakes the wait below
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtBackend::Wake() {
    if (!wakePending_.exchange(true)) {
        QCoreApplication::postEvent(waker_, new QEvent(kWakeEvent));
    }
}

void QtBackend::OnWakeEvent() {
    wakePending_ = false;
    // Outside Qt's own loops the core's loop runs its queue as soon as ProcessEvents returns.
    if (nestedDepth_ > 0) {
        PumpNested();
    }
}

void QtBackend::PumpNested() {
    if (pumping_) {
        return;
    }
    pumping_ = true;
    Scope scope(*this);
    fw::PumpPending();
    pumping_ = false;
}

int QtBackend::RunNested(const std::function<int()>& body) {
    ++nestedDepth_;
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, &pump, [this] { PumpNested(); });
    pump.start(kNestedPumpMs);
    const int result = body();
    pump.stop();
    --nestedDepth_;
    return result;
}

std::int64_t QtBackend::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

// ---- Model lookups ----

QtBackend::WindowEntry* QtBackend::Entry(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
}

const QtBackend::WindowEntry* QtBackend::Find(HWND hwnd) const {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
}

bool QtBackend::InfoOf(HWND hwnd, WindowInfo& info) const {
    const WindowEntry* e = Find(hwnd);
    if (e == nullptr) {
        return false;
    }
    info = e->info;
    return true;
}

HWND QtBackend::TopOf(HWND hwnd) const {
    for (int guard = 0; guard < 64; ++guard) {
        const WindowEntry* e = Find(hwnd);
        if (e == nullptr) {
            return kNoWindow;
        }
        if (e->info.parent == kNoWindow) {
            return hwnd;
        }
        hwnd = e->info.parent;
    }
    return kNoWindow;
}

QPoint QtBackend::OffsetInTop(HWND hwnd) const {
    QPoint at;
    for (const WindowEntry* e = Find(hwnd); e != nullptr && e->info.parent != kNoWindow;
         e = Find(e->info.parent)) {
        at += QPoint(e->info.rect.left, e->info.rect.top);
    }
    return at;
}

bool QtBackend::ShownChain(HWND hwnd) const {
    for (const WindowEntry* e = Find(hwnd); e != nullptr && e->info.parent != kNoWindow;
         e = Find(e->info.parent)) {
        if (!e->info.visible) {
            return false;
        }
    }
    return true;
}

TopWindow* QtBackend::TopWidget(HWND hwnd) const {
    const WindowEntry* e = Find(TopOf(hwnd));
    return e == nullptr ? nullptr : static_cast<TopWindow*>(e->widget.data());
}

QWidget* QtBackend::Widget(HWND hwnd) const {
    const WindowEntry* e = Find(hwnd);
    return e == nullptr ? nullptr : e->widget.data();
}

void* QtBackend::NativeHandle(HWND hwnd) {
    return Widget(hwnd);
}

// ---- Windows ----

void QtBackend::WindowCreated(const WindowInfo& info) {
    WindowEntry& e = windows_[info.hwnd];
    e.info = info;
    if (info.parent == kNoWindow) {
        MakeTop(e);
    } else if (IsNativeKind(info)) {
        MakeNative(e);
    }
}

void QtBackend::MakeTop(WindowEntry& e) {
    e.widget = new TopWindow(*this, e.info.hwnd);
    ApplyTop(e, ~0u);
}

void QtBackend::ApplyTop(WindowEntry& e, std::uint32_t bits) {
    auto* w = static_cast<TopWindow*>(e.widget.data());
    if (w == nullptr) {
        return;
    }
    const WindowInfo& i = e.info;
    w->SetPlacing(true);
    if ((bits & kChangeStyle) != 0) {
        Qt::WindowFlags flags = Qt::Window;
        if ((i.style & WS_CAPTION) == WS_CAPTION) {
            flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if ((i.style & WS_MINIMIZEBOX) != 0) {
                flags |= Qt::WindowMinimizeButtonHint;
            }
        } else {
            flags |= Qt::FramelessWindowHint;
        }
        const bool tool = (i.exStyle & WS_EX_TOOLWINDOW) != 0;
        const bool topmost = (i.exStyle & WS_EX_TOPMOST) != 0;
        if (tool) {
            flags |= Qt::Tool;
        }
        if (topmost) {
            flags |= Qt::WindowStaysOnTopHint;
        }
        // Alert pop-ups must not take the keyboard from what the user is doing.
        w->setAttribute(Qt::WA_ShowWithoutActivating, tool && topmost);
        if (w->windowFlags() != flags) {
            w->setWindowFlags(flags);  // hides the widget; shown again below
            bits |= kChangeVisible | kChangeRect | kChangeRegion;
        }
        if (const WindowEntry* owner = Find(i.owner);
            owner != nullptr && owner->widget != nullptr) {
            w->winId();
            owner->widget->winId();
            if (w->windowHandle() != nullptr) {
                w->windowHandle()->setTransientParent(owner->widget->windowHandle());
            }
        }
    }
    if ((bits & kChangeText) != 0) {
        w->setWindowTitle(FromGbk(i.text));
    }
    if ((bits & kChangeIcon) != 0) {
        w->setWindowIcon(IconOf(i.bigIcon != 0 ? i.bigIcon : i.smallIcon));
    }
    if ((bits & kChangeRect) != 0) {
        const QRect r(i.rect.left, i.rect.top, std::max(0, i.rect.Width()),
                      std::max(0, i.rect.Height()));
        if (w->geometry() != r) {
            w->setGeometry(r);
        }
        w->Invalidate();
    }
    if ((bits & kChangeRegion) != 0) {
        if (i.hasRegion) {
            w->setMask(ToRegion(i.region));
        } else {
            w->clearMask();
        }
    }
    if ((bits & (kChangeVisible | kChangeMinimized)) != 0) {
        if (!i.visible) {
            w->hide();
        } else if (i.minimized) {
            w->showMinimized();
        } else if (w->isMinimized()) {
            w->showNormal();
        } else if (!w->isVisible()) {
            w->show();
        }
    }
    if ((bits & kChangeZOrder) != 0 && i.visible) {
        const std::vector<HWND> tops = GetTopLevelWindows();
        if (!tops.empty() && tops.front() == i.hwnd) {
            w->raise();
        }
    }
    w->SetPlacing(false);
}

void QtBackend::MakeNative(WindowEntry& e) {
    TopWindow* top = TopWidget(e.info.hwnd);
    if (top == nullptr) {
        return;
    }
    e.widget = MakeControl(*this, e.info, top);
    if (e.widget == nullptr) {
        return;
    }
    ApplyControl(*this, e, ~0u);
    PlaceNatives(TopOf(e.info.hwnd));
}

void QtBackend::PlaceNatives(HWND top) {
    for (auto& [hwnd, e] : windows_) {
        if (e.widget == nullptr || e.info.parent == kNoWindow || TopOf(hwnd) != top) {
            continue;
        }
        const QPoint at = OffsetInTop(hwnd);
        const QRect r(at,
                      QSize(std::max(0, e.info.rect.Width()), std::max(0, e.info.rect.Height())));
        if (e.widget->geometry() != r) {
            e.widget->setGeometry(r);
        }
        e.widget->setVisible(ShownChain(hwnd));
    }
}

void QtBackend::WindowChanged(const WindowInfo& info, std::uint32_t changeBits) {
    WindowEntry* e = Entry(info.hwnd);
    if (e == nullptr) {
        WindowCreated(info);
        return;
    }
    e->info = info;
    if (info.parent == kNoWindow) {
        ApplyTop(*e, changeBits);
        if ((changeBits & (kChangeRect | kChangeVisible)) != 0) {
            PlaceNatives(info.hwnd);
        }
        return;
    }
    const bool wanted = IsNativeKind(info);
    if (wanted && e->widget == nullptr) {
        MakeNative(*e);
    } else if (!wanted && e->widget != nullptr) {
        // A push button a drawn button took over: the picture shows it from now on.
        Bury(e->widget);
        e->widget = nullptr;
        InvalidateWindow(info.hwnd);
    } else if (e->widget != nullptr && info.hwnd != reporting_) {
        ApplyControl(*this, *e, changeBits);
    }
    if ((changeBits & (kChangeRect | kChangeVisible)) != 0) {
        PlaceNatives(TopOf(info.hwnd));
    }
}

void QtBackend::WindowDestroyed(HWND hwnd) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) {
        return;
    }
    if (it->second.widget != nullptr) {
        Bury(it->second.widget);
    }
    windows_.erase(it);
    std::erase(trackingLeave_, hwnd);
    if (lastHit_ == hwnd) {
        lastHit_ = kNoWindow;
    }
    // An icon whose owner has gone would stay in the tray with nobody to answer it.
    for (auto t = trays_.begin(); t != trays_.end();) {
        if (t->owner == hwnd) {
            delete t->icon;
            t = trays_.erase(t);
        } else {
            ++t;
        }
    }
}

void QtBackend::Bury(QWidget* w) {
    w->hide();
    graveyard_.push_back(w);
}

void QtBackend::FlushGraveyard() {
    std::vector<QPointer<QWidget>> dead;
    dead.swap(graveyard_);
    for (QPointer<QWidget>& w : dead) {
        delete w.data();
    }
}

void QtBackend::InvalidateWindow(HWND hwnd) {
    if (TopWindow* w = TopWidget(hwnd)) {
        w->Invalidate();
    }
}

void QtBackend::UpdateWindow(HWND hwnd) {
    if (TopWindow* w = TopWidget(hwnd)) {
        Scope scope(*this);
        w->RenderNow();
        w->update();
    }
}

QImage QtBackend::Render(HWND hwnd) {
    // Native check boxes and radio buttons are see-through: the picture under them is the
    // parent's, not the core's drawing of the same control.
    const TopWindow* top = TopWidget(hwnd);
    std::vector<TextRecord> texts;
    return ToImage(fw::RenderWindowAtScale(
        hwnd, top != nullptr ? top->RenderScale() : 1, texts, [this](HWND child) {
            const WindowEntry* e = Find(child);
            return e != nullptr && e->widget != nullptr &&
                   (e->info.kind == ControlKind::CheckBox || e->info.kind == ControlKind::Radio);
        }));
}

void QtBackend::SyncFromModel(HWND hwnd) {
    WindowInfo info;
    WindowEntry* e = Entry(hwnd);
    if (e == nullptr || !GetWindowInfo(hwnd, info)) {
        return;
    }
    e->info = info;
    ApplyControl(*this, *e, ~0u & ~kChangeFont);
}

void QtBackend::StartSystemMove(HWND hwnd) {
    TopWindow* w = TopWidget(hwnd);
    if (w == nullptr) {
        return;
    }
    QWindow* window = w->windowHandle();
    if (window == nullptr || !window->startSystemMove()) {
        w->BeginManualMove();
    }
}

bool QtBackend::SetForeground(HWND hwnd) {
    TopWindow* w = TopWidget(hwnd);
    if (w == nullptr) {
        return false;
    }
    w->raise();
    w->activateWindow();
    return true;
}

void QtBackend::SetFocus(HWND hwnd) {
    ApplyingScope applying(*this);
    QWidget* target = Widget(hwnd);
    if (target == nullptr || Find(hwnd)->info.parent == kNoWindow) {
        target = TopWidget(hwnd);
    }
    if (target == nullptr) {
        return;
    }
    target->setFocus(Qt::OtherFocusReason);
    // The keyboard going to another window brings that window forward, as on a desktop;
    // otherwise Qt would keep the keyboard where it was and never report the user leaving.
    if (target->isVisible() && !target->window()->isActiveWindow()) {
        target->window()->activateWindow();
    }
}

void QtBackend::TrackMouseLeave(HWND hwnd) {
    if (std::find(trackingLeave_.begin(), trackingLeave_.end(), hwnd) == trackingLeave_.end()) {
        trackingLeave_.push_back(hwnd);
    }
}

// ---- Mouse ----

HWND QtBackend::HitTest(HWND from, Point p, Point& local) const {
    HWND current = from;
    Point q = p;
    for (int depth = 0; depth < 64; ++depth) {
        HWND next = kNoWindow;
        const std::vector<HWND> children = GetChildWindows(current);  // bottom first
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const WindowEntry* c = Find(*it);
            if (c == nullptr || c->widget != nullptr) {
                continue;  // native widgets get their own events
            }
            const WindowInfo& ci = c->info;
            // Disabled and hidden windows let the click through to their parent.
            if (!ci.visible || !ci.enabled || !ci.rect.Contains(q)) {
                continue;
            }
            const Point in{q.x - ci.rect.left, q.y - ci.rect.top};
            if (ci.hasRegion && !ci.region.Contains(in)) {
                continue;
            }
            next = *it;
            q = in;
            break;
        }
        if (next == kNoWindow) {
            break;
        }
        current = next;
    }
    local = q;
    return current;
}

void QtBackend::ReportMouse(HWND origin, UINT message, Point p, UINT keys) {
    Scope scope(*this);
    Point local;
    const HWND target = HitTest(origin, p, local);
    if (message == WM_MOUSEMOVE && target != lastHit_) {
        lastHit_ = target;
        // A window that wants another cursor says so again (WM_SETCURSOR).
        if (TopWindow* top = TopWidget(target)) {
            top->unsetCursor();
        }
    }
    input::Mouse(target, message, local, keys);
}

void QtBackend::ReportLeave(HWND top) {
    Scope scope(*this);
    std::vector<HWND> leaving;
    for (HWND h : trackingLeave_) {
        if (TopOf(h) == top) {
            leaving.push_back(h);
        }
    }
    std::erase_if(trackingLeave_, [&](HWND h) {
        return std::find(leaving.begin(), leaving.end(), h) != leaving.end();
    });
    lastHit_ = kNoWindow;
    for (HWND h : leaving) {
        fw::SendMessage(h, WM_MOUSELEAVE, 0, 0);
    }
}

// ---- Desktop ----

Rect QtBackend::WorkArea() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s == nullptr ? Rect{} : ToRect(s->availableGeometry());
}

Size QtBackend::ScreenSize() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s == nullptr ? Size{} : Size{s->geometry().width(), s->geometry().height()};
}

Point QtBackend::CursorPos() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void QtBackend::SetCursor(Cursor cursor) {
    TopWindow* top = TopWidget(lastHit_);
    if (top == nullptr) {
        return;
    }
    top->setCursor(cursor == Cursor::Hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// ---- Modal UI ----

int QtBackend::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                          UINT flags) {
    Scope scope(*this);
    QMessageBox box;
    box.setWindowTitle(FromGbk(caption));
    box.setText(Lines(text));
    switch (flags & MB_ICONMASK) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONEXCLAMATION:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    const UINT type = flags & MB_TYPEMASK;
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    int answers[2] = {IDOK, IDCANCEL};
    if (type == MB_YESNO) {
        first = box.addButton(QMessageBox::Yes);
        second = box.addButton(QMessageBox::No);
        answers[0] = IDYES;
        answers[1] = IDNO;
    } else if (type == MB_OKCANCEL) {
        first = box.addButton(QMessageBox::Ok);
        second = box.addButton(QMessageBox::Cancel);
    } else {
        first = box.addButton(QMessageBox::Ok);
    }
    box.setDefaultButton(first);
    if (second != nullptr) {
        box.setEscapeButton(second);
    }
    if (TopWindow* top = TopWidget(owner)) {
        box.winId();
        if (box.windowHandle() != nullptr && top->windowHandle() != nullptr) {
            box.windowHandle()->setTransientParent(top->windowHandle());
        }
    }
    // Not parented to the owner: the owner may be destroyed while the box is open.
    RunNested([&] { return box.exec(); });
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked != nullptr && clicked == first) {
        return answers[0];
    }
    if (clicked != nullptr && clicked == second) {
        return answers[1];
    }
    return type == MB_YESNO ? IDNO : (clicked == nullptr ? IDCANCEL : IDOK);
}

UINT QtBackend::TrackPopupMenu(const MenuItem& menu, UINT defaultId, Point screen, HWND owner) {
    (void)owner;
    Scope scope(*this);
    QMenu popup;
    FillMenu(&popup, menu.items, defaultId);
    QAction* chosen = nullptr;
    RunNested([&] {
        chosen = popup.exec(QPoint(screen.x, screen.y));
        return 0;
    });
    return chosen == nullptr ? 0 : chosen->data().toUInt();
}

// A Wayland compositor places top-level windows itself; clients cannot ask for a spot.
bool QtBackend::CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// ---- Tray ----

bool QtBackend::TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtBackend::NotifyIcon(DWORD op, const NotifyIconData& data) {
    auto it = std::find_if(trays_.begin(), trays_.end(), [&](const TrayEntry& t) {
        return t.owner == data.hWnd && t.id == data.uID;
    });
    auto apply = [&](TrayEntry& t) {
        if ((data.uFlags & NIF_ICON) != 0) {
            QIcon icon = IconOf(data.hIcon);
            if (icon.isNull()) {
                QPixmap blank(16, 16);
                blank.fill(Qt::transparent);
                icon = QIcon(blank);
            }
            t.icon->setIcon(icon);
        }
        if ((data.uFlags & NIF_TIP) != 0) {
            t.icon->setToolTip(
                FromGbk(std::string(data.szTip, strnlen(data.szTip, sizeof(data.szTip)))));
        }
        if ((data.uFlags & NIF_MESSAGE) != 0) {
            t.callback = data.uCallbackMessage;
        }
    };
    switch (op) {
        case NIM_ADD: {
            if (!TrayAvailable() || it != trays_.end() || !fw::IsWindow(data.hWnd)) {
                return false;
            }
            TrayEntry t;
            t.owner = data.hWnd;
            t.id = data.uID;
            t.icon = new QSystemTrayIcon();
            QSystemTrayIcon* raw = t.icon;
            QObject::connect(raw, &QSystemTrayIcon::activated, raw,
                             [this, raw](QSystemTrayIcon::ActivationReason why) {
                                 auto found = std::find_if(
                                     trays_.begin(), trays_.end(),
                                     [raw](const TrayEntry& e) { return e.icon == raw; });
                                 if (found == trays_.end() || found->callback == 0) {
                                     return;
                                 }
                                 UINT mouse = 0;
                                 if (why == QSystemTrayIcon::Context) {
                                     mouse = WM_RBUTTONUP;
                                 } else if (why == QSystemTrayIcon::DoubleClick) {
                                     mouse = WM_LBUTTONDBLCLK;
                                 } else if (why == QSystemTrayIcon::Trigger) {
                                     mouse = WM_LBUTTONUP;
                                 } else {
                                     return;
                                 }
                                 Scope scope(*this);
                                 input::TrayEvent(found->owner, found->id, found->callback, mouse);
                             });
            apply(t);
            t.icon->show();
            trays_.push_back(t);
            return true;
        }
        case NIM_MODIFY:
            if (it == trays_.end()) {
                return false;
            }
            apply(*it);
            return true;
        case NIM_DELETE:
            if (it == trays_.end()) {
                return false;
            }
            delete it->icon;
            trays_.erase(it);
            return true;
        default:
            return false;
    }
}

// ---- Sound, shell ----

bool QtBackend::PlaySound(UINT resourceId, const std::vector<std::uint8_t>& wav) {
    if (!ParseWave(wav)) {
        return false;
    }
    if (QMediaDevices::audioOutputs().isEmpty()) {
        return true;  // nowhere to play: silent, and not the caller's failure
    }
    QSoundEffect*& effect = sounds_[resourceId];
    if (effect == nullptr) {
        if (!soundDir_) {
            soundDir_ = std::make_unique<QTemporaryDir>();
        }
        const QString path = soundDir_->filePath(QStringLiteral("sound%1.wav").arg(resourceId));
        QFile file(path);
        if (!soundDir_->isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(wav.data()), qint64(wav.size())) !=
                qint64(wav.size())) {
            sounds_.erase(resourceId);
            return false;
        }
        file.close();
        effect = new QSoundEffect(waker_);
        effect->setSource(QUrl::fromLocalFile(path));
    }
    effect->play();
    return true;
}

bool QtBackend::OpenUrl(const std::string& url) {
    const QString address = FromGbk(url).trimmed();
    // A leading dash would reach the opener as an option instead of an address.
    if (address.isEmpty() || address.startsWith(QChar('-'))) {
        return false;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        return QProcess::startDetached(opener, {address});
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

bool QtBackend::StartProcess(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args) {
        list << FromGbk(a);
    }
    return QProcess::startDetached(FromGbk(program), list);
}

std::vector<TopLevelWindow> QtBackend::ForeignTopLevelWindows() {
    std::vector<TopLevelWindow> out;
#ifdef VQ_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return out;
    }
    std::vector<std::uint32_t> own;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->internalWinId() != 0) {
            own.push_back(std::uint32_t(w->internalWinId()));
        }
    }
    for (x11::XWindow& w : x11::ListTopLevels(x11->connection(), own)) {
        out.push_back(TopLevelWindow{w.id, std::move(w.title), false, w.visible});
    }
#endif
    return out;
}

bool QtBackend::BringForeignToForeground(std::uint64_t id) {
#ifdef VQ_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && QGuiApplication::platformName() == QLatin1String("xcb") &&
        id <= 0xFFFFFFFFu) {
        return x11::Activate(x11->connection(), std::uint32_t(id));
    }
#else
    (void)id;
#endif
    return false;
}

void QtBackend::ModalLoopStarted(HWND dialog) {
    if (modalHook_) {
        modalHook_(dialog);
    }
}

TextRenderer QtBackend::GetTextRenderer() {
    return [](Bitmap& target, const Rect& clip, const TextRecord& record) {
        RenderText(target, clip, record);
    };
}

}  // namespace fw::qt
