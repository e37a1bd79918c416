#include "app/interval_ticks.h"

namespace kd {

void IntervalTicks::set_intervals(int check_email_minutes, int read_network_minutes) {
    email_minutes_ = check_email_minutes;
    network_minutes_ = read_network_minutes;
}

IntervalTicks::Due IntervalTicks::tick() {
    Due due;
    // A switched-off interval does not count.
    if (email_minutes_ > 0 && ++email_ticks_ >= email_minutes_ * kMainTicksPerMinute) {
        email_ticks_ = 0;
        due.email_check = true;
    }
    if (network_minutes_ > 0 && ++network_ticks_ >= network_minutes_ * kMainTicksPerMinute) {
        network_ticks_ = 0;
        due.network_read = true;
    }
    return due;
}

}  // namespace kd
