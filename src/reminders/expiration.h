// A note's expiration: the stored value, its text, and the test of the note window's checks.
//
// Stored value (NoteRecord::Expiration): "" for never, else 17 characters
// DDMMYYYY-HHMMSS-D: the moment of "Apply" plus a period with D the period digit 0..3, or a
// chosen day with "235959" and D = 9. A value that is not exactly that counts as "never
// expires": a note is never deleted on the strength of a value it cannot read.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "reminders/note_stamp.h"

namespace kd {

class Clock;

inline constexpr std::size_t kExpirationValueLength = 17;

// The last digit of the value; 0..3 are also the indexes of the dialog's period list.
enum class ExpiryMode { Hour = 0, Day = 1, Week = 2, Month = 3, EndOfDay = 9 };

// Seconds a period adds to the moment of "Apply"; a month is 28 days. 0 for EndOfDay.
std::time_t expiry_period_seconds(ExpiryMode mode);

struct NoteExpiration {
    NoteStamp moment;  // local wall-clock time
    ExpiryMode mode = ExpiryMode::Hour;
    bool operator==(const NoteExpiration&) const = default;
};

std::optional<NoteExpiration> parse_expiration(std::string_view value);
// The window shows the expiration icon only while this is true.
bool expiration_is_set(std::string_view value);

// "Expire after ..." applied at `now`: now plus the period, written as local time. ""
// for EndOfDay or a moment the layout cannot hold.
std::string make_period_expiration(ExpiryMode period, std::time_t now);
std::string make_period_expiration(ExpiryMode period, const Clock& clock);
// "Expire at the end of day" for the date of `day` (its time fields are not used); "" for
// a date that does not exist.
std::string make_end_of_day_expiration(const NoteStamp& day);

// "Note will expire <date> at HH:MM", the date by `date_format`; "" for never.
std::string expiration_text(std::string_view value, std::string_view date_format);
// Tooltip of the expiration icon: expiration_text, or "Note expire icon." for never.
std::string expiration_tooltip(std::string_view value, std::string_view date_format);
// Caption of the ExpirationDialog: expiration_text, or "Note expiration" for never.
std::string expiration_dialog_caption(std::string_view value, std::string_view date_format);

// check_expiration: true when the note must be deleted now (delete_note with ask off, no
// question whatever AskBeforeDelete says), that is when the stamped moment lies strictly
// before `now`. The mode digit plays no part: an end-of-day value goes at the first check
// from midnight on.
bool expiration_due(std::string_view value, std::time_t now);

}  // namespace kd
