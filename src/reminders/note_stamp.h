// The local date-time layout DDMMYYYY-HHMMSS that opens both the Alarm and the Expiration
// value of a note record, and the date shown by the DefaultDateFormat setting.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

inline constexpr std::size_t kNoteStampLength = 15;

// A local calendar date and time, fields as written (month 1..12, full year).
struct NoteStamp {
    int day = 1;
    int month = 1;
    int year = 1970;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const NoteStamp&) const = default;
};

// True when every field is in range and the day exists in its month (29 February only in
// leap years). Years 1..9999, the four digits the layout has room for.
bool valid_stamp(const NoteStamp& s);

// Reads the first 15 characters of `value`. Values come from the settings file and from
// other computers, so anything but two-digit day, month, hour, minute and second, a
// four-digit year, a "-" at position 8 and a valid date-time gives nothing; callers treat
// that as "no alarm" or "never expires". Characters after position 14 are not looked at.
std::optional<NoteStamp> parse_note_stamp(std::string_view value);

// "DDMMYYYY-HHMMSS".
std::string format_note_stamp(const NoteStamp& s);

// The absolute moment of a local stamp, the daylight-saving offset chosen by the system for
// that date (mktime with tm_isdst = -1). A wall-clock time skipped by a spring change is
// moved forward by the system's rule. Nothing when the system cannot represent it.
std::optional<std::time_t> stamp_to_time(const NoteStamp& s);

// The local calendar time of an absolute moment.
std::optional<NoteStamp> stamp_from_time(std::time_t t);

// 0 Sunday .. 6 Saturday, from the calendar alone (no time zone involved).
int stamp_weekday(const NoteStamp& s);

// The date part of `s` by a DefaultDateFormat value ("DD.MM.YYYY", "DD-MM-YYYY",
// "YYYY-MM-DD", "MM/DD/YYYY"); "" for any other value. The caller reads the setting through
// the settings table (Setting::DefaultDateFormat), which writes "DD.MM.YYYY" when it is empty.
std::string format_display_date(std::string_view date_format, const NoteStamp& s);

}  // namespace kd
