#include "note/text_look.h"

namespace kd {

TextLook title_look_of(const NoteRecord& r) {
    return {r.TitleTextColor, r.TitleBackColor, r.TitleFont,
            r.TitleFontType,  r.TitleFontSize,  r.TitleCharSet};
}

TextLook body_look_of(const NoteRecord& r) {
    return {r.EditTextColor, r.EditBackColor, r.EditFont,
            r.EditFontType,  r.EditFontSize,  r.EditCharSet};
}

void put_title_look(NoteRecord& r, const TextLook& look) {
    r.TitleTextColor = look.text_colour;
    r.TitleBackColor = look.back_colour;
    r.TitleFont = look.face;
    r.TitleFontType = look.style;
    r.TitleFontSize = look.size;
    r.TitleCharSet = look.char_set;
}

void put_body_look(NoteRecord& r, const TextLook& look) {
    r.EditTextColor = look.text_colour;
    r.EditBackColor = look.back_colour;
    r.EditFont = look.face;
    r.EditFontType = look.style;
    r.EditFontSize = look.size;
    r.EditCharSet = look.char_set;
}

}  // namespace kd
