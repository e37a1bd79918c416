// The alarm and expiration dialogs on a real display, with a test clock; and the note menu's
// two commands opening them through the program's wiring.
#include <gtest/gtest.h>

#include <utility>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>

#include "app/reminder_commands.h"
#include "dialogs/alarm_dialog.h"
#include "dialogs/expiration_dialog.h"
#include "net/arrival_sound.h"
#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "platform/clock.h"
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

class ReminderDialogs : public test::BerlinTime {
protected:
    void SetUp() override {
        BerlinTime::SetUp();
        // Tuesday 10 March 2026, 09:30:15.
        clock_.set(at(2026, 3, 10, 9, 30, 15));
    }
    TestClock clock_;
};

TEST_F(ReminderDialogs, AlarmDialogStartsFromTheNotesAlarmOrTheDefaults) {
    AlarmDialog d("", "DD.MM.YYYY", clock_);
    EXPECT_EQ(d.windowTitle(), "Note alarm");
    EXPECT_TRUE(d.off_button()->isChecked());
    EXPECT_EQ(d.repeat_list()->currentText(), "None");
    EXPECT_EQ(d.sound_list()->currentText(), "Yes");
    EXPECT_EQ(d.date_picker()->date(), QDate(2026, 3, 10));
    EXPECT_EQ(d.time_picker()->displayFormat(), "HH:mm");
    EXPECT_FALSE(d.date_picker()->isEnabled());
    EXPECT_FALSE(d.sound_list()->isEnabled());
    d.show();
    QTest::mouseClick(d.on_button(), Qt::LeftButton);
    EXPECT_TRUE(d.time_picker()->isEnabled());
    EXPECT_TRUE(d.repeat_list()->isEnabled());
    QTest::mouseClick(d.off_button(), Qt::LeftButton);
    EXPECT_FALSE(d.repeat_list()->isEnabled());
    QTest::mouseClick(d.apply_button(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.value(), "");

    const std::string weekly_silent = "12032026-070500-2-0";
    AlarmDialog set(weekly_silent, "DD.MM.YYYY", clock_);
    EXPECT_EQ(set.windowTitle(), "Alarm set 12.03.2026 at 07:05 weekly");
    EXPECT_TRUE(set.on_button()->isChecked());
    EXPECT_EQ(set.time_picker()->time(), QTime(7, 5));
    EXPECT_EQ(set.repeat_list()->currentText(), "Weekly");
    EXPECT_EQ(set.sound_list()->currentText(), "No");
    set.show();
    QTest::mouseClick(set.apply_button(), Qt::LeftButton);
    EXPECT_EQ(set.value(), weekly_silent);
}

TEST_F(ReminderDialogs, OneTimeAlarmInThePastKeepsTheDialogOpenWithTheFocusOnTheTime) {
    AlarmDialog d("", "DD.MM.YYYY", clock_);
    d.show();
    QTest::mouseClick(d.on_button(), Qt::LeftButton);
    d.time_picker()->setTime(QTime(9, 30));  // 09:30:00, before 09:30:15
    d.apply_button()->setFocus();
    QTest::mouseClick(d.apply_button(), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.time_picker());

    // The next minute is taken; so is the past minute for a daily alarm.
    d.time_picker()->setTime(QTime(9, 31));
    QTest::mouseClick(d.apply_button(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.value(), "10032026-093100-0-1");

    AlarmDialog daily("", "DD.MM.YYYY", clock_);
    daily.show();
    QTest::mouseClick(daily.on_button(), Qt::LeftButton);
    daily.time_picker()->setTime(QTime(8, 0));
    daily.repeat_list()->setCurrentIndex(1);
    QTest::mouseClick(daily.apply_button(), Qt::LeftButton);
    EXPECT_EQ(daily.result(), QDialog::Accepted);
    EXPECT_EQ(daily.value(), "10032026-080000-1-1");
}

TEST_F(ReminderDialogs, ExpirationDialogChoicesAndFocusSelection) {
    ExpirationDialog d("", "DD.MM.YYYY", clock_);
    EXPECT_EQ(d.windowTitle(), "Note expiration");
    EXPECT_TRUE(d.never_button()->isChecked());
    EXPECT_EQ(d.period_button()->text(), "");
    EXPECT_EQ(d.period_list()->currentText(), "Expire after 1 hour");
    EXPECT_EQ(d.date_picker()->date(), QDate(2026, 3, 10));
    d.show();

    // Each radio stands right before its control, on the control's line.
    for (auto [radio, control] :
         {std::pair<QWidget*, QWidget*>{d.period_button(), d.period_list()},
          std::pair<QWidget*, QWidget*>{d.end_of_day_button(), d.date_picker()}}) {
        const QRect r = radio->geometry();
        const QRect c = control->geometry();
        EXPECT_GE(c.left(), r.right());
        EXPECT_LE(c.left() - r.right(), 12) << "a gap of " << c.left() - r.right() << " pixels";
        EXPECT_TRUE(r.center().y() >= c.top() && r.center().y() <= c.bottom());
    }

    // The focus arrives as the window system delivers it (the test display has no window
    // manager to make the dialog active).
    auto focus = [](QWidget* w) {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(w, &in);
    };
    focus(d.date_picker());
    EXPECT_TRUE(d.end_of_day_button()->isChecked());
    EXPECT_FALSE(d.never_button()->isChecked());
    focus(d.period_list());
    EXPECT_TRUE(d.period_button()->isChecked());
    EXPECT_FALSE(d.end_of_day_button()->isChecked());

    // "Expire after 1 month" is 28 days of seconds from "Apply": across the change to summer
    // time on 29 March the local clock shows an hour more.
    d.period_list()->setCurrentIndex(3);
    QTest::mouseClick(d.apply_button(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.value(), "07042026-103015-3");
}

TEST_F(ReminderDialogs, ExpirationDialogShowsAStoredChoice) {
    ExpirationDialog end("20032026-235959-9", "DD-MM-YYYY", clock_);
    EXPECT_EQ(end.windowTitle(), "Note will expire 20-03-2026 at 23:59");
    EXPECT_TRUE(end.end_of_day_button()->isChecked());
    EXPECT_EQ(end.date_picker()->date(), QDate(2026, 3, 20));
    end.show();
    QTest::mouseClick(end.apply_button(), Qt::LeftButton);
    EXPECT_EQ(end.value(), "20032026-235959-9");

    // A period choice counts again from the new "Apply".
    ExpirationDialog week("11032026-080000-2", "DD.MM.YYYY", clock_);
    EXPECT_TRUE(week.period_button()->isChecked());
    EXPECT_EQ(week.period_list()->currentIndex(), 2);
    week.show();
    QTest::mouseClick(week.apply_button(), Qt::LeftButton);
    EXPECT_EQ(week.value(), "17032026-093015-2");
}

// The note menu's commands, through the program's connections, on a note with a store.
class ReminderCommands : public ReminderDialogs {
protected:
    void SetUp() override {
        ReminderDialogs::SetUp();
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        connect_reminders(ts_.services, sound_);
    }

    // Runs `answer` on the dialog the command opens.
    static void answer_dialog(const std::function<void(QWidget*)>& answer) {
        QTimer::singleShot(0, [answer] {
            QWidget* modal = nullptr;
            if (!QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()); },
                                 5000)) {
                ADD_FAILURE() << "no dialog opened";
                return;
            }
            answer(modal);
        });
    }

    QTemporaryDir dir_;
    test::TestServices ts_{clock_};
    ArrivalSound sound_{ts_.modules};
    test::ErrorRecorder errors_;
};

