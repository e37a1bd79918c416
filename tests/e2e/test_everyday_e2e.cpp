// Everyday use of the real program: a new note takes the keyboard (under a window manager and
// on a bare X server), new notes made after a restart pass the notes already lying in the
// cascade, and what a start says on standard error and to the person.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::run_output;
using test::visible_windows;
using test::wait_exit;
using test::wait_for;
using test::wait_windows;

class Everyday : public test::ProgramTest {
protected:
    Everyday() : ProgramTest("/tmp/kd-everyday-XXXXXX", true) {}

    std::string key(const std::string& section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 4096);
    }

    // Starts openbox on the test's display and waits until it manages the screen.
    void start_window_manager() {
        if (std::system("command -v openbox >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "needs openbox";
        }
        launch({"openbox", "--sm-disable"}, dirs_.root + "/openbox-stderr");
        ASSERT_TRUE(wait_for(
            [] {
                return run_output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                           .find("window id") != std::string::npos;
            },
            10s))
            << "openbox did not take the screen";
    }

    static std::string position(const std::string& window) {
        const std::string g = run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
        const std::size_t at = g.find("Position: ");
        return at == std::string::npos ? "" : g.substr(at + 10, g.find(' ', at + 10) - at - 10);
    }

    // The note bodies take what is typed into the window that has the keyboard: one line into
    // the note clicked, then Alt+N and another line that must land in the new note.
    void alt_n_then_typing_goes_into_the_new_note() {
        const pid_t pid = launch();
        ASSERT_TRUE(wait_windows(pid, 1));
        const std::string first = visible_windows(pid).front();
        std::this_thread::sleep_for(500ms);
        ASSERT_EQ(std::system(("xdotool mousemove --window " + first +
                               " 60 60 click 1 sleep 0.3 type --delay 30 firstline")
                                  .c_str()),
                  0);
        std::this_thread::sleep_for(300ms);
        ASSERT_EQ(std::system("xdotool key alt+n"), 0);
        ASSERT_TRUE(wait_windows(pid, 2)) << "Alt+N made a second note";
        std::this_thread::sleep_for(700ms);
        ASSERT_EQ(std::system("xdotool type --delay 30 secondline"), 0);
        std::this_thread::sleep_for(300ms);

        ::kill(pid, SIGTERM);
        ASSERT_EQ(wait_exit(pid, 10s), 0);
        EXPECT_NE(key("NOTE_ID_1", "EditText").find("firstline"), std::string::npos);
        EXPECT_EQ(key("NOTE_ID_1", "EditText").find("secondline"), std::string::npos)
            << "the old note kept the keyboard";
        EXPECT_NE(key("NOTE_ID_2", "EditText").find("secondline"), std::string::npos)
            << "the new note did not get what was typed";
    }
};

TEST_F(Everyday, AltNThenTypingGoesIntoTheNewNoteOnABareXServer) {
    alt_n_then_typing_goes_into_the_new_note();
}

TEST_F(Everyday, AltNThenTypingGoesIntoTheNewNoteUnderAWindowManager) {
    start_window_manager();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    alt_n_then_typing_goes_into_the_new_note();
}

TEST_F(Everyday, AfterARestartANewNoteLandsOnAFreeSpot) {
    // Two notes made in a row lie at the first two spots of the cascade.
    pid_t pid = launch();
    ASSERT_TRUE(wait_windows(pid, 1));
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(std::system("xdotool key alt+n"), 0);
    ASSERT_TRUE(wait_windows(pid, 2));
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_exit(pid, 10s), 0);
    const std::string spot1 = key("NOTE_ID_1", "Left") + "," + key("NOTE_ID_1", "Top");
    const std::string spot2 = key("NOTE_ID_2", "Left") + "," + key("NOTE_ID_2", "Top");
    ASSERT_NE(spot1, spot2);

    // After the restart the cascade starts over; the new note passes both.
    pid = launch();
    ASSERT_TRUE(wait_windows(pid, 2));
    std::vector<std::string> before = visible_windows(pid);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(std::system("xdotool key alt+n"), 0);
    ASSERT_TRUE(wait_windows(pid, 3));
    std::vector<std::string> spots;
    for (const std::string& w : visible_windows(pid)) {
        spots.push_back(position(w));
    }
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_exit(pid, 10s), 0);
    const std::string spot3 = key("NOTE_ID_3", "Left") + "," + key("NOTE_ID_3", "Top");
    EXPECT_NE(spot3, spot1);
    EXPECT_NE(spot3, spot2);
    EXPECT_EQ(std::stoi(key("NOTE_ID_3", "Left")) - std::stoi(key("NOTE_ID_2", "Left")), 40)
        << "the next free spot of the run";
    EXPECT_EQ(spots.size(), 3u);
}

