#include "net/pass_hold.h"

namespace kd {

void PassHold::arrived(Time at) {
    last_arrival_ = at.time_since_epoch().count();
}

std::chrono::milliseconds PassHold::wait_at(Time now) {
    const Time::rep last = last_arrival_.load();
    const auto quiet_for = now - Time(Time::duration(last));
    if (last != 0 && quiet_for < kQuiet) {
        if (!held_since_) {
            held_since_ = now;
        }
        if (now - *held_since_ < kLongestHold) {
            // At least a millisecond, since what is left of the quiet is more than nothing.
            return std::chrono::ceil<std::chrono::milliseconds>(kQuiet - quiet_for);
        }
    }
    held_since_.reset();
    return std::chrono::milliseconds(0);
}

}  // namespace kd
