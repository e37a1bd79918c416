// Undo in the real korvadesk, driven with xdotool: twenty typed words come off one at a time
// with Ctrl+Z and go back on with Ctrl+Shift+Z and Ctrl+Y, and the text the note was loaded
// with is no step. Each state is read from the settings file, written as the focus leaves the
// note for another one.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

// No word is part of another, so each is found in the stored body on its own.
const std::vector<std::string> kWords = {
    "apple", "brook", "cedar", "delta", "ember", "fjord", "grape", "heron", "igloo", "jumbo",
    "kayak", "lemon", "mango", "nylon", "otter", "pixel", "quilt", "raven", "salsa", "tulip"};

// The first `n` words, each followed by a space but the last of all twenty.
std::string first_words(std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += kWords[i];
        if (i + 1 < kWords.size()) {
            out += ' ';
        }
    }
    return out;
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

class BodyUndoRun : public test::ProgramTest {
protected:
    BodyUndoRun() : ProgramTest("/tmp/kd-e2e-undo-XXXXXX", true) {}
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        set_app_paths(dirs_.store_paths());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        set_app_paths({});
    }

    std::string stored_body() {
        ProfileFile::clear_cache();
        NoteRecord r;
        NoteStore(app_paths(), test::store_errors()).read_record(1, r);
        return r.EditText;
    }
    // The note's body holds the first `n` words and not the one after them, once the focus
    // has gone to the other note and the first has saved itself.
    bool holds_words(std::size_t n) {
        const std::string body = stored_body();
        return body.find("Loaded") != std::string::npos &&
               body.find(first_words(n)) != std::string::npos &&
               (n == kWords.size() || body.find(kWords[n]) == std::string::npos);
    }
    // Presses `key` in the first note's body, then clicks into the second note.
    static void press_in_note(const std::string& key) {
        ASSERT_TRUE(run("xdotool mousemove 200 200 click 1 sleep 0.1 key " + key +
                        " sleep 0.1 mousemove 650 200 click 1"));
    }
};

TEST_F(BodyUndoRun, TwentyTypedWordsUndoOneByOneAndRedoWithBothKeys) {
    {
        StoreTransaction tx(app_paths().IniPath, test::store_errors());
        for (int n = 1; n <= 2; ++n) {
            NoteRecord r;
            r.NoteID = n;
            r.EditFont = "DejaVu Sans";
            r.EditFontSize = 10;
            r.TitleText = "note " + std::to_string(n);
            r.Left = n == 1 ? 60 : 520;
            r.Top = 60;
            r.Width = 400;
            r.Height = 300;
            r.Minimized = "No";
            r.Hidden = "No";
            r.EditText = n == 1 ? "{\\rtf1\\ansi Loaded\\par}" : "";
            tx.write_record(r);
        }
        tx.set_number_of_notes(2);
        ASSERT_TRUE(tx.commit());
    }
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 2)) << "both notes come back";
    std::this_thread::sleep_for(500ms);

    // Clicking below the text puts the caret on the empty line after "Loaded".
    ASSERT_TRUE(run("xdotool mousemove 200 200 click 1 sleep 0.3 type --delay 30 '" +
                    first_words(kWords.size()) + "'"));
    ASSERT_TRUE(run("xdotool mousemove 650 200 click 1"));
    ASSERT_TRUE(test::wait_for([&] { return holds_words(20); }, 10s)) << stored_body();

    for (std::size_t n = kWords.size(); n-- > 0;) {
        press_in_note("ctrl+z");
        ASSERT_TRUE(test::wait_for([&] { return holds_words(n); }, 5s))
            << "after undoing down to " << n << " words: " << stored_body();
    }
    // Nothing is left to undo: the text the note was loaded with stays.
    press_in_note("ctrl+z");
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(holds_words(0)) << stored_body();

    for (std::size_t n = 1; n <= kWords.size(); ++n) {
        press_in_note(n % 2 == 1 ? "ctrl+shift+z" : "ctrl+y");
        ASSERT_TRUE(test::wait_for([&] { return holds_words(n); }, 5s))
            << "after redoing up to " << n << " words: " << stored_body();
    }

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_TRUE(holds_words(kWords.size()));
}

}  // namespace
}  // namespace kd
