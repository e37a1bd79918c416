// Stored alarm and expiration values, their parsing and the texts shown for them.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "reminder_test_support.h"
#include "reminders/alarm.h"
#include "reminders/expiration.h"
#include "reminders/note_stamp.h"
#include "support/test_clock.h"

namespace kd {
namespace {

using test::BerlinTime;
using Values = BerlinTime;

TEST_F(Values, StampReadsFieldsByPositionAndRoundTrips) {
    const auto s = parse_note_stamp("07032026-093015-2-1");  // characters after 14 ignored
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, (NoteStamp{7, 3, 2026, 9, 30, 15}));
    EXPECT_EQ(format_note_stamp(*s), "07032026-093015");
    EXPECT_EQ(stamp_from_time(*stamp_to_time(*s)), s);
}

TEST_F(Values, MalformedStampsGiveNothing) {
    for (const char* bad :
         {"", "0703202", "07032026-09301",  // too short
          "07032026x093000", "0a032026-093000", "07032026-09 000", "-7032026-093000",
          "07+32026-093000",  // signs are not digits
          "00032026-093000", "07002026-093000", "07132026-093000", "07030000-093000",
          "07032026-243000", "07032026-096000", "07032026-093060", "31042026-093000",
          "29022026-093000", "29021900-093000"}) {
        EXPECT_FALSE(parse_note_stamp(bad)) << bad;
    }
    EXPECT_TRUE(parse_note_stamp("29022024-093000"));  // leap day
    EXPECT_TRUE(parse_note_stamp("29022000-235959"));
    EXPECT_TRUE(parse_note_stamp("31129999-235959"));
}

TEST_F(Values, WeekdayFromTheCalendar) {
    EXPECT_EQ(stamp_weekday({1, 1, 1970}), 4);    // Thursday
    EXPECT_EQ(stamp_weekday({7, 3, 2026}), 6);    // Saturday
    EXPECT_EQ(stamp_weekday({29, 2, 2000}), 2);   // Tuesday
    EXPECT_EQ(stamp_weekday({1, 1, 1600}), 6);    // Saturday
    EXPECT_EQ(stamp_weekday({31, 12, 9999}), 5);  // Friday
}

TEST_F(Values, AlarmValueExactStringAndBack) {
    const NoteAlarm weekly{{7, 3, 2026, 9, 5, 42}, AlarmRepeat::Weekly, true};
    const std::string v = make_alarm_value(weekly);
    EXPECT_EQ(v, "07032026-090500-2-1");  // seconds always written as 00
    ASSERT_EQ(v.size(), kAlarmValueLength);
    const auto back = parse_alarm(v);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->moment, (NoteStamp{7, 3, 2026, 9, 5, 0}));
    EXPECT_EQ(back->repeat, AlarmRepeat::Weekly);
    EXPECT_TRUE(back->sound);
    EXPECT_EQ(make_alarm_value({{1, 12, 2030, 23, 59}, AlarmRepeat::None, false}),
              "01122030-235900-0-0");
    EXPECT_EQ(make_alarm_value({{31, 4, 2026, 9, 0}, AlarmRepeat::None, false}), "");
}

TEST_F(Values, MalformedAlarmValuesAreNoAlarm) {
    for (const char* bad :
         {"07032026-090000-2-", "07032026-090000-2-10", "07032026-090000-4-1",
          "07032026-090000-x-1", "07032026-090000-2-2", "07032026-090000+2-1",
          "07032026-090000-2+1", "32032026-090000-2-1", "0703202x-090000-2-1", "Yes", "-"}) {
        EXPECT_FALSE(alarm_is_set(bad)) << bad;
        EXPECT_EQ(alarm_text(bad, "DD.MM.YYYY"), "") << bad;
        EXPECT_EQ(alarm_tooltip(bad, "DD.MM.YYYY"), "Note alarm icon.") << bad;
    }
}

TEST_F(Values, AlarmTextsTooltipsAndCaptions) {
    EXPECT_EQ(alarm_text("07032026-090500-2-1", "DD.MM.YYYY"),
              "Alarm set 07.03.2026 at 09:05 weekly");
    EXPECT_EQ(alarm_text("07032026-090500-1-0", "YYYY-MM-DD"),
              "Alarm set 2026-03-07 at 09:05 daily");
    EXPECT_EQ(alarm_text("31012026-235900-3-1", "MM/DD/YYYY"),
              "Alarm set 01/31/2026 at 23:59 monthly");
    EXPECT_EQ(alarm_text("07032026-090500-0-1", "DD-MM-YYYY"), "Alarm set 07-03-2026 at 09:05");
    // An unknown format leaves only the two blanks around the missing date.
    EXPECT_EQ(alarm_text("07032026-090500-2-1", "D/M"), "Alarm set  at 09:05 weekly");
    EXPECT_EQ(alarm_text("", "DD.MM.YYYY"), "");

    EXPECT_EQ(alarm_tooltip("07032026-090500-0-1", "DD.MM.YYYY"), "Alarm set 07.03.2026 at 09:05");
    EXPECT_EQ(alarm_tooltip("", "DD.MM.YYYY"), "Note alarm icon.");
    EXPECT_EQ(alarm_dialog_caption("07032026-090500-0-1", "DD.MM.YYYY"),
              "Alarm set 07.03.2026 at 09:05");
    EXPECT_EQ(alarm_dialog_caption("", "DD.MM.YYYY"), "Note alarm");
    EXPECT_EQ(alarm_dialog_caption("garbage", "DD.MM.YYYY"), "Note alarm");
}

