// The note's "Set alarm" dialog: off, or a date, a time (hours and minutes), a repeat period
// and a sound flag. Its result is the note's new alarm value.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QDateEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace kd {

class Clock;

class AlarmDialog : public QDialog {
    Q_OBJECT
public:
    // `value` is the note's alarm value, `date_format` the DefaultDateFormat setting (for the
    // caption); "today" and "in the past" are by `clock`.
    AlarmDialog(const std::string& value, const std::string& date_format, const Clock& clock,
                QWidget* parent = nullptr);

    // The value "Apply" produced: "" for no alarm.
    const std::string& value() const { return value_; }

    QRadioButton* off_button() const { return off_; }
    QRadioButton* on_button() const { return on_; }
    QDateEdit* date_picker() const { return date_; }
    QTimeEdit* time_picker() const { return time_; }
    QComboBox* repeat_list() const { return repeat_; }
    QComboBox* sound_list() const { return sound_; }
    QPushButton* apply_button() const { return apply_; }
    QPushButton* cancel_button() const { return cancel_; }

private:
    void build();
    void set_inputs_enabled(bool on);
    void take(const std::string& value);
    void apply();

    const Clock& clock_;
    std::string value_;
    QRadioButton* off_ = nullptr;
    QRadioButton* on_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QComboBox* repeat_ = nullptr;
    QComboBox* sound_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kd
