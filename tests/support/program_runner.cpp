#include "support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/profile_file.h"
#include "platform/socket.h"
#include "support/wait_for.h"

namespace kd::test {

namespace {
// Caption of the program's busy window.
constexpr const char* kBusyCaption = " Korvadesk 5.lan";
}  // namespace

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string& program_path() {
    static const std::string path = std::string(KD_BINARY_DIR) + "/korvadesk";
    return path;
}

std::string run_output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
            out.append(buf, n);
        }
        ::pclose(p);
    }
    return out;
}

bool make_program_folders(const std::string& tmpl, ProgramFolders& out) {
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        return false;
    }
    out.root = name.data();
    out.config = out.root + "/config";
    out.runtime = out.root + "/runtime";
    fs::create_directories(out.config);
    fs::create_directories(out.runtime);
    // The program refuses a runtime folder others can enter.
    fs::permissions(out.runtime, fs::perms::owner_all);
    out.ini = out.config + "/Korvadesk.ini";
    return true;
}

void remove_program_folders(const ProgramFolders& folders) {
    if (!folders.root.empty()) {
        std::error_code ec;
        fs::remove_all(folders.root, ec);
    }
}

bool enter_program_folders(const ProgramFolders& folders) {
    ::setenv("XDG_CONFIG_HOME", folders.config.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", folders.runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string bus = folders.session_bus.empty()
                                ? "unix:path=" + folders.root + "/no-session-bus"
                                : folders.session_bus;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    return ::chdir(folders.root.c_str()) == 0;
}

pid_t launch_command(const ProgramFolders& folders, const std::vector<std::string>& argv,
                     const std::string& stderr_path) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!enter_program_folders(folders)) {
            ::_exit(126);
        }
        if (!stderr_path.empty()) {
            const int fd = ::open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                ::dup2(fd, 2);
                ::close(fd);
            }
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

pid_t launch_program(const ProgramFolders& folders, const std::string& stderr_path) {
    return launch_command(folders, {program_path()}, stderr_path);
}

