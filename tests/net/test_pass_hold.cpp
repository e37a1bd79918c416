#include <gtest/gtest.h>

#include <chrono>

#include "net/pass_hold.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using Time = PassHold::Time;

const Time kStart = Time(std::chrono::hours(1));

TEST(PassHold, PassesWaitForAQuietMomentButNeverLongerThanTheLongestHold) {
    PassHold hold;
    // Nothing has come: a pass runs at once.
    EXPECT_EQ(hold.wait_at(kStart), 0ms);

    // A note 3 ms ago: the pass waits for the rest of the quiet time.
    hold.arrived(kStart);
    EXPECT_EQ(hold.wait_at(kStart + 3ms), PassHold::kQuiet - 3ms);
    // Quiet long enough: it runs.
    EXPECT_EQ(hold.wait_at(kStart + PassHold::kQuiet), 0ms);

    // A stream with a note every 2 ms holds the passes for kLongestHold, then one runs.
    const Time stream = kStart + 1s;
    Time now = stream;
    bool ran = false;
    while (!ran && now < stream + 1s) {
        hold.arrived(now);
        now += 2ms;
        ran = hold.wait_at(now) == 0ms;
    }
    EXPECT_TRUE(ran);
    EXPECT_GE(now - stream, PassHold::kLongestHold);
    EXPECT_LE(now - stream, PassHold::kLongestHold + 2ms);
    // The pass that ran ended the hold: the stream holds the next one again.
    hold.arrived(now);
    EXPECT_GT(hold.wait_at(now + 1ms), 0ms);
}

}  // namespace
}  // namespace kd
