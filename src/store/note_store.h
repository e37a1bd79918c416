// The store object through which every read and write of the settings file goes: the keys of
// the main section and the note records. It holds no data besides the program's paths and the
// reporter of failed writes, which the application gives it once; modules get it through their
// constructors and may use it on any thread. Settings work on the paths' IniPath; record operations
// take an optional file name (empty means IniPath).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/note_record.h"
#include "store/store_texts.h"

namespace kd {

// Read capacities (longest value read back + 1) of the main section's keys.
namespace settings_capacity {
inline constexpr std::size_t kNumberOfNotes = 5;
inline constexpr std::size_t kDefaultTitle = 1024;
inline constexpr std::size_t kDefaultDateFormat = 15;
inline constexpr std::size_t kDefaultSize = 7;
inline constexpr std::size_t kShort = 10;  // most flags and numbers: 9 characters
inline constexpr std::size_t kLong = 15;   // the other flags and words: 14 characters
inline constexpr std::size_t kSentFrom = 50;
inline constexpr std::size_t kPassword = 30;
inline constexpr std::size_t kNmbOfProgramStarts = 5;
}  // namespace settings_capacity

// The stored password of the Show-all lock: scramble() is what the set stores for a flag,
// unscramble() what the get makes of a stored value (already cut to its read capacity).
std::string scramble_password(std::string_view flag, std::string_view password);
std::string unscramble_password(std::string_view stored);

// What a stored flag or word means when it may be missing or hold any other text.
namespace setting_rules {
inline bool shows_scroll_bar(std::string_view v) {
    return v != store_texts::kNo;
}
inline bool shows_task_bar(std::string_view v) {
    return v == store_texts::kYes;
}
inline bool shows_close_button(std::string_view v) {
    return v != store_texts::kNo;
}
inline bool deletes_after_send(std::string_view v) {
    return v == store_texts::kAfterSendDeleteNote;
}
inline bool registers_hotkey(std::string_view v) {
    return v.empty() || v == store_texts::kNo;
}
inline bool asks_before_delete(std::string_view v) {
    return v == store_texts::kYes;
}
inline bool disables_close_menu(std::string_view v) {
    return v == store_texts::kYes;
}
inline bool shows_send_errors(std::string_view v) {
    return v != store_texts::kNo;
}
inline bool asks_when_reply(std::string_view v) {
    return v != store_texts::kNo;
}
inline bool needs_ini_update(std::string_view v) {
    return v != store_texts::kIniUpdateDone;
}
inline bool picture_is_bmp(std::string_view v) {
    return v == store_texts::kPictureBmp;
}
inline bool includes_picture(std::string_view v) {
    return v != store_texts::kNo;
}
inline bool random_themes(std::string_view v) {
    return v == store_texts::kYes;
}
// The arrival sound plays for "Yes" and for a missing value; the settings page shows anything
// but "Yes" as "No".
inline bool plays_sound(std::string_view v) {
    return v.empty() || v == store_texts::kYes;
}
inline bool theme_changes_colors_only(std::string_view v) {
    return v == store_texts::kChangeThemeColors;
}
inline bool show_all_locked(std::string_view v) {
    return v == store_texts::kYes;
}
}  // namespace setting_rules

class NoteStore {
public:
    // `paths` and `errors` must outlive the store; the paths' values are read at every call.
    NoteStore(const AppPaths& paths, const ErrorReporter& errors)
        : paths_(&paths), errors_(&errors) {}

    const AppPaths& paths() const { return *paths_; }
    const std::string& ini_path() const { return paths_->IniPath; }
    // Where the store's failed writes are reported, and those of writers of the same files.
    const ErrorReporter& errors() const { return *errors_; }

    // ---- Main section. Sets report a failed write as "Error writing to ini file." unless
    // noted otherwise.

    int get_number_of_notes() const;
    // Returns false (after the message) when the write failed.
    bool set_number_of_notes(int count) const;

    std::string get_default_title() const;
    void set_default_title(std::string_view v) const;

    // A missing format is written as "DD.MM.YYYY" and that is returned.
    std::string get_default_date_format() const;
    void set_default_date_format(std::string_view v) const;

    int get_default_width() const;
    int get_default_height() const;
    // Writes DefaultWidth, then DefaultHeight; only a failure of the second is reported.
    void set_default_size(std::string_view width, std::string_view height) const;

    std::string get_read_network_on_start() const;
    void set_read_network_on_start(std::string_view v) const;

    // No message: the caller decides what a failure means.
    bool set_version(std::string_view v) const;

    std::string get_show_scroll_bar() const;
    void set_show_scroll_bar(std::string_view v) const;
    std::string get_show_task_bar() const;
    void set_show_task_bar(std::string_view v) const;
    std::string get_show_close_button() const;
    void set_show_close_button(std::string_view v) const;
    std::string get_after_send() const;
    void set_after_send(std::string_view v) const;
    std::string get_sent_from() const;
    void set_sent_from(std::string_view v) const;
    std::string get_read_network_interval() const;
    void set_read_network_interval(std::string_view v) const;
    std::string get_disable_hotkey() const;
    void set_disable_hotkey(std::string_view v) const;
    std::string get_ask_before_delete() const;
    void set_ask_before_delete(std::string_view v) const;
    std::string get_disable_close_menu() const;
    void set_disable_close_menu(std::string_view v) const;
    std::string get_show_send_error_message() const;
    void set_show_send_error_message(std::string_view v) const;
    std::string get_ask_when_reply() const;
    void set_ask_when_reply(std::string_view v) const;
    std::string get_ini_update() const;
    void set_ini_update(std::string_view v) const;
    std::string get_check_email_interval() const;
    void set_check_email_interval(std::string_view v) const;
    std::string get_default_picture_format() const;
    void set_default_picture_format(std::string_view v) const;
    std::string get_check_email_on_start() const;
    void set_check_email_on_start(std::string_view v) const;
    std::string get_include_picture_attachment() const;
    void set_include_picture_attachment(std::string_view v) const;
    std::string get_random_themes() const;
    void set_random_themes(std::string_view v) const;
    std::string get_play_sound() const;
    void set_play_sound(std::string_view v) const;
    std::string get_on_change_theme() const;
    void set_on_change_theme(std::string_view v) const;

    // The stored text, as typed on the network page.
    std::string get_communication_port_text() const;
    // The port to use: 2000 when nothing is stored, else the stored number.
    int get_communication_port() const;
    void set_communication_port(std::string_view v) const;

    std::string get_show_all_password_yes_no() const;
    // The password as typed (unscrambled).
    std::string get_show_all_notes_password() const;
    // Writes the flag, then the password (scrambled when the flag is "Yes"); only a failure
    // of the second is reported.
    void set_show_all_password(std::string_view flag, std::string_view password) const;

    // "0" when nothing is stored.
    std::string get_last_saved_theme_number() const;
    void set_last_saved_theme_number(int number) const;

    std::string get_nmb_of_program_starts() const;
    void set_nmb_of_program_starts(std::string_view v) const;

    std::string get_no_tray_notice_shown() const;
    void set_no_tray_notice_shown(std::string_view v) const;

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
    std::string get(std::string_view key, std::size_t capacity) const;
    bool put(std::string_view key, std::string_view value) const;
    void put_reported(std::string_view key, std::string_view value) const;

    const AppPaths* paths_;
    const ErrorReporter* errors_;
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
