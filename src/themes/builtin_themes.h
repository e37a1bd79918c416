// The default look of new notes (record 90000) and the eleven built-in themes (90001 to
// 90011), as they are written into the note store.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "store/note_record.h"

namespace kd {

class NoteStore;

inline constexpr int kDefaultThemeNumber = 90000;
inline constexpr int kFirstBuiltinTheme = 90001;
inline constexpr int kLastBuiltinTheme = 90011;

struct BuiltinTheme {
    int number;
    const char* name;
    ColorRef body_back;
    ColorRef title_back;
    ColorRef text;  // body and title text
};

// The twelve records in table order (90000, 90001, ..., 90011).
const std::array<BuiltinTheme, 12>& builtin_themes();

// The full record of one built-in theme; `char_set` is the screen's text character set.
NoteRecord builtin_theme_record(const BuiltinTheme& theme, std::uint8_t char_set = 0);

// The numbers in the order write_builtin_themes writes them.
std::vector<int> builtin_theme_write_order();

// Writes the twelve records into the store's settings file, overwriting a saved default theme.
// Returns false when any record could not be written (the store has reported it).
bool write_builtin_themes(const NoteStore& store);

// The default look of new notes (record 90000); writes the built-in themes first when it is
// missing, and gives the built-in default when the file cannot be written.
NoteRecord default_theme(const NoteStore& store);

}  // namespace kd
