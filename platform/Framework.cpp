#include "platform/Framework.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/Backend.h"
#include "platform/Internal.h"

namespace fw {

namespace detail {

Core& GetCore() {
    static Core core;
    return core;
}

WindowData* Find(HWND hwnd) {
    Core& c = GetCore();
    auto it = c.windows.find(hwnd);
    return it == c.windows.end() ? nullptr : it->second.get();
}

void Enqueue(QueueItem item) {
    Core& c = GetCore();
    {
        std::lock_guard<std::mutex> lock(c.queueLock);
        c.queue.push_back(std::move(item));
    }
    if (c.backend) {
        c.backend->Wake();
    }
}

namespace {

void Complete(const std::shared_ptr<SendState>& reply, LRESULT result) {
    if (!reply) {
        return;
    }
    std::lock_guard<std::mutex> lock(reply->lock);
    reply->result = result;
    reply->done = true;
    reply->cv.notify_all();
}

// Handles what was queued before this call; later items wait for the next round, so a
// window that posts to itself cannot starve the loop.
bool DrainQueue() {
    Core& c = GetCore();
    std::deque<QueueItem> items;
    {
        std::lock_guard<std::mutex> lock(c.queueLock);
        items.swap(c.queue);
    }
    for (QueueItem& item : items) {
        LRESULT result = 0;
        if (item.task) {
            item.task();
        } else {
            result = Dispatch(item.hwnd, item.message, item.wParam, item.lParam);
        }
        if (item.after) {
            item.after();
        }
        Complete(item.reply, result);
    }
    return !items.empty();
}

std::int64_t Now() {
    Core& c = GetCore();
    return c.backend ? c.backend->NowMs() : 0;
}

bool FireDueTimers() {
    Core& c = GetCore();
    const std::int64_t now = Now();
    // Each due timer fires once per round; a late timer is not replayed (real clocks).
    std::vector<std::pair<HWND, UINT>> due;
    std::vector<Timer> sorted = c.timers;
    std::sort(sorted.begin(), sorted.end(), [](const Timer& a, const Timer& b) {
        return a.due != b.due ? a.due < b.due : a.seq < b.seq;
    });
    for (const Timer& t : sorted) {
        if (t.due <= now) {
            due.emplace_back(t.hwnd, t.id);
        }
    }
    for (const auto& entry : due) {
        const HWND hwnd = entry.first;
        const UINT id = entry.second;
        auto it = std::find_if(c.timers.begin(), c.timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it == c.timers.end() || it->due > now) {
            continue;  // killed or reset by an earlier handler
        }
        it->due = std::max(it->due + it->period, now + 1);
        Dispatch(hwnd, WM_TIMER, id, 0);
    }
    return !due.empty();
}

std::int64_t NextTimerDue() {
    Core& c = GetCore();
    std::int64_t next = INT64_MAX;
    for (const Timer& t : c.timers) {
        next = std::min(next, t.due);
    }
    return next;
}

}  // namespace

void FireTimersUpTo(std::int64_t target, const std::function<void(std::int64_t)>& setClock) {
    Core& c = GetCore();
    for (;;) {
        const Timer* first = nullptr;
        for (const Timer& t : c.timers) {
            if (t.due <= target && (first == nullptr || t.due < first->due ||
                                    (t.due == first->due && t.seq < first->seq))) {
                first = &t;
            }
        }
        if (first == nullptr) {
            break;
        }
        const HWND hwnd = first->hwnd;
        const UINT id = first->id;
        const std::int64_t when = first->due;
        setClock(when);
        // Rescheduled before the handler runs, so the handler may kill or reset it.
        auto it = std::find_if(c.timers.begin(), c.timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        it->due = when + it->period;
        Dispatch(hwnd, WM_TIMER, id, 0);
        DrainQueue();
    }
    setClock(target);
}

void RemoveTimers(HWND hwnd) {
    Core& c = GetCore();
    std::erase_if(c.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

bool RunOnce(int maxWaitMs) {
    Core& c = GetCore();
    if (!c.backend) {
        return false;
    }
    c.backend->ProcessEvents(0);
    bool did = DrainQueue();
    did = FireDueTimers() || did;
    if (did || maxWaitMs == 0) {
        return did;
    }
    int wait = maxWaitMs;
    const std::int64_t next = NextTimerDue();
    if (next != INT64_MAX) {
        const std::int64_t until = std::max<std::int64_t>(0, next - Now());
        if (wait < 0 || until < wait) {
            wait = int(std::min<std::int64_t>(until, INT32_MAX));
        }
    }
    c.backend->ProcessEvents(wait);
    return false;
}

}  // namespace detail

using namespace detail;

// ---- Backend registry ----

namespace {

std::mutex& RegistryLock() {
    static std::mutex m;
    return m;
}
std::map<std::string, BackendFactory>& Registry() {
    static std::map<std::string, BackendFactory> r;
    return r;
}

}  // namespace

namespace headless {
std::unique_ptr<Backend> CreateBackend();
}

void RegisterBackend(const std::string& name, BackendFactory factory) {
    std::lock_guard<std::mutex> lock(RegistryLock());
    Registry()[name] = std::move(factory);
}

bool HasBackend(const std::string& name) {
    if (name == "headless") {
        return true;
    }
    std::lock_guard<std::mutex> lock(RegistryLock());
    return Registry().count(name) != 0;
}

std::unique_ptr<Backend> CreateBackend(const std::string& name) {
    if (name == "headless") {
        return headless::CreateBackend();
    }
    BackendFactory f;
    {
        std::lock_guard<std::mutex> lock(RegistryLock());
        auto it = Registry().find(name);
        if (it == Registry().end()) {
            return nullptr;
        }
        f = it->second;
    }
    return f();
}

std::string ChooseBackendName(int argc, char** argv) {
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr && std::strncmp(argv[i], "--backend=", 10) == 0) {
            return argv[i] + 10;
        }
    }
    if (const char* env = std::getenv("VQ_BACKEND"); env != nullptr && *env != '\0') {
        return env;
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool hasDisplay =
        (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
    if (hasDisplay && HasBackend("qt")) {
        return "qt";
    }
    return "headless";
}

// ---- Start and end ----

bool InitWithBackend(std::unique_ptr<Backend> backend, const std::string& resourceDirUtf8) {
    Core& c = GetCore();
    if (!backend || c.running) {
        return false;
    }
    c.backend = std::move(backend);
    c.uiThread = std::this_thread::get_id();
    c.quit = false;
    c.exitCode = 0;
    c.running = true;
    SetTextRenderer(c.backend->GetTextRenderer());
    if (!resourceDirUtf8.empty()) {
        Resources::Global().LoadDirectory(resourceDirUtf8);
    }
    return true;
}

bool Init(int argc, char** argv) {
    SetCommandLine(argc, argv);
    const std::string name = ChooseBackendName(argc, argv);
    std::unique_ptr<Backend> backend = CreateBackend(name);
    if (!backend && name != "headless") {
        backend = CreateBackend("headless");
    }
    if (!backend) {
        return false;
    }
    return InitWithBackend(std::move(backend), FindResourceDir(argc > 0 ? argv[0] : nullptr));
}

void Shutdown() {
    Core& c = GetCore();
    if (!c.running) {
        return;
    }
    // Top-level windows first; destroying one takes its children with it.
    while (!c.topLevels.empty()) {
        DestroyWindowTree(c.topLevels.back());
    }
    c.running = false;
    // Release everybody still waiting for the UI thread.
    std::deque<QueueItem> left;
    {
        std::lock_guard<std::mutex> lock(c.queueLock);
        left.swap(c.queue);
    }
    for (QueueItem& item : left) {
        if (item.reply) {
            std::lock_guard<std::mutex> lock(item.reply->lock);
            item.reply->done = true;
            item.reply->cv.notify_all();
        }
    }
    c.timers.clear();
    c.backend.reset();
    SetTextRenderer(nullptr);
    Resources::Global().Clear();
    c.focus = c.foreground = c.mouseOver = c.buttonDown = kNoWindow;
    c.keyState = 0;
}

bool IsInitialized() {
    return GetCore().running;
}
Backend* GetBackend() {
    return GetCore().backend.get();
}

bool IsUiThread() {
    Core& c = GetCore();
    return c.running && std::this_thread::get_id() == c.uiThread;
}

int RunMessageLoop() {
    Core& c = GetCore();
    while (c.running && !c.quit) {
        RunOnce(-1);
    }
    c.quit = false;
    return c.exitCode;
}

void PostQuitMessage(int exitCode) {
    Core& c = GetCore();
    c.exitCode = exitCode;
    c.quit = true;
    if (c.backend) {
        c.backend->Wake();
    }
}

bool PumpPending() {
    bool any = false;
    while (RunOnce(0)) {
        any = true;
    }
    return any;
}

// ---- Messages ----

bool IsWindow(HWND hwnd) {
    Core& c = GetCore();
    std::lock_guard<std::mutex> lock(c.handleLock);
    return c.liveHandles.count(hwnd) != 0;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Core& c = GetCore();
    if (!c.running) {
        return 0;
    }
    if (IsUiThread()) {
        return Dispatch(hwnd, message, wParam, lParam);
    }
    if (!IsWindow(hwnd)) {
        return 0;
    }
    auto reply = std::make_shared<SendState>();
    QueueItem item;
    item.hwnd = hwnd;
    item.message = message;
    item.wParam = wParam;
    item.lParam = lParam;
    item.reply = reply;
    Enqueue(std::move(item));
    std::unique_lock<std::mutex> lock(reply->lock);
    reply->cv.wait(lock, [&] { return reply->done; });
    return reply->result;
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!GetCore().running || !IsWindow(hwnd)) {
        return false;
    }
    QueueItem item;
    item.hwnd = hwnd;
    item.message = message;
    item.wParam = wParam;
    item.lParam = lParam;
    Enqueue(std::move(item));
    return true;
}

void RunOnUiThread(const std::function<void()>& fn) {
    Core& c = GetCore();
    if (!c.running) {
        return;
    }
    if (IsUiThread()) {
        fn();
        return;
    }
    auto reply = std::make_shared<SendState>();
    QueueItem item;
    item.task = fn;
    item.reply = reply;
    Enqueue(std::move(item));
    std::unique_lock<std::mutex> lock(reply->lock);
    reply->cv.wait(lock, [&] { return reply->done; });
}

void PostToUiThread(std::function<void()> fn) {
    if (!GetCore().running) {
        return;
    }
    QueueItem item;
    item.task = std::move(fn);
    Enqueue(std::move(item));
}

// ---- Message boxes ----

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    int answer = (flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL;
    RunOnUiThread([&] {
        Core& c = GetCore();
        if (c.backend) {
            answer =
                c.backend->MessageBox(IsWindow(owner) ? owner : kNoWindow, text, caption, flags);
        }
    });
    return answer;
}

int AfxMessageBox(const std::string& text, UINT flags) {
    return MessageBox(kNoWindow, text, GetAppName(), flags);
}

void SetAppName(const std::string& nameGbk) {
    Core& c = GetCore();
    std::lock_guard<std::mutex> lock(c.nameLock);
    c.appName = nameGbk;
}

std::string GetAppName() {
    Core& c = GetCore();
    std::lock_guard<std::mutex> lock(c.nameLock);
    return c.appName;
}

// ---- Time and desktop ----

std::int64_t GetTickCount() {
    return OnUi([] { return GetCore().backend ? GetCore().backend->NowMs() : std::int64_t(0); });
}

Rect GetWorkArea() {
    return OnUi([] { return GetCore().backend ? GetCore().backend->WorkArea() : Rect{}; });
}

Size GetScreenSize() {
    return OnUi([] { return GetCore().backend ? GetCore().backend->ScreenSize() : Size{}; });
}

bool CanPlaceWindows() {
    return OnUi([] { return GetCore().backend ? GetCore().backend->CanPlaceWindows() : true; });
}

int GetSystemMetrics(int index) {
    return OnUi([index] {
        Backend* b = GetCore().backend.get();
        if (b == nullptr) {
            return 0;
        }
        switch (index) {
            case SM_CXSCREEN:
                return b->ScreenSize().cx;
            case SM_CYSCREEN:
                return b->ScreenSize().cy;
            default:
                return b->FrameMetric(index);
        }
    });
}

Point GetCursorPos() {
    return OnUi([] { return GetCore().backend ? GetCore().backend->CursorPos() : Point{}; });
}

void SetCursor(Cursor cursor) {
    OnUi([cursor] {
        if (GetCore().backend) {
            GetCore().backend->SetCursor(cursor);
        }
    });
}

HWND GetForegroundWindow() {
    return OnUi([] { return GetCore().foreground; });
}
HWND GetFocus() {
    return OnUi([] { return GetCore().focus; });
}

short GetKeyState(int vk) {
    const UINT state = OnUi([] { return GetCore().keyState; });
    if ((vk == int(VK_CONTROL) && (state & MK_CONTROL) != 0) ||
        (vk == 0x10 && (state & MK_SHIFT) != 0)) {
        return short(0x8000);
    }
    return 0;
}

int GetSystemMajorVersion() {
    return 6;
}

// ---- Tray, sound, shell ----

bool Shell_NotifyIcon(DWORD op, const NotifyIconData* data) {
    if (data == nullptr) {
        return false;
    }
    NotifyIconData copy = *data;
    copy.szTip[sizeof(copy.szTip) - 1] = '\0';
    return OnUi([&] {
        Backend* b = GetCore().backend.get();
        if (b == nullptr) {
            return false;
        }
        return b->NotifyIcon(op, copy);
    });
}

bool PlaySound(const Resources& module, UINT resourceId, UINT flags) {
    (void)flags;  // always asynchronous, never a default sound
    auto wav = module.ReadFile(ResourceKind::Sound, resourceId);
    return OnUi([&] {
        Backend* b = GetCore().backend.get();
        if (b == nullptr) {
            return false;
        }
        return b->PlaySound(resourceId, wav ? *wav : std::vector<std::uint8_t>());
    });
}

bool PlaySound(UINT resourceId, UINT flags) {
    return PlaySound(Resources::Global(), resourceId, flags);
}

bool OpenUrl(const std::string& url) {
    return OnUi([&] {
        Backend* b = GetCore().backend.get();
        return b != nullptr && b->OpenUrl(url);
    });
}

void SetCommandLine(int argc, char** argv) {
    Core& c = GetCore();
    std::lock_guard<std::mutex> lock(c.nameLock);
    c.args.clear();
    for (int i = 0; i < argc && argv != nullptr; ++i) {
        c.args.emplace_back(argv[i] != nullptr ? argv[i] : "");
    }
}

std::string GetModuleDir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return "./";
    }
    return exe.parent_path().string() + "/";
}

bool StartNewInstance(const std::vector<std::string>& args) {
    Core& c = GetCore();
    std::vector<std::string> use = args;
    if (use.empty()) {
        std::lock_guard<std::mutex> lock(c.nameLock);
        if (c.args.size() > 1) {
            use.assign(c.args.begin() + 1, c.args.end());
        }
    }
    std::error_code ec;
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return OnUi([&] {
        Backend* b = GetCore().backend.get();
        return b != nullptr && !exe.empty() && b->StartProcess(exe, use);
    });
}

std::vector<TopLevelWindow> EnumTopLevelWindows() {
    return OnUi([] {
        std::vector<TopLevelWindow> out;
        for (HWND h : GetTopLevelWindows()) {
            WindowData* d = Find(h);
            if (d == nullptr) {
                continue;
            }
            out.push_back({h, d->text, true, d->visible});
        }
        if (Backend* b = GetCore().backend.get()) {
            for (TopLevelWindow& w : b->ForeignTopLevelWindows()) {
                w.own = false;
                out.push_back(std::move(w));
            }
        }
        return out;
    });
}

bool BringToForeground(const TopLevelWindow& window) {
    return OnUi([&] {
        if (window.own) {
            Window* w = Window::FromHandle(HWND(window.id));
            return w != nullptr && w->SetForegroundWindow();
        }
        Backend* b = GetCore().backend.get();
        return b != nullptr && b->BringForeignToForeground(window.id);
    });
}

}  // namespace fw
