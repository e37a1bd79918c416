#include "support/wait_for.h"

#include <algorithm>
#include <thread>

namespace kd::test {

bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds limit,
              std::chrono::milliseconds step) {
    const auto end = std::chrono::steady_clock::now() + limit * kSlowdown;
    while (!condition()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return false;
        // The last look comes at the end of the limit, not a step after it.
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(step, end - now));
    }
    return true;
}

}  // namespace kd::test
