// A note record with every field set to a value of its own, for round trips through files.
#pragma once

#include <string>

#include "store/note_record.h"

namespace kd::test {

inline NoteRecord full_record(int id, const std::string& title) {
    NoteRecord r;
    r.EditTextColor = 0x00112233;
    r.EditBackColor = 0x00A0FFFF;
    r.EditFont = "DejaVu Sans";
    r.EditFontType = "BI";
    r.EditText = "{\\rtf1 line one\\par\nline two}";
    r.EditFontSize = 10;
    r.EditCharSet = 238;
    r.TitleTextColor = 0x00FFFFFF;
    r.TitleBackColor = 0x00808000;
    r.TitleFont = "Liberation Serif";
    r.TitleFontType = "UC";
    r.TitleText = title;
    r.TitleFontSize = 9;
    r.TitleCharSet = 0;
    r.NoteID = id;
    r.Top = 120;
    r.Left = -120;
    r.Height = 180;
    r.Width = 240;
    r.Minimized = "No";
    r.Border = "Yes";
    r.Hidden = "No";
    r.Expiration = "08122026-101500";
    r.Alarm = "09122026-080000~Once";
    return r;
}

}  // namespace kd::test