TEST_F(Values, DialogRefusesOnlyOneTimeAlarmsBeforeNow) {
    TestClock clock(at(2026, 3, 7, 9, 30, 0));
    const NoteStamp this_minute{7, 3, 2026, 9, 30};
    const NoteStamp last_minute{7, 3, 2026, 9, 29};
    EXPECT_FALSE(one_time_alarm_in_past({this_minute, AlarmRepeat::None, true}, clock));
    EXPECT_TRUE(one_time_alarm_in_past({last_minute, AlarmRepeat::None, true}, clock));
    clock.advance(1);  // seconds are not picked: 09:30 is now behind us
    EXPECT_TRUE(one_time_alarm_in_past({this_minute, AlarmRepeat::None, true}, clock));
    EXPECT_FALSE(one_time_alarm_in_past({last_minute, AlarmRepeat::Daily, true}, clock));
    EXPECT_FALSE(one_time_alarm_in_past({{1, 1, 2000}, AlarmRepeat::Monthly, false}, clock));
}

TEST_F(Values, PeriodExpirationsAreFixedSecondsFromApply) {
    // 15 March 10:00 winter time; 28 days later summer time has begun, so the wall clock
    // shows 11:00: a month is 28 times 24 hours, not a calendar month.
    TestClock clock(at(2026, 3, 15, 10, 0, 7));
    const std::string month = make_period_expiration(ExpiryMode::Month, clock);
    EXPECT_EQ(month, "12042026-110007-3");
    ASSERT_EQ(month.size(), kExpirationValueLength);
    const auto e = parse_expiration(month);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->mode, ExpiryMode::Month);
    EXPECT_EQ(*stamp_to_time(e->moment) - clock.now(), 28 * 86400);

    EXPECT_EQ(make_period_expiration(ExpiryMode::Hour, clock), "15032026-110007-0");
    EXPECT_EQ(make_period_expiration(ExpiryMode::Day, clock), "16032026-100007-1");
    EXPECT_EQ(make_period_expiration(ExpiryMode::Week, clock), "22032026-100007-2");
    EXPECT_EQ(make_period_expiration(ExpiryMode::EndOfDay, clock), "");
    // Re-applying later moves the moment forward.
    clock.advance(600);
    EXPECT_EQ(make_period_expiration(ExpiryMode::Hour, clock), "15032026-111007-0");
}

TEST_F(Values, EndOfDayExpirationExactString) {
    EXPECT_EQ(make_end_of_day_expiration({29, 2, 2024, 13, 14, 15}), "29022024-235959-9");
    EXPECT_EQ(make_end_of_day_expiration({29, 2, 2026}), "");
    const auto e = parse_expiration("29022024-235959-9");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->mode, ExpiryMode::EndOfDay);
    EXPECT_EQ(e->moment, (NoteStamp{29, 2, 2024, 23, 59, 59}));
}

TEST_F(Values, MalformedExpirationsNeverExpire) {
    const std::time_t far_future = at(2100, 1, 1, 0, 0);
    for (const char* bad : {"01012000-000000-", "01012000-000000-00", "01012000-000000-4",
                            "01012000-000000-8", "01012000-000000+1", "01012000 000000-1",
                            "01132000-000000-1", "30022000-000000-1", "0101200-0000000-1", "Yes"}) {
        EXPECT_FALSE(expiration_is_set(bad)) << bad;
        EXPECT_FALSE(expiration_due(bad, far_future)) << bad;
        EXPECT_EQ(expiration_tooltip(bad, "DD.MM.YYYY"), "Note expire icon.") << bad;
    }
}

TEST_F(Values, ExpirationTextsTooltipsAndCaptions) {
    EXPECT_EQ(expiration_text("07032026-235959-9", "DD.MM.YYYY"),
              "Note will expire 07.03.2026 at 23:59");
    EXPECT_EQ(expiration_text("12042026-110007-3", "MM/DD/YYYY"),
              "Note will expire 04/12/2026 at 11:00");
    EXPECT_EQ(expiration_text("12042026-110007-3", "other"), "Note will expire  at 11:00");
    EXPECT_EQ(expiration_tooltip("", "DD.MM.YYYY"), "Note expire icon.");
    EXPECT_EQ(expiration_dialog_caption("", "DD.MM.YYYY"), "Note expiration");
    EXPECT_EQ(expiration_dialog_caption("07032026-235959-9", "YYYY-MM-DD"),
              "Note will expire 2026-03-07 at 23:59");
}

}  // namespace
}  // namespace kd
