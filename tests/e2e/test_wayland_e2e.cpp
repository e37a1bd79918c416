// Notes keep their places on a Wayland desktop: the real program under weston (headless, with
// XWayland), started as a Wayland session starts it (WAYLAND_DISPLAY and XWayland's DISPLAY
// set, QT_QPA_PLATFORM not), puts a stored note back at its place, Alt+N makes a note, and
// the place is still in the settings file after the end. What the test sees: the X windows of
// XWayland (xwininfo, xdotool), where the compositor shows them (weston-debug's scene graph)
// and the settings file.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/sample_note.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::run_output;
using test::wait_for;

constexpr const char* kSocket = "wayland-kd";
constexpr const char* kTitle = "Wayland";
constexpr const char* kMain = "KORVADESK";
constexpr int kLeft = 410;
constexpr int kTop = 330;

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Point {
    int x = -1;
    int y = -1;
    bool operator==(const Point&) const = default;
};

std::string text(const Point& p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

// The whole number that follows `label` in `output` from `at` on (-1 when there is none);
// `at` moves past it.
int number_after(const std::string& output, const std::string& label, std::size_t& at) {
    at = output.find(label, at);
    if (at == std::string::npos) {
        return -1;
    }
    at += label.size();
    const std::size_t digits = output.find_first_of("0123456789", at);
    if (digits == std::string::npos) {
        return -1;
    }
    at = output.find_first_not_of("0123456789", digits);
    return std::stoi(output.substr(digits, at - digits));
}

// The window's place in its parent (a window manager's frame) as xwininfo gives it.
Point place_in_frame(const std::string& window) {
    const std::string info = run_output("xwininfo -id " + window + " 2>/dev/null");
    std::size_t at = 0;
    const int x = number_after(info, "Relative upper-left X:", at);
    const int y = number_after(info, "Relative upper-left Y:", at);
    return {x, y};
}

class WaylandPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"weston", "weston-debug", "Xwayland", "xdotool", "xwininfo"}) {
            if (std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) !=
                0) {
                GTEST_SKIP() << "needs " << tool
                             << " (packages weston, xwayland, xdotool, x11-utils)";
            }
        }
        ASSERT_TRUE(test::make_program_folders("/tmp/kd-wayland-XXXXXX", dirs_));
        log_ = dirs_.root + "/weston.log";
        // Its socket lies in the runtime folder the program gets, where Wayland clients look;
        // --debug lets weston-debug show the compositor's scene.
        weston_ = test::launch_command(
            dirs_,
            {"weston", "--backend=headless-backend.so", "--xwayland", "--no-config", "--debug",
             std::string("--socket=") + kSocket, "--width=1280", "--height=1024", "--log=" + log_},
            dirs_.root + "/weston-stderr");
        // weston takes the first free X display and starts XWayland on its first client.
        const std::string listening = "xserver listening on display ";
        ASSERT_TRUE(
            wait_for([&] { return file_text(log_).find(listening) != std::string::npos; }, 10s))
            << "weston did not offer XWayland:\n"
            << file_text(log_) << file_text(dirs_.root + "/weston-stderr");
        const std::string log = file_text(log_);
        const std::size_t at = log.find(listening) + listening.size();
        x_display_ = log.substr(at, log.find_first_of("\r\n", at) - at);
        ASSERT_TRUE(x_display_.starts_with(":")) << x_display_;
        display_variable_ = std::make_unique<test::DisplayVariable>(x_display_);
    }

    void TearDown() override {
        if (HasFailure()) {
            std::printf("--- the compositor's scene ---\n%s", scene().c_str());
        }
        for (pid_t pid : started_) {
            test::kill_program(pid);
        }
        if (HasFailure()) {
            std::printf("--- the program's standard error ---\n%s--- weston's log ---\n%s",
                        file_text(errors()).c_str(), file_text(log_).c_str());
        }
        // Ended in order, weston takes its XWayland and the X display's lock file with it.
        if (weston_ > 0 && ::kill(weston_, SIGTERM) == 0 && test::wait_exit(weston_, 5s) < 0) {
            test::kill_program(weston_);
        }
        display_variable_.reset();
        test::remove_program_folders(dirs_);
    }

    std::string errors() const { return dirs_.root + "/program-stderr"; }

    // Starts korvadesk as a Wayland session would; `platform` forces Qt's plug-in.
    pid_t launch(const std::string& platform = {}) {
        ProfileFile::write(dirs_.ini, kMain, "NoTrayNoticeShown", "Yes");
        ProfileFile::write(dirs_.ini, kMain, "CommunicationPort",
                           std::to_string(test::free_tcp_port()));
        std::vector<std::string> command = {"env",
                                            "-u",
                                            "QT_QPA_PLATFORM",
                                            "-u",
                                            "XDG_SESSION_TYPE",
                                            std::string("WAYLAND_DISPLAY=") + kSocket,
                                            "DISPLAY=" + x_display_};
        if (!platform.empty()) {
            command.push_back("QT_QPA_PLATFORM=" + platform);
            // Under the sanitizers: Qt's Wayland plug-in and the libraries it loads leave
            // allocations at the end, in code unloaded by then, so no suppression can name it.
            command.push_back("LSAN_OPTIONS=detect_leaks=0");
        }
        command.push_back(test::program_path());
        const pid_t pid = test::launch_command(dirs_, command, errors());
        started_.push_back(pid);
        return pid;
    }

    // weston's scene graph: its views and where it shows them.
    std::string scene() const {
        return run_output("XDG_RUNTIME_DIR='" + dirs_.runtime + "' WAYLAND_DISPLAY=" + kSocket +
                          " timeout 5 weston-debug scene-graph 2>&1");
    }

    // Where the compositor shows the window's top-left corner: its frame's place in the scene
    // and the window's place inside that frame.
    Point shown_at(const std::string& window, const std::string& title) const {
        const std::string shown = scene();
        std::size_t at = shown.find("top-level window '" + title + "'");
        const Point frame = at == std::string::npos ? Point{}
                                                    : Point{number_after(shown, "position: (", at),
                                                            number_after(shown, ", ", at)};
        const Point inside = place_in_frame(window);
        if (frame.x < 0 || inside.x < 0) {
            return {};
        }
        return {frame.x + inside.x, frame.y + inside.y};
    }

    test::ProgramFolders dirs_;
    std::string log_;
    std::string x_display_;
    pid_t weston_ = -1;
    std::vector<pid_t> started_;
    std::unique_ptr<test::DisplayVariable> display_variable_;
};

