// When a changed note is written: the quiet time after the last change, the ceiling while
// changes go on, input-method composing, other save moments and failed writes. Time is a
// counter; the timer runs out when the test moves the time past it.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "note/autosave_schedule.h"

namespace kd {
namespace {

class AutosaveScheduleTest : public ::testing::Test, public AutosaveTimer {
protected:
    void start(std::int64_t delay_ms) override { due_ = now_ + delay_ms; }
    void stop() override { due_.reset(); }

    // Moves the time on in steps of 1 ms, running the timer when it is due.
    void advance(std::int64_t ms) {
        for (std::int64_t end = now_ + ms; now_ < end;) {
            ++now_;
            if (due_ && *due_ <= now_) {
                due_.reset();
                schedule_.timer_ran_out();
            }
        }
    }
    // Typing: one change every `every` ms for `total` ms.
    void type_for(std::int64_t total, std::int64_t every) {
        for (std::int64_t t = 0; t < total; t += every) {
            schedule_.changed();
            advance(every);
        }
    }

    std::int64_t now_ = 1000;
    std::optional<std::int64_t> due_;
    bool write_ok_ = true;
    std::vector<std::int64_t> writes_;  // times of the writes
    AutosaveSchedule schedule_{*this, [this] { return now_; },
                               [this] {
                                   writes_.push_back(now_);
                                   return write_ok_;
                               }};
};

TEST_F(AutosaveScheduleTest, OneChangeIsWrittenOnceTwoSecondsLaterAndNothingWithoutChanges) {
    advance(30000);
    EXPECT_TRUE(writes_.empty());
    schedule_.changed();
    advance(1999);
    EXPECT_TRUE(writes_.empty());
    advance(1);
    EXPECT_EQ(writes_, std::vector<std::int64_t>{33000});
    EXPECT_FALSE(schedule_.pending());
    advance(60000);
    EXPECT_EQ(writes_.size(), 1u);
}

TEST_F(AutosaveScheduleTest, ABurstOfChangesIsOneWriteAfterTheLast) {
    type_for(1500, 100);  // changes up to 2400
    advance(5000);
    EXPECT_EQ(writes_, std::vector<std::int64_t>{2400 + 2000});
}

TEST_F(AutosaveScheduleTest, TypingWithoutAPauseIsWrittenAtLeastEveryTenSeconds) {
    // Ten characters a second for 55 s.
    type_for(55000, 100);
    ASSERT_EQ(writes_.size(), 5u);
    EXPECT_EQ(writes_.front(), 1000 + 10000);
    for (std::size_t i = 1; i < writes_.size(); ++i)
        EXPECT_LE(writes_[i] - writes_[i - 1], 10100) << i;
    // When the typing stops, the rest follows a quiet time after the last character.
    advance(2000);
    ASSERT_EQ(writes_.size(), 6u);
    EXPECT_EQ(writes_.back(), 55900 + 2000);
}

TEST_F(AutosaveScheduleTest, NothingIsWrittenWhileComposingAndTheChangeFollowsAfterwards) {
    schedule_.changed();
    schedule_.set_composing(true);
    advance(30000);  // the ceiling passes while composing
    EXPECT_TRUE(writes_.empty());
    schedule_.changed();  // the preedit changes are not written either
    advance(5000);
    EXPECT_TRUE(writes_.empty());
    schedule_.set_composing(false);  // past the ceiling: at once
    advance(1);
    EXPECT_EQ(writes_.size(), 1u);

    // Composing that ends before the quiet time keeps the usual time.
    schedule_.changed();
    schedule_.set_composing(true);
    advance(500);
    schedule_.set_composing(false);
    advance(1499);
    EXPECT_EQ(writes_.size(), 1u);
    advance(1);
    EXPECT_EQ(writes_.size(), 2u);
}

TEST_F(AutosaveScheduleTest, AnotherSaveMomentTakesThePendingChange) {
    schedule_.changed();
    advance(1000);
    schedule_.written();  // the focus left the note and it saved
    advance(20000);
    EXPECT_TRUE(writes_.empty());
    EXPECT_FALSE(schedule_.pending());
}

TEST_F(AutosaveScheduleTest, AFailedWriteIsTriedAgainWithoutHammering) {
    write_ok_ = false;
    schedule_.changed();
    advance(2000);
    ASSERT_EQ(writes_.size(), 1u);
    EXPECT_TRUE(schedule_.pending());
    // No further change: one try per ceiling.
    advance(30000);
    EXPECT_EQ(writes_.size(), 4u);
    // A change brings the next try to the quiet time after it.
    write_ok_ = true;
    schedule_.changed();
    advance(2000);
    EXPECT_EQ(writes_.size(), 5u);
    EXPECT_FALSE(schedule_.pending());
    advance(30000);
    EXPECT_EQ(writes_.size(), 5u);
}

}  // namespace
}  // namespace kd
