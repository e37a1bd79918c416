#include "platform/display_check.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kd {

namespace {

// X first; Wayland when the X server refuses Qt after all.
constexpr const char* kXFirst = "xcb;wayland";

std::string_view env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll(); 0 once it has passed.
int left_ms(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`.
bool wait_ready(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, left_ms(deadline));
        if (n > 0) {
            return true;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// A connected socket to `name` (in the abstract name space when `abstract`), or -1.
int connect_local(const std::string& name, bool abstract, Clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    // A path ends in a zero byte; an abstract name starts with one and is counted by length.
    if (name.size() + 1 > sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path + offset, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        return fd;
    }
    int error = errno;
    if (error == EINPROGRESS && wait_ready(fd, POLLOUT, deadline)) {
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
            return fd;
        }
    }
    // A full queue (EAGAIN) is a server that does not take its connections: not answering.
    ::close(fd);
    return -1;
}

// The display number of a local display name, or "" for any other name.
std::string local_display_number(std::string_view display) {
    if (display.starts_with("unix:")) {
        display.remove_prefix(4);
    }
    if (!display.starts_with(':')) {
        return {};
    }
    display.remove_prefix(1);
    const std::size_t digits = display.find_first_not_of("0123456789");
    const std::string_view number = display.substr(0, digits);
    const std::string_view screen = digits == std::string_view::npos ? "" : display.substr(digits);
    constexpr std::size_t kMostDigits = 9;
    if (number.empty() || number.size() > kMostDigits) {
        return {};
    }
    if (!screen.empty() && (screen.size() == 1 || screen.front() != '.' ||
                            screen.find_first_not_of("0123456789", 1) != std::string_view::npos)) {
        return {};
    }
    return std::string(number);
}

}  // namespace

std::string display_problem() {
    const std::string_view platform = env("QT_QPA_PLATFORM");
    // Platforms without a display server (offscreen, minimal, vnc) need nothing from us, and
    // on Wayland Qt finds its compositor itself.
    if (!platform.empty() && !platform.starts_with("xcb")) {
        return {};
    }
    if (platform.empty() && !env("WAYLAND_DISPLAY").empty()) {
        return {};
    }
    if (env("DISPLAY").empty()) {
        return "korvadesk: cannot start: no display (DISPLAY is not set); start it from a "
               "graphical session";
    }
    // Whether the display answers is left to Qt: a probe of our own would be one more
    // connection for a busy X server to refuse. (Only a Wayland desktop, where the answer
    // decides the platform, asks: qt_platform_choice.)
    return {};
}

std::string display_refused(std::string_view display) {
    return "korvadesk: cannot start: cannot open display \"" + std::string(display) + "\"";
}

bool is_display_refusal(std::string_view qt_message) {
    return qt_message.find("could not connect to display") != std::string_view::npos;
}

DisplayEnvironment DisplayEnvironment::of_process() {
    return {std::string(env("QT_QPA_PLATFORM")), std::string(env("WAYLAND_DISPLAY")),
            std::string(env("XDG_SESSION_TYPE")), std::string(env("DISPLAY"))};
}

std::string qt_platform_choice(const DisplayEnvironment& env,
                               const std::function<bool(const std::string&)>& x_display_answers) {
    if (!env.qt_platform.empty()) {
        return {};
    }
    // The conditions under which Qt itself would take Wayland first.
    const bool wayland_desktop = !env.wayland_display.empty() || env.session_type == "wayland";
    if (!wayland_desktop || env.display.empty()) {
        return {};
    }
    return x_display_answers(env.display) ? kXFirst : "";
}

bool x_display_answers(const std::string& display, std::chrono::milliseconds limit,
                       const std::string& socket_folder) {
    const std::string number = local_display_number(display);
    if (number.empty()) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    const std::string name = socket_folder + "/X" + number;
    int fd = connect_local(name, false, deadline);
    if (fd < 0) {
        fd = connect_local(name, true, deadline);
    }
    if (fd < 0) {
        return false;
    }
    const Descriptor socket(fd);
    // The connection set-up without authorisation, least significant byte first: protocol
    // 11.0. A server that works answers with failure, success or a request to authenticate.
    constexpr std::array<unsigned char, 12> kSetup{'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::size_t sent = 0;
    while (sent < kSetup.size()) {
        const ssize_t n =
            ::send(fd, kSetup.data() + sent, kSetup.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && wait_ready(fd, POLLOUT, deadline)) {
            continue;
        } else {
            return false;
        }
    }
    for (;;) {
        if (!wait_ready(fd, POLLIN, deadline)) {
            return false;
        }
        unsigned char status = 0xff;
        const ssize_t n = ::recv(fd, &status, 1, MSG_DONTWAIT);
        if (n == 1) {
            constexpr unsigned char kAuthenticate = 2;
            return status <= kAuthenticate;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            return false;
        }
    }
}

}  // namespace kd
