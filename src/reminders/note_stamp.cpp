#include "reminders/note_stamp.h"

#include <cstdio>

#include "reminders/reminder_texts.h"
#include "store/store_texts.h"

namespace kd {

namespace {

// Decimal value of value[pos, pos + n), or -1 unless all n characters are digits.
int digits_at(std::string_view value, std::size_t pos, std::size_t n) {
    int v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        const char c = value[i];
        if (c < '0' || c > '9') {
            return -1;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

bool leap_year(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool valid_stamp(const NoteStamp& s) {
    if (s.year < 1 || s.year > 9999 || s.month < 1 || s.month > 12) {
        return false;
    }
    if (s.day < 1 || s.day > days_in_month(s.year, s.month)) {
        return false;
    }
    return s.hour >= 0 && s.hour <= 23 && s.minute >= 0 && s.minute <= 59 && s.second >= 0 &&
           s.second <= 59;
}

std::optional<NoteStamp> parse_note_stamp(std::string_view value) {
    if (value.size() < kNoteStampLength || value[8] != '-') {
        return std::nullopt;
    }
    NoteStamp s;
    s.day = digits_at(value, 0, 2);
    s.month = digits_at(value, 2, 2);
    s.year = digits_at(value, 4, 4);
    s.hour = digits_at(value, 9, 2);
    s.minute = digits_at(value, 11, 2);
    s.second = digits_at(value, 13, 2);
    if (!valid_stamp(s)) {  // also refuses the -1 of a non-digit
        return std::nullopt;
    }
    return s;
}

std::string format_note_stamp(const NoteStamp& s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%04d-%02d%02d%02d", s.day, s.month, s.year, s.hour,
                  s.minute, s.second);
    return buf;
}

std::optional<std::time_t> stamp_to_time(const NoteStamp& s) {
    std::tm tm{};
    tm.tm_mday = s.day;
    tm.tm_mon = s.month - 1;
    tm.tm_year = s.year - 1900;
    tm.tm_hour = s.hour;
    tm.tm_min = s.minute;
    tm.tm_sec = s.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    // -1 is also 1969-12-31 23:59:59 UTC; losing that one second is harmless.
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return t;
}

std::optional<NoteStamp> stamp_from_time(std::time_t t) {
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return std::nullopt;
    }
    NoteStamp s{tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec};
    if (!valid_stamp(s)) {  // a year the layout cannot hold
        return std::nullopt;
    }
    return s;
}

int stamp_weekday(const NoteStamp& s) {
    // Days since 1970-01-01 (a Thursday) by the proleptic Gregorian calendar.
    const int y = s.month <= 2 ? s.year - 1 : s.year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (s.month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + s.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::string format_display_date(std::string_view date_format, const NoteStamp& s) {
    namespace st = store_texts;
    namespace rt = reminder_texts;
    char buf[64];
    if (date_format == st::kDateFormatDots) {
        std::snprintf(buf, sizeof buf, rt::kDatePatternDots, s.day, s.month, s.year);
    } else if (date_format == st::kDateFormatDashes) {
        std::snprintf(buf, sizeof buf, rt::kDatePatternDashes, s.day, s.month, s.year);
    } else if (date_format == st::kDateFormatIso) {
        std::snprintf(buf, sizeof buf, rt::kDatePatternIso, s.year, s.month, s.day);
    } else if (date_format == st::kDateFormatUs) {
        std::snprintf(buf, sizeof buf, rt::kDatePatternUs, s.month, s.day, s.year);
    } else {
        return {};
    }
    return buf;
}

}  // namespace kd
