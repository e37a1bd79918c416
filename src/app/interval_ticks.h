// Counting the main window's half-second ticks towards the intervals of the e-mail check and of
// reading the network neighbourhood. Windowless.
#pragma once

namespace kd {

// The main window's timer.
inline constexpr int kMainTimerPeriodMs = 500;
inline constexpr int kMainTicksPerMinute = 60000 / kMainTimerPeriodMs;

class IntervalTicks {
public:
    struct Due {
        bool email_check = false;
        bool network_read = false;
    };

    // Minutes between e-mail checks and between reads of the neighbourhood; 0 or less switches
    // one off. The ticks counted so far stay: an interval shorter than them is due next tick.
    void set_intervals(int check_email_minutes, int read_network_minutes);
    // One tick: what is due now.
    Due tick();

private:
    int email_minutes_ = 0;
    int network_minutes_ = 0;
    int email_ticks_ = 0;
    int network_ticks_ = 0;
};

}  // namespace kd
