#pragma once
// Desktop notifications: a short note (title and one line) that the desktop shows for a
// while, outside the program's windows; clicking it, or one of its action buttons, calls
// the program back. Where the desktop has no notification service nothing fails: the
// caller hears of it (NotificationHandlers::onFailed) or the note is simply not seen.
//
// The program calls ShowNotification on the UI thread. A backend that can reach a desktop
// service installs a NotificationService (Qt: org.freedesktop.Notifications over D-Bus);
// without one, notes are only recorded (the headless backend's records below).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// The action a click on the note's body invokes.
inline constexpr const char* kDefaultAction = "default";
// The icon of the program in the desktop's icon theme, as its desktop entry names it.
inline constexpr const char* kProgramIcon = "velquor";

struct NotificationAction {
    std::string key;    // what comes back to the program ("default", "view"...)
    std::string label;  // GBK, what the user sees
};

struct Notification {
    std::string title;  // GBK
    std::string body;   // GBK, plain text (never markup), one line
    std::string icon = kProgramIcon;
    // Empty: one default action labelled "打开".
    std::vector<NotificationAction> actions;
    // -1: as long as the desktop likes; 0: until the user acts; else milliseconds.
    int timeoutMs = -1;
};

// What the program hears of a note, each on the UI thread and at most one of them once.
struct NotificationHandlers {
    // The user invoked an action of the note (kDefaultAction: clicked its body).
    std::function<void(const std::string& action)> onAction;
    // The desktop took the note away: it expired or the user closed it.
    std::function<void()> onDismissed;
    // No desktop service showed the note.
    std::function<void()> onFailed;
};

class NotificationService {
public:
    virtual ~NotificationService() = default;
    // Shows `note` under the framework's number `id`; when the user acts on it the service
    // calls NotificationActionInvoked (any thread), when the desktop drops it
    // NotificationDismissed, and when the desktop turns it down NotificationFailed.
    // False when no service could be asked at all.
    virtual bool Show(std::uint32_t id, const Notification& note) = 0;
    // Takes the note off the desktop, if it is still there.
    virtual void Close(std::uint32_t id) = 0;
};

// Replaces the service (null: record only). UI thread.
void SetNotificationService(std::unique_ptr<NotificationService> service);
bool HasNotificationService();

// Shows a note; `onClick` runs on the UI thread if the user clicks it (at most once).
// Returns the note's number (never 0) even when no service shows it.
std::uint32_t ShowNotification(const Notification& note, std::function<void()> onClick);
// The same with every report: a backend other than the headless one without a service, or
// a service that cannot show the note, calls onFailed.
std::uint32_t ShowNotification(const Notification& note, NotificationHandlers handlers);
// Withdraws a note: it no longer calls back. UI thread.
void CloseNotification(std::uint32_t id);
// The service's reports (any thread); unknown, closed or already answered numbers are
// ignored. NotificationClicked is the default action.
void NotificationClicked(std::uint32_t id);
void NotificationActionInvoked(std::uint32_t id, const std::string& action);
void NotificationDismissed(std::uint32_t id);
void NotificationFailed(std::uint32_t id);

}  // namespace fw

namespace fw::headless {

struct NotificationRecord {
    std::uint32_t id = 0;
    std::string title;  // GBK
    std::string body;   // GBK
    bool open = true;   // not yet clicked, closed or dismissed
    std::string icon;
    std::vector<NotificationAction> actions;  // as the desktop got them
    int timeoutMs = -1;
};
// Every note shown since the last ClearNotifications, in order.
std::vector<NotificationRecord> Notifications();
void ClearNotifications();
// What a click on note `id` does; false when it is not open.
bool ClickNotification(std::uint32_t id);
// The user invokes action `key` of note `id`; false when it is not open or has no such action.
bool InvokeNotificationAction(std::uint32_t id, const std::string& key);
// The desktop drops note `id` (it expired); false when it is not open.
bool DismissNotification(std::uint32_t id);
// Without a service installed the headless backend counts notes as shown; false plays a
// desktop without a notification service: every note fails, until ClearNotifications.
void SetNotificationsReachable(bool reachable);

}  // namespace fw::headless
