#pragma once
// The Qt 6 backend: each top-level window of the core is a frameless QWidget showing the
// picture the core renders, masked by the window's region; edits, rich edits, IP address
// fields, check boxes, radio buttons, plain push buttons and page/control sites are native
// widgets placed over the picture. What the user does goes back through fw::input.
//
// UI thread only, except Wake(). Widgets of destroyed windows are hidden at once and
// deleted when no event handler of ours is on the stack (a click may destroy the very
// window whose handler is running).

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/Backend.h"
#include "platform/Window.h"

class QObject;
class QSystemTrayIcon;
class QSoundEffect;
class QTemporaryDir;

namespace fw::qt {

class TopWindow;

class QtBackend final : public Backend {
public:
    QtBackend();
    ~QtBackend() override;

    std::string Name() const override { return "qt"; }
    void ProcessEvents(int maxWaitMs) override;
    void Wake() override;
    std::int64_t NowMs() override;

    void WindowCreated(const WindowInfo& info) override;
    void WindowChanged(const WindowInfo& info, std::uint32_t changeBits) override;
    void WindowDestroyed(HWND hwnd) override;
    void InvalidateWindow(HWND hwnd) override;
    void UpdateWindow(HWND hwnd) override;
    void StartSystemMove(HWND hwnd) override;
    bool SetForeground(HWND hwnd) override;
    void SetFocus(HWND hwnd) override;
    void TrackMouseLeave(HWND hwnd) override;
    void* NativeHandle(HWND hwnd) override;

    Rect WorkArea() override;
    Size ScreenSize() override;
    Point CursorPos() override;
    void SetCursor(Cursor cursor) override;

    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT flags) override;
    UINT TrackPopupMenu(const MenuItem& menu, UINT defaultId, Point screen, HWND owner) override;

    bool CanPlaceWindows() override;
    bool TrayAvailable() override;
    bool NotifyIcon(DWORD op, const NotifyIconData& data) override;
    bool PlaySound(UINT resourceId, const std::vector<std::uint8_t>& wav) override;
    bool OpenUrl(const std::string& url) override;
    bool StartProcess(const std::string& program, const std::vector<std::string>& args) override;
    std::vector<TopLevelWindow> ForeignTopLevelWindows() override;
    bool BringForeignToForeground(std::uint64_t id) override;
    TextRenderer GetTextRenderer() override;
    void ModalLoopStarted(HWND dialog) override;
    int StallTimeoutMs() override { return stallTimeoutMs_; }

    // ---- For tests ----
    // Runs inside each modal dialog's loop as it starts.
    void SetModalHook(std::function<void(HWND)> hook) { modalHook_ = std::move(hook); }
    // A modal loop idle for this long ends with -1 (default: never, as on a desktop).
    void SetStallTimeoutMs(int ms) { stallTimeoutMs_ = ms; }

    // ---- For the widgets ----
    // An editor's text as shown: UTF-16 with one line break per "\r\n" and U+FFFC per
    // picture, and for each position the character index in the core's text.
    struct ShownText {
        QString text;
        std::vector<int> coreIndex;  // text.size() + 1 entries
        std::vector<RichItem> rich;  // the rich edit content the widget was built from
    };
    struct WindowEntry {
        WindowInfo info;
        QPointer<QWidget> widget;  // TopWindow for top-level windows, the native control else
        ShownText shown;
    };
    WindowEntry* Entry(HWND hwnd);
    // Marks a stretch of code that runs inside one of our event handlers; widgets are
    // deleted only outside every such stretch.
    class Scope {
    public:
        explicit Scope(QtBackend& b) : b_(b) { ++b_.handlerDepth_; }
        ~Scope() { --b_.handlerDepth_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        QtBackend& b_;
    };
    // Marks the control whose user input is being reported: its own change notices
    // must not put the old state back into the widget meanwhile.
    class ReportingScope {
    public:
        ReportingScope(QtBackend& b, HWND hwnd) : b_(b), old_(b.reporting_) {
            b_.reporting_ = hwnd;
        }
        ~ReportingScope() { b_.reporting_ = old_; }
        ReportingScope(const ReportingScope&) = delete;
        ReportingScope& operator=(const ReportingScope&) = delete;

