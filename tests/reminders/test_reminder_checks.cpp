// The alarm and expiry checks of a note, driven tick by tick with a test clock.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "reminder_test_support.h"
#include "reminders/reminder_check.h"
#include "support/test_clock.h"

namespace kd {
namespace {

using test::BerlinTime;

// A note as the window keeps it, with the window's reaction to each check.
struct FakeNote {
    FakeNote(std::string expiration_value, std::string alarm_value)
        : expiration(std::move(expiration_value)), alarm(std::move(alarm_value)) {}

    std::string expiration;
    std::string alarm;
    std::int16_t ring_ticks = 0;
    bool deleted = false;
    int saves = 0;
    int sounds = 0;
    bool ringing_icon = false;
    std::vector<std::time_t> rings;

    void check(const Clock& clock) {
        if (deleted)
            return;
        const ReminderCheck c = check_reminders(expiration, alarm, ring_ticks, clock);
        if (c.delete_note) {
            deleted = true;
            return;
        }
        const AlarmCheck& a = c.alarm;
        if (a.restore_icon)
            ringing_icon = false;
        if (a.clear_alarm)
            alarm.clear();
        if (a.save_state)
            ++saves;
        if (a.ring) {
            ringing_icon = true;
            rings.push_back(clock.now());
        }
        if (a.play_sound)
            ++sounds;
        ring_ticks = a.ring_ticks;
    }

    // Ticks every 20 seconds from the clock's time for `seconds`, the clock ending there.
    void run(TestClock& clock, std::time_t seconds) {
        for (std::time_t end = clock.now() + seconds; clock.now() < end; clock.advance(20))
            check(clock);
    }
};

class Checks : public BerlinTime {
protected:
    // The local wall-clock time of a ring.
    static NoteStamp local(std::time_t t) { return stamp_from_time(t).value(); }
};

TEST_F(Checks, DailyAlarmDatedInTheFutureRingsTodayOncePerMinute) {
    FakeNote note{"", "01012030-093000-1-1"};
    TestClock clock(at(2026, 3, 7, 9, 29, 5));  // ticks at :05, :25, :45
    note.run(clock, 3 * 60);
    ASSERT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.rings[0], at(2026, 3, 7, 9, 30, 5));
    EXPECT_EQ(note.sounds, 1);
    EXPECT_EQ(note.alarm, "01012030-093000-1-1");  // repeating alarms stay
}

TEST_F(Checks, RingingIconReturnsToNormalWhenTheCounterReachesFive) {
    FakeNote note{"", "01012026-093000-1-0"};
    TestClock clock(at(2026, 3, 7, 9, 30, 5));
    std::vector<int> counters;
    std::vector<bool> ringing;
    for (int i = 0; i < 7; ++i, clock.advance(20)) {
        note.check(clock);
        counters.push_back(note.ring_ticks);
        ringing.push_back(note.ringing_icon);
    }
    // Rings at the first tick; three ticks fall into the minute; the fifth count restores.
    EXPECT_EQ(counters, (std::vector<int>{1, 3, 5, 0, 0, 0, 0}));
    EXPECT_EQ(ringing, (std::vector<bool>{true, true, true, false, false, false, false}));
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.sounds, 0);  // Sound "No" still shows and raises the note
}

TEST_F(Checks, WeeklyAlarmRingsOnTheWeekdayOfItsDate) {
    // 7 March 2026 is a Saturday; the alarm date itself lies a year back.
    FakeNote note{"", "08032025-080000-2-1"};  // 8 March 2025, a Saturday too
    TestClock clock(at(2026, 3, 1, 0, 0, 0));
    note.run(clock, 35 * 86400);
    ASSERT_EQ(note.rings.size(), 5u);
    EXPECT_EQ(note.rings[0], at(2026, 3, 7, 8, 0, 0));
    EXPECT_EQ(note.rings[3], at(2026, 3, 28, 8, 0, 0));
    // Summer time began on 29 March; the alarm keeps its wall-clock minute.
    EXPECT_EQ(note.rings[4], at(2026, 4, 4, 8, 0, 0));
}

