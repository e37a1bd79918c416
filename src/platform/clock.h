// The program's one way to read the time. Code that needs "now" takes a Clock, so tests set
// and advance the time instead of sleeping.
#pragma once

#include <ctime>

namespace kd {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since the epoch.
    virtual std::time_t now() const = 0;
    // The local calendar time of now() (the system's time zone and daylight saving).
    std::tm local_now() const;

    // The system clock; lives as long as the process.
    static const Clock& system();
};

}  // namespace kd
