// A notice shown through the desktop's notification service (the freedesktop Notifications
// interface on the session bus), for a program whose tray icon has nowhere to go.
#pragma once

#include <QString>

#include <functional>

namespace kd {

// Asks the notification service to show `body` under `summary`, kept until the person closes
// it. `done` runs later on the UI thread, never during this call: true when the service took
// the notice, false when there is no session bus or no service, or it refused (the caller then
// shows the notice another way). Nothing waits for the service.
void show_desktop_notice(const QString& app_name, const QString& icon, const QString& summary,
                         const QString& body, std::function<void(bool shown)> done);

}  // namespace kd
