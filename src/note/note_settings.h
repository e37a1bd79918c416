// The settings the note window reads from and writes to the note store.
#pragma once

#include <string>

#include "store/note_record.h"
#include "store/store_texts.h"

namespace kd {
class NoteStore;
}

namespace kd::note_settings {

inline constexpr std::string_view kYes = store_texts::kYes;
inline constexpr std::string_view kNo = store_texts::kNo;
inline constexpr const char* kDateTitleWord = "Date";

bool show_task_bar(const NoteStore& store);      // only "Yes" gives a taskbar button
bool show_close_button(const NoteStore& store);  // only "No" hides it
bool ask_before_delete(const NoteStore& store);  // only "Yes" asks
bool disable_close_menu(
    const NoteStore& store);  // only "Yes" makes the close button delete at once

// DefaultTitle as stored.
std::string default_title(const NoteStore& store);
void set_default_title(const NoteStore& store, const std::string& value);
// DefaultDateFormat; an empty value is replaced by "DD.MM.YYYY", written and returned.
std::string date_format_or_default(const NoteStore& store);

}  // namespace kd::note_settings