TEST_F(WaylandPlaces, AStoredNoteComesBackAtItsPlace) {
    NoteRecord r = test::sample_note_record(1, kTitle);
    r.Left = kLeft;
    r.Top = kTop;
    ASSERT_TRUE(NoteStore(dirs_.store_paths(), test::store_errors()).write_record(r, dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, kMain, "NumberOfNotes", "1"));
    // With a taskbar button a note is an ordinary window. weston's X window manager shows a
    // utility window (a note without one) at its place inside weston's frame, whatever the
    // program asks; GNOME's (mutter 43) shows it where the program asks.
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, kMain, "ShowTaskBar", "Yes"));
    const Point stored{kLeft, kTop};

    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1, 20s)) << "no note on XWayland's display " << x_display_;
    const std::string note = test::visible_windows(pid).front();
    // What the person sees. (Where the X server has the window is no measure here: weston
    // does not always tell XWayland where it shows a window, which then keeps 32,32.)
    EXPECT_TRUE(wait_for([&] { return shown_at(note, kTitle) == stored; }, 5s))
        << "the compositor shows the note at " << text(shown_at(note, kTitle)) << ", stored at "
        << text(stored);

    // The desktop-wide key reaches the program through XWayland.
    ASSERT_EQ(std::system("xdotool key alt+n"), 0);
    EXPECT_TRUE(test::wait_windows(pid, 2)) << "Alt+N made no note";

    ::kill(pid, SIGTERM);
    ASSERT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(ProfileFile::read(dirs_.ini, "NOTE_ID_1", "Left", 16) + "," +
                  ProfileFile::read(dirs_.ini, "NOTE_ID_1", "Top", 16),
              text(stored));
}

TEST_F(WaylandPlaces, OnQtsWaylandPlugInTheStoredPlaceIsKept) {
    NoteRecord r = test::sample_note_record(1, kTitle);
    r.Left = kLeft;
    r.Top = kTop;
    ASSERT_TRUE(NoteStore(dirs_.store_paths(), test::store_errors()).write_record(r, dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, kMain, "NumberOfNotes", "1"));

    // Forced onto Wayland, the program can neither place the note nor learn where it is.
    const pid_t pid = launch("wayland");
    ASSERT_TRUE(wait_for(
        [&] {
            return scene().find("top-level window '" + std::string(kTitle)) != std::string::npos;
        },
        20s))
        << "no note in weston's scene:\n"
        << scene();
    ::kill(pid, SIGTERM);
    ASSERT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(ProfileFile::read(dirs_.ini, "NOTE_ID_1", "Left", 16) + "," +
                  ProfileFile::read(dirs_.ini, "NOTE_ID_1", "Top", 16),
              text(Point{kLeft, kTop}));
}

}  // namespace
}  // namespace kd
