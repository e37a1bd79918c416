// A D-Bus session bus of the test's own (dbus-daemon in a folder of the test, no service
// files, so nothing on the machine is started on it) with the tests' notification service
// (notification_server.cpp) on it, and what that service was asked.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kd::test {

// One call the service got, in the order they came.
struct NotificationCall {
    std::string kind;  // "notify" or "close"
    std::uint32_t id = 0;
    std::uint32_t replaces_id = 0;
    std::string app_name, icon, summary, body;
    std::vector<std::string> actions;
    int urgency = -1;  // -1: no urgency hint
    int expire_timeout = 0;
};

class NotificationBus {
public:
    NotificationBus() = default;
    NotificationBus(const NotificationBus&) = delete;
    NotificationBus& operator=(const NotificationBus&) = delete;
    // Stops the service and the bus.
    ~NotificationBus();

    // Starts the bus listening in `folder` (which must exist), and with `with_service` the
    // notification service on it; false when either did not come up.
    bool start(const std::string& folder, bool with_service = true);
    // The address for DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return address_; }

    // Every call the service has got so far, and its Notify calls alone.
    std::vector<NotificationCall> calls() const;
    std::vector<NotificationCall> notifies() const;
    // The service emits ActionInvoked(id, "default") / NotificationClosed(id, 2).
    void invoke(std::uint32_t id);
    void closed(std::uint32_t id);

private:
    void command(const std::string& line);

    pid_t bus_pid_ = -1;
    pid_t service_pid_ = -1;
    int service_input_ = -1;
    std::string address_;
    std::string log_;
};

}  // namespace kd::test
