// Shared set-up of the reminder tests: a fixed time zone with daylight saving, and local
// moments written as calendar fields.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "reminders/note_stamp.h"

namespace kd::test {

// Every reminder test runs in Europe/Berlin: summer time from the last Sunday of March
// (02:00 -> 03:00) to the last Sunday of October (03:00 -> 02:00).
class BerlinTime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        had_tz_ = old != nullptr;
        if (had_tz_)
            old_tz_ = old;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override {
        if (had_tz_)
            setenv("TZ", old_tz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    // The absolute moment of a local wall-clock time that exists exactly once.
    static std::time_t at(int year, int month, int day, int hour, int minute, int second = 0) {
        const auto t = stamp_to_time(NoteStamp{day, month, year, hour, minute, second});
        EXPECT_TRUE(t.has_value());
        return t.value_or(0);
    }

private:
    bool had_tz_ = false;
    std::string old_tz_;
};

}  // namespace kd::test
