// Printing a note: the title on top of the first page, the body below it flowing over as
// many pages as it needs.
#pragma once

#include <QFont>

class QPrinter;

namespace kd {

class NoteView;
struct TextLook;

// The title font at `dots_per_inch`: the title face and size, bold, italic, underline and
// strike-out from the style letters.
QFont print_title_font(const TextLook& look, int dots_per_inch);

// Prints on `printer` as set up; failures pass unreported. Gives the number of pages.
int print_note(const NoteView& view, QPrinter& printer);

}  // namespace kd
