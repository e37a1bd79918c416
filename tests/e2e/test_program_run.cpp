// The real korvadesk program on the test's X display, with its own configuration and runtime
// folders: Alt+N as a real key press, an orderly end on SIGTERM, notes restored on the next
// start, and a second copy that leaves the first one alone.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kProgram = std::string(KD_BINARY_DIR) + "/korvadesk";

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

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "needs an X display (run under Xvfb)";
        }
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "needs xdotool";
        }
        char tmpl[] = "/tmp/kd-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        config_ = root_ + "/config";
        runtime_ = root_ + "/runtime";
        fs::create_directories(config_);
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all);
        ini_ = config_ + "/Korvadesk.ini";
    }
    void TearDown() override {
        for (pid_t pid : started_) {
            if (::kill(pid, 0) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
        if (!root_.empty()) {
            std::error_code ec;
            fs::remove_all(root_, ec);
        }
    }

    pid_t launch() {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            if (::chdir(root_.c_str()) != 0) {
                ::_exit(126);
            }
            ::execl(kProgram.c_str(), kProgram.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        started_.push_back(pid);
        return pid;
    }

    // Exit status of the process, or -1 when it did not end within the time.
    static int wait_exit(pid_t pid, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

    // Visible windows of the process (note windows; the main window is never shown).
    static std::vector<std::string> visible_windows(pid_t pid) {
        std::istringstream in(run_output("xdotool search --onlyvisible --pid " +
                                         std::to_string(pid) + " 2>/dev/null"));
        std::vector<std::string> ids;
        for (std::string id; in >> id;) {
            ids.push_back(id);
        }
        return ids;
    }

    static bool wait_windows(pid_t pid, size_t count) {
        for (int i = 0; i < 200; ++i) {
            if (visible_windows(pid).size() == count) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    static std::string geometry(const std::string& window) {
        return run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    }

    std::string key(const char* section, const char* name) {
        return ProfileFile::read(ini_, section, name, 256);
    }

    std::string root_, config_, runtime_, ini_;
    std::vector<pid_t> started_;
};

TEST_F(ProgramRun, HotKeyNoteSurvivesSigtermAndASecondCopyLeavesTheFirstRunning) {
    const pid_t first = launch();
    ASSERT_TRUE(wait_windows(first, 1)) << "the first start shows one empty note";

    // A real key press through the X server, grabbed on the root window.
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(std::system("xdotool key alt+n"), 0);
    ASSERT_TRUE(wait_windows(first, 2)) << "Alt+N made a second note";

    ::kill(first, SIGTERM);
    EXPECT_EQ(wait_exit(first, 10s), 0);
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "2");
    EXPECT_EQ(key("NOTE_ID_1", "NoteID"), "1");
    EXPECT_EQ(key("NOTE_ID_2", "NoteID"), "2");
    const std::string left2 = key("NOTE_ID_2", "Left");
    const std::string top2 = key("NOTE_ID_2", "Top");
    EXPECT_EQ(std::stoi(left2) - std::stoi(key("NOTE_ID_1", "Left")), 40);

    const pid_t again = launch();
    ASSERT_TRUE(wait_windows(again, 2)) << "both notes come back";
    bool found = false;
    for (const std::string& w : visible_windows(again)) {
        found = found || geometry(w).find("Position: " + left2 + "," + top2) != std::string::npos;
    }
    EXPECT_TRUE(found) << "the second note is back where it was";

    const pid_t second = launch();
    EXPECT_EQ(wait_exit(second, 10s), 0);
    EXPECT_EQ(::kill(again, 0), 0) << "the first copy still runs";
    EXPECT_EQ(visible_windows(again).size(), 2u);

    ::kill(again, SIGTERM);
    EXPECT_EQ(wait_exit(again, 10s), 0);
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "2");
}

}  // namespace
}  // namespace kd