int wait_exit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!wait_for([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void kill_program(pid_t pid) {
    if (pid > 0 && ::kill(pid, 0) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

std::vector<std::string> visible_windows(pid_t pid, const std::string& name, NameMatch match) {
    std::string command = "xdotool search ";
    if (match == NameMatch::All) {
        command += "--all ";
    }
    command += "--onlyvisible --pid " + std::to_string(pid);
    if (!name.empty()) {
        command += " --name '" + name + "'";
    }
    std::istringstream in(run_output(command + " 2>/dev/null"));
    std::vector<std::string> ids;
    for (std::string id; in >> id;) {
        // The busy window of the neighbourhood reading comes and goes at start; counted
        // among the notes it would pass for the first one. A test that wants it names it.
        // A window without a name (even an empty one) has gone since the search.
        if (name.empty()) {
            const std::string shown = run_output("xdotool getwindowname " + id + " 2>/dev/null");
            if (shown.empty() || shown == std::string(kBusyCaption) + "\n") {
                continue;
            }
        }
        ids.push_back(id);
    }
    return ids;
}

std::string answer_box(pid_t pid, std::chrono::milliseconds appear) {
    const auto box_now = [pid] {
        const auto boxes = visible_windows(pid, "^Korvadesk$", NameMatch::All);
        return boxes.empty() ? std::string() : boxes.front();
    };
    std::string shown;
    if (!wait_for([&] { return !(shown = box_now()).empty(); }, appear)) {
        return {};
    }
    run_output("xdotool windowfocus --sync " + shown + " key Return 2>/dev/null");
    const bool gone = wait_for([&] { return box_now() != shown; }, std::chrono::seconds(10));
    return gone ? shown : std::string();
}

bool wait_windows(pid_t pid, std::size_t count, std::chrono::milliseconds limit) {
    return wait_for([&] { return visible_windows(pid).size() == count; }, limit);
}

void ProgramTest::SetUp() {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs Xvfb";
    }
    if (needs_xdotool_ && std::system("command -v xdotool >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs xdotool";
    }
    std::string why;
    display_ = TestDisplay::start(why);
    ASSERT_TRUE(display_) << "no X server for the test: " << why;
    display_variable_ = std::make_unique<DisplayVariable>(display_->name());
    ASSERT_TRUE(make_program_folders(folder_template_, dirs_));
    own_errors_ = dirs_.root + "/program-stderr";
}

void ProgramTest::TearDown() {
    if (HasFailure() && display_) {
        // A box the program opened (a bind refused, a file it could not write) explains most
        // failures that left nothing on standard error.
        const std::string names =
            run_output("xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null");
        if (!names.empty()) {
            std::printf("--- windows on the display ---\n%s", names.c_str());
        }
    }
    for (pid_t pid : started_) {
        kill_program(pid);
    }
    if (HasFailure() && !own_errors_.empty()) {
        const std::string text = run_output("cat '" + own_errors_ + "' 2>/dev/null");
        if (!text.empty()) {
            std::printf("--- the program's standard error ---\n%s", text.c_str());
        }
    }
    display_variable_.reset();
    display_.reset();
    remove_program_folders(dirs_);
}

QImage grab_window(const std::string& window) {
    char name[] = "/tmp/kd-grab-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    QImage image;
    if (std::system(
            ("import -silent -window " + window + " png:" + name + " 2>/dev/null").c_str()) == 0) {
        image.load(QString::fromLocal8Bit(name), "PNG");
    }
    ::unlink(name);
    return image;
}

std::uint16_t free_tcp_port() {
    // Below the kernel's range for outgoing connections: a port the kernel handed out here
    // could be taken by some outgoing connection before the program binds it.
    static std::mt19937 pick(std::random_device{}());
    std::uniform_int_distribution<int> range(20000, 32000);
    SocketStatus status;
    std::string step;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(range(pick));
        if (Socket::listen_tcp("0.0.0.0", port, 1, status, step).valid())
            return port;
    }
    return Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
}

pid_t ProgramTest::launch(const std::string& stderr_path) {
    return launch({program_path()}, stderr_path);
}

pid_t ProgramTest::launch(const std::vector<std::string>& argv, const std::string& stderr_path) {
    constexpr const char* kMain = "KORVADESK";
    constexpr const char* kPortKey = "CommunicationPort";
    constexpr const char* kNoTrayNoticeKey = "NoTrayNoticeShown";
    constexpr int kStarts = 3;
    // The test displays have no tray: the notice about it would add a window to every first
    // start. Tests of the notice itself ask for it.
    if (!shows_no_tray_notice_ && ProfileFile::read(dirs_.ini, kMain, kNoTrayNoticeKey, 16).empty())
        ProfileFile::write(dirs_.ini, kMain, kNoTrayNoticeKey, "Yes");
    // A port of the test's own even at a first start: another program (or another test) may
    // hold the usual one, and the box about that would stand beside the notes.
    if (ProfileFile::read(dirs_.ini, kMain, kPortKey, 16).empty())
        ProfileFile::write(dirs_.ini, kMain, kPortKey, std::to_string(free_tcp_port()));
    const std::string errors = stderr_path.empty() ? own_errors_ : stderr_path;
    for (int start = 1;; ++start) {
        std::error_code ec;
        std::uintmax_t offset = fs::file_size(errors, ec);
        if (ec) {
            offset = 0;
        }
        const int sockets = display_->open_sockets();
        const pid_t pid = launch_command(dirs_, argv, errors);
        if (start == kStarts || !refused_by_display(pid, errors, offset, sockets)) {
            started_.push_back(pid);
            return pid;
        }
        ::waitpid(pid, nullptr, 0);
        std::printf("[program test] %s refused start %d of %s; starting it again\n",
                    display_->name().c_str(), start, argv.front().c_str());
    }
}

bool ProgramTest::refused_by_display(pid_t pid, const std::string& errors, std::uintmax_t offset,
                                     int sockets) const {
    bool ended = false;
    // Until the program holds a connection of the server's, or has ended (looked at without
    // reaping it, so the test can still ask for its exit status).
    wait_for(
        [&] {
            siginfo_t info{};
            ended =
                ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid == pid;
            return ended || display_->open_sockets() > sockets;
        },
        10s, 10ms);
    if (!ended) {
        return false;
    }
    std::ifstream in(errors);
    in.seekg(static_cast<std::streamoff>(offset));
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The program's own line, or Qt's where the program did not get to say it.
    return text.find("cannot open display") != std::string::npos ||
           text.find("could not connect to display") != std::string::npos;
}

}  // namespace kd::test
