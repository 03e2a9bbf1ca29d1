#pragma once
// Desktop notifications under Qt: the desktop's notification service reached over the
// session D-Bus (org.freedesktop.Notifications). No Qt header here.

namespace fw::qt {

// Makes the framework's notifications go to the desktop's service. Call on the UI thread
// once the Qt backend runs; the bus is reached only when the first note is shown. Without a
// session bus, or with no service on it, notes are simply not shown; nothing fails.
void EnableDesktopNotifications();

}  // namespace fw::qt
