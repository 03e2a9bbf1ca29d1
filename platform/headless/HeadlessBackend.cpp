// The headless backend: a virtual clock, a fixed screen, and records of everything a desktop
// would have shown. Message boxes and menus are answered from scripts.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/Internal.h"
#include "platform/headless/Headless.h"

namespace fw::headless {

namespace {

class HeadlessBackend : public Backend {
public:
    std::string Name() const override { return "headless"; }

    void ProcessEvents(int maxWaitMs) override {
        std::unique_lock<std::mutex> lock(wakeLock_);
        if (!woken_ && maxWaitMs != 0) {
            if (maxWaitMs < 0) {
                wakeCv_.wait(lock, [this] { return woken_; });
            } else {
                wakeCv_.wait_for(lock, std::chrono::milliseconds(maxWaitMs),
                                 [this] { return woken_; });
            }
        }
        woken_ = false;
    }

    void Wake() override {
        std::lock_guard<std::mutex> lock(wakeLock_);
        woken_ = true;
        wakeCv_.notify_all();
    }

    std::int64_t NowMs() override {
        std::lock_guard<std::mutex> lock(lock_);
        return clock_;
    }

    void WindowCreated(const WindowInfo&) override {}
    void WindowChanged(const WindowInfo&, std::uint32_t) override {}
    void WindowDestroyed(HWND hwnd) override {
        std::lock_guard<std::mutex> lock(lock_);
        // Icons of a window that is gone can no longer call it back.
        std::erase_if(icons_, [hwnd](const auto& kv) { return kv.first.first == hwnd; });
    }
    void InvalidateWindow(HWND) override {}

    void StartSystemMove(HWND hwnd) override {
        std::lock_guard<std::mutex> lock(lock_);
        moves_.push_back(hwnd);
    }

    bool SetForeground(HWND hwnd) override {
        std::lock_guard<std::mutex> lock(lock_);
        foreground_.push_back(hwnd);
        return true;
    }

    Rect WorkArea() override {
        std::lock_guard<std::mutex> lock(lock_);
        return workArea_;
    }
    Size ScreenSize() override {
        std::lock_guard<std::mutex> lock(lock_);
        return screen_;
    }
    Point CursorPos() override {
        std::lock_guard<std::mutex> lock(lock_);
        return cursor_;
    }
    void NoteCursorPos(Point screen) override {
        std::lock_guard<std::mutex> lock(lock_);
        cursor_ = screen;
    }
    void SetCursor(Cursor cursor) override {
        std::lock_guard<std::mutex> lock(lock_);
        cursorShape_ = cursor;
    }

    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT flags) override {
        std::lock_guard<std::mutex> lock(lock_);
        int answer = 0;
        if (!boxScript_.empty()) {
            answer = boxScript_.front();
            boxScript_.pop_front();
        } else {
            switch (flags & MB_TYPEMASK) {
                case MB_YESNO:
                    answer = IDNO;
                    break;
                case MB_OKCANCEL:
                    answer = IDCANCEL;
                    break;
                default:
                    answer = IDOK;
                    break;
            }
        }
        boxes_.push_back(MessageBoxRecord{owner, text, caption, flags, answer});
        return answer;
    }

    UINT TrackPopupMenu(const MenuItem& menu, UINT defaultId, Point screen, HWND owner) override {
        std::lock_guard<std::mutex> lock(lock_);
        MenuRecord rec;
        rec.owner = owner;
        rec.at = screen;
        rec.defaultId = defaultId;
        for (const MenuItem& item : menu.items) {
            if (!item.separator) {
                rec.itemIds.push_back(item.id);
                rec.itemTexts.push_back(item.text);
            }
        }
        UINT choice = 0;
        if (!menuScript_.empty()) {
            choice = menuScript_.front();
            menuScript_.pop_front();
        }
        // Only an item that is on the menu can be chosen.
        if (std::find(rec.itemIds.begin(), rec.itemIds.end(), choice) == rec.itemIds.end()) {
            choice = 0;
        }
        rec.chosen = choice;
        menus_.push_back(std::move(rec));
        return choice;
    }

    bool CanPlaceWindows() override {
        std::lock_guard<std::mutex> lock(lock_);
        return canPlaceWindows_;
    }

    bool TrayAvailable() override {
        std::lock_guard<std::mutex> lock(lock_);
        return trayAvailable_;
    }

