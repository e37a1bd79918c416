// The real korvadesk program on the test's X display, with its own configuration and runtime
// folders: Alt+N as a real key press, an orderly end on SIGTERM, notes restored on the next
// start, and a second copy that leaves the first one alone.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "support/program_runner.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::visible_windows;
using test::wait_exit;
using test::wait_windows;

class ProgramRun : public test::ProgramTest {
protected:
    ProgramRun() : ProgramTest("/tmp/kd-e2e-XXXXXX", true) {}

    static std::string geometry(const std::string& window) {
        return test::run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    }

    std::string key(const char* section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 256);
    }
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
