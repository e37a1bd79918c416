// The store object through which every read and write of the settings file goes: the settings
// of the main section (through settings()) and the note records. It holds no data besides the
// program's paths and the reporter of failed writes, which the application gives it once;
// modules get it through their constructors and may use it on any thread. Settings work on the
// paths' IniPath; record operations take an optional file name (empty means IniPath).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/note_record.h"
#include "store/settings.h"
#include "store/settings_writer.h"
#include "store/store_texts.h"

namespace kd {

class NoteStore {
public:
    // `paths` and `errors` must outlive the store; the paths' values are read at every call.
    NoteStore(const AppPaths& paths, const ErrorReporter& errors)
        : paths_(&paths), errors_(&errors) {}

    const AppPaths& paths() const { return *paths_; }
    const std::string& ini_path() const { return paths_->IniPath; }
    // Where the store's failed writes are reported, and those of writers of the same files.
    const ErrorReporter& errors() const { return *errors_; }

    // The settings of the main section (store/settings.h).
    Settings settings() const { return Settings(ini(), *errors_); }

    // From now on the settings file is written by a thread of its own (store/settings_writer.h):
    // a change is read back at once and reaches the disk a moment later, so no caller waits for
    // the disk. Failures of those writes are reported to errors(). The program does this once
    // at start; without it every change is on disk when the call returns.
    // `before_first_write`, when given, runs on the writer's thread right before it first
    // writes the file (a backup of the file as the start found it). With `held`, nothing is
    // written until release_writes(): the start shows the notes before it writes.
    void write_in_background(std::function<void()> before_first_write = {}, bool held = false);
    void release_writes() const;
    // Waits until the settings file on disk holds every change made so far, at most `limit`.
    // False when it does not (a write failed or the time ran out): the caller reports it.
    bool finish_writes(std::chrono::milliseconds limit) const;

    // ---- Note records ("NOTE_ID_<n>" sections).

    static std::string record_section(int number);
    static std::string record_section(std::string_view number);

    // Writes the 24 keys of record.NoteID as one change of the file. A NoteID of 0 or outside
    // 1 to 99999 writes nothing and returns true. On failure shows "Error writing Note
    // information to ini file." and returns false; nothing of the record is written then.
    bool write_record(const NoteRecord& record, const std::string& file = {}) const;

    // False (record untouched) when the section has no NoteID value.
    bool read_record(std::string_view number, NoteRecord& record,
                     const std::string& file = {}) const;
    bool read_record(int number, NoteRecord& record, const std::string& file = {}) const;

    // True when the section has a NoteID value.
    bool record_exists(int number, const std::string& file = {}) const;

    // Deletes the section from IniPath; "Error deleting note from ini file." on failure.
    bool delete_record(int number) const;

    // Deletes sections first + 1 to last of IniPath in increasing order; stops at the first
    // failure with "Error deleting old notes from ini file.". True when first >= last.
    bool delete_records_above(int first, int last) const;

    // Existing sections counted from 91001 upward until the first missing one.
    int count_saved_themes() const;

    // Border of the default look (record 90000), "" when missing.
    std::string default_border() const;

private:
    const std::string& ini() const { return paths_->IniPath; }

    const AppPaths* paths_;
    const ErrorReporter* errors_;
    std::unique_ptr<SettingsWriter> writer_;
};

// Many changes of the settings file (records written or deleted, main-section keys, list
// values) gathered and then written as one replace of the file: after a crash the file holds
// all of them or none. Use it wherever one event writes many keys.
class StoreTransaction {
public:
    // Changes of the store's settings file, reported where the store reports.
    explicit StoreTransaction(const NoteStore& store);
    // Changes of another file in the settings file's layout.
    StoreTransaction(std::string file, const ErrorReporter& errors);

    // The 24 keys of the record; a NoteID of 0 or outside 1 to 99999 adds nothing.
    void write_record(const NoteRecord& record);
    void delete_record(int number);
    // Records first + 1 to last.
    void delete_records_above(int first, int last);
    void set_number_of_notes(int count);
    // Settings (store/settings.h).
    void set_text(Setting s, std::string_view value);
    void set_number(NumberSetting s, int value);
    // Any key of any section (lists, mailboxes); nullopt removes the key.
    void set(std::string_view section, std::string_view key, std::optional<std::string_view> value);

    bool empty() const { return edit_.empty(); }
    const std::string& file() const { return file_; }

    // Writes everything as one replace and empties the transaction. On failure nothing of it
    // is written, `error_text` is reported (unless empty) and false returned; the changes stay
    // for another try.
    bool commit(std::string_view error_text = {});

private:
    std::string file_;
    const ErrorReporter* errors_;
    ProfileEdit edit_;
};

// One line of EditText in the file: line feeds become "|", carriage returns are dropped.
std::string body_to_stored(std::string_view body);
// The longest EditText that reads back whole (its read capacity less one).
inline constexpr std::size_t kLongestStoredBody = 10239;
// And back: every "|" becomes a line feed.
std::string body_from_stored(std::string_view stored);

// The note records a start restores: 1 to NumberOfNotes, as the program writes that count
// (one to four digits). A count that cannot be one (negative, not a number, longer, or missing
// or 0 while note records are stored) would restore none of them, and the first new note
// would then be written over record 1 unread; instead every note record present is restored,
// up to the highest one below the default look, and `repaired` is set.
struct NotesToRestore {
    int last = 0;              // records 1 to `last` are restored
    std::vector<int> numbers;  // the note records present among them, increasing
    int highest = 0;           // the highest note record present in the file, 0 for none
    bool repaired = false;     // the stored count was not used
    std::string stored;        // NumberOfNotes as stored (at most kStoredCountShown bytes)
};
inline constexpr std::size_t kStoredCountShown = 24;
NotesToRestore notes_to_restore(const NoteStore& store);

// Numbers of the note records present (sections "NOTE_ID_<n>" with a NoteID value, n from 1 to
// below the default look), increasing.
std::vector<int> stored_note_numbers(const NoteStore& store);

// Renumbering at start. Reads the records of `plan` in increasing order and calls
// open_note(record, new_number) with new numbers 1, 2, 3, ... The callback opens the note and
// returns the record to store under new_number, or nothing when the note is gone (for example
// its expiry deleted it): its new number stays taken and its section is removed. Every write
// goes into `tx`: the records under their new numbers, the old sections above the new count
// removed, and NumberOfNotes. Commit it once, so that a crash leaves either the old numbering
// or the new one and never a note in two sections; nothing is written before every record has
// been read.
struct RenumberResult {
    int count = 0;  // the note count to go on with
    int kept = 0;   // notes the callback kept
};
using OpenRestoredNote =
    std::function<std::optional<NoteRecord>(const NoteRecord& record, int new_number)>;
RenumberResult renumber_notes(const NoteStore& store, const NotesToRestore& plan,
                              const OpenRestoredNote& open_note, StoreTransaction& tx);
// The same for notes_to_restore(store).
RenumberResult renumber_notes(const NoteStore& store, const OpenRestoredNote& open_note,
                              StoreTransaction& tx);

}  // namespace kd
