#include "support/notification_bus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/wait_for.h"

namespace kd::test {

namespace {

using namespace std::chrono_literals;

const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

std::string service_program() {
    return std::string(KD_BINARY_DIR) + "/tests/support/kd_notification_server";
}

// Forks and execs `argv` with the bus address set; `input` (when not null) becomes a pipe to
// its standard input, and its output goes to `output`.
pid_t spawn(const std::vector<std::string>& argv, const std::string& address, int* input,
            const std::string& output) {
    int fds[2] = {-1, -1};
    if (input != nullptr && ::pipe(fds) != 0) {
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (input != nullptr) {
            ::dup2(fds[0], STDIN_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
        }
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::close(out);
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    if (input != nullptr) {
        ::close(fds[0]);
        *input = fds[1];
    }
    return pid;
}

void stop(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status = 0;
        if (!wait_for([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 5s)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        pid = -1;
    }
}

std::string unescaped(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            const char next = field[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, separator);) {
        out.push_back(part);
    }
    return out;
}

}  // namespace

NotificationBus::~NotificationBus() {
    if (service_input_ >= 0) {
        ::close(service_input_);  // the service ends at the end of its input
    }
    stop(service_pid_);
    stop(bus_pid_);
}

bool NotificationBus::start(const std::string& folder, bool with_service) {
    // A service that died must fail the test's checks, not end the test at its next command.
    ::signal(SIGPIPE, SIG_IGN);
    const std::string socket = folder + "/bus";
    std::string config = kBusConfig;
    config.replace(config.find("@SOCKET@"), 8, socket);
    const std::string config_file = folder + "/bus.conf";
    std::ofstream(config_file) << config;
    address_ = "unix:path=" + socket;
    bus_pid_ = spawn({"dbus-daemon", "--config-file=" + config_file, "--nofork", "--nopidfile"},
                     address_, nullptr, folder + "/bus.log");
    if (bus_pid_ < 0 || !wait_for([&] { return std::filesystem::exists(socket); }, 10s, 20ms)) {
        return false;
    }
    if (!with_service) {
        return true;
    }
    log_ = folder + "/notifications.log";
    service_pid_ =
        spawn({service_program(), log_}, address_, &service_input_, folder + "/service.log");
    return service_pid_ > 0 && wait_for(
                                   [&] {
                                       std::ifstream in(log_);
                                       std::string first;
                                       return std::getline(in, first) && first == "ready";
                                   },
                                   10s, 20ms);
}

std::vector<NotificationCall> NotificationBus::calls() const {
    std::vector<NotificationCall> out;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = split(line, '\t');
        if (f.size() == 10 && f[0] == "notify") {
            NotificationCall c;
            c.kind = f[0];
            c.id = static_cast<std::uint32_t>(std::stoul(f[1]));
            c.replaces_id = static_cast<std::uint32_t>(std::stoul(f[2]));
            c.app_name = unescaped(f[3]);
            c.icon = unescaped(f[4]);
            c.summary = unescaped(f[5]);
            c.body = unescaped(f[6]);
            c.actions = split(unescaped(f[7]), ',');
            c.urgency = std::stoi(f[8]);
            c.expire_timeout = std::stoi(f[9]);
            out.push_back(c);
        } else if (f.size() == 2 && f[0] == "close") {
            NotificationCall c;
            c.kind = f[0];
            c.id = static_cast<std::uint32_t>(std::stoul(f[1]));
            out.push_back(c);
        }
    }
    return out;
}

std::vector<NotificationCall> NotificationBus::notifies() const {
    std::vector<NotificationCall> out;
    for (const NotificationCall& c : calls()) {
        if (c.kind == "notify") {
            out.push_back(c);
        }
    }
    return out;
}

void NotificationBus::command(const std::string& line) {
    if (service_input_ >= 0) {
        const std::string text = line + "\n";
        [[maybe_unused]] const ssize_t written = ::write(service_input_, text.data(), text.size());
    }
}

void NotificationBus::invoke(std::uint32_t id) {
    command("invoke " + std::to_string(id));
}

void NotificationBus::closed(std::uint32_t id) {
    command("closed " + std::to_string(id));
}

}  // namespace kd::test