TEST_F(ReminderCommands, SetAlarmAndSetExpirationOpenTheirDialogsAndTheNoteTakesTheResult) {
    NoteWindow note(nullptr, 1, ts_.services);
    ASSERT_TRUE(note.create_from_record(test::sample_note_record(1), false, false));
    note.menus()->prepare_body_menu();
    ASSERT_TRUE(note.menus()->body_action(note_menu::kSetAlarm)->isEnabled());
    ASSERT_TRUE(note.menus()->body_action(note_menu::kSetExpiration)->isEnabled());

    answer_dialog([](QWidget* w) {
        auto* d = qobject_cast<AlarmDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->on_button()->click();
        d->time_picker()->setTime(QTime(18, 45));
        d->apply_button()->click();
    });
    note.menus()->run_command(note_menu::kSetAlarm);
    EXPECT_EQ(note.note().alarm(), "10032026-184500-0-1");
    EXPECT_TRUE(note.alarm_icon()->isVisible());
    NoteRecord stored;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, stored));
    EXPECT_EQ(stored.Alarm, note.note().alarm());

    answer_dialog([](QWidget* w) {
        auto* d = qobject_cast<ExpirationDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->period_button()->click();
        d->period_list()->setCurrentIndex(1);
        d->apply_button()->click();
    });
    note.menus()->run_command(note_menu::kSetExpiration);
    EXPECT_EQ(note.note().expiration(), "11032026-093015-1");
    EXPECT_EQ(note.alarm_icon()->pos(), QPoint(15, 4));

    // Cancel changes nothing.
    answer_dialog([](QWidget* w) {
        auto* d = qobject_cast<AlarmDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->off_button()->click();
        d->cancel_button()->click();
    });
    note.menus()->run_command(note_menu::kSetAlarm);
    EXPECT_EQ(note.note().alarm(), "10032026-184500-0-1");
}

TEST_F(ReminderCommands, ANoteThatExpiresWhileItsDialogIsOpenTakesNothingFromIt) {
    QPointer<NoteWindow> note = new NoteWindow(nullptr, 2, ts_.services);
    NoteRecord r = test::sample_note_record(2);
    r.Expiration = make_period_expiration(ExpiryMode::Hour, clock_);
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
    ASSERT_TRUE(note->create_from_record(r, false, false));

    answer_dialog([&](QWidget* w) {
        auto* d = qobject_cast<AlarmDialog*>(w);
        ASSERT_NE(d, nullptr);
        QPointer<AlarmDialog> open(d);
        d->on_button()->click();
        d->repeat_list()->setCurrentIndex(1);
        clock_.advance(3601);
        EXPECT_TRUE(note->reminder_tick());  // the note's timer, while the dialog is open
        if (open)
            open->apply_button()->click();
    });
    note->menus()->run_command(note_menu::kSetAlarm);
    EXPECT_TRUE(note.isNull() || (note->note().deleted() && note->note().alarm().empty()));
    NoteRecord stored;
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).read_record(2, stored));
    delete note.data();
}

}  // namespace
}  // namespace kd
