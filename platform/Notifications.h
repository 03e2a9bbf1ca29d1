#pragma once
// Desktop notifications: a short note (title and one line) that the desktop shows for a
// while, outside the program's windows; clicking it calls the program back. Where the
// desktop has no notification service nothing fails: the note is simply not seen.
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

struct Notification {
    std::string title;  // GBK
    std::string body;   // GBK, one line
};

class NotificationService {
public:
    virtual ~NotificationService() = default;
    // Shows `note` under the framework's number `id`; when the user clicks it the service
    // calls NotificationClicked(id) (any thread). False when no service could be asked.
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
// Withdraws a note: its click no longer calls back. UI thread.
void CloseNotification(std::uint32_t id);
// The service's report of a click (any thread); unknown or closed numbers are ignored.
void NotificationClicked(std::uint32_t id);
// The service's report that the desktop dropped the note (any thread).
void NotificationDismissed(std::uint32_t id);

}  // namespace fw

namespace fw::headless {

struct NotificationRecord {
    std::uint32_t id = 0;
    std::string title;  // GBK
    std::string body;   // GBK
    bool open = true;   // not yet clicked, closed or dismissed
};
// Every note shown since the last ClearNotifications, in order.
std::vector<NotificationRecord> Notifications();
void ClearNotifications();
// What a click on note `id` does; false when it is not open.
bool ClickNotification(std::uint32_t id);

}  // namespace fw::headless
