// The real program from the command line: help, version and autostart without a display; a
// start without a display; --new-note and --show-all handed to a running copy; a plain second
// start bringing hidden notes back where there is no tray; the settings file kept as
// Korvadesk.ini.bak.1..3 over four starts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/sample_note.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::read_text;
using test::run_output;

std::string program() {
    return test::program_path();
}

// Runs the program with `args` in a shell with `env` before it; standard output and error
// together, then "rc=<exit code>".
std::string run(const std::string& env, const std::string& args) {
    return run_output(env + " '" + program() + "' " + args + " 2>&1; echo \"rc=$?\"");
}

TEST(CommandLineRun, HelpVersionAndAutostartNeedNoDisplayAndStartNothing) {
    test::TempDir dir;
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + dir.path() +
                            "' XDG_RUNTIME_DIR='" + dir.path() + "'";
    const std::string help = run(env, "--help");
    EXPECT_EQ(help.rfind("Usage: korvadesk [options]\n", 0), 0u) << help;
    EXPECT_NE(help.find("--new-note"), std::string::npos);
    EXPECT_NE(help.find("\nrc=0\n"), std::string::npos);
    EXPECT_EQ(run(env, "--version"), "Korvadesk 5.lan\nrc=0\n");
    EXPECT_NE(run(env, "--frobnicate").find("Unknown option 'frobnicate'"), std::string::npos);

    const std::string entry = dir.path() + "/autostart/korvadesk.desktop";
    EXPECT_EQ(run(env, "--autostart on"),
              "Korvadesk will start when you log in: " + entry + "\nrc=0\n");
    EXPECT_NE(read_text(entry).find("\nExec=" + program() + "\n"), std::string::npos);
    EXPECT_EQ(run(env, "--autostart off"), "Removed " + entry + "\nrc=0\n");
    EXPECT_FALSE(fs::exists(entry));

    // None of these started the program: no settings file, no instance socket.
    EXPECT_FALSE(fs::exists(dir.file("Korvadesk.ini")));
    EXPECT_FALSE(fs::exists(dir.file("Korvadesk Application-" + std::to_string(getuid()))));

    // Starting without a display: one line that names what is missing, instead of Qt's abort.
    EXPECT_EQ(run(env, ""),
              "korvadesk: cannot start: no display (DISPLAY is not set); start it from a "
              "graphical session\nrc=1\n");
    EXPECT_EQ(run(env + " DISPLAY=:241", "--new-note"),
              "korvadesk: cannot start: cannot open display \":241\"\nrc=1\n");
    EXPECT_FALSE(fs::exists(dir.file("Korvadesk.ini")));
}

class CommandLineProgram : public test::ProgramTest {
protected:
    CommandLineProgram() : ProgramTest("/tmp/kd-e2e-cmd-XXXXXX", true) {}

    std::string key(const char* section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 256);
    }
    bool shown(pid_t pid, const char* title) {
        return !test::visible_windows(pid, title, test::NameMatch::All).empty();
    }
    // Starts the program with `args` and waits until it shows `windows` windows.
    pid_t launch_showing(std::size_t windows, const std::vector<std::string>& args = {}) {
        std::vector<std::string> argv{program()};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = launch(argv);
        test::wait_for([&] { return test::visible_windows(pid).size() == windows; }, 10s);
        return pid;
    }
    // A later start with `args`: it must hand them over and end at once.
    void ask_running_copy(const std::vector<std::string>& args) {
        std::vector<std::string> argv{program()};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t later = launch(argv);
        EXPECT_EQ(test::wait_exit(later, 10s), 0);
    }
    void write_notes(const char* second_hidden) {
        const AppPaths paths = test::app_paths_in(dirs_.config);
        NoteStore store{paths, test::store_errors()};
        NoteRecord shown_note = test::sample_note_record(1, "Shown");
        NoteRecord tucked = test::sample_note_record(2, "Tucked");
        tucked.Left = 600;
        tucked.Hidden = second_hidden;
        ASSERT_TRUE(store.write_record(shown_note, dirs_.ini));
        ASSERT_TRUE(store.write_record(tucked, dirs_.ini));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "2"));
    }
};