TEST_F(Everyday, ANormalStartWithATrayPrintsNothingOnStandardError) {
    // A panel with a notification area, as on a desktop. The network is read at start through
    // the companion, which finds no Avahi daemon here: nothing to tell the person.
    if (std::system("command -v tint2 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs tint2";
    }
    start_window_manager();  // tint2 shows its panel only under one
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    launch({"tint2"}, dirs_.root + "/tint2-output");
    ASSERT_TRUE(wait_for(
        [] { return !run_output("xdotool search --class tint2 2>/dev/null").empty(); }, 10s));
    std::this_thread::sleep_for(1s);
    const std::string errors = dirs_.root + "/korvadesk-stderr";
    const pid_t pid = launch(errors);
    // Once the panel takes the icon, its window is one of ours too: wait for the note alone.
    ASSERT_TRUE(wait_for([&] { return !visible_windows(pid).empty(); }, 10s));
    std::this_thread::sleep_for(4s);  // the companion has run and the first tick has passed
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_exit(pid, 10s), 0);
    EXPECT_EQ(test::read_text(errors), "");
    EXPECT_EQ(key("KORVADESK", "NoTrayNoticeShown"), "Yes") << "set by the test, left alone";
}

TEST_F(Everyday, WithoutATrayTheFirstStartShowsItsNoticeOnceAndRecordsIt) {
    // No notification service on the test's session (there is none): a message box.
    show_no_tray_notice();
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    pid_t pid = launch();
    ASSERT_TRUE(wait_for(
        [&] {
            return visible_windows(pid).size() == 2 &&
                   visible_windows(pid, "^Korvadesk", test::NameMatch::All).size() == 1;
        },
        10s))
        << "the note and the notice";
    EXPECT_EQ(key("KORVADESK", "NoTrayNoticeShown"), "Yes");
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_exit(pid, 10s), 0);

    pid = launch();
    ASSERT_TRUE(wait_windows(pid, 1));
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(visible_windows(pid).size(), 1u) << "the notice came again";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_exit(pid, 10s), 0);
}

TEST_F(Everyday, UnderAWindowManagerARestoredNoteKeepsItsPlaceThroughACleanQuit) {
    // openbox frames the note right after it is mapped; the place inside the new frame (0,0)
    // was once saved as the note's place on the screen.
    start_window_manager();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    NoteRecord r;
    r.NoteID = 1;
    r.EditText = "{\\rtf1 Here}";
    r.EditFont = "Tahoma";
    r.EditFontSize = 10;
    r.TitleText = "Here";
    r.TitleFont = "Tahoma";
    r.TitleFontSize = 8;
    r.Width = 200;
    r.Height = 150;
    r.Left = 220;
    r.Top = 220;
    r.Minimized = "No";
    r.Hidden = "No";
    r.Border = "No";
    ASSERT_TRUE(NoteStore(app_paths()).write_record(r, dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "1"));
    for (int run = 1; run <= 4; ++run) {
        SCOPED_TRACE(run);
        const pid_t pid = launch();
        ASSERT_TRUE(wait_windows(pid, 1));
        std::this_thread::sleep_for(800ms);
        ::kill(pid, SIGTERM);
        ASSERT_EQ(wait_exit(pid, 10s), 0);
        EXPECT_EQ(key("NOTE_ID_1", "Left") + "," + key("NOTE_ID_1", "Top"), "220,220");
    }
}

}  // namespace
}  // namespace kd
