// When a note writes changes that no other save moment has written yet: a short quiet time
// after the last change, and no later than a ceiling after the first unsaved one while changes
// go on, so typing without a pause is still written every few seconds. Nothing is written
// while an input method is composing: the text on screen is not the note's text yet.
//
// Windowless: the time and the one-shot timer are handed in, so the rules are tested without
// a display or a wait. The note window feeds it its changes and does the writing.
#pragma once

#include <cstdint>
#include <functional>

namespace kd {

// A one-shot timer: after start(delay) it calls back once, unless it is stopped or started
// again first.
class AutosaveTimer {
public:
    virtual ~AutosaveTimer() = default;
    virtual void start(std::int64_t delay_ms) = 0;
    virtual void stop() = 0;
};

struct AutosaveDelays {
    std::int64_t quiet_ms = 2000;     // after the last change
    std::int64_t ceiling_ms = 10000;  // after the first change not yet written
};

class AutosaveSchedule {
public:
    using Now = std::function<std::int64_t()>;  // a monotonic clock in milliseconds
    // Writes the note; false when the write failed.
    using Save = std::function<bool()>;

    // The owner calls timer_ran_out() when `timer` runs out.
    AutosaveSchedule(AutosaveTimer& timer, Now now, Save save, AutosaveDelays delays = {});

    // Something that the note's record holds changed.
    void changed();
    // An input method started (true) or stopped (false) composing in the note.
    void set_composing(bool on);
    // The note was written by another save moment: nothing waits any more.
    void written();
    void timer_ran_out();

    // A change waits to be written.
    bool pending() const { return pending_; }
    bool composing() const { return composing_; }

private:
    void arm();

    AutosaveTimer& timer_;
    Now now_;
    Save save_;
    AutosaveDelays delays_;
    bool pending_ = false;
    bool composing_ = false;
    std::int64_t first_change_ = 0;
    std::int64_t last_change_ = 0;
};

}  // namespace kd
