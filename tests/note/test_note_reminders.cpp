// A note window's alarm and expiration: the checks of its timer (driven by a test clock,
// no waiting), the icons with their texts, and the store writes that go with them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <memory>
#include <string>
#include <vector>

#include "note/note_window.h"
#include "platform/profile_file.h"
#include "reminders/alarm.h"
#include "reminders/expiration.h"
#include "reminders/reminder_test_support.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_clock.h"
#include "support/test_services.h"

namespace kd {
namespace {

class NoteReminders : public test::BerlinTime {
protected:
    void SetUp() override {
        BerlinTime::SetUp();
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        // Tuesday 10 March 2026, 09:30:00.
        clock_.set(at(2026, 3, 10, 9, 30, 0));
        ts_ = std::make_unique<test::TestServices>(clock_);
        QObject::connect(&ts_->services, &NoteServices::alarm_sound_wanted, [this] { ++sounds_; });
    }
    void TearDown() override {
        for (auto& w : windows_)
            delete w.data();
        BerlinTime::TearDown();
    }

    // A note restored from the store as the main window does it: the record stored first.
    NoteWindow* restored(int number, const std::string& expiration, const std::string& alarm,
                         bool* alive = nullptr) {
        NoteRecord r = test::sample_note_record(number);
        r.Expiration = expiration;
        r.Alarm = alarm;
        EXPECT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
        auto* w = new NoteWindow(nullptr, number, ts_->services);
        windows_.push_back(w);
        const bool ok = w->create_from_record(r, false, false);
        if (alive)
            *alive = ok;
        return w;
    }

    void set(const char* key, const char* value) {
        ASSERT_TRUE(
            ProfileFile::write(app_paths().IniPath, "KORVADESK", key, std::string_view(value)));
    }
    static std::optional<NoteRecord> stored(int number) {
        NoteRecord r;
        if (!NoteStore(app_paths(), test::store_errors()).read_record(number, r))
            return std::nullopt;
        return r;
    }
    static std::string alarm_value(int day, int month, int hour, int minute, AlarmRepeat repeat,
                                   bool sound) {
        return make_alarm_value({{day, month, 2026, hour, minute, 0}, repeat, sound});
    }

    QTemporaryDir dir_;
    TestClock clock_;
    std::unique_ptr<test::TestServices> ts_;
    test::ErrorRecorder errors_;
    std::vector<QPointer<NoteWindow>> windows_;
    int sounds_ = 0;
};

TEST_F(NoteReminders, RestoredNoteExpiredMeanwhileGoesUnseenAndLeavesTheStoreToTheRestore) {
    // Expired yesterday; its alarm is due this very minute but must not be looked at.
    bool alive = true;
    NoteWindow* w = restored(1, make_end_of_day_expiration({9, 3, 2026}),
                             alarm_value(10, 3, 9, 30, AlarmRepeat::Daily, true), &alive);
    EXPECT_FALSE(alive);
    EXPECT_TRUE(w->note().deleted());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(sounds_, 0);
    EXPECT_EQ(w->note().alarm_ring_ticks(), 0);
    // The restore removes the section in its own single write.
    EXPECT_TRUE(stored(1).has_value());
    EXPECT_TRUE(ts_->boxes.answered_texts().empty());
}

TEST_F(NoteReminders, PassedOneTimeAlarmAtCreationIsClearedSilentlyForTheRestoreToStore) {
    NoteWindow* w = restored(2, "", alarm_value(10, 3, 9, 29, AlarmRepeat::None, true));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->note().alarm(), "");
    EXPECT_EQ(w->note().to_record().Alarm, "");
    EXPECT_FALSE(w->alarm_icon_ringing());
    EXPECT_EQ(sounds_, 0);
    // Not written behind the restore's back: the stored record is what the restore found.
    EXPECT_NE(stored(2)->Alarm, "");

    // Later the timer writes at once: a one-time alarm rings in its minute and is emptied in
    // the store; the icon goes at the next tick.
    w->note().apply_alarm(alarm_value(10, 3, 9, 31, AlarmRepeat::None, false));
    EXPECT_EQ(stored(2)->Alarm, w->note().alarm());
    EXPECT_TRUE(w->alarm_icon()->isVisible());
    // Its tips are styled (pale yellow, at most 200 pixels wide) from the first one asked for,
    // not before: the style sheet's polish is a cost of every shown icon otherwise.
    EXPECT_FALSE(w->alarm_icon()->styleSheet().contains("QToolTip"));
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), w->alarm_icon()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w->alarm_icon(), &tip);
    EXPECT_TRUE(w->alarm_icon()->styleSheet().contains("QToolTip"));
    EXPECT_TRUE(QToolTip::isVisible());
    QToolTip::hideText();
    clock_.set(at(2026, 3, 10, 9, 31, 5));
    EXPECT_FALSE(w->reminder_tick());
    EXPECT_TRUE(w->alarm_icon_ringing());
    EXPECT_EQ(stored(2)->Alarm, "");
    EXPECT_EQ(sounds_, 0);  // Sound "No": shown and raised, silent
    clock_.advance(20);
    w->reminder_tick();
    EXPECT_FALSE(w->alarm_icon()->isVisible());
}

