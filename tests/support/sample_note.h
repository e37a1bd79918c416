// A plain restored note for window tests: the green built-in look, a title, and a fixed,
// unrolled, visible, borderless 240x180 rectangle at 300,200.
#pragma once

#include <string>

#include "store/note_record.h"
#include "themes/builtin_themes.h"

namespace kd::test {

inline NoteRecord sample_note_record(int number, const std::string& title = "Shopping") {
    NoteRecord r = builtin_theme_record(builtin_themes()[3]);  // Green
    r.NoteID = number;
    r.TitleText = title;
    r.TitleFontType = "";
    r.Left = 300;
    r.Top = 200;
    r.Width = 240;
    r.Height = 180;
    r.Minimized = "No";
    r.Border = "No";
    r.Hidden = "No";
    return r;
}

// A visible, borderless note in Tahoma, 240x180 at 100,100, titled "Shopping": the note the
// sending tests send.
inline NoteRecord tahoma_note_record(int number, const std::string& body_rtf) {
    NoteRecord r;
    r.NoteID = number;
    r.EditText = body_rtf;
    r.EditFont = "Tahoma";
    r.EditFontSize = 10;
    r.TitleText = "Shopping";
    r.TitleFont = "Tahoma";
    r.TitleFontSize = 8;
    r.Left = 100;
    r.Top = 100;
    r.Width = 240;
    r.Height = 180;
    r.Minimized = "No";
    r.Hidden = "No";
    r.Border = "No";
    return r;
}

}  // namespace kd::test