TEST_F(CommandLineProgram, NewNoteAndShowAllReachTheRunningCopy) {
    write_notes("Yes");
    const std::string before = read_text(dirs_.ini);
    const pid_t pid = launch_showing(1);
    ASSERT_TRUE(test::wait_windows(pid, 1)) << "the hidden note stays hidden";
    ASSERT_TRUE(shown(pid, "^Shown$"));

    // Handing over needs no display.
    EXPECT_EQ(run("env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + dirs_.config +
                      "' XDG_RUNTIME_DIR='" + dirs_.runtime + "'",
                  "--new-note"),
              "rc=0\n");
    EXPECT_TRUE(test::wait_windows(pid, 2)) << "the running copy made a new note";
    EXPECT_TRUE(test::wait_for([&] { return key("KORVADESK", "NumberOfNotes") == "3"; }, 5s));
    EXPECT_FALSE(shown(pid, "^Tucked$"));

    ask_running_copy({"--show-all"});
    EXPECT_TRUE(test::wait_windows(pid, 3));
    EXPECT_TRUE(shown(pid, "^Tucked$"));

    // Only the copy that runs kept a backup, of the file as it found it.
    EXPECT_EQ(read_text(dirs_.ini + ".bak.1").substr(0, before.size() - 6),
              before.substr(0, before.size() - 6));
    EXPECT_FALSE(fs::exists(dirs_.ini + ".bak.2")) << "the later copies wrote nothing";
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(key("NOTE_ID_2", "Hidden"), "No") << "shown for good";
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "3");
}

TEST_F(CommandLineProgram, WithoutATrayAPlainSecondStartShowsHiddenNotes) {
    write_notes("Yes");
    const pid_t pid = launch_showing(1);
    // The test's own display has no tray host, so the hidden note has no icon to come back
    // from: a plain second start is the way.
    ASSERT_TRUE(test::wait_windows(pid, 1));
    ask_running_copy({});
    EXPECT_TRUE(test::wait_windows(pid, 2));
    EXPECT_TRUE(shown(pid, "^Tucked$"));
}

TEST_F(CommandLineProgram, FourStartsKeepTheLastThreeSettingsFiles) {
    // The port is set before the first start, so nothing but the program changes the file.
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort",
                                   std::to_string(test::free_tcp_port())));
    std::vector<std::string> after;  // the settings file as each start left it
    for (int start = 1; start <= 4; ++start) {
        const pid_t pid = launch_showing(1);
        ASSERT_TRUE(test::wait_windows(pid, 1)) << "start " << start;
        ASSERT_TRUE(test::wait_for([&] { return !key("KORVADESK", "NumberOfNotes").empty(); }, 5s));
        ::kill(pid, SIGTERM);
        ASSERT_EQ(test::wait_exit(pid, 10s), 0);
        after.push_back(read_text(dirs_.ini));
    }
    // Each start counts itself in the file, so the four versions differ.
    EXPECT_NE(after[0], after[1]);
    EXPECT_TRUE(read_text(dirs_.ini + ".bak.1") == after[2]);
    EXPECT_TRUE(read_text(dirs_.ini + ".bak.2") == after[1]);
    EXPECT_TRUE(read_text(dirs_.ini + ".bak.3") == after[0]);
    EXPECT_FALSE(fs::exists(dirs_.ini + ".bak.4"));

    // Restoring is copying a backup back while the program is not running.
    fs::copy_file(dirs_.ini + ".bak.3", dirs_.ini, fs::copy_options::overwrite_existing);
    const pid_t pid = launch_showing(1);
    ASSERT_TRUE(test::wait_windows(pid, 1));
    // The copy is made right before the first write, which follows the notes on the screen.
    EXPECT_TRUE(test::wait_for([&] { return read_text(dirs_.ini + ".bak.1") == after[0]; }, 5s));
    EXPECT_TRUE(read_text(dirs_.ini + ".bak.2") == after[2]) << "older copies move on";
}

TEST_F(CommandLineProgram, NewNoteStartsTheProgramWithOneNewNote) {
    // Nothing runs and nothing is stored: the empty note of the first start is the new note.
    const pid_t pid = launch_showing(1, {"--new-note"});
    ASSERT_TRUE(test::wait_windows(pid, 1));
    ::kill(pid, SIGTERM);
    ASSERT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "1");

    // With a note stored, the start restores it and adds the new one.
    const pid_t again = launch_showing(2, {"--new-note"});
    EXPECT_TRUE(test::wait_windows(again, 2));
    ::kill(again, SIGTERM);
    ASSERT_EQ(test::wait_exit(again, 10s), 0);
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "2");
}

}  // namespace
}  // namespace kd
