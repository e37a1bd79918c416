// Export files (".kvd"): notes in the settings file's layout. The [KORVADESK] section holds
// "ExportedNotes" and one index entry per note under 10001, 10002, ... ("title~DDMMYYYYHHMMSS~
// Export"); note k is the record section NOTE_ID_<10000+k>. Windowless: the commands and the
// note-list dialog build on it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "store/note_record.h"

namespace kd {

class ErrorReporter;
class NoteStore;

namespace export_texts {
inline constexpr const char* kExtension = "kvd";
inline constexpr const char* kFilter = "Korvadesk Note File (*.kvd)|*.kvd|";
inline constexpr const char* kIndexWord = "Export";
inline constexpr const char* kStampPattern = "%02d%02d%04d%02d%02d%02d";
inline constexpr const char* kWrongExportExtension = "Please write file name without extension.";
inline constexpr const char* kWrongImportExtension =
    "Only exported Korvadesk files with *.kvd extension can be imported.";
inline constexpr const char* kReplaceOrAppend =
    "Selected file \"%s\" already exist.\nClick \"Yes\" to Replace and overwrite existing file "
    "or \"No\" to Append file.";
inline constexpr const char* kCanNotReplace = "Can not delete and replace existing file.";
inline constexpr const char* kWriteError = "Error writing to ini file.";
}  // namespace export_texts

inline constexpr int kFirstExportNumber = 10001;
// Record numbers end at 99999, so a file holds at most this many notes.
inline constexpr int kMaxExportedNotes = 99999 - (kFirstExportNumber - 1);
// An index entry reads back with at most this many bytes.
inline constexpr std::size_t kLongestIndexEntry = 259;

// The moment of export as 14 digits DDMMYYYYHHMMSS.
std::string export_stamp(const std::tm& local);

// "title~stamp~Export". A title too long for the entry to read back whole is cut (at a
// character boundary), so the date and time stay readable.
std::string export_index_entry(std::string_view title, std::string_view stamp);

// A text value as written to an export file: Windows-1252 when every character fits (copies
// on Windows read that), else UTF-8. Text whose Windows-1252 bytes would read as other UTF-8
// text stays UTF-8, so that everything reads back as it was written.
std::string export_text(std::string_view utf8);
// The record with every text value as export_text makes it.
NoteRecord record_for_export_file(NoteRecord record);

// Appends the record as the next note of the file (created when missing): ExportedNotes
// raised, the index entry with `now`, the record under its new number, all in one write.
// Returns the new number, or 0 after "Error writing to ini file." has been reported to
// `errors`.
int append_to_export_file(NoteRecord record, const std::string& file, const std::tm& now,
                          const ErrorReporter& errors);

// ExportedNotes of the file, 0 when missing, within 0 .. kMaxExportedNotes.
int exported_note_count(const std::string& file);

// One index entry of a file and the record number it stands for.
struct ExportIndexRow {
    int number = 0;
    std::string entry;
};
// The non-empty index entries 10001 .. 10000 + ExportedNotes in order.
std::vector<ExportIndexRow> read_export_rows(const std::string& file);

// False (record untouched) when the file has no such note.
bool read_exported_record(const NoteStore& store, const std::string& file, int number,
                          NoteRecord& record);

// An index entry taken apart. The number and marks come from the last pieces, so a "~" in a
// title stays in the title.
struct ExportEntry {
    std::string title;
    std::string stamp;
};
ExportEntry parse_export_entry(std::string_view entry);
// The stamp's date arranged by a DefaultDateFormat value; "" for any other value.
std::string export_date_cell(std::string_view stamp, std::string_view date_format);
// "HH:MM:SS" from the stamp.
std::string export_time_cell(std::string_view stamp);

// The rows of the export and delete lists: "title~n~Yes~" (or "No") for every stored note 1 to
// `count` whose record can be read.
std::vector<std::string> stored_note_rows(const NoteStore& store, int count);
struct NoteRowParts {
    std::string title;
    std::string number;
    std::string hidden;
};
NoteRowParts parse_note_row(std::string_view row);

// The question for an existing export file (its name without the folder).
std::string replace_or_append_question(const std::string& path);

}  // namespace kd
