// Nothing typed is lost: the real korvadesk with text typed into a note (xdotool) and the
// focus left where it is, then killed with SIGKILL, or its X server killed under it; and notes
// shown again with "Show all notes" (the running copy's own request, as a second start hands
// it on: the test display has no tray) before a SIGKILL.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/test_display.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

class AutosaveRun : public test::ProgramTest {
protected:
    AutosaveRun() : ProgramTest("/tmp/kd-e2e-autosave-XXXXXX", true) {}
    void SetUp() override {
        ProgramTest::SetUp();
        set_app_paths(dirs_.store_paths());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        set_app_paths({});
    }

    // Starts the program on a first start and waits for its one empty note.
    std::string start_with_one_note(pid_t& pid) {
        pid = launch();
        EXPECT_TRUE(test::wait_windows(pid, 1)) << "the first note is shown";
        const auto windows = test::visible_windows(pid);
        return windows.empty() ? std::string() : windows.front();
    }
    // Clicks into the note's body (no window manager: the click gives the focus) and types.
    static void type_into(const std::string& note, const std::string& text) {
        ASSERT_EQ(std::system(("xdotool mousemove --window " + note +
                               " 100 100 click 1 sleep 0.3 type --delay 60 '" + text + "'")
                                  .c_str()),
                  0);
    }
    NoteRecord record(int number) {
        ProfileFile::clear_cache();
        NoteRecord r;
        EXPECT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(number, r))
            << "record " << number;
        return r;
    }
    bool body_has(int number, const std::string& text) {
        return record(number).EditText.find(text) != std::string::npos;
    }
};

TEST_F(AutosaveRun, TextTypedThreeSecondsBeforeASigkillIsInTheNoteAfterTheRestart) {
    pid_t pid = 0;
    const std::string note = start_with_one_note(pid);
    ASSERT_FALSE(note.empty());
    type_into(note, "Buy milk before SIGKILL");
    // The focus stays in the note: no save moment comes, only the autosave.
    std::this_thread::sleep_for(3s);
    ::kill(pid, SIGKILL);
    ASSERT_EQ(test::wait_exit(pid, 10s), 128 + SIGKILL);
    EXPECT_TRUE(body_has(1, "Buy milk before SIGKILL"));
    NoteRecord r = record(1);
    EXPECT_EQ(r.Left, 100) << "where the first note stands";
    EXPECT_EQ(r.Top, 100);

    // The next start shows the note with its text, and writes it back from the window.
    const pid_t again = launch();
    ASSERT_TRUE(test::wait_windows(again, 1));
    ::kill(again, SIGTERM);
    ASSERT_EQ(test::wait_exit(again, 10s), 0);
    EXPECT_TRUE(body_has(1, "Buy milk before SIGKILL"));
}

TEST_F(AutosaveRun, TextTypedBeforeTheXServerIsKilledIsInTheFile) {
    pid_t pid = 0;
    const std::string note = start_with_one_note(pid);
    ASSERT_FALSE(note.empty());
    type_into(note, "Lost connection");
    std::this_thread::sleep_for(3s);
    // The X server goes; the program loses its connection and ends without any save of its
    // own on the way out.
    ::kill(display().pid(), SIGKILL);
    ASSERT_NE(test::wait_exit(pid, 10s), -1) << "the program ends with its X server";
    EXPECT_TRUE(body_has(1, "Lost connection"));

    // On a new X server the note comes back with the text.
    std::string why;
    std::unique_ptr<test::TestDisplay> next = test::TestDisplay::start(why);
    ASSERT_TRUE(next) << why;
    test::DisplayVariable on_next(next->name());
    const pid_t again = launch();
    ASSERT_TRUE(test::wait_windows(again, 1));
    ::kill(again, SIGTERM);
    ASSERT_EQ(test::wait_exit(again, 10s), 0);
    EXPECT_TRUE(body_has(1, "Lost connection"));
}

TEST_F(AutosaveRun, NotesShownAgainWithShowAllAreShownAfterASigkill) {
    // Three notes, all hidden.
    {
        StoreTransaction tx(app_paths().IniPath, test::store_errors());
        for (int n = 1; n <= 3; ++n) {
            NoteRecord r;
            r.NoteID = n;
            r.EditFont = "DejaVu Sans";
            r.EditFontSize = 10;
            r.TitleText = "note " + std::to_string(n);
            r.Left = 100 * n;
            r.Top = 100;
            r.Width = 200;
            r.Height = 150;
            r.Minimized = "No";
            r.Border = "No";
            r.Hidden = "Yes";
            tx.write_record(r);
        }
        tx.set_number_of_notes(3);
        tx.set("KORVADESK", "IniUpdate", "0111");
        ASSERT_TRUE(tx.commit());
    }
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_for([&] { return record(1).NoteID == 1; }, 10s));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(test::visible_windows(pid).empty());
    const pid_t second = launch({test::program_path(), "--show-all"});
    EXPECT_EQ(test::wait_exit(second, 10s), 0);
    ASSERT_TRUE(test::wait_windows(pid, 3)) << "Show all shows every note";
    ::kill(pid, SIGKILL);
    ASSERT_EQ(test::wait_exit(pid, 10s), 128 + SIGKILL);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(record(n).Hidden, "No") << n;
    }

    const pid_t again = launch();
    EXPECT_TRUE(test::wait_windows(again, 3)) << "every note comes back visible";
}

}  // namespace
}  // namespace kd
