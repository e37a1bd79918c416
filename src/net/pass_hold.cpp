#include "net/pass_hold.h"

#include <algorithm>

namespace kd {

void PassHold::arrived(Time at) {
    last_arrival_ = at.time_since_epoch().count();
}

std::chrono::milliseconds PassHold::wait_at(Time now) {
    const Time last{Time::duration(last_arrival_.load())};
    if (last_arrival_.load() != 0 && now - last < kQuiet) {
        if (!held_since_) {
            held_since_ = now;
        }
        if (now - *held_since_ < kLongestHold) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(kQuiet - (now - last));
            return std::max(left, std::chrono::milliseconds(1));
        }
    }
    held_since_.reset();
    return std::chrono::milliseconds(0);
}

}  // namespace kd
