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

// A clock that stands still until it is set or advanced.
class TestClock : public Clock {
public:
    explicit TestClock(std::time_t start = 0) : now_(start) {}
    std::time_t now() const override { return now_; }
    void set(std::time_t t) { now_ = t; }
    void advance(std::time_t seconds) { now_ += seconds; }

private:
    std::time_t now_;
};

}  // namespace kd
