// Arbitrary stored Alarm and Expiration values (they arrive from the settings file and from
// other computers) through parsing, the texts and the checks of a note's timer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "reminders/alarm.h"
#include "reminders/expiration.h"
#include "reminders/reminder_check.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kd;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first bytes pick the moment and the counter; the rest is split into two values.
    std::time_t now = 1772870400;  // 7 March 2026
    std::int16_t ticks = 0;
    std::string_view rest = bytes;
    if (rest.size() >= 4) {
        now += static_cast<std::time_t>(static_cast<std::uint8_t>(rest[0]) << 16 |
                                        static_cast<std::uint8_t>(rest[1]) << 8 |
                                        static_cast<std::uint8_t>(rest[2])) *
               60;
        ticks = static_cast<std::int16_t>(static_cast<std::uint8_t>(rest[3]) % 8);
        rest.remove_prefix(4);
    }
    const std::size_t cut = rest.find('|');
    const std::string_view alarm = rest.substr(0, cut);
    const std::string_view expiration = cut == std::string_view::npos ? "" : rest.substr(cut + 1);

    const bool alarm_set = alarm_is_set(alarm);
    const bool expiration_set = expiration_is_set(expiration);
    check(alarm_set == !alarm_text(alarm, "DD.MM.YYYY").empty());
    check(expiration_set == !expiration_text(expiration, "MM/DD/YYYY").empty());
    if (alarm_set)  // what is read back is written back the same
        check(make_alarm_value(*parse_alarm(alarm)).substr(0, 13) == alarm.substr(0, 13));

    const ReminderCheck c = check_reminders_at(expiration, alarm, ticks, now);
    check(!c.delete_note || expiration_set);
    check(c.alarm.ring_ticks >= 0 && c.alarm.ring_ticks <= 8);
    if (!alarm_set)
        check(!c.alarm.ring && !c.alarm.clear_alarm && !c.alarm.play_sound);
    return 0;
}
