#include "platform/Notifications.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "platform/Framework.h"
#include "platform/core/Text.h"
#include "platform/headless/Headless.h"

namespace fw {
namespace {

// Reports arrive from the service's thread; everything else from the UI thread.
struct NotificationState {
    std::mutex mutex;
    std::unique_ptr<NotificationService> service;
    std::uint32_t lastId = 0;
    std::map<std::uint32_t, NotificationHandlers> pending;
    std::vector<headless::NotificationRecord> records;
    bool reachable = true;
};

NotificationState& State() {
    static NotificationState state;
    return state;
}

// Keeps the note closed in the records and hands back its handlers, once.
NotificationHandlers TakeHandlers(std::uint32_t id) {
    NotificationState& s = State();
    std::lock_guard lock(s.mutex);
    for (auto& r : s.records) {
        if (r.id == id) {
            r.open = false;
        }
    }
    auto it = s.pending.find(id);
    if (it == s.pending.end()) {
        return {};
    }
    NotificationHandlers handlers = std::move(it->second);
    s.pending.erase(it);
    return handlers;
}

// Notes nobody answers are forgotten after this many newer ones, so their handlers do not
// pile up over a long run.
constexpr std::size_t kMaxOpenNotes = 64;
constexpr std::size_t kMaxRecords = 1000;

bool Answered(const NotificationHandlers& h) {
    return h.onAction || h.onDismissed || h.onFailed;
}

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
    NotificationHandlers handlers;
    if (onClick) {
        handlers.onAction = [onClick = std::move(onClick)](const std::string& action) {
            if (action == kDefaultAction) {
                onClick();
            }
        };
    }
    return ShowNotification(note, std::move(handlers));
}

std::uint32_t ShowNotification(const Notification& note, NotificationHandlers handlers) {
    NotificationState& s = State();
    Notification shown = note;
    if (shown.actions.empty()) {
        shown.actions.push_back({kDefaultAction, vq::Gbk("打开")});
    }
    std::uint32_t id = 0;
    bool reachable = true;
    {
        std::lock_guard lock(s.mutex);
        id = ++s.lastId == 0 ? ++s.lastId : s.lastId;
        if (Answered(handlers)) {
            s.pending[id] = std::move(handlers);
            while (s.pending.size() > kMaxOpenNotes) {
                s.pending.erase(s.pending.begin());
            }
        }
        if (s.records.size() >= kMaxRecords) {
            s.records.erase(s.records.begin());
        }
        s.records.push_back(
            {id, shown.title, shown.body, true, shown.icon, shown.actions, shown.timeoutMs});
        // Without a service only the headless backend has somewhere to keep the note.
        reachable = s.service != nullptr || (s.reachable && headless::Active());
    }
    // The service is called without the lock: it may report back at once.
    NotificationService* service = s.service.get();
    if (!reachable || (service != nullptr && !service->Show(id, shown))) {
        NotificationFailed(id);
    }
    return id;
}

void CloseNotification(std::uint32_t id) {
    TakeHandlers(id);
    if (NotificationService* service = State().service.get()) {
        service->Close(id);
    }
}

void NotificationClicked(std::uint32_t id) {
    NotificationActionInvoked(id, kDefaultAction);
}

void NotificationActionInvoked(std::uint32_t id, const std::string& action) {
    if (auto onAction = TakeHandlers(id).onAction) {
        PostToUiThread([onAction = std::move(onAction), action] { onAction(action); });
    }
}

void NotificationDismissed(std::uint32_t id) {
    if (auto onDismissed = TakeHandlers(id).onDismissed) {
        PostToUiThread(std::move(onDismissed));
    }
}

void NotificationFailed(std::uint32_t id) {
    if (auto onFailed = TakeHandlers(id).onFailed) {
        PostToUiThread(std::move(onFailed));
    }
}

}  // namespace fw

namespace fw::headless {
namespace {

// The open record of note `id`, or null. Caller holds the lock.
NotificationRecord* OpenRecord(std::uint32_t id) {
    for (auto& r : fw::State().records) {
        if (r.id == id && r.open) {
            return &r;
        }
    }
    return nullptr;
}

}  // namespace

std::vector<NotificationRecord> Notifications() {
    std::lock_guard lock(fw::State().mutex);
    return fw::State().records;
}

void ClearNotifications() {
    std::lock_guard lock(fw::State().mutex);
    fw::State().records.clear();
    fw::State().reachable = true;
}

bool ClickNotification(std::uint32_t id) {
    return InvokeNotificationAction(id, kDefaultAction);
}

bool InvokeNotificationAction(std::uint32_t id, const std::string& key) {
    {
        std::lock_guard lock(fw::State().mutex);
        const NotificationRecord* r = OpenRecord(id);
        if (r == nullptr || std::none_of(r->actions.begin(), r->actions.end(),
                                         [&](const auto& a) { return a.key == key; })) {
            return false;
        }
    }
    fw::NotificationActionInvoked(id, key);
    return true;
}

bool DismissNotification(std::uint32_t id) {
    {
        std::lock_guard lock(fw::State().mutex);
        if (OpenRecord(id) == nullptr) {
            return false;
        }
    }
    fw::NotificationDismissed(id);
    return true;
}

void SetNotificationsReachable(bool reachable) {
    std::lock_guard lock(fw::State().mutex);
    fw::State().reachable = reachable;
}

}  // namespace fw::headless
