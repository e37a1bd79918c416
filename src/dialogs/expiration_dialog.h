// The note's "Set expiration" dialog: never, after a period counted from "Apply", or at the
// end of a chosen day. Its result is the note's new expiration value.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QDateEdit;
class QPushButton;
class QRadioButton;

namespace kd {

class Clock;

class ExpirationDialog : public QDialog {
    Q_OBJECT
public:
    // `value` is the note's expiration value, `date_format` the DefaultDateFormat setting (for
    // the caption); "today" and the moment of "Apply" are by `clock`.
    ExpirationDialog(const std::string& value, const std::string& date_format, const Clock& clock,
                     QWidget* parent = nullptr);

    // The value "Apply" produced: "" for never.
    const std::string& value() const { return value_; }

    QRadioButton* never_button() const { return never_; }
    QRadioButton* period_button() const { return period_; }
    QComboBox* period_list() const { return periods_; }
    QRadioButton* end_of_day_button() const { return end_of_day_; }
    QDateEdit* date_picker() const { return date_; }
    QPushButton* apply_button() const { return apply_; }
    QPushButton* cancel_button() const { return cancel_; }

protected:
    // Focus on the period list or the date picker selects the choice it belongs to.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void take(const std::string& value);
    void apply();

    const Clock& clock_;
    std::string value_;
    QRadioButton* never_ = nullptr;
    QRadioButton* period_ = nullptr;
    QComboBox* periods_ = nullptr;
    QRadioButton* end_of_day_ = nullptr;
    QDateEdit* date_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kd
