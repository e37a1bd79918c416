// The main window's ticks counted towards the e-mail check and the neighbourhood intervals.
#include <gtest/gtest.h>

#include "app/interval_ticks.h"

namespace kd {
namespace {

TEST(IntervalTicks, IntervalCountersCount120TicksPerMinute) {
    IntervalTicks intervals;
    intervals.set_intervals(2, 0);
    int checks = 0;
    for (int i = 1; i <= 480; ++i) {
        const IntervalTicks::Due due = intervals.tick();
        EXPECT_FALSE(due.network_read);
        if (due.email_check) {
            ++checks;
            EXPECT_EQ(i % 240, 0);
        }
    }
    EXPECT_EQ(checks, 2);
}

}  // namespace
}  // namespace kd
