#include "platform/clock.h"

namespace kd {

namespace {

class SystemClock : public Clock {
public:
    std::time_t now() const override { return std::time(nullptr); }
};

}  // namespace

std::tm Clock::local_now() const {
    const std::time_t t = now();
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

const Clock& Clock::system() {
    static const SystemClock clock;
    return clock;
}

}  // namespace kd
