// Theme numbers, the menu items that choose them, the look a theme record carries, and the
// random pick for new notes: rules without windows.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

#include "store/note_record.h"

namespace kd {

class Note;

inline constexpr int kFirstSavedTheme = 91001;  // saved theme k + 1 is 91001 + k
inline constexpr int kMaxSavedThemes = 20;
inline constexpr int kFirstTemporaryTheme = 92001;  // only while the saved order is stored

// The theme a Theme submenu item applies: the default, a built-in or a saved theme; nothing
// for other items.
std::optional<int> theme_number_for_item(int item_id);
// The menu item of saved theme `position` (0 for 91001).
int saved_theme_item(int position);

// Saved themes as the store counts them, never more than the twenty slots.
int bounded_saved_count(int counted);

// The look-carrying fields of `look` as the record of theme `number`: text, title text,
// expiration and alarm empty, no place or size, neither rolled up nor hidden.
NoteRecord theme_record(const NoteRecord& look, int number);

// The note takes the theme: the body its whole look, the title its colours and, unless
// `colours_only`, its font and alignment, the border its flag. With `colours_only` the body
// shows the new background alone until its look is applied again.
void apply_theme_look(Note& note, const NoteRecord& theme, bool colours_only);

// The first value of the C runtime's generator (0 to 32767) after seeding it with `seed`.
// Written out here so a pick is the same on every system and does not share the process's
// rand() state.
int runtime_first_draw(std::uint32_t seed);
// Draw r modulo (saved + 12): 1..11 a built-in theme, 12.. a saved theme, 0 the default.
int random_theme_number(int draw, int saved_count);
// The pick for a note made at `now` (seconds) with `saved_count` saved themes.
int random_theme_at(std::time_t now, int saved_count);

}  // namespace kd
