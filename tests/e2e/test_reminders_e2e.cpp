// The real program starting with notes whose reminders fell due while it was not running: the
// expired note is gone from the file before anyone saw it, a passed one-time alarm is emptied
// without ringing, and a hidden note whose daily alarm is due now shows itself yet stays hidden
// in the file.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <ctime>
#include <string>

#include "platform/profile_file.h"
#include "reminders/alarm.h"
#include "reminders/expiration.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/program_runner.h"
#include "support/sample_note.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

class RemindersRun : public test::ProgramTest {
protected:
    RemindersRun() : ProgramTest("/tmp/kd-e2e-rem-XXXXXX", true) {}

    std::string key(const char* section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 256);
    }

    static NoteRecord record(int id, const char* title, const char* hidden) {
        NoteRecord r = test::sample_note_record(id, title);
        r.Left = 100 + 260 * id;
        r.Hidden = hidden;
        return r;
    }

    bool shown(pid_t pid, const char* title) {
        return !test::visible_windows(pid, title, test::NameMatch::All).empty();
    }
};

TEST_F(RemindersRun, DueRemindersAtStartDeleteClearAndRing) {
    // The daily alarm must still be due when the program has started: begin early in a minute.
    ASSERT_TRUE(test::wait_for(
        [] {
            const std::time_t t = std::time(nullptr);
            std::tm local{};
            localtime_r(&t, &local);
            return local.tm_sec <= 30;
        },
        40s, 200ms));
    const std::time_t now = std::time(nullptr);
    const NoteStamp here = *stamp_from_time(now);
    const NoteStamp two_days_ago = *stamp_from_time(now - 2 * 86400);
    const NoteStamp hour_ago = *stamp_from_time(now - 3600);

    NoteRecord gone = record(1, "Gone", "No");
    gone.Expiration = make_end_of_day_expiration(two_days_ago);
    gone.Alarm = make_alarm_value({here, AlarmRepeat::Daily, true});  // never looked at
    NoteRecord passed = record(2, "Passed", "Yes");
    passed.Alarm = make_alarm_value({hour_ago, AlarmRepeat::None, false});
    NoteRecord ringing = record(3, "Ringing", "Yes");
    ringing.Alarm = make_alarm_value({here, AlarmRepeat::Daily, false});
    NoteStore store{app_paths()};
    for (const NoteRecord& r : {gone, passed, ringing})
        ASSERT_TRUE(store.write_record(r, dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "3"));

    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_for([&] { return shown(pid, "^Ringing$"); }, 15s))
        << "the hidden note with the due alarm shows itself";
    EXPECT_FALSE(shown(pid, "^Gone$"));
    EXPECT_FALSE(shown(pid, "^Passed$"));

    // The restore's one write: the expired note's section is gone, its number stays counted.
    EXPECT_TRUE(test::wait_for([&] { return key("NOTE_ID_1", "NoteID").empty(); }, 10s));
    EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "3");
    EXPECT_EQ(key("NOTE_ID_2", "Alarm"), "");
    EXPECT_EQ(key("NOTE_ID_2", "Hidden"), "Yes");
    EXPECT_EQ(key("NOTE_ID_3", "Alarm"), ringing.Alarm);

    // Shown for its alarm only: the note is still hidden when the program saves it at the end.
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(key("NOTE_ID_3", "Hidden"), "Yes");
    EXPECT_EQ(key("NOTE_ID_3", "Alarm"), ringing.Alarm);
    EXPECT_TRUE(key("NOTE_ID_1", "NoteID").empty());
}

}  // namespace
}  // namespace kd
