#include "note/autosave_schedule.h"

#include <algorithm>
#include <utility>

namespace kd {

AutosaveSchedule::AutosaveSchedule(AutosaveTimer& timer, Now now, Save save, AutosaveDelays delays)
    : timer_(timer), now_(std::move(now)), save_(std::move(save)), delays_(delays) {}

void AutosaveSchedule::changed() {
    const std::int64_t now = now_();
    if (!pending_) {
        pending_ = true;
        first_change_ = now;
    }
    last_change_ = now;
    if (!composing_) {
        arm();
    }
}

void AutosaveSchedule::set_composing(bool on) {
    if (composing_ == on) {
        return;
    }
    composing_ = on;
    if (composing_) {
        timer_.stop();
    } else if (pending_) {
        arm();  // a ceiling passed meanwhile makes it due at once
    }
}

void AutosaveSchedule::written() {
    pending_ = false;
    timer_.stop();
}

void AutosaveSchedule::timer_ran_out() {
    if (!pending_ || composing_) {
        return;
    }
    const std::int64_t now = now_();
    const std::int64_t due =
        std::min(last_change_ + delays_.quiet_ms, first_change_ + delays_.ceiling_ms);
    if (now < due) {
        arm();  // a timer that ran early
        return;
    }
    if (save_()) {
        pending_ = false;
        return;
    }
    // The change stays pending. Without further changes the next try comes a ceiling later
    // (a full disk is not hammered); the next change brings it forward as usual.
    first_change_ = now;
    last_change_ = now + delays_.ceiling_ms - delays_.quiet_ms;
    arm();
}

void AutosaveSchedule::arm() {
    const std::int64_t now = now_();
    const std::int64_t due =
        std::min(last_change_ + delays_.quiet_ms, first_change_ + delays_.ceiling_ms);
    timer_.start(std::max<std::int64_t>(0, due - now));
}

}  // namespace kd
