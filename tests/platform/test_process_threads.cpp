#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/process_threads.h"

using namespace std::chrono_literals;

// The end of a sanitizer build waits on this for threads that were told to stop: it must see
// them go, and give up on one that does not.
TEST(ProcessThreads, SeesAThreadEndAndGivesUpOnOneThatStays) {
    const int alone = kd::process_thread_count();
    ASSERT_GE(alone, 1);

    std::atomic<bool> stop{false};
    std::thread staying([&] {
        while (!stop) {
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_EQ(kd::process_thread_count(), alone + 1);
    EXPECT_FALSE(kd::wait_for_other_threads(30ms));

    stop = true;
    staying.detach();  // joined only by its end, as Qt's ending threads are
    if (alone == 1) {
        EXPECT_TRUE(kd::wait_for_other_threads(5s));
        EXPECT_EQ(kd::process_thread_count(), 1);
    }
}
