#include "store/note_store.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/value_text.h"

namespace kd {

namespace t = store_texts;

namespace {

// Read capacities of the record keys (longest read + 1). Positions and sizes get room for a
// sign and five digits, so that a note far left of a second screen (-1200) comes back whole.
namespace record_capacity {
constexpr std::size_t kNoteID = 6;
constexpr std::size_t kColor = 10;
constexpr std::size_t kFont = 255;
constexpr std::size_t kFontType = 10;
constexpr std::size_t kEditText = 10240;
constexpr std::size_t kFontSize = 5;
constexpr std::size_t kCharSet = 5;
constexpr std::size_t kTitleText = 4096;
constexpr std::size_t kGeometry = 7;
constexpr std::size_t kFlag = 5;
constexpr std::size_t kStamp = 30;
}  // namespace record_capacity

}  // namespace

// ---- Note records

std::string body_to_stored(std::string_view body) {
    std::string out;
    out.reserve(body.size());
    for (char c : body) {
        if (c == '\n') {
            out.push_back('|');
        } else if (c != '\r') {
            out.push_back(c);
        }
    }
    return out;
}

std::string body_from_stored(std::string_view stored) {
    std::string out(stored);
    for (char& c : out) {
        if (c == '|') {
            c = '\n';
        }
    }
    return out;
}

void NoteStore::write_in_background(std::function<void()> before_first_write, bool held) {
    if (writer_) {
        return;
    }
    writer_ = std::make_unique<SettingsWriter>(ini(), *errors_, SettingsWriter::Replace{},
                                               std::move(before_first_write));
    // Before anything can be handed over: nothing changes the file until this returns.
    if (held) {
        writer_->hold();
    }
}

void NoteStore::release_writes() const {
    if (writer_) {
        writer_->release();
    }
}

bool NoteStore::finish_writes(std::chrono::milliseconds limit) const {
    return !writer_ || writer_->finish(limit);
}

std::string NoteStore::record_section(int number) {
    return std::string(t::kRecordSectionPrefix) + format_int(number);
}

std::string NoteStore::record_section(std::string_view number) {
    return std::string(t::kRecordSectionPrefix) + std::string(number);
}

namespace {

// The record's 24 keys in the order the file has always had them.
void add_record(ProfileEdit& edit, const NoteRecord& r) {
    const auto color = [](ColorRef c) { return format_int(static_cast<std::int32_t>(c)); };
    const std::string section = NoteStore::record_section(r.NoteID);
    const std::array<std::pair<std::string_view, std::string>, 24> entries = {{
        {t::kNoteID, format_int(r.NoteID)},
        {t::kEditBackColor, color(r.EditBackColor)},
        {t::kEditTextColor, color(r.EditTextColor)},
        {t::kEditFont, r.EditFont},
        {t::kEditFontType, r.EditFontType},
        {t::kEditFontSize, format_int(r.EditFontSize)},
        {t::kEditCharSet, format_int(r.EditCharSet)},
        {t::kEditText, body_to_stored(r.EditText)},
        {t::kTitleBackColor, color(r.TitleBackColor)},
        {t::kTitleTextColor, color(r.TitleTextColor)},
        {t::kTitleFont, r.TitleFont},
        {t::kTitleFontType, r.TitleFontType},
        {t::kTitleFontSize, format_int(r.TitleFontSize)},
        {t::kTitleText, r.TitleText},
        {t::kTitleCharSet, format_int(r.TitleCharSet)},
        {t::kLeft, format_int(r.Left)},
        {t::kTop, format_int(r.Top)},
        {t::kHeight, format_int(r.Height)},
        {t::kWidth, format_int(r.Width)},
        {t::kMinimized, r.Minimized},
        {t::kBorder, r.Border},
        {t::kHidden, r.Hidden},
        {t::kExpiration, r.Expiration},
        {t::kAlarm, r.Alarm},
    }};
    for (const auto& [key, value] : entries) {
        edit.set(section, key, value);
    }
}

bool storable_number(int number) {
    return number > 0 && number <= t::kHighestRecord;
}

}  // namespace

bool NoteStore::write_record(const NoteRecord& r, const std::string& file) const {
    // One change of the file for the whole record: a crash never leaves half a note, and a
    // save costs one rewrite instead of 24.
    StoreTransaction tx(file.empty() ? ini() : file, *errors_);
    tx.write_record(r);
    return tx.commit(t::kErrorWritingNote);
}

bool NoteStore::read_record(std::string_view number, NoteRecord& record,
                            const std::string& file) const {
    namespace rc = record_capacity;
    const std::string& path = file.empty() ? ini() : file;
    const std::string section = record_section(number);
    const auto text = [&](std::string_view key, std::size_t capacity) {
        return ProfileFile::read(path, section, key, capacity);
    };
    const auto number_of = [&](std::string_view key, std::size_t capacity) {
        return leading_int(text(key, capacity));
    };
    const std::string id = text(t::kNoteID, rc::kNoteID);
    if (id.empty()) {
        return false;
    }
    NoteRecord r;
    r.NoteID = leading_int(id);
    r.EditTextColor = static_cast<ColorRef>(number_of(t::kEditTextColor, rc::kColor));
    r.EditBackColor = static_cast<ColorRef>(number_of(t::kEditBackColor, rc::kColor));
    r.EditFont = text(t::kEditFont, rc::kFont);
    r.EditFontType = text(t::kEditFontType, rc::kFontType);
    r.EditText = body_from_stored(text(t::kEditText, rc::kEditText));
    r.EditFontSize = number_of(t::kEditFontSize, rc::kFontSize);
    r.EditCharSet = static_cast<std::uint8_t>(number_of(t::kEditCharSet, rc::kCharSet) & 0xFF);
    r.TitleTextColor = static_cast<ColorRef>(number_of(t::kTitleTextColor, rc::kColor));
    r.TitleBackColor = static_cast<ColorRef>(number_of(t::kTitleBackColor, rc::kColor));
    r.TitleFont = text(t::kTitleFont, rc::kFont);
    r.TitleFontType = text(t::kTitleFontType, rc::kFontType);
    r.TitleText = text(t::kTitleText, rc::kTitleText);
    r.TitleFontSize = number_of(t::kTitleFontSize, rc::kFontSize);
    r.TitleCharSet = static_cast<std::uint8_t>(number_of(t::kTitleCharSet, rc::kCharSet) & 0xFF);
    r.Top = number_of(t::kTop, rc::kGeometry);
    r.Left = number_of(t::kLeft, rc::kGeometry);
    r.Height = number_of(t::kHeight, rc::kGeometry);
    r.Width = number_of(t::kWidth, rc::kGeometry);
    r.Minimized = text(t::kMinimized, rc::kFlag);
    r.Border = text(t::kBorder, rc::kFlag);
    r.Hidden = text(t::kHidden, rc::kFlag);
    r.Expiration = text(t::kExpiration, rc::kStamp);
    r.Alarm = text(t::kAlarm, rc::kStamp);
    record = std::move(r);
    return true;
}

bool NoteStore::read_record(int number, NoteRecord& record, const std::string& file) const {
    return read_record(format_int(number), record, file);
}

bool NoteStore::record_exists(int number, const std::string& file) const {
    const std::string& path = file.empty() ? ini() : file;
    return !ProfileFile::read(path, record_section(number), t::kNoteID, record_capacity::kNoteID)
                .empty();
}

bool NoteStore::delete_record(int number) const {
    if (!ProfileFile::delete_section(ini(), record_section(number))) {
        errors_->report(std::string(t::kErrorDeletingNote));
        return false;
    }
    return true;
}

bool NoteStore::delete_records_above(int first, int last) const {
    StoreTransaction tx(*this);
    tx.delete_records_above(first, last);
    return tx.commit(t::kErrorDeletingOldNotes);
}

int NoteStore::count_saved_themes() const {
    int count = 0;
    while (t::kFirstSavedThemeRecord + count <= t::kHighestRecord &&
           record_exists(t::kFirstSavedThemeRecord + count)) {
        ++count;
    }
    return count;
}

std::string NoteStore::default_border() const {
    return ProfileFile::read(ini(), record_section(t::kDefaultLookRecord), t::kBorder,
                             record_capacity::kFlag);
}

// ---- Transactions

StoreTransaction::StoreTransaction(std::string file, const ErrorReporter& errors)
    : file_(std::move(file)), errors_(&errors) {}

StoreTransaction::StoreTransaction(const NoteStore& store)
    : StoreTransaction(store.ini_path(), store.errors()) {}

void StoreTransaction::write_record(const NoteRecord& record) {
    if (storable_number(record.NoteID)) {
        add_record(edit_, record);
    }
}

void StoreTransaction::delete_record(int number) {
    edit_.remove_section(NoteStore::record_section(number));
}

void StoreTransaction::delete_records_above(int first, int last) {
    for (int i = std::max(first, 0) + 1; i <= std::min(last, t::kHighestRecord); ++i) {
        delete_record(i);
    }
}

void StoreTransaction::set_number_of_notes(int count) {
    set_number(Setting::NumberOfNotes, count);
}

void StoreTransaction::set_text(Setting s, std::string_view value) {
    const SettingRow& row = setting_row(s);
    set(row.section, row.key, value);
}

void StoreTransaction::set_number(NumberSetting s, int value) {
    set_text(s.setting, format_int(value));
}

void StoreTransaction::set(std::string_view section, std::string_view key,
                           std::optional<std::string_view> value) {
    if (value) {
        edit_.set(section, key, *value);
    } else {
        edit_.remove_key(section, key);
    }
}

bool StoreTransaction::commit(std::string_view error_text) {
    if (!ProfileFile::apply(file_, edit_)) {
        if (!error_text.empty()) {
            errors_->report(std::string(error_text));
        }
        return false;
    }
    edit_ = ProfileEdit{};
    return true;
}

namespace {

// A count as the program writes it: one to four decimal digits.
constexpr std::size_t kLongestCount = 4;

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool is_plain_count(std::string_view text) {
    return !text.empty() && text.size() <= kLongestCount && all_digits(text);
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// The number of a note record's section name (compared without regard to case), or 0. Only the
// form that record_section() makes counts, since only that one is read back.
int note_number_of_section(std::string_view name) {
    const std::string_view prefix = t::kRecordSectionPrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 5 ||
        !std::equal(prefix.begin(), prefix.end(), name.begin(),
                    [](char a, char b) { return ascii_lower(a) == ascii_lower(b); })) {
        return 0;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (digits.front() == '0' || !all_digits(digits)) {
        return 0;
    }
    const int n = leading_int(digits);
    return n < t::kDefaultLookRecord ? n : 0;
}

}  // namespace

std::vector<int> stored_note_numbers(const NoteStore& store) {
    std::vector<int> numbers;
    for (const std::string& name : ProfileFile::section_names(store.ini_path())) {
        const int n = note_number_of_section(name);
        if (n > 0 && store.record_exists(n)) {
            numbers.push_back(n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

NotesToRestore notes_to_restore(const NoteStore& store) {
    NotesToRestore plan;
    plan.stored = store.settings().text(Setting::NumberOfNotes, kStoredCountShown + 1);
    plan.numbers = stored_note_numbers(store);
    plan.highest = plan.numbers.empty() ? 0 : plan.numbers.back();
    const int count = is_plain_count(plan.stored) ? leading_int(plan.stored) : -1;
    // 0 or nothing stands for no notes: trusted only when none are stored.
    if (count > 0 || (plan.highest == 0 && (count == 0 || plan.stored.empty()))) {
        plan.last = std::max(count, 0);
        std::erase_if(plan.numbers, [&](int n) { return n > plan.last; });
    } else {
        plan.last = plan.highest;
        plan.repaired = true;
    }
    return plan;
}

RenumberResult renumber_notes(const NoteStore& store, const NotesToRestore& plan,
                              const OpenRestoredNote& open_note, StoreTransaction& tx) {
    RenumberResult result;
    std::vector<int> read;
    for (int i : plan.numbers) {
        if (i > plan.last) {
            break;
        }
        NoteRecord record;
        if (!store.read_record(i, record)) {
            continue;
        }
        read.push_back(i);
        ++result.count;
        if (auto kept = open_note(record, result.count)) {
            kept->NoteID = result.count;
            tx.write_record(*kept);
            ++result.kept;
        } else {
            tx.delete_record(result.count);
        }
    }
    // The old sections above the new count: each of them was read and now lives under a
    // lower number.
    for (int i : read) {
        if (i > result.count) {
            tx.delete_record(i);
        }
    }
    tx.set_number_of_notes(result.count);
    return result;
}

RenumberResult renumber_notes(const NoteStore& store, const OpenRestoredNote& open_note,
                              StoreTransaction& tx) {
    return renumber_notes(store, notes_to_restore(store), open_note, tx);
}

}  // namespace kd
