#include "reminders/reminder_check.h"

#include "platform/clock.h"

namespace kd {

ReminderCheck check_reminders_at(std::string_view expiration, std::string_view alarm,
                                 std::int16_t ring_ticks, std::time_t now) {
    ReminderCheck c;
    if (expiration_due(expiration, now)) {
        c.delete_note = true;
        c.alarm.ring_ticks = ring_ticks;
        return c;
    }
    c.alarm = check_alarm_at(alarm, ring_ticks, now);
    return c;
}

ReminderCheck check_reminders(std::string_view expiration, std::string_view alarm,
                              std::int16_t ring_ticks, const Clock& clock) {
    return check_reminders_at(expiration, alarm, ring_ticks, clock.now());
}

}  // namespace kd
