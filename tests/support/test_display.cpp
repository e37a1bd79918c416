#include "support/test_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace kd::test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kAttempts = 3;
// A loaded machine can take seconds to bring a server up; a healthy one takes about 50 ms.
constexpr auto kStartLimit = 20s;
constexpr auto kAnswerLimit = 10s;

// Reads the display number the server writes once it accepts connections; -1 when it ended or
// said nothing in time.
int read_display_number(int fd, pid_t server) {
    std::string digits;
    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char c = 0;
            const ssize_t n = ::read(fd, &c, 1);
            if (n <= 0) {
                return -1;
            }
            if (c == '\n') {
                return digits.empty() ? -1 : std::atoi(digits.c_str());
            }
            digits.push_back(c);
        } else if (::waitpid(server, nullptr, WNOHANG) == server) {
            return -1;
        }
    }
    return -1;
}

// One X connection set-up over the server's local socket; true when it was accepted. Xvfb
// started without an authority file lets local clients in without a cookie.
bool handshake(const std::string& socket_path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket_path.c_str());
    bool accepted = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        // Byte order 'l', protocol 11.0, no authorisation.
        const std::array<unsigned char, 12> setup{0x6c, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        pollfd p{fd, POLLIN, 0};
        unsigned char status = 0;
        accepted = ::send(fd, setup.data(), setup.size(), MSG_NOSIGNAL) ==
                       static_cast<ssize_t>(setup.size()) &&
                   ::poll(&p, 1, 2000) > 0 && ::recv(fd, &status, 1, 0) == 1 && status == 1;
    }
    ::close(fd);
    return accepted;
}

std::string socket_path(const std::string& name) {
    return "/tmp/.X11-unix/X" + name.substr(1);
}

}  // namespace

std::unique_ptr<TestDisplay> TestDisplay::start(std::string& why) {
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (auto display = start_once(why)) {
            if (attempt > 1) {
                std::fprintf(stderr, "[test display] %s came up on attempt %d\n",
                             display->name().c_str(), attempt);
            }
            return display;
        }
        std::fprintf(stderr, "[test display] attempt %d failed: %s\n", attempt, why.c_str());
    }
    return nullptr;
}

std::unique_ptr<TestDisplay> TestDisplay::start_once(std::string& why) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        why = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        why = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return nullptr;
    }
    if (pid == 0) {
        // A test that crashes or is killed by its time limit takes its server with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(125);
        }
        ::setsid();
        const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (quiet >= 0) {
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
        }
        ::fcntl(fds[1], F_SETFD, 0);
        const std::string fd_text = std::to_string(fds[1]);
        // -noreset: the server keeps its state when the last client leaves, so a program started
        // right after another one ended never meets a server in the middle of its reset.
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd_text.c_str(), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    const int number = read_display_number(fds[0], pid);
    ::close(fds[0]);
    std::unique_ptr<TestDisplay> display(new TestDisplay(pid, ":" + std::to_string(number)));
    if (number < 0) {
        why = "Xvfb did not report a display number";
        return nullptr;  // the destructor stops what is left of the server
    }
    const auto deadline = Clock::now() + kAnswerLimit;
    while (!display->answers()) {
        if (Clock::now() >= deadline) {
            why = "Xvfb on " + display->name() + " did not answer a connection";
            return nullptr;
        }
        std::this_thread::sleep_for(20ms);
    }
    return display;
}

TestDisplay::~TestDisplay() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + 5s;
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
}

int TestDisplay::open_sockets() const {
    namespace fs = std::filesystem;
    std::error_code ec;
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", ec)) {
        // An fd closed since the listing has no target; it no longer counts.
        std::error_code gone;
        const fs::path target = fs::read_symlink(entry.path(), gone);
        if (!gone && target.native().starts_with("socket:")) {
            ++count;
        }
    }
    return ec ? -1 : count;
}

bool TestDisplay::answers() const {
    return handshake(socket_path(name_));
}

DisplayVariable::DisplayVariable(const std::string& display) {
    if (const char* old = std::getenv("DISPLAY")) {
        had_old_ = true;
        old_ = old;
    }
    ::setenv("DISPLAY", display.c_str(), 1);
}

DisplayVariable::~DisplayVariable() {
    if (had_old_) {
        ::setenv("DISPLAY", old_.c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

}  // namespace kd::test
