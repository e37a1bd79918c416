#include "reminders/expiration.h"

#include <cstdio>
#include <limits>

#include "platform/clock.h"
#include "reminders/reminder_texts.h"

namespace kd {

namespace rt = reminder_texts;

namespace {

constexpr std::time_t kHour = 3600;
constexpr std::time_t kDay = 24 * kHour;

}  // namespace

std::time_t expiry_period_seconds(ExpiryMode mode) {
    switch (mode) {
        case ExpiryMode::Hour:
            return kHour;
        case ExpiryMode::Day:
            return kDay;
        case ExpiryMode::Week:
            return 7 * kDay;
        case ExpiryMode::Month:
            return 28 * kDay;
        case ExpiryMode::EndOfDay:
            break;
    }
    return 0;
}

std::optional<NoteExpiration> parse_expiration(std::string_view value) {
    if (value.size() != kExpirationValueLength || value[15] != '-') {
        return std::nullopt;
    }
    const auto moment = parse_note_stamp(value);
    if (!moment) {
        return std::nullopt;
    }
    const char d = value[16];
    if (d >= '0' && d <= '3') {
        return NoteExpiration{*moment, static_cast<ExpiryMode>(d - '0')};
    }
    if (d == '9') {
        return NoteExpiration{*moment, ExpiryMode::EndOfDay};
    }
    return std::nullopt;
}

bool expiration_is_set(std::string_view value) {
    return parse_expiration(value).has_value();
}

std::string make_period_expiration(ExpiryMode period, std::time_t now) {
    const std::time_t add = expiry_period_seconds(period);
    if (add == 0 || now > std::numeric_limits<std::time_t>::max() - add) {
        return {};
    }
    const auto s = stamp_from_time(now + add);
    if (!s) {
        return {};
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, rt::kPeriodExpirationFormat, s->day, s->month, s->year, s->hour,
                  s->minute, s->second, static_cast<int>(period));
    return buf;
}

std::string make_period_expiration(ExpiryMode period, const Clock& clock) {
    return make_period_expiration(period, clock.now());
}

std::string make_end_of_day_expiration(const NoteStamp& day) {
    NoteStamp d = day;
    d.hour = d.minute = d.second = 0;
    if (!valid_stamp(d)) {
        return {};
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, rt::kEndOfDayExpirationFormat, d.day, d.month, d.year,
                  rt::kEndOfDayTime, rt::kEndOfDayMode);
    return buf;
}

std::string expiration_text(std::string_view value, std::string_view date_format) {
    const auto e = parse_expiration(value);
    if (!e) {
        return {};
    }
    const std::string date = format_display_date(date_format, e->moment);
    char time[32];
    std::snprintf(time, sizeof time, rt::kTimePattern, e->moment.hour, e->moment.minute);
    char buf[128];
    std::snprintf(buf, sizeof buf, rt::kExpirationText, date.c_str(), time);
    return buf;
}

std::string expiration_tooltip(std::string_view value, std::string_view date_format) {
    return expiration_is_set(value) ? expiration_text(value, date_format) : rt::kExpirationIconTip;
}

std::string expiration_dialog_caption(std::string_view value, std::string_view date_format) {
    return expiration_is_set(value) ? expiration_text(value, date_format) : rt::kExpirationCaption;
}

bool expiration_due(std::string_view value, std::time_t now) {
    const auto e = parse_expiration(value);
    if (!e) {
        return false;
    }
    const auto at = stamp_to_time(e->moment);
    return at && *at < now;
}

}  // namespace kd
