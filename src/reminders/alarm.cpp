#include "reminders/alarm.h"

#include <cstdio>

#include "platform/clock.h"
#include "reminders/reminder_texts.h"

namespace kd {

namespace rt = reminder_texts;

namespace {

// Checks after which a rung alarm may ring again and the normal icon returns.
constexpr std::int16_t kRingTicks = 5;

std::string time_text(const NoteStamp& s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, rt::kTimePattern, s.hour, s.minute);
    return buf;
}

bool same_minute_of_day(const NoteStamp& a, const NoteStamp& b) {
    return a.hour == b.hour && a.minute == b.minute;
}

}  // namespace

std::optional<NoteAlarm> parse_alarm(std::string_view value) {
    if (value.size() != kAlarmValueLength || value[15] != '-' || value[17] != '-') {
        return std::nullopt;
    }
    const auto moment = parse_note_stamp(value);
    const char repeat = value[16];
    const char sound = value[18];
    if (!moment || repeat < '0' || repeat > '3' || sound < '0' || sound > '1') {
        return std::nullopt;
    }
    return NoteAlarm{*moment, static_cast<AlarmRepeat>(repeat - '0'), sound == '1'};
}

bool alarm_is_set(std::string_view value) {
    return parse_alarm(value).has_value();
}

std::string make_alarm_value(const NoteAlarm& a) {
    NoteStamp m = a.moment;
    m.second = 0;
    if (!valid_stamp(m)) {
        return {};
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, rt::kAlarmValueFormat, m.day, m.month, m.year, m.hour, m.minute,
                  rt::kAlarmSeconds, static_cast<int>(a.repeat), a.sound ? 1 : 0);
    return buf;
}

std::string alarm_text(std::string_view value, std::string_view date_format) {
    const auto a = parse_alarm(value);
    if (!a) {
        return {};
    }
    const std::string date = format_display_date(date_format, a->moment);
    const std::string time = time_text(a->moment);
    const char* word = nullptr;
    switch (a->repeat) {
        case AlarmRepeat::None:
            break;
        case AlarmRepeat::Daily:
            word = rt::kWordDaily;
            break;
        case AlarmRepeat::Weekly:
            word = rt::kWordWeekly;
            break;
        case AlarmRepeat::Monthly:
            word = rt::kWordMonthly;
            break;
    }
    char buf[128];
    if (word) {
        std::snprintf(buf, sizeof buf, rt::kAlarmTextRepeating, date.c_str(), time.c_str(), word);
    } else {
        std::snprintf(buf, sizeof buf, rt::kAlarmTextOnce, date.c_str(), time.c_str());
    }
    return buf;
}

std::string alarm_tooltip(std::string_view value, std::string_view date_format) {
    return alarm_is_set(value) ? alarm_text(value, date_format) : rt::kAlarmIconTip;
}

std::string alarm_dialog_caption(std::string_view value, std::string_view date_format) {
    return alarm_is_set(value) ? alarm_text(value, date_format) : rt::kAlarmCaption;
}

bool one_time_alarm_in_past(const NoteAlarm& a, std::time_t now) {
    if (a.repeat != AlarmRepeat::None) {
        return false;
    }
    NoteStamp m = a.moment;
    m.second = 0;  // as it will be stored
    const auto t = stamp_to_time(m);
    return !t || *t < now;
}

bool one_time_alarm_in_past(const NoteAlarm& a, const Clock& clock) {
    return one_time_alarm_in_past(a, clock.now());
}

AlarmCheck check_alarm_at(std::string_view value, std::int16_t ring_ticks, std::time_t now) {
    AlarmCheck c;
    c.ring_ticks = ring_ticks;
    if (c.ring_ticks > 0 && ++c.ring_ticks >= kRingTicks) {
        c.restore_icon = true;
        c.ring_ticks = 0;
    }
    const auto alarm = parse_alarm(value);
    const auto local_now = stamp_from_time(now);
    if (!alarm || !local_now) {
        c.place_icons = true;
        return c;
    }
    const NoteStamp& m = alarm->moment;
    const NoteStamp& n = *local_now;
    bool due = false;
    switch (alarm->repeat) {
        case AlarmRepeat::None: {
            const auto at = stamp_to_time(m);
            if (!at) {
                c.place_icons = true;
                return c;
            }
            if (*at < now) {
                c.clear_alarm = true;
                c.save_state = true;
            }
            // Due within the minute that starts at the moment, counted in absolute time: a
            // wall-clock time skipped by a spring change rings at the minute the system moved
            // it to, and one that an autumn change shows twice rings once, not twice.
            const std::time_t minute_start = *at - m.second;
            due = now >= minute_start && now - minute_start < 60;
            break;
        }
        case AlarmRepeat::Daily:
            due = same_minute_of_day(m, n);
            break;
        case AlarmRepeat::Weekly:
            due = stamp_weekday(m) == stamp_weekday(n) && same_minute_of_day(m, n);
            break;
        case AlarmRepeat::Monthly:
            due = m.day == n.day && same_minute_of_day(m, n);
            break;
    }
    if (!due) {
        return c;
    }
    if (c.ring_ticks == 0) {
        c.ring = true;
        c.save_state = true;
        c.play_sound = alarm->sound;
    }
    ++c.ring_ticks;
    return c;
}

}  // namespace kd
