// Waiting in a test until something outside it has happened: another process, a server
// thread, a file. Checks, then sleeps `step`, until `limit` is over; no event loop runs.
// Tests that wait for their own widgets use QTest::qWaitFor, which does run it.
#pragma once

#include <chrono>
#include <functional>

namespace kd::test {

// A program built with the sanitizers does the same work two to three times slower: every wait
// for something outside the test, and every bound on how long the program may take, grows by
// this much. What the tests check stays the same.
#ifdef KD_SANITIZED
inline constexpr int kSlowdown = 3;
#else
inline constexpr int kSlowdown = 1;
#endif

// True as soon as `condition` holds; false when it still does not once `limit` (times
// kSlowdown) is over.
bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit,
              std::chrono::milliseconds step = std::chrono::milliseconds(50));

}  // namespace kd::test
