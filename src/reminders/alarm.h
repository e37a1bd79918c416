// A note's alarm: the stored value, its text, and what the note window does on each check.
//
// Stored value (NoteRecord::Alarm): "" for no alarm, else 19 characters
// DDMMYYYY-HHMM00-R-S with R the repeat digit and S the sound digit. A value that is not
// exactly that (wrong length, non-digits, a date that does not exist, R beyond 3, S beyond
// 1) counts as no alarm: no icon, never rings, and it stays in the record untouched.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "reminders/note_stamp.h"

namespace kd {

class Clock;

inline constexpr std::size_t kAlarmValueLength = 19;

// The repeat digit; the value is also the index in the dialog's Repeat list.
enum class AlarmRepeat { None = 0, Daily = 1, Weekly = 2, Monthly = 3 };

struct NoteAlarm {
    NoteStamp moment;  // local wall-clock time; seconds are 00 in values we write
    AlarmRepeat repeat = AlarmRepeat::None;
    bool sound = false;
    bool operator==(const NoteAlarm&) const = default;
};

std::optional<NoteAlarm> parse_alarm(std::string_view value);
// The window shows the alarm icon only while this is true.
bool alarm_is_set(std::string_view value);

// The stored value for the dialog's result (seconds of `a.moment` are not used: written as
// "00"). "" when the moment is not a valid date-time.
std::string make_alarm_value(const NoteAlarm& a);

// "Alarm set <date> at HH:MM[ daily|weekly|monthly]", the date by `date_format`
// (see format_display_date); "" for no alarm.
std::string alarm_text(std::string_view value, std::string_view date_format);
// Tooltip of the alarm icon: alarm_text, or "Note alarm icon." without an alarm.
std::string alarm_tooltip(std::string_view value, std::string_view date_format);
// Caption of the AlarmDialog: alarm_text, or "Note alarm" without an alarm.
std::string alarm_dialog_caption(std::string_view value, std::string_view date_format);

// The AlarmDialog refuses "Apply" (focus back to the time picker) when this is true: a
// one-time alarm whose moment lies strictly before now.
bool one_time_alarm_in_past(const NoteAlarm& a, std::time_t now);
bool one_time_alarm_in_past(const NoteAlarm& a, const Clock& clock);

// What the note window does on check_alarm, in this order:
//   restore_icon  -> normal alarm picture back and icon placement;
//   place_icons   -> icon placement (there is no alarm: hides the alarm icon); nothing follows;
//   clear_alarm   -> empty the window's alarm value;
//   save_state    -> write the note to the store at once;
//   ring          -> ringing alarm picture; show the window if it is not visible, leaving the
//                    hidden flag as it is; bring_to_front whatever stay-on-top says;
//   play_sound    -> start the alarm sound asynchronously, cutting off one that plays;
//   ring_ticks    -> the new alarm_ring_ticks.
struct AlarmCheck {
    std::int16_t ring_ticks = 0;
    bool restore_icon = false;
    bool place_icons = false;
    bool clear_alarm = false;
    bool save_state = false;
    bool ring = false;
    bool play_sound = false;
};

// The alarm check for the window's alarm value and alarm_ring_ticks at `now`. Seconds are
// never compared. One-time: due in the alarm's own minute, and emptied (and saved) at the
// first check after its moment, ringing only if that check still falls into the minute.
// Daily: hour and minute. Weekly: the weekday of the stamped date, hour and minute.
// Monthly: the day of the month, hour and minute (no 31st, no ring). Repeating alarms
// compare the stamped wall-clock time, so a daylight-saving change does not move them.
// Once rung, the counter keeps the alarm from ringing again until it has counted to 5
// (60 to 80 seconds on the 20-second timer), when the normal icon returns.
AlarmCheck check_alarm_at(std::string_view value, std::int16_t ring_ticks, std::time_t now);

}  // namespace kd
