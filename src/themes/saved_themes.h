// The user's saved themes in the store (records 91001 to 91020 with their names in
// SAVED_THEMES), and the list the organise-themes dialog works on: rename, move, sort, delete,
// and storing the list's order when it closes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/note_record.h"

namespace kd {

class NoteStore;

namespace saved_theme_texts {
inline constexpr const char* kErrorReadingTheme = "Error reading theme";
}

// Writes `look` as the next saved theme (LastSavedThemeNumber, 20 read as 0) under `name`,
// and moves LastSavedThemeNumber on; one change of the file. Returns the theme's number, or 0
// when the write failed (reported as "Error writing to ini file.").
int save_theme_as(const NoteStore& store, const NoteRecord& look, std::string_view name);

// Names of saved themes 91001 upward, as the store counts them; an empty name stays empty.
std::vector<std::string> saved_theme_names(const NoteStore& store);

// One row of the organise-themes list.
struct ThemeRow {
    std::string name;
    int number = 0;
    int inserted = 0;  // position at which the row was first put in the list
};

// The saved themes as the dialog lists them; a missing name reads "Error reading theme".
std::vector<ThemeRow> read_theme_rows(const NoteStore& store);

// An edited name: leading blanks removed; a rest that is empty keeps the row's old name.
// Returns whether the name changed.
bool rename_theme_row(ThemeRow& row, std::string_view edited);

// Swaps the name and number of row `index` with the row above (below); false at the edge.
bool move_theme_row_up(std::vector<ThemeRow>& rows, int index);
bool move_theme_row_down(std::vector<ThemeRow>& rows, int index);

// Shared by every opening of the dialog while the program runs.
struct ThemeSortState {
    int sort_column = 0;  // 0 name, 1 number
    int last_column = 0;  // column of the last comparison
    bool ascending = true;
};
inline constexpr int kThemeNameColumn = 0;
inline constexpr int kThemeNumberColumn = 1;

// One press of "Sort" (or a header click, which first makes `column` the sort column):
// pressing again on the same column turns the order round, so the first press sorts
// descending. Texts compare by the locale, case-sensitively.
void sort_theme_rows(std::vector<ThemeRow>& rows, ThemeSortState& state);
void sort_theme_rows_by(std::vector<ThemeRow>& rows, ThemeSortState& state, int column);

// Removes the records and names of `numbers` at once, in one change of the file; a failure
// shows "Error deleting note from ini file.".
bool delete_saved_themes(const NoteStore& store, const std::vector<int>& numbers);

// Renumbers the saved themes from 91001 in the order of `rows`, with the rows' names, and sets
// LastSavedThemeNumber to how many there are; all in one change of the file. A row whose record
// cannot be read is left out and the ones after it close up. Returns the number stored, or -1
// when the write failed (reported as "Error writing to ini file.").
int store_theme_order(const NoteStore& store, const std::vector<ThemeRow>& rows);

}  // namespace kd
