#include "store/note_lists.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "store/received_spool.h"
#include "store/settings.h"
#include "store/value_text.h"

namespace kd {

using namespace lists;

namespace {

constexpr std::size_t kNumberCapacity = 10;

}  // namespace

std::vector<std::string> split_list(std::string_view list) {
    std::vector<std::string> out;
    for (;;) {
        auto end = list.find(kListSeparator);
        if (end == std::string_view::npos) {
            return out;
        }
        out.emplace_back(list.substr(0, end));
        list.remove_prefix(end + 1);
    }
}

std::vector<std::string> non_empty_entries(std::string_view list) {
    auto entries = split_list(list);
    std::erase_if(entries, [](const std::string& e) { return e.empty(); });
    return entries;
}

std::string network_mailbox_key(int slot) {
    return slot <= 0 ? std::string(kNoteDataKey) : kNoteDataKey + std::to_string(slot);
}

std::optional<int> network_mailbox_slot(std::string_view key) {
    const std::string_view base = kNoteDataKey;
    if (key.size() < base.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(key[i])) !=
            std::tolower(static_cast<unsigned char>(base[i]))) {
            return std::nullopt;
        }
    }
    const std::string_view digits = key.substr(base.size());
    if (digits.empty()) {
        return 0;
    }
    if (digits.size() > 8 || digits.front() == '0') {
        return std::nullopt;
    }
    int slot = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        slot = slot * 10 + (c - '0');
    }
    return slot <= kHighestMailboxSlot ? std::optional<int>(slot) : std::nullopt;
}

NoteLists::NoteLists(const NoteStore& store) : NoteLists(store.paths(), store.errors()) {}

NoteLists::NoteLists(const AppPaths& paths, const ErrorReporter& errors)
    : NoteLists(paths.IniPath, paths.NetListPath, errors) {}

NoteLists::NoteLists(std::string ini_path, std::string net_list_path, const ErrorReporter& errors)
    : ini_path_(std::move(ini_path)), net_list_path_(std::move(net_list_path)), errors_(&errors) {}

bool NoteLists::write_reported(std::string_view section, std::string_view key,
                               std::optional<std::string_view> value) const {
    if (ProfileFile::write(ini_path_, section, key, value)) {
        return true;
    }
    errors_->report(kListsWriteErrorText);
    return false;
}

std::string NoteLists::group_names() const {
    return ProfileFile::read(ini_path_, kRecipientsSection, kListNamesKey, kListCapacity);
}

std::string NoteLists::read_group(std::string_view name) const {
    return ProfileFile::read(ini_path_, kRecipientsSection, name, kListCapacity);
}

int NoteLists::count_group_members(std::string_view name) const {
    const std::string members = read_group(name);
    return static_cast<int>(std::count(members.begin(), members.end(), kListSeparator));
}

bool NoteLists::save_group(std::string_view name, std::vector<std::string>& members) const {
    std::string names = group_names();
    const auto entries = split_list(names);
    if (std::find(entries.begin(), entries.end(), name) == entries.end()) {
        names.append(name);
        names.push_back(kListSeparator);
    }
    if (!write_reported(kRecipientsSection, kListNamesKey, names)) {
        return false;
    }
    std::string value;
    for (const auto& m : members) {
        value += m;
    }
    members.clear();
    return write_reported(kRecipientsSection, name, value);
}

void NoteLists::delete_group(std::string_view name) const {
    if (!ProfileFile::delete_key(ini_path_, kRecipientsSection, name)) {
        errors_->report(kDeleteGroupErrorText);
    }
    // Whole entries only: removing "ab" must leave "cab" alone.
    std::string kept;
    for (const auto& entry : split_list(group_names())) {
        if (entry != name) {
            kept += entry;
            kept.push_back(kListSeparator);
        }
    }
    write_reported(kRecipientsSection, kListNamesKey, kept);
}