    private:
        QtBackend& b_;
        HWND old_;
    };
    // True while the backend itself puts the model into widgets (their change signals are
    // then not user input).
    bool Applying() const { return applying_ > 0; }
    // The deepest painted window under `p` (client coordinates of `from`), skipping hidden,
    // disabled and natively shown windows; `local` gets the point in its coordinates.
    HWND HitTest(HWND from, Point p, Point& local) const;
    // A mouse message at `p` in `origin`'s client coordinates, routed to the window under it.
    void ReportMouse(HWND origin, UINT message, Point p, UINT keys);
    // The pointer left the top-level window `top`.
    void ReportLeave(HWND top);
    // Reads the model of a native control into its widget.
    void SyncFromModel(HWND hwnd);
    bool InfoOf(HWND hwnd, WindowInfo& info) const;
    // The picture of top-level `hwnd`, rendered now.
    QImage Render(HWND hwnd);
    TopWindow* TopWidget(HWND hwnd) const;
    QWidget* Widget(HWND hwnd) const;
    // The message loop nesting of MessageBox/TrackPopupMenu: the core's queue and timers
    // keep running inside them.
    void PumpNested();
    void OnWakeEvent();

private:
    struct TrayEntry {
        HWND owner = kNoWindow;
        UINT id = 0;
        UINT callback = 0;
        QSystemTrayIcon* icon = nullptr;
    };

    const WindowEntry* Find(HWND hwnd) const;
    HWND TopOf(HWND hwnd) const;
    // Client offset of `hwnd` inside its top-level window, and whether it and all its
    // parents are shown.
    QPoint OffsetInTop(HWND hwnd) const;
    bool ShownChain(HWND hwnd) const;
    bool WantsNative(const WindowInfo& info) const;
    void MakeTop(WindowEntry& e);
    void ApplyTop(WindowEntry& e, std::uint32_t bits);
    void MakeNative(WindowEntry& e);
    void PlaceNatives(HWND top);
    void Bury(QWidget* w);
    void FlushGraveyard();
    int RunNested(const std::function<int()>& body);

    std::map<HWND, WindowEntry> windows_;
    std::vector<QPointer<QWidget>> graveyard_;
    std::vector<HWND> trackingLeave_;
    std::vector<TrayEntry> trays_;
    std::map<UINT, QSoundEffect*> sounds_;
    std::unique_ptr<QTemporaryDir> soundDir_;
    QObject* waker_ = nullptr;
    std::atomic<bool> wakePending_{false};
    int handlerDepth_ = 0;
    int nestedDepth_ = 0;
    int applying_ = 0;
    bool pumping_ = false;
    HWND lastHit_ = kNoWindow;
    HWND reporting_ = kNoWindow;
    std::function<void(HWND)> modalHook_;
    int stallTimeoutMs_ = -1;
    std::chrono::steady_clock::time_point start_;

    friend class ApplyingScope;
};

// The Qt platform to force for this environment ("" for none): on a Wayland session, xcb
// when an X display is reachable (XWayland), else wayland; QT_QPA_PLATFORM set stands.
std::string ForcedPlatform(const char* waylandDisplay, const char* qpaPlatform, bool xReachable);

// Sets the backend's "applying" mark for the life of the object.
class ApplyingScope {
public:
    explicit ApplyingScope(QtBackend& b) : b_(b) { ++b_.applying_; }
    ~ApplyingScope() { --b_.applying_; }
    ApplyingScope(const ApplyingScope&) = delete;
    ApplyingScope& operator=(const ApplyingScope&) = delete;

private:
    QtBackend& b_;
};

}  // namespace fw::qt
