// A clock that stands still until the test sets or advances it.
#pragma once

#include <ctime>

#include "platform/clock.h"

namespace kd {

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
