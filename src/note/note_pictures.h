// Small pictures of the note's title strip, drawn in code in the title text colour so they
// follow every theme.
#pragma once

#include <QColor>
#include <QPixmap>

namespace kd {

enum class NotePicture {
    Close,     // close button
    RollDown,  // shown while rolled up
    Received,  // status markers
    Sent,
    SendFailed,
    Expiration,  // reminder icons
    Alarm,
    AlarmRinging,  // the alarm icon while the alarm rings
};

inline constexpr int kNoteIconSize = 11;
inline constexpr int kCloseButtonSize = 10;

// The picture in `ink` on a transparent background.
QPixmap note_picture(NotePicture which, const QColor& ink);

}  // namespace kd
