// The temporary picture of a note, for "Save note as picture" and for note e-mails: the note
// window as it is drawn, written as "Note.bmp", for JPEG also as "Note24.bmp" and "Note.jpg",
// and for PNG also as "Note.png", into a folder the caller gives: a fresh one of the program's
// own (PrivateTempFolder), since fixed names in a shared or downloads folder could be planted.
#pragma once

#include <string>

class QWidget;

namespace kd {

class MessageBoxes;
class NoteView;

// `format` is "bmp", "jpg" or "png"; the files go into `folder`. False when the picture could not
// be captured, converted or written, or `folder` is "".
bool make_note_picture(NoteView& note, const std::string& format, const std::string& folder);

// Removes the temporary pictures from `folder`; those that stay are reported in a box.
void delete_note_pictures(MessageBoxes& boxes, QWidget* parent, const std::string& folder);

}  // namespace kd
