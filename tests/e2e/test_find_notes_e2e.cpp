// Finding notes and listing them from the tray, on the real program with a real tray (tint2
// under openbox): a word typed into "Find in notes ..." brings up the hidden, rolled-up note
// among 300 that holds it, with the word selected; the "Notes" submenu reaches every note and
// brings the chosen one up. What the test sees: the window list, the active window and the
// settings file. With KD_SHOTS_DIR set, the test leaves pictures of the screen there.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::run_output;
using test::visible_windows;
using test::wait_exit;
using test::wait_for;

constexpr int kNotes = 300;
constexpr int kWanted = 217;  // hidden and rolled up; its body holds the word looked for

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

class FindNotesRun : public test::ProgramTest {
protected:
    FindNotesRun() : ProgramTest("/tmp/kd-find-XXXXXX", true) {}

    std::string key(int note, const char* name) const {
        return ProfileFile::read(dirs_.ini, "NOTE_ID_" + std::to_string(note), name, 65536);
    }

    // Notes 1 to 3 on the screen, the others hidden, all with bodies of ordinary words.
    void write_notes() {
        StoreTransaction tx(dirs_.ini, test::store_errors());
        for (int n = 1; n <= kNotes; ++n) {
            NoteRecord r;
            r.NoteID = n;
            r.EditFont = "DejaVu Sans";
            r.EditFontSize = 10;
            r.EditBackColor = 0x80FFFF - static_cast<ColorRef>(n * 0x010203);
            r.TitleBackColor = 0x60E0E0 - static_cast<ColorRef>(n * 0x000201);
            r.TitleFont = "DejaVu Sans";
            r.TitleFontSize = 8;
            r.TitleText = "Note " + std::to_string(n);
            r.EditText = "{\\rtf1 Shopping for week " + std::to_string(n) +
                         ": bread, milk, apples, coffee, rice, soap.\\par Call the plumber "
                         "about the kitchen tap.\\par}";
            r.Left = 60 + 30 * (n % 20);
            r.Top = 60 + 20 * (n % 20);
            r.Width = 220;
            r.Height = 160;
            r.Minimized = "No";
            r.Border = "No";
            r.Hidden = n <= 3 ? "No" : "Yes";
            if (n == kWanted) {
                r.EditText =
                    "{\\rtf1\\ansi\\ansicpg1252 Meet Ana at the Z\\'e1nzibar caf\\'e9 on "
                    "Friday.\\par}";
                r.Minimized = "Yes";
            }
            if (n == 7) {
                // A title from outside: long, with a direction override and control bytes.
                r.TitleText = "\xE2\x80\xAEtxt.exe\x01\t";
                r.TitleText.append(1024, 'W');
            }
            tx.write_record(r);
        }
        tx.set_number_of_notes(kNotes);
        tx.set("KORVADESK", "IniUpdate", "0111");
        ASSERT_TRUE(tx.commit());
    }

    // openbox, tint2 with its notification area, then korvadesk; waits for the tray icon.
    void start_with_tray() {
        if (std::system("command -v openbox >/dev/null 2>&1 && command -v tint2 >/dev/null "
                        "2>&1") != 0) {
            GTEST_SKIP() << "needs openbox and tint2";
        }
        launch({"openbox", "--sm-disable"}, dirs_.root + "/openbox-stderr");
        ASSERT_TRUE(wait_for(
            [] {
                return run_output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                           .find("window id") != std::string::npos;
            },
            10s));
        launch({"tint2"}, dirs_.root + "/tint2-output");
        ASSERT_TRUE(wait_for(
            [] { return !run_output("xdotool search --class tint2 2>/dev/null").empty(); }, 10s));
        std::this_thread::sleep_for(500ms);
        write_notes();
        pid_ = launch();
        ASSERT_TRUE(wait_for([&] { return !tray_icon().empty(); }, 20s)) << "no tray icon";
        ASSERT_TRUE(wait_for(
            [&] { return visible_windows(pid_, "^Note ", test::NameMatch::All).size() == 3; },
            20s));
        std::this_thread::sleep_for(1s);
    }

    // The program's window of the tray's icon size.
    std::string tray_icon() const {
        for (const std::string& w : visible_windows(pid_)) {
            if (run_output("xdotool getwindowgeometry " + w).find("Geometry: 22x22") !=
                std::string::npos) {
                return w;
            }
        }
        return {};
    }

