#include "dialogs/reminder_pickers.h"

#include <QDateEdit>
#include <QLocale>
#include <ctime>

#include "platform/clock.h"

namespace kd {

namespace {

// The short format of the locale with a two-digit year made four-digit.
QString short_date_format() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    return format;
}

}  // namespace

QDateEdit* make_short_date_picker(QWidget* parent) {
    auto* picker = new QDateEdit(parent);
    picker->setDisplayFormat(short_date_format());
    picker->setCalendarPopup(false);
    picker->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    return picker;
}

QIcon reminder_dialog_icon(NotePicture picture) {
    return QIcon(note_picture(picture, Qt::black).scaled(32, 32));
}

QDate clock_today(const Clock& clock) {
    const std::tm t = clock.local_now();
    return QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

QTime clock_time_of_day(const Clock& clock) {
    const std::tm t = clock.local_now();
    return QTime(t.tm_hour, t.tm_min, t.tm_sec);
}

QDate stamp_date(const NoteStamp& s) {
    return QDate(s.year, s.month, s.day);
}

QTime stamp_time(const NoteStamp& s) {
    return QTime(s.hour, s.minute, s.second);
}

NoteStamp stamp_of(const QDate& date, const QTime& time) {
    return NoteStamp{date.day(),  date.month(),  date.year(),
                     time.hour(), time.minute(), time.second()};
}

}  // namespace kd
