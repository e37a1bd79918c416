// Pictures of the tray menu's items: the desktop's icon theme by freedesktop names, with
// drawings of our own where the theme has none. The drawings are painted at the size asked
// for, so they stay sharp on screens scaled to 2x.
#pragma once

#include <QIcon>

namespace kd {

// The freedesktop icon name for a tray command ("" for none).
const char* tray_picture_name(int command_id);

// The picture for a tray command; a null icon for an id without one.
QIcon tray_picture(int command_id);

// A note's colours as a small picture for lists of notes: the title strip over the body.
QIcon note_colour_picture(const QColor& title, const QColor& body);

// Only our own drawing, without the theme (for looking at the drawings themselves).
QIcon drawn_tray_picture(int command_id);

}  // namespace kd