    bool NotifyIcon(DWORD op, const NotifyIconData& data) override {
        std::lock_guard<std::mutex> lock(lock_);
        const std::pair<HWND, UINT> key{data.hWnd, data.uID};
        bool ok = false;
        if (trayAvailable_) {
            auto it = icons_.find(key);
            switch (op) {
                case NIM_ADD:
                    if (it == icons_.end() && fw::IsWindow(data.hWnd)) {
                        icons_[key] = data;
                        ok = true;
                    }
                    break;
                case NIM_MODIFY:
                    if (it != icons_.end()) {
                        if ((data.uFlags & NIF_MESSAGE) != 0) {
                            it->second.uCallbackMessage = data.uCallbackMessage;
                        }
                        if ((data.uFlags & NIF_ICON) != 0) {
                            it->second.hIcon = data.hIcon;
                        }
                        if ((data.uFlags & NIF_TIP) != 0) {
                            std::copy(std::begin(data.szTip), std::end(data.szTip),
                                      std::begin(it->second.szTip));
                        }
                        ok = true;
                    }
                    break;
                case NIM_DELETE:
                    ok = icons_.erase(key) != 0;
                    break;
                default:
                    break;
            }
        }
        tray_.push_back(TrayRecord{op, data, ok});
        return ok;
    }

    bool PlaySound(UINT resourceId, const std::vector<std::uint8_t>&) override {
        std::lock_guard<std::mutex> lock(lock_);
        sounds_.push_back(resourceId);
        return true;
    }

    bool OpenUrl(const std::string& url) override {
        std::lock_guard<std::mutex> lock(lock_);
        urls_.push_back(url);
        return true;
    }

    bool StartProcess(const std::string& program, const std::vector<std::string>& args) override {
        std::lock_guard<std::mutex> lock(lock_);
        processes_.push_back(ProcessRecord{program, args});
        return true;
    }

    std::vector<TopLevelWindow> ForeignTopLevelWindows() override {
        std::lock_guard<std::mutex> lock(lock_);
        return foreign_;
    }

    bool BringForeignToForeground(std::uint64_t id) override {
        std::lock_guard<std::mutex> lock(lock_);
        foreignForeground_.push_back(id);
        return std::any_of(foreign_.begin(), foreign_.end(),
                           [id](const TopLevelWindow& w) { return w.id == id; });
    }

    void ModalLoopStarted(HWND dialog) override {
        std::function<void(HWND)> hook;
        {
            std::lock_guard<std::mutex> lock(lock_);
            hook = modalHook_;
        }
        if (hook) {
            hook(dialog);
        }
    }

    int StallTimeoutMs() override {
        std::lock_guard<std::mutex> lock(lock_);
        return stallMs_;
    }

    // Test controls.
    std::mutex lock_;
    std::int64_t clock_ = 0;
    Size screen_{1280, 800};
    Rect workArea_{0, 0, 1280, 770};
    Point cursor_{640, 400};
    Cursor cursorShape_ = Cursor::Arrow;
    bool trayAvailable_ = true;
    bool canPlaceWindows_ = true;
    std::map<std::pair<HWND, UINT>, NotifyIconData> icons_;
    std::deque<int> boxScript_;
    std::deque<UINT> menuScript_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<MenuRecord> menus_;
    std::vector<TrayRecord> tray_;
    std::vector<UINT> sounds_;
    std::vector<std::string> urls_;
    std::vector<ProcessRecord> processes_;
    std::vector<HWND> moves_;
    std::vector<HWND> foreground_;
    std::vector<std::uint64_t> foreignForeground_;
    std::vector<TopLevelWindow> foreign_;
    std::function<void(HWND)> modalHook_;
    int stallMs_ = 5000;

private:
    std::mutex wakeLock_;
    std::condition_variable wakeCv_;
    bool woken_ = false;
};

HeadlessBackend* Current() {
    return dynamic_cast<HeadlessBackend*>(GetBackend());
}

template <typename Fn>
auto With(Fn&& fn) {
    HeadlessBackend* b = Current();
    using R = decltype(fn(*b));
    if (b == nullptr) {
        return R{};
    }
    std::lock_guard<std::mutex> lock(b->lock_);
    return fn(*b);
}

}  // namespace

std::unique_ptr<Backend> CreateBackend() {
    return std::make_unique<HeadlessBackend>();
}

