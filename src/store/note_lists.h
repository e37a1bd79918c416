// The list-valued entries of the settings file (recipient groups, saved-theme names), the
// network list of Korvadesk.net, the mailboxes of received notes and the index keys of export
// files. A list is one value whose entries each end with "~".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "store/settings.h"

namespace kd {

class ErrorReporter;
class NoteStore;
class StoreTransaction;

// File layout of the lists; in their own namespace so they cannot clash with the settings keys.
namespace lists {

inline constexpr char kListSeparator = '~';
inline constexpr std::size_t kListCapacity = 10240;
inline constexpr std::size_t kThemeNameCapacity = 260;
inline constexpr std::size_t kExportIndexCapacity = 260;

inline constexpr const char* kMainSection = "KORVADESK";
inline constexpr const char* kRecipientsSection = "RECIPIENTS_LIST";
inline constexpr const char* kListNamesKey = "ListNames";
inline constexpr const char* kNetworkListSection = "NETWORK_LIST";
inline constexpr const char* kNetListKey = "NetList";
inline constexpr const char* kSavedThemesSection = "SAVED_THEMES";
inline constexpr const char* kNoteReceivedSection = "NOTE_RECEIVED";
inline constexpr const char* kNoteDataKey = "NoteData";
inline constexpr const char* kEmailNoteReceivedSection = "EMAIL_NOTE_RECEIVED";
inline constexpr const char* kEmailNoteDataKey = "EmailNoteData";
inline constexpr const char* kExportedNotesKey = "ExportedNotes";

inline constexpr const char* kListsWriteErrorText = "Error writing to ini file.";
inline constexpr const char* kDeleteGroupErrorText = "Error deleting Recipient List.";
inline constexpr const char* kDeleteThemeNameErrorText = "Error deleting note from ini file.";

inline constexpr int kFirstSavedThemeNumber = 91001;
inline constexpr int kSavedThemeSlots = 20;
// A received message is at most 10240 bytes on the wire; read as Windows-1252 and stored as
// UTF-8 it may grow to three times that, and it must come back whole with its final "~".
inline constexpr std::size_t kMailboxCapacity = 3 * 10240 + 1;

}  // namespace lists

// Entries of a list in order; a trailing piece without its "~" (a cut list) is left out.
std::vector<std::string> split_list(std::string_view list);
// Entries that are not empty.
std::vector<std::string> non_empty_entries(std::string_view list);

// Stateless like the rest of the store: it only remembers which files it works on and where it
// reports failed writes (unless an operation says otherwise).
class NoteLists {
public:
    // The store's files as they are now, reported where the store reports.
    explicit NoteLists(const NoteStore& store);
    // The IniPath and NetListPath as they are now.
    NoteLists(const AppPaths& paths, const ErrorReporter& errors);
    NoteLists(std::string ini_path, std::string net_list_path, const ErrorReporter& errors);

    const std::string& ini_path() const { return ini_path_; }
    const ErrorReporter& errors() const { return *errors_; }
    // The settings of the lists' file.
    Settings settings() const { return Settings(ini_path_, *errors_); }

    // Recipient groups.
    std::string group_names() const;
    std::string read_group(std::string_view name) const;
    int count_group_members(std::string_view name) const;
    // `members` holds entries each already ending with "~"; it is emptied.
    bool save_group(std::string_view name, std::vector<std::string>& members) const;
    void delete_group(std::string_view name) const;

    // Network neighbourhood in Korvadesk.net; a failed write is not reported.
    std::string read_network_list() const;
    bool write_network_list(std::string_view list) const;

    // Saved themes.
    std::string saved_theme_name(int key) const;
    bool write_saved_theme_name(int key, std::string_view name) const;
    bool delete_saved_theme_name(int key) const;
    // Record number for the next saved theme: 91001 + `LastSavedThemeNumber`, 20 read as 0.
    int next_saved_theme_number() const;

    // Network mailbox. Slot 0 is "NoteData", the one-message mailbox; later slots
    // ("NoteData1", "NoteData2", ...) hold notes that arrived while it was still full.
    std::string read_network_mailbox(int slot = 0) const;
    bool write_network_mailbox(std::string_view message, int slot = 0) const;
    // Empties "NoteData" and removes every later slot.
    bool clear_network_mailbox() const;
    // Slots that hold something, in increasing order (arrival order).
    std::vector<int> network_mailbox_slots() const;
    // Slots that have a key, empty or not, in increasing order: one look at the section, for
    // readers that take only the first few of a long queue.
    std::vector<int> network_mailbox_keys() const;
    // The received spool's taken mark (store/received_spool.h), "" when none is kept.
    std::string spool_taken_mark() const;
    // Adds the emptying of one slot to a transaction ("NoteData" stays as an empty key).
    void take_network_mailbox(int slot, StoreTransaction& tx) const;
    void take_email_mailbox(StoreTransaction& tx) const;

    // E-mail mailbox.
    std::string read_email_mailbox() const;
    bool write_email_mailbox(std::string_view message) const;

    // Export files.
    static int exported_notes(const std::string& file);
    static std::string read_export_index(const std::string& file, int key);

private:
    bool write_reported(std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) const;

    std::string ini_path_;
    std::string net_list_path_;
    const ErrorReporter* errors_;
};

// Key of a network-mailbox slot.
std::string network_mailbox_key(int slot);
// Slot of a key ("NoteData" 0, "NoteData7" 7, any case); nothing for other keys and for
// numbers beyond kHighestMailboxSlot.
std::optional<int> network_mailbox_slot(std::string_view key);
inline constexpr int kHighestMailboxSlot = 99999999;

}  // namespace kd