    void open_tray_menu() {
        const std::size_t before = visible_windows(pid_).size();
        ASSERT_EQ(
            std::system(("xdotool mousemove --window " + tray_icon() + " 10 10 click 3").c_str()),
            0);
        ASSERT_TRUE(wait_for([&] { return visible_windows(pid_).size() > before; }, 5s))
            << "the tray menu did not open";
        std::this_thread::sleep_for(300ms);
    }

    // The menu's items with the keyboard: New note, Show all notes, Hide all notes (all
    // enabled: some notes are shown, some hidden), then ours.
    static void keys(const std::string& keys) {
        ASSERT_EQ(std::system(("xdotool key --delay 80 " + keys).c_str()), 0);
    }

    void shot(const std::string& name) const {
        const char* dir = std::getenv("KD_SHOTS_DIR");
        if (dir != nullptr) {
            std::system(("import -window root '" + std::string(dir) + "/" + name + "'").c_str());
        }
    }

    std::string active_window() const { return trimmed(run_output("xdotool getactivewindow")); }

    // The note's window once it is on the screen.
    std::string shown_note(int note) const {
        std::string found;
        wait_for(
            [&] {
                const auto windows = visible_windows(pid_, "^Note " + std::to_string(note) + "$",
                                                     test::NameMatch::All);
                if (!windows.empty()) {
                    found = windows.front();
                }
                return !windows.empty();
            },
            10s);
        return found;
    }

    void quit() {
        ::kill(pid_, SIGTERM);
        ASSERT_EQ(wait_exit(pid_, 20s), 0);
    }

    pid_t pid_ = 0;
};

TEST_F(FindNotesRun, AWordTypedInFindInNotesBringsUpTheHiddenNoteThatHoldsIt) {
    start_with_tray();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    open_tray_menu();
    keys("Down Down Down Down Return");  // "Find in notes ..."
    std::string finder;
    ASSERT_TRUE(wait_for(
        [&] {
            const auto w = visible_windows(pid_, "^Find in notes$", test::NameMatch::All);
            if (!w.empty()) {
                finder = w.front();
            }
            return !w.empty();
        },
        10s));
    ASSERT_TRUE(wait_for([&] { return active_window() == finder; }, 5s));
    // Typed without its accent and in capitals: the body has "Zánzibar".
    ASSERT_EQ(std::system("xdotool type --delay 60 ZANZIBAR"), 0);
    std::this_thread::sleep_for(500ms);
    shot("find-window.png");
    keys("Return");

    const std::string note = shown_note(kWanted);
    ASSERT_FALSE(note.empty()) << "the note did not come up";
    EXPECT_TRUE(wait_for([&] { return active_window() == note; }, 5s)) << "not in front";
    std::this_thread::sleep_for(500ms);
    shot("found-note.png");
    // The match is selected: what is typed now replaces the word and nothing else.
    ASSERT_EQ(std::system("xdotool type --delay 60 Dar"), 0);
    std::this_thread::sleep_for(300ms);
    quit();
    EXPECT_NE(key(kWanted, "EditText").find("Meet Ana at the Dar caf"), std::string::npos)
        << key(kWanted, "EditText");
    EXPECT_EQ(key(kWanted, "Hidden"), "No");
    EXPECT_EQ(key(kWanted, "Minimized"), "No");
    EXPECT_EQ(key(kWanted - 1, "Hidden"), "Yes") << "only the chosen note came up";
}

TEST_F(FindNotesRun, TheNotesSubmenuReachesEveryNoteAndBringsUpTheChosenOne) {
    start_with_tray();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    open_tray_menu();
    keys("Down Down Down Down Down Right");  // "Notes"
    std::this_thread::sleep_for(500ms);
    keys("Down Down Down Down Down Down");  // down to note 7 and its long title
    shot("notes-submenu.png");
    // The last entry is the last note, hidden until now.
    keys("End Return");
    const std::string note = shown_note(kNotes);
    ASSERT_FALSE(note.empty()) << "the last note did not come up";
    EXPECT_TRUE(wait_for([&] { return active_window() == note; }, 5s)) << "not in front";
    quit();
    EXPECT_EQ(key(kNotes, "Hidden"), "No");
    EXPECT_EQ(key(kNotes - 1, "Hidden"), "Yes");
}

}  // namespace
}  // namespace kd
