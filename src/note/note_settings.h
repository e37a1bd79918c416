// What the note window reads from and writes to the note store, in one place.
#pragma once

#include <string>

#include "store/note_record.h"
#include "store/store_texts.h"

namespace kd::note_settings {

inline constexpr std::string_view kYes = store_texts::kYes;
inline constexpr std::string_view kNo = store_texts::kNo;
inline constexpr const char* kDateTitleWord = "Date";

bool show_task_bar();       // only "Yes" gives a taskbar button
bool show_close_button();   // only "No" hides it
bool ask_before_delete();   // only "Yes" asks
bool disable_close_menu();  // only "Yes" makes the close button delete at once

// DefaultTitle as stored.
std::string default_title();
void set_default_title(const std::string& value);
// DefaultDateFormat; an empty value is replaced by "DD.MM.YYYY", written and returned.
std::string date_format_or_default();

// The default look (record 90000); writes the built-in themes first when it is missing.
NoteRecord default_theme();

bool write_note(const NoteRecord& record, const std::string& file);
bool delete_note(int number);

}  // namespace kd::note_settings