TEST_F(NoteReminders, DueAlarmShowsAHiddenNoteOnceAndTheRingingIconLastsFiveTicks) {
    NoteRecord r = test::sample_note_record(3);
    r.Hidden = "Yes";
    r.Alarm = alarm_value(1, 1, 9, 31, AlarmRepeat::Daily, true);  // dated in the past: daily
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
    auto* w = new NoteWindow(nullptr, 3, ts_->services);
    windows_.push_back(w);
    ASSERT_TRUE(w->create_from_record(r, false, false));
    ASSERT_FALSE(w->isVisible());

    clock_.set(at(2026, 3, 10, 9, 31, 10));
    w->reminder_tick();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->note().hidden());  // shown for the alarm only
    EXPECT_EQ(stored(3)->Hidden, "Yes");
    EXPECT_TRUE(w->alarm_icon_ringing());
    EXPECT_EQ(sounds_, 1);
    EXPECT_EQ(w->note().alarm_ring_ticks(), 1);

    // The rest of the minute does not ring again (the counter counts those ticks twice); once
    // the counter has reached five the normal picture is back, and the repeating alarm stays.
    // Rolling the note up meanwhile keeps the ringing picture.
    w->roll_up();
    for (int tick = 0; tick < 2; ++tick) {
        clock_.advance(20);
        w->reminder_tick();
        EXPECT_TRUE(w->alarm_icon_ringing()) << tick;
    }
    w->roll_down();
    clock_.advance(20);
    w->reminder_tick();
    EXPECT_FALSE(w->alarm_icon_ringing());
    EXPECT_EQ(w->note().alarm_ring_ticks(), 0);
    EXPECT_TRUE(w->alarm_icon()->isVisible());
    EXPECT_EQ(sounds_, 1);
    EXPECT_EQ(w->note().alarm(), r.Alarm);

    // The next day at the same minute it rings again.
    clock_.set(at(2026, 3, 11, 9, 31, 0));
    w->reminder_tick();
    EXPECT_EQ(sounds_, 2);
}

TEST_F(NoteReminders, ExpiryOnTheTickDeletesWithoutAQuestionAndTheAlarmDoesNotRing) {
    set("AskBeforeDelete", "Yes");
    ts_->boxes.answer_all(QMessageBox::No);
    // End of today, with a daily alarm at midnight.
    NoteWindow* w = restored(4, make_end_of_day_expiration({10, 3, 2026}),
                             alarm_value(10, 3, 0, 0, AlarmRepeat::Daily, true));
    QPointer<NoteWindow> alive(w);
    clock_.set(at(2026, 3, 10, 23, 59, 59));
    EXPECT_FALSE(w->reminder_tick());
    clock_.set(at(2026, 3, 11, 0, 0, 5));
    EXPECT_TRUE(w->reminder_tick());
    EXPECT_TRUE(w->note().deleted());
    EXPECT_FALSE(stored(4).has_value());
    EXPECT_TRUE(ts_->boxes.answered_texts().empty());
    EXPECT_EQ(sounds_, 0);
    EXPECT_FALSE(w->alarm_icon_ringing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 5000));
}

TEST_F(NoteReminders, IconsStandByTheRulesAndCarryTheirTexts) {
    set("DefaultDateFormat", "YYYY-MM-DD");
    NoteWindow* w = restored(5, "", "");
    EXPECT_FALSE(w->expiration_icon()->isVisible());
    EXPECT_FALSE(w->alarm_icon()->isVisible());
    EXPECT_EQ(w->alarm_icon()->toolTip(), "Note alarm icon.");
    EXPECT_EQ(w->expiration_icon()->toolTip(), "Note expire icon.");

    const std::string alarm = alarm_value(12, 3, 7, 5, AlarmRepeat::Weekly, true);
    w->note().apply_alarm(alarm);
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(3, 4));
    EXPECT_EQ(w->alarm_icon()->toolTip(), "Alarm set 2026-03-12 at 07:05 weekly");
    w->note().apply_expiration(make_end_of_day_expiration({20, 3, 2026}));
    EXPECT_EQ(stored(5)->Expiration, "20032026-235959-9");
    EXPECT_TRUE(w->expiration_icon()->isVisible());
    EXPECT_EQ(w->expiration_icon()->pos(), QPoint(3, 4));
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(15, 4));
    EXPECT_EQ(w->expiration_icon()->toolTip(), "Note will expire 2026-03-20 at 23:59");

    // Status marker, then rolled up (inside the one-pixel border).
    w->note().set_status(NoteStatus::Sent);
    EXPECT_EQ(w->expiration_icon()->pos(), QPoint(16, 4));
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(28, 4));
    w->roll_up();
    EXPECT_EQ(w->expiration_icon()->pos(), QPoint(1 + 28, 1 + 4));
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(1 + 40, 1 + 4));
    w->roll_down();

    // refresh renews the texts by the setting.
    set("DefaultDateFormat", "MM/DD/YYYY");
    w->refresh();
    EXPECT_EQ(w->alarm_icon()->toolTip(), "Alarm set 03/12/2026 at 07:05 weekly");
    EXPECT_EQ(w->expiration_icon()->toolTip(), "Note will expire 03/20/2026 at 23:59");

    // Never expire: the alarm moves back to the left and the expiration texts go.
    w->note().apply_expiration("");
    EXPECT_FALSE(w->expiration_icon()->isVisible());
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(16, 4));
    EXPECT_EQ(w->expiration_icon()->toolTip(), "Note expire icon.");
    EXPECT_EQ(stored(5)->Expiration, "");
    EXPECT_EQ(stored(5)->Alarm, alarm);
}

}  // namespace
}  // namespace kd