TEST_F(Checks, MonthlyAlarmOnThe31stIsSilentInShortMonths) {
    FakeNote note{"", "31012026-120000-3-1"};
    TestClock clock(at(2026, 1, 1, 0, 0, 0));
    note.run(clock, 181 * 86400);  // January to June
    std::vector<int> months;
    for (std::time_t t : note.rings) {
        EXPECT_EQ(local(t).day, 31);
        EXPECT_EQ(local(t).hour, 12);
        months.push_back(local(t).month);
    }
    EXPECT_EQ(months, (std::vector<int>{1, 3, 5}));
}

TEST_F(Checks, MonthlyAlarmOnLeapDayRingsOnlyInLeapFebruaries) {
    FakeNote note{"", "29022024-070000-3-0"};
    TestClock clock(at(2027, 2, 28, 6, 59, 0));
    note.run(clock, 2 * 86400);  // 28 Feb, 1 Mar 2027: no 29th
    EXPECT_TRUE(note.rings.empty());
    clock.set(at(2028, 2, 29, 6, 59, 50));
    note.run(clock, 60);
    EXPECT_EQ(note.rings.size(), 1u);
}

TEST_F(Checks, OneTimeAlarmRingsInItsMinuteAndIsThenEmptiedAndSaved) {
    FakeNote note{"", "07032026-093000-0-1"};
    TestClock clock(at(2026, 3, 7, 9, 29, 50));
    note.check(clock);
    EXPECT_TRUE(note.rings.empty());
    EXPECT_EQ(note.saves, 0);
    clock.advance(20);  // 09:30:10, past its moment: emptied, saved, and still rings
    note.check(clock);
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.sounds, 1);
    EXPECT_EQ(note.alarm, "");
    EXPECT_GE(note.saves, 1);
    // The next check finds no alarm: the icon is placed (hidden), the counter still counts.
    clock.advance(20);
    const AlarmCheck next = check_alarm_at(note.alarm, note.ring_ticks, clock.now());
    EXPECT_TRUE(next.place_icons);
    EXPECT_FALSE(next.ring);
    EXPECT_EQ(next.ring_ticks, 2);
}

TEST_F(Checks, OneTimeAlarmCheckedAtItsExactSecondStaysUntilTheNextCheck) {
    FakeNote note{"", "07032026-093000-0-0"};
    TestClock clock(at(2026, 3, 7, 9, 30, 0));
    note.check(clock);  // rings, but its moment is not yet past
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.alarm, "07032026-093000-0-0");
    clock.advance(20);
    note.check(clock);  // now past: emptied and saved, no second ring
    EXPECT_EQ(note.rings.size(), 1u);
    EXPECT_EQ(note.alarm, "");
    EXPECT_EQ(note.saves, 2);  // the ring and the clearing
}

TEST_F(Checks, OneTimeAlarmAlreadyPastAtCreationIsClearedWithoutRinging) {
    TestClock clock(at(2026, 3, 7, 9, 31, 0));
    const ReminderCheck c = check_reminders("", "07032026-093000-0-1", 0, clock);
    EXPECT_FALSE(c.delete_note);
    EXPECT_TRUE(c.alarm.clear_alarm);
    EXPECT_TRUE(c.alarm.save_state);
    EXPECT_FALSE(c.alarm.ring);
    EXPECT_FALSE(c.alarm.play_sound);
    EXPECT_EQ(c.alarm.ring_ticks, 0);
}

TEST_F(Checks, EndOfDayForTodayLastsUntilMidnight) {
    FakeNote note{"07032026-235959-9", "07032026-235900-1-1"};
    TestClock clock(at(2026, 3, 7, 23, 59, 59));
    note.check(clock);
    EXPECT_FALSE(note.deleted);
    EXPECT_EQ(note.rings.size(), 1u);  // the alarm of 23:59 rings while the note lives
    clock.set(at(2026, 3, 8, 0, 0, 0));
    note.check(clock);
    EXPECT_TRUE(note.deleted);
}

TEST_F(Checks, ExpiryAndAlarmDueInTheSameTickDeleteWithoutRinging) {
    TestClock clock(at(2026, 3, 7, 12, 0, 10));
    const ReminderCheck c = check_reminders("07032026-115959-0", "07032026-120000-0-1", 0, clock);
    EXPECT_TRUE(c.delete_note);
    EXPECT_FALSE(c.alarm.ring);
    EXPECT_FALSE(c.alarm.clear_alarm);
    EXPECT_FALSE(c.alarm.save_state);
}

