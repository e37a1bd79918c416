// When the passes that make windows of received notes may run. Making a note window takes the
// processor that the acknowledgements of the rest of a burst wait for, so while notes still
// come in, the passes wait for a quiet moment; a stream that does not pause holds them no
// longer than kLongestHold at a time. Windowless; arrived() may come from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

namespace kd {

class PassHold {
public:
    using Time = std::chrono::steady_clock::time_point;

    // No note for this long: the burst has paused.
    static constexpr std::chrono::milliseconds kQuiet{10};
    // The longest the passes wait in one go.
    static constexpr std::chrono::milliseconds kLongestHold{100};

    // A note was acknowledged at `at`.
    void arrived(Time at);
    // How long a pass due at `now` waits; zero when it runs now. A pass that runs ends the
    // hold, so the next one may be held again.
    std::chrono::milliseconds wait_at(Time now);

private:
    std::atomic<Time::rep> last_arrival_{0};
    std::optional<Time> held_since_;
};

}  // namespace kd
