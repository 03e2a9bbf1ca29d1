#include "platform/Notifications.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/Framework.h"

namespace fw {
namespace {

// Clicks arrive from the service's thread; everything else from the UI thread.
struct NotificationState {
    std::mutex mutex;
    std::unique_ptr<NotificationService> service;
    std::uint32_t lastId = 0;
    std::map<std::uint32_t, std::function<void()>> pending;
    std::vector<headless::NotificationRecord> records;
};

NotificationState& State() {
    static NotificationState state;
    return state;
}

// Keeps the note closed in the records and hands back its callback, once.
std::function<void()> TakeCallback(std::uint32_t id) {
    NotificationState& s = State();
    std::lock_guard lock(s.mutex);
    for (auto& r : s.records) {
        if (r.id == id) {
            r.open = false;
        }
    }
    auto it = s.pending.find(id);
    if (it == s.pending.end()) {
        return nullptr;
    }
    std::function<void()> callback = std::move(it->second);
    s.pending.erase(it);
    return callback;
}

// Notes nobody clicks are forgotten after this many newer ones, so their callbacks do not
// pile up over a long run.
constexpr std::size_t kMaxOpenNotes = 64;
constexpr std::size_t kMaxRecords = 1000;

}  // namespace

void SetNotificationService(std::unique_ptr<NotificationService> service) {
    NotificationState& s = State();
    std::unique_ptr<NotificationService> old;
    {
        std::lock_guard lock(s.mutex);
        old = std::exchange(s.service, std::move(service));
    }
}

bool HasNotificationService() {
    NotificationState& s = State();
    std::lock_guard lock(s.mutex);
    return s.service != nullptr;
}

std::uint32_t ShowNotification(const Notification& note, std::function<void()> onClick) {
    NotificationState& s = State();
    std::uint32_t id = 0;
    {
        std::lock_guard lock(s.mutex);
        id = ++s.lastId == 0 ? ++s.lastId : s.lastId;
        if (onClick) {
            s.pending[id] = std::move(onClick);
            while (s.pending.size() > kMaxOpenNotes) {
                s.pending.erase(s.pending.begin());
            }
        }
        if (s.records.size() >= kMaxRecords) {
            s.records.erase(s.records.begin());
        }
        s.records.push_back({id, note.title, note.body, true});
    }
    // The service is called without the lock: it may report back at once.
    if (NotificationService* service = s.service.get()) {
        service->Show(id, note);
    }
    return id;
}

void CloseNotification(std::uint32_t id) {
    TakeCallback(id);
    if (NotificationService* service = State().service.get()) {
        service->Close(id);
    }
}

void NotificationClicked(std::uint32_t id) {
    if (std::function<void()> callback = TakeCallback(id)) {
        PostToUiThread(std::move(callback));
    }
}

void NotificationDismissed(std::uint32_t id) {
    TakeCallback(id);
}

}  // namespace fw

namespace fw::headless {

std::vector<NotificationRecord> Notifications() {
    std::lock_guard lock(fw::State().mutex);
    return fw::State().records;
}

void ClearNotifications() {
    std::lock_guard lock(fw::State().mutex);
    fw::State().records.clear();
}

bool ClickNotification(std::uint32_t id) {
    {
        std::lock_guard lock(fw::State().mutex);
        bool open = false;
        for (const auto& r : fw::State().records) {
            open = open || (r.id == id && r.open);
        }
        if (!open) {
            return false;
        }
    }
    fw::NotificationClicked(id);
    return true;
}

}  // namespace fw::headless