TEST_F(Checks, PeriodExpirationGoesAtTheFirstTickAfterItsSecond) {
    TestClock clock(at(2026, 3, 7, 12, 0, 0));
    const std::string value = make_period_expiration(ExpiryMode::Hour, clock);
    clock.advance(3600);
    EXPECT_FALSE(expiration_due(value, clock.now()));
    clock.advance(1);
    EXPECT_TRUE(expiration_due(value, clock.now()));
    EXPECT_FALSE(expiration_due("", clock.now()));
}

TEST_F(Checks, DaylightSavingDaysKeepTheWallClockMinute) {
    // Daily 09:00, set in winter: rings at 09:00 local the day before summer time begins,
    // on that day and the day after, and around the night it ends (which has 25 hours).
    FakeNote daily{"", "10012026-090000-1-0"};
    TestClock clock(at(2026, 3, 27, 12, 0, 0));
    daily.run(clock, 3 * 86400);
    ASSERT_EQ(daily.rings.size(), 3u);
    for (std::time_t t : daily.rings) {
        EXPECT_EQ(local(t).hour, 9);
        EXPECT_EQ(local(t).minute, 0);
    }
    EXPECT_EQ(daily.rings[1] - daily.rings[0], 86400 - 3600);  // the short night
    EXPECT_EQ(daily.rings[2] - daily.rings[1], 86400);

    FakeNote autumn{"", "10012026-090000-1-0"};
    clock.set(at(2026, 10, 24, 0, 0, 0));
    autumn.run(clock, 2 * 86400);
    ASSERT_EQ(autumn.rings.size(), 2u);
    EXPECT_EQ(autumn.rings[1] - autumn.rings[0], 86400 + 3600);
}

TEST_F(Checks, OneTimeAlarmInATimeTheClockSkipsOrRepeatsRingsOnce) {
    // 29 March 2026 02:30 does not exist: the alarm rings at the minute the system moves it
    // to and is gone afterwards.
    FakeNote spring{"", "29032026-023000-0-1"};
    TestClock clock(at(2026, 3, 29, 0, 0, 0));
    spring.run(clock, 6 * 3600);
    EXPECT_EQ(spring.rings.size(), 1u);
    EXPECT_EQ(spring.alarm, "");

    // 25 October 2026 02:30 happens twice, and which of the two the system takes depends on
    // the offset of its previous conversion: lead it to either, the alarm rings once.
    for (const std::time_t lead : {at(2026, 10, 24, 12, 0), at(2026, 10, 26, 12, 0)}) {
        FakeNote autumn{"", "25102026-023000-0-1"};
        clock.set(at(2026, 10, 25, 0, 0, 0));
        for (int tick = 0; tick < 6 * 180; ++tick, clock.advance(20)) {
            (void)stamp_to_time(*stamp_from_time(lead));
            autumn.check(clock);
        }
        EXPECT_EQ(autumn.rings.size(), 1u);
        EXPECT_EQ(autumn.alarm, "");
    }
}

TEST_F(Checks, MalformedValuesNeitherRingNorDeleteNorChange) {
    FakeNote note{"00002026-000000-1", "0703202x-093000-1-1"};
    TestClock clock(at(2026, 3, 7, 9, 29, 0));
    note.run(clock, 3 * 60);
    EXPECT_FALSE(note.deleted);
    EXPECT_TRUE(note.rings.empty());
    EXPECT_EQ(note.saves, 0);
    EXPECT_EQ(note.alarm, "0703202x-093000-1-1");

    for (const char* bad :
         {"", "1", "07032026-0930", "99999999-999999-9-9", "07032026-093000-1-1-extra"}) {
        const AlarmCheck c = check_alarm_at(bad, 0, clock.now());
        EXPECT_TRUE(c.place_icons) << bad;
        EXPECT_FALSE(c.ring || c.clear_alarm || c.save_state) << bad;
    }
}

}  // namespace
}  // namespace kd