std::string NoteLists::read_network_list() const {
    return ProfileFile::read(net_list_path_, kNetworkListSection, kNetListKey, kListCapacity);
}

bool NoteLists::write_network_list(std::string_view list) const {
    return ProfileFile::write(net_list_path_, kNetworkListSection, kNetListKey, list);
}

std::string NoteLists::saved_theme_name(int key) const {
    return ProfileFile::read(ini_path_, kSavedThemesSection, std::to_string(key),
                             kThemeNameCapacity);
}

bool NoteLists::write_saved_theme_name(int key, std::string_view name) const {
    return write_reported(kSavedThemesSection, std::to_string(key), name);
}

bool NoteLists::delete_saved_theme_name(int key) const {
    if (ProfileFile::delete_key(ini_path_, kSavedThemesSection, std::to_string(key))) {
        return true;
    }
    errors_->report(kDeleteThemeNameErrorText);
    return false;
}

int NoteLists::next_saved_theme_number() const {
    int position = settings().number(Setting::LastSavedThemeNumber);
    // Anything outside the slots (a hand-edited file) starts over at the first slot rather
    // than writing a record outside the saved-theme range.
    if (position < 0 || position >= kSavedThemeSlots) {
        position = 0;
    }
    return kFirstSavedThemeNumber + position;
}

std::string NoteLists::read_network_mailbox(int slot) const {
    return ProfileFile::read(ini_path_, kNoteReceivedSection, network_mailbox_key(slot),
                             kMailboxCapacity);
}

bool NoteLists::write_network_mailbox(std::string_view message, int slot) const {
    return write_reported(kNoteReceivedSection, network_mailbox_key(slot), message);
}

bool NoteLists::clear_network_mailbox() const {
    if (!read_network_mailbox(1).empty()) {
        // One replace of the file drops every later slot at once.
        if (!ProfileFile::delete_section(ini_path_, kNoteReceivedSection)) {
            errors_->report(kListsWriteErrorText);
            return false;
        }
    }
    return write_network_mailbox("", 0);
}

std::vector<int> NoteLists::network_mailbox_slots() const {
    std::vector<int> slots = network_mailbox_keys();
    std::erase_if(slots, [this](int slot) { return read_network_mailbox(slot).empty(); });
    return slots;
}

std::vector<int> NoteLists::network_mailbox_keys() const {
    std::vector<int> slots;
    for (const std::string& key : ProfileFile::keys(ini_path_, kNoteReceivedSection)) {
        if (const auto slot = network_mailbox_slot(key)) {
            slots.push_back(*slot);
        }
    }
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    return slots;
}

std::string NoteLists::spool_taken_mark() const {
    return ProfileFile::read(ini_path_, spool::kTakenSection, spool::kTakenKey,
                             spool::kTakenCapacity);
}

void NoteLists::take_network_mailbox(int slot, StoreTransaction& tx) const {
    if (slot == 0) {
        tx.set(kNoteReceivedSection, kNoteDataKey, "");
    } else {
        tx.set(kNoteReceivedSection, network_mailbox_key(slot), std::nullopt);
    }
}

void NoteLists::take_email_mailbox(StoreTransaction& tx) const {
    tx.set(kEmailNoteReceivedSection, kEmailNoteDataKey, "");
}

std::string NoteLists::read_email_mailbox() const {
    return ProfileFile::read(ini_path_, kEmailNoteReceivedSection, kEmailNoteDataKey,
                             kMailboxCapacity);
}

bool NoteLists::write_email_mailbox(std::string_view message) const {
    return write_reported(kEmailNoteReceivedSection, kEmailNoteDataKey, message);
}

int NoteLists::exported_notes(const std::string& file) {
    return leading_int(ProfileFile::read(file, kMainSection, kExportedNotesKey, kNumberCapacity));
}

std::string NoteLists::read_export_index(const std::string& file, int key) {
    return ProfileFile::read(file, kMainSection, std::to_string(key), kExportIndexCapacity);
}

}  // namespace kd
