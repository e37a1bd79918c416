// The date picker and window icon the reminder dialogs share, and the conversions between picker
// values and the calendar fields of a NoteStamp.
#pragma once

#include <QDate>
#include <QIcon>
#include <QTime>

#include "note/note_pictures.h"
#include "reminders/note_stamp.h"

class QDateEdit;
class QWidget;

namespace kd {

class Clock;

// A date picker in the short date format with up and down buttons (always with a four-digit
// year, so that no century is guessed).
QDateEdit* make_short_date_picker(QWidget* parent);

// A dialog's window icon: the note's picture (bell or hourglass), drawn larger.
QIcon reminder_dialog_icon(NotePicture picture);

// Today and now by the clock, in local time.
QDate clock_today(const Clock& clock);
QTime clock_time_of_day(const Clock& clock);

QDate stamp_date(const NoteStamp& s);
QTime stamp_time(const NoteStamp& s);
NoteStamp stamp_of(const QDate& date, const QTime& time);

}  // namespace kd
