#include "dialogs/alarm_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "dialogs/reminder_pickers.h"
#include "reminders/alarm.h"
#include "reminders/reminder_texts.h"

namespace kd {

namespace rt = reminder_texts;

AlarmDialog::AlarmDialog(const std::string& value, const std::string& date_format,
                         const Clock& clock, QWidget* parent)
    : QDialog(parent), clock_(clock), value_(value) {
    setWindowTitle(QString::fromStdString(alarm_dialog_caption(value, date_format)));
    setWindowIcon(reminder_dialog_icon(NotePicture::Alarm));
    build();
    repeat_->setCurrentIndex(rt::kDefaultRepeatIndex);
    sound_->setCurrentIndex(rt::kDefaultSoundIndex);
    date_->setDate(clock_today(clock_));
    time_->setTime(clock_time_of_day(clock_));
    take(value);
}

void AlarmDialog::build() {
    auto* frame = new QGroupBox(this);
    off_ = new QRadioButton(rt::kAlarmOff, frame);
    on_ = new QRadioButton(rt::kAlarmOn, frame);
    auto* radios = new QVBoxLayout(frame);
    radios->addWidget(off_);
    radios->addWidget(on_);

    date_ = make_short_date_picker(this);
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat(rt::kAlarmTimeFormat);
    repeat_ = new QComboBox(this);
    for (const char* item : rt::kRepeatItems) {
        repeat_->addItem(item);
    }
    sound_ = new QComboBox(this);
    for (const char* item : rt::kSoundItems) {
        sound_->addItem(item);
    }
    auto* inputs = new QFormLayout;
    inputs->addRow(rt::kAlarmDateLabel, date_);
    inputs->addRow(rt::kAlarmTimeLabel, time_);
    inputs->addRow(rt::kAlarmRepeatLabel, repeat_);
    inputs->addRow(rt::kAlarmSoundLabel, sound_);

    apply_ = new QPushButton(rt::kApply, this);
    apply_->setDefault(true);
    cancel_ = new QPushButton(rt::kCancel, this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(inputs);
    layout->addLayout(buttons);

    off_->setToolTip(rt::kTipAlarmOff);
    on_->setToolTip(rt::kTipAlarmOn);
    date_->setToolTip(rt::kTipAlarmDate);
    time_->setToolTip(rt::kTipAlarmTime);
    sound_->setToolTip(rt::kTipAlarmSound);
    repeat_->setToolTip(rt::kTipAlarmRepeat);
    apply_->setToolTip(rt::kTipAlarmApply);
    cancel_->setToolTip(rt::kTipAlarmCancel);

    connect(off_, &QRadioButton::clicked, this, [this] { set_inputs_enabled(false); });
    connect(on_, &QRadioButton::clicked, this, [this] { set_inputs_enabled(true); });
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void AlarmDialog::set_inputs_enabled(bool on) {
    date_->setEnabled(on);
    time_->setEnabled(on);
    repeat_->setEnabled(on);
    sound_->setEnabled(on);
}

void AlarmDialog::take(const std::string& value) {
    // A value the note cannot read is shown as no alarm; "Apply" then writes a clean one.
    const auto alarm = parse_alarm(value);
    if (!alarm) {
        off_->setChecked(true);
        set_inputs_enabled(false);
        return;
    }
    on_->setChecked(true);
    set_inputs_enabled(true);
    sound_->setCurrentIndex(alarm->sound ? 1 : 0);
    repeat_->setCurrentIndex(static_cast<int>(alarm->repeat));
    date_->setDate(stamp_date(alarm->moment));
    time_->setTime(stamp_time(alarm->moment));
}

void AlarmDialog::apply() {
    if (off_->isChecked()) {
        value_.clear();
        accept();
        return;
    }
    if (!on_->isChecked()) {
        return;
    }
    NoteAlarm alarm;
    alarm.moment = stamp_of(date_->date(), QTime(time_->time().hour(), time_->time().minute()));
    alarm.repeat = static_cast<AlarmRepeat>(repeat_->currentIndex());
    alarm.sound = sound_->currentIndex() == 1;
    if (one_time_alarm_in_past(alarm, clock_)) {
        // No message: the time picker takes the focus for a later time.
        time_->setFocus(Qt::OtherFocusReason);
        return;
    }
    value_ = make_alarm_value(alarm);
    accept();
}

}  // namespace kd
