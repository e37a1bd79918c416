// One check of a note's reminders: the note window's 20-second timer tick, the end of
// create_from_record and the moment after an import into a note.
#pragma once

#include <cstdint>
#include <ctime>
#include <string_view>

#include "reminders/alarm.h"
#include "reminders/expiration.h"

namespace kd {

class Clock;

struct ReminderCheck {
    // Delete the note without a question; nothing else happens, the alarm is not looked at.
    bool delete_note = false;
    // Otherwise: carry out the alarm check (see AlarmCheck).
    AlarmCheck alarm;
};

// The expiry test first, then, only while the note lives, the alarm check. Pass an empty
// `expiration` where the expiry is not tested (an imported note, whose expiration is
// dropped).
ReminderCheck check_reminders_at(std::string_view expiration, std::string_view alarm,
                                 std::int16_t ring_ticks, std::time_t now);
ReminderCheck check_reminders(std::string_view expiration, std::string_view alarm,
                              std::int16_t ring_ticks, const Clock& clock);

}  // namespace kd
