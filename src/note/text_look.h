// The look of a run of note text: the title strip's or the body's default. A record keeps one
// of each in its Title* and Edit* keys; themes, windows and rules pass it whole.
#pragma once

#include <cstdint>
#include <string>

#include "store/note_record.h"

namespace kd {

struct TextLook {
    ColorRef text_colour = 0;
    ColorRef back_colour = 0;
    std::string face;
    std::string style;  // style letters B, I, U, S; the title's also one of L, C, R
    int size = 8;       // points
    std::uint8_t char_set = 0;

    bool operator==(const TextLook&) const = default;
};

// The looks a record keeps, and back into it; the record's other keys stay as they are.
TextLook title_look_of(const NoteRecord& record);
TextLook body_look_of(const NoteRecord& record);
void put_title_look(NoteRecord& record, const TextLook& look);
void put_body_look(NoteRecord& record, const TextLook& look);

}  // namespace kd
