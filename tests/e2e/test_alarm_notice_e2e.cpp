// The real program with an alarm that rings as it starts: the alarm also reaches the desktop's
// notification service (the tests' own, on a session bus of the test's own) with the note's
// title and first line, and clicking the notice unrolls and raises the note. Without a bus
// the alarm rings as it always did and nothing waits for one.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/profile_file.h"
#include "reminders/alarm.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/notification_bus.h"
#include "support/program_runner.h"
#include "support/sample_note.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

class AlarmNoticeRun : public test::ProgramTest {
protected:
    AlarmNoticeRun() : ProgramTest("/tmp/kd-e2e-notice-XXXXXX", true) {}

    std::string key(const char* section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 256);
    }

    // Writes the notes; the first one gets a daily alarm due in the minute now running, which
    // rings as the program restores it. Starts early in a minute so it is still due then.
    void write_notes(NoteRecord ringing, const NoteRecord& quiet) {
        ASSERT_TRUE(test::wait_for(
            [] {
                const std::time_t t = std::time(nullptr);
                std::tm local{};
                localtime_r(&t, &local);
                return local.tm_sec <= 40;
            },
            30s, 200ms));
        ringing.Alarm =
            make_alarm_value({*stamp_from_time(std::time(nullptr)), AlarmRepeat::Daily, false});
        NoteStore store{app_paths(), test::store_errors()};
        ASSERT_TRUE(store.write_record(ringing, dirs_.ini));
        ASSERT_TRUE(store.write_record(quiet, dirs_.ini));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "2"));
    }

    static int window_height(const std::string& window) {
        const std::string out =
            test::run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
        int width = 0;
        int height = 0;
        const auto at = out.find("Geometry: ");
        if (at != std::string::npos) {
            std::sscanf(out.c_str() + at, "Geometry: %dx%d", &width, &height);
        }
        return height;
    }

    static NoteRecord note(int id, const char* title, const char* rtf) {
        NoteRecord r = test::sample_note_record(id, title);
        r.Left = 100 + 300 * (id - 1);
        r.EditText = rtf;
        return r;
    }
};

TEST_F(AlarmNoticeRun, TheRingingNoteIsANoticeWhoseClickUnrollsAndRaisesIt) {
    test::NotificationBus bus;
    ASSERT_TRUE(bus.start(dirs_.root)) << "dbus-daemon or the test service did not start";
    dirs_.session_bus = bus.address();

    NoteRecord ringing = note(1, "Plants",
                              "{\\rtf1\\ansi \\par \\tab Water the ferns & <the> palm\\par "
                              "Not this line}");
    ringing.Minimized = "Yes";
    write_notes(ringing, note(2, "Quiet", "{\\rtf1 Nothing due}"));
    if (HasFatalFailure()) {
        return;
    }

    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_for([&] { return !bus.notifies().empty(); }, 15s))
        << "no Notify call reached the service";
    const test::NotificationCall call = bus.notifies().front();
    EXPECT_EQ(call.summary, "Plants");
    EXPECT_EQ(call.body, "Water the ferns &amp; &lt;the&gt; palm");
    EXPECT_EQ(call.replaces_id, 0u);
    EXPECT_EQ(call.app_name, "Korvadesk");
    ASSERT_FALSE(call.actions.empty());
    EXPECT_EQ(call.actions.front(), "default");

    std::string window;
    ASSERT_TRUE(test::wait_for(
        [&] {
            const auto found = test::visible_windows(pid, "^Plants$", test::NameMatch::All);
            if (found.empty()) {
                return false;
            }
            window = found.front();
            return true;
        },
        10s));
    EXPECT_LT(window_height(window), 100) << "rolled up before the click";
    EXPECT_EQ(key("NOTE_ID_1", "Minimized"), "Yes");

    bus.invoke(call.id);
    EXPECT_TRUE(test::wait_for([&] { return key("NOTE_ID_1", "Minimized") == "No"; }, 10s))
        << "the click unrolls the note, and the note says so in the file";
    EXPECT_TRUE(test::wait_for([&] { return window_height(window) >= 170; }, 10s));
    EXPECT_TRUE(test::wait_for(
        [&] { return test::run_output("xdotool getwindowfocus 2>/dev/null") == window + "\n"; },
        5s))
        << "the note has the keyboard";
    EXPECT_EQ(bus.notifies().size(), 1u) << "only the ringing note has a notice";

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

TEST_F(AlarmNoticeRun, WithoutASessionBusTheAlarmRingsAsBeforeAndNothingWaits) {
    // dirs_.session_bus stays empty: the program's bus address leads nowhere.
    NoteRecord ringing = note(1, "Hidden alarm", "{\\rtf1 Ring}");
    ringing.Hidden = "Yes";
    write_notes(ringing, note(2, "Quiet", "{\\rtf1 Nothing due}"));
    if (HasFatalFailure()) {
        return;
    }
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, "^Hidden alarm$", test::NameMatch::All).empty(); },
        15s))
        << "the hidden note with the due alarm shows itself";
    // The UI thread is free: it handles the termination request at once.
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(key("NOTE_ID_1", "Hidden"), "Yes");
}

}  // namespace
}  // namespace kd
