// What the note window reads from and writes to the note store, in one place.
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

// The default look (record 90000); writes the built-in themes first when it is missing.
NoteRecord default_theme(const NoteStore& store);

bool write_note(const NoteStore& store, const NoteRecord& record, const std::string& file);
bool delete_note(const NoteStore& store, int number);

}  // namespace kd::note_settings