bool Active() {
    return Current() != nullptr;
}

std::int64_t Now() {
    return With([](HeadlessBackend& b) { return b.clock_; });
}

void AdvanceClock(std::int64_t ms) {
    if (Current() == nullptr || ms < 0) {
        return;
    }
    RunOnUiThread([ms] {
        HeadlessBackend* b = Current();
        if (b == nullptr) {
            return;
        }
        std::int64_t target = 0;
        {
            std::lock_guard<std::mutex> lock(b->lock_);
            target = b->clock_ + ms;
        }
        fw::detail::FireTimersUpTo(target, [b](std::int64_t t) {
            std::lock_guard<std::mutex> lock(b->lock_);
            b->clock_ = t;
        });
    });
}

void SetScreen(Size screen, Rect workArea) {
    With([&](HeadlessBackend& b) {
        b.screen_ = screen;
        b.workArea_ = workArea;
        return 0;
    });
}

void SetCursorPos(Point p) {
    With([&](HeadlessBackend& b) {
        b.cursor_ = p;
        return 0;
    });
}

void SetTrayAvailable(bool available) {
    With([&](HeadlessBackend& b) {
        b.trayAvailable_ = available;
        return 0;
    });
}

void SetCanPlaceWindows(bool canPlace) {
    With([&](HeadlessBackend& b) {
        b.canPlaceWindows_ = canPlace;
        return 0;
    });
}

void SetForeignWindows(std::vector<TopLevelWindow> windows) {
    With([&](HeadlessBackend& b) {
        b.foreign_ = std::move(windows);
        return 0;
    });
}

Cursor CurrentCursor() {
    return With([](HeadlessBackend& b) { return b.cursorShape_; });
}

void ScriptMessageBoxes(std::vector<int> answers) {
    With([&](HeadlessBackend& b) {
        b.boxScript_.assign(answers.begin(), answers.end());
        return 0;
    });
}

std::vector<MessageBoxRecord> MessageBoxes() {
    return With([](HeadlessBackend& b) { return b.boxes_; });
}

void ScriptMenus(std::vector<UINT> choices) {
    With([&](HeadlessBackend& b) {
        b.menuScript_.assign(choices.begin(), choices.end());
        return 0;
    });
}

std::vector<MenuRecord> Menus() {
    return With([](HeadlessBackend& b) { return b.menus_; });
}

std::vector<TrayRecord> TrayCalls() {
    return With([](HeadlessBackend& b) { return b.tray_; });
}

std::vector<NotifyIconData> TrayIcons() {
    return With([](HeadlessBackend& b) {
        std::vector<NotifyIconData> out;
        for (const auto& [key, data] : b.icons_) {
            out.push_back(data);
        }
        return out;
    });
}

std::vector<UINT> SoundsPlayed() {
    return With([](HeadlessBackend& b) { return b.sounds_; });
}

std::vector<std::string> UrlsOpened() {
    return With([](HeadlessBackend& b) { return b.urls_; });
}

std::vector<ProcessRecord> ProcessesStarted() {
    return With([](HeadlessBackend& b) { return b.processes_; });
}

std::vector<HWND> SystemMoves() {
    return With([](HeadlessBackend& b) { return b.moves_; });
}

std::vector<HWND> ForegroundCalls() {
    return With([](HeadlessBackend& b) { return b.foreground_; });
}

std::vector<std::uint64_t> ForeignForegroundCalls() {
    return With([](HeadlessBackend& b) { return b.foreignForeground_; });
}

void SetModalHook(std::function<void(HWND dialog)> hook) {
    With([&](HeadlessBackend& b) {
        b.modalHook_ = std::move(hook);
        return 0;
    });
}

void SetStallTimeoutMs(int ms) {
    With([&](HeadlessBackend& b) {
        b.stallMs_ = ms;
        return 0;
    });
}

void ClearRecords() {
    With([](HeadlessBackend& b) {
        b.boxScript_.clear();
        b.menuScript_.clear();
        b.boxes_.clear();
        b.menus_.clear();
        b.tray_.clear();
        b.sounds_.clear();
        b.urls_.clear();
        b.processes_.clear();
        b.moves_.clear();
        b.foreground_.clear();
        b.foreignForeground_.clear();
        return 0;
    });
}

}  // namespace fw::headless
