// Running the real korvadesk binary from a test: private configuration and runtime folders,
// start and end of the process, and the X tools that look at its windows.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <QImage>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/test_display.h"

namespace kd::test {

// The korvadesk binary of this build.
const std::string& program_path();

// Everything the command writes to standard output ("" when it cannot run).
std::string run_output(const std::string& command);

// A program's own folders: XDG_CONFIG_HOME, XDG_RUNTIME_DIR, and the settings file in them.
// `session_bus` is the D-Bus session bus address the program gets; while it is empty the
// program gets an address where no bus listens, so no test reaches the machine's own bus.
struct ProgramFolders {
    std::string root, config, runtime, ini, session_bus;

    // The paths the program works with in these folders, for a store over its files.
    AppPaths store_paths() const {
        return AppPaths{root, ini, config + "/" + kNetListFileName, "Linux", {}};
    }
};

// Makes a new root from `tmpl` (a mkdtemp template) with config/ and a private runtime/.
bool make_program_folders(const std::string& tmpl, ProgramFolders& out);
void remove_program_folders(const ProgramFolders& folders);

// For a forked child before exec: the folders as the program's environment and working
// folder; false when the working folder cannot be entered.
bool enter_program_folders(const ProgramFolders& folders);

// Forks and execs korvadesk in the folders; with `stderr_path` its standard error goes to that
// file.
pid_t launch_program(const ProgramFolders& folders, const std::string& stderr_path = {});

// The same for any command line (argv[0] searched in PATH), for example korvadesk under a
// wrapper.
pid_t launch_command(const ProgramFolders& folders, const std::vector<std::string>& argv,
                     const std::string& stderr_path = {});

// Exit status of the process, or -1 when it did not end within the time.
int wait_exit(pid_t pid, std::chrono::milliseconds limit);

// Kills and reaps the process when it still runs.
void kill_program(pid_t pid);

enum class NameMatch { Any, All };

// Visible windows of the process, optionally only those whose name matches `name`;
// NameMatch::All asks xdotool for windows that meet every condition.
std::vector<std::string> visible_windows(pid_t pid, const std::string& name = {},
                                         NameMatch match = NameMatch::Any);

// Waits (at most `appear`) for a message box of the process (a window named "Korvadesk"),
// answers it with Return and waits until it has gone. The box's window, "" when none came or
// it stayed.
std::string answer_box(pid_t pid, std::chrono::milliseconds appear);

// Waits until the process shows exactly `count` visible windows.
bool wait_windows(pid_t pid, std::size_t count,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

// The window's pixels as the X server in DISPLAY holds them (through ImageMagick's import);
// a null image when it could not be read.
QImage grab_window(const std::string& window);

// A TCP port of the loopback interface that was free a moment ago.
std::uint16_t free_tcp_port();

// A test that starts korvadesk in folders of its own, on an X server of its own (DISPLAY points
// at it for the test's whole run, so xdotool and the programs meet there). Every program it
// launched is killed, the server stopped and the folders removed at the end. A settings file
// without a CommunicationPort gets a free one, first starts included, so a copy running on the
// machine (on the default port) or another test does not change what the test sees. The
// settings file also says that the notice about the missing tray was shown (the
// test displays have none), unless the test asks for the notice.
class ProgramTest : public ::testing::Test {
protected:
    ProgramTest(std::string folder_template, bool needs_xdotool)
        : folder_template_(std::move(folder_template)), needs_xdotool_(needs_xdotool) {}

    void SetUp() override;
    void TearDown() override;

    // Starts korvadesk. Without `stderr_path` its standard error goes to a file of the test's
    // folders, printed when the test fails.
    pid_t launch(const std::string& stderr_path = {});
    // The same for any command line. A start that the display refused is made again, at most
    // three starts in all, and the test's output says so.
    pid_t launch(const std::vector<std::string>& argv, const std::string& stderr_path = {});

    const TestDisplay& display() const { return *display_; }

    // Programs started from now on tell that the display has no tray, as a first start does;
    // otherwise the settings file says they already did.
    void show_no_tray_notice() { shows_no_tray_notice_ = true; }

    ProgramFolders dirs_;
    std::vector<pid_t> started_;

private:
    // Whether the program just started ended because the display refused it; `offset` is where
    // its lines begin in `errors`, `sockets` what the server held before it started.
    bool refused_by_display(pid_t pid, const std::string& errors, std::uintmax_t offset,
                            int sockets) const;

    std::string folder_template_;
    bool needs_xdotool_;
    bool shows_no_tray_notice_ = false;
    std::unique_ptr<TestDisplay> display_;
    std::unique_ptr<DisplayVariable> display_variable_;
    std::string own_errors_;
};

}  // namespace kd::test
