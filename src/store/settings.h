// The settings of the settings file (its main section and the mail account): one row each in
// one table, and Settings, through which every read and write of them goes.
//
// To add a setting, add its name to `Setting` and its row to kSettingRows (at the same place),
// then read and write it where it is used: settings.flag(Setting::X), settings.set_flag(...).
// Nothing else is needed: no key constant, no get/set pair, no wrapper.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "store/error_reporter.h"
#include "store/store_texts.h"

namespace kd {

enum class Setting {
    NumberOfNotes,
    DefaultTitle,
    DefaultDateFormat,
    DefaultWidth,
    DefaultHeight,
    ReadNetworkOnStart,
    Version,
    ShowScrollBar,
    ShowTaskBar,
    ShowCloseButton,
    AfterSend,
    SentFrom,
    ReadNetworkInterval,
    DisableHotkey,
    AskBeforeDelete,
    DisableCloseMenu,
    ShowSendErrorMessage,
    AskWhenReply,
    IniUpdate,
    CheckEmailInterval,
    DefaultPictureFormat,
    CheckEmailOnStart,
    IncludePictureAttachment,
    RandomThemes,
    PlaySound,
    OnChangeTheme,
    CommunicationPort,
    ShowAllPasswordYesNo,
    ShowAllNotesPassword,
    LastSavedThemeNumber,
    NmbOfProgramStarts,
    NoTrayNoticeShown,
    MaxNotesPerComputerPerMinute,
    CheckSpelling,
    EmailSmtpUrl,
    EmailImapUrl,
    EmailUserName,
    EmailAddress,
    EmailAllowPlainText,
    Count,  // not a setting: how many there are
};

// How a stored word reads: the place of the word among the row's words, `missing` when nothing
// is stored and `other` for any other text.
struct WordReading {
    int missing;
    int other;
};

// A yes/no setting, stored as "No" or "Yes". `on` is what the program does with a stored text,
// `ticked` what the settings page shows for it: for some keys they have always differed.
struct Flag {
    WordReading on;
    WordReading ticked;
};
// Which stored texts read as yes.
inline constexpr WordReading kYesOnly{0, 0};       // exactly "Yes"
inline constexpr WordReading kUnlessNo{1, 1};      // anything but "No", nothing stored too
inline constexpr WordReading kYesOrMissing{1, 0};  // "Yes", or nothing stored
inline constexpr WordReading kSetButNotNo{0, 1};   // anything stored but "No"

// One of two words. The program takes the word `on` reads; the settings page's list selects
// the place `shown` reads (-1 selects nothing).
struct Choice {
    std::array<std::string_view, 2> words;
    WordReading on;
    WordReading shown;
};

// A whole number: the text's leading integer, `fallback` when nothing is stored or the number
// lies outside lowest..highest.
struct Number {
    int fallback = 0;
    int lowest = INT_MIN;
    int highest = INT_MAX;
};

// Any text, as stored.
struct Text {};

struct SettingRow {
    Setting setting;
    std::string_view key;
    // Longest value read back + 1: a longer stored value comes back cut.
    std::size_t capacity;
    std::variant<Flag, Choice, Number, Text> meaning;
    // What a missing value is given when it is filled in: by Settings::filled() at the moment
    // its user chooses (at start, when a page opens), or at every read when `fill_when_read`.
    std::string_view fill = {};
    bool fill_when_read = false;
    std::string_view section = store_texts::kMainSection;
};

namespace settings_table {

namespace t = store_texts;

// clang-format off
inline constexpr SettingRow kRows[] = {
    // setting, key, read capacity, meaning[, filled with[, at every read]]
    {Setting::NumberOfNotes, "NumberOfNotes", 5, Number{}},
    {Setting::DefaultTitle, "DefaultTitle", 1024, Text{}},
    {Setting::DefaultDateFormat, "DefaultDateFormat", 15, Text{}, t::kDateFormatDots, true},
    {Setting::DefaultWidth, "DefaultWidth", 7, Number{}},
    {Setting::DefaultHeight, "DefaultHeight", 7, Number{}},
    {Setting::ReadNetworkOnStart, "ReadNetworkOnStart", 15, Flag{kYesOnly, kYesOnly}, t::kYes},
    // Written (never read) first at start: a failure there ends the start with a message of
    // its own.
    {Setting::Version, "Version", 15, Text{}},
    {Setting::ShowScrollBar, "ShowScrollBar", 10, Flag{kUnlessNo, kYesOrMissing}},
    {Setting::ShowTaskBar, "ShowTaskBar", 10, Flag{kYesOnly, kSetButNotNo}},
    {Setting::ShowCloseButton, "ShowCloseButton", 10, Flag{kUnlessNo, kYesOrMissing}},
    // A sent note is deleted for "DeleteNote" only; the page shows anything but "ShowIcon" as
    // "DeleteNote".
    {Setting::AfterSend, "AfterSend", 15,
     Choice{{t::kAfterSendShowIcon, t::kAfterSendDeleteNote}, {0, 0}, {1, 1}}},
    {Setting::SentFrom, "SentFrom", 50, Text{}},
    {Setting::ReadNetworkInterval, "ReadNetworkInterval", 10, Number{}},
    {Setting::DisableHotkey, "DisableHotkey", 15, Flag{kSetButNotNo, kYesOnly}},
    {Setting::AskBeforeDelete, "AskBeforeDelete", 15, Flag{kYesOnly, kYesOnly}, t::kYes},
    {Setting::DisableCloseMenu, "DisableCloseMenu", 10, Flag{kYesOnly, kYesOnly}},
    {Setting::ShowSendErrorMessage, "ShowSendErrorMessage", 10, Flag{kUnlessNo, kYesOnly}},
    {Setting::AskWhenReply, "AskWhenReply", 15, Flag{kUnlessNo, kYesOnly}},
    // kIniUpdateDone once the built-in themes are written.
    {Setting::IniUpdate, "IniUpdate", 15, Text{}},
    {Setting::CheckEmailInterval, "CheckEmailInterval", 10, Number{}},
    // Anything but "bmp" makes a JPEG; the page selects neither for another text, and fills a
    // missing one in when it opens.
    {Setting::DefaultPictureFormat, "DefaultPictureFormat", 15,
     Choice{{t::kPictureJpg, t::kPictureBmp}, {0, 0}, {-1, -1}}, t::kPictureJpg},
    {Setting::CheckEmailOnStart, "CheckEmailOnStart", 15, Flag{kYesOnly, kYesOnly}, t::kNo},
    {Setting::IncludePictureAttachment, "IncludePictureAttachment", 10,
     Flag{kYesOrMissing, kYesOnly}},
    {Setting::RandomThemes, "RandomThemes", 10, Flag{kYesOnly, kSetButNotNo}},
    {Setting::PlaySound, "PlaySound", 10, Flag{kYesOrMissing, kYesOnly}},
    // Only "Colors" changes the colours alone; the page shows any text but "All" as "Colors".
    {Setting::OnChangeTheme, "OnChangeTheme", 15,
     Choice{{t::kChangeThemeAll, t::kChangeThemeColors}, {0, 0}, {0, 1}}},
    // The settings page shows and stores the text as typed.
    {Setting::CommunicationPort, "CommunicationPort", 10,
     Number{t::kDefaultCommunicationPort, 1, 65535}},
    {Setting::ShowAllPasswordYesNo, "ShowAllPasswordYesNo", 15, Flag{kYesOnly, kYesOnly}},
    // Scrambled while the lock is on: see Settings::show_all_password().
    {Setting::ShowAllNotesPassword, "ShowAllNotesPassword", 30, Text{}},
    // The next saved theme's slot, 0 to 19 (see NoteLists::next_saved_theme_number).
    {Setting::LastSavedThemeNumber, "LastSavedThemeNumber", 10, Number{}},
    {Setting::NmbOfProgramStarts, "NmbOfProgramStarts", 5, Number{}},
    // "Yes" once the person was told that the desktop has no tray (a key of this program's own).
    {Setting::NoTrayNoticeShown, "NoTrayNoticeShown", 10, Flag{kYesOnly, kYesOnly}},
    // Notes one computer may deliver a minute; read by the receiving server's own rule
    // (notes_per_computer_from_text). Not on any page.
    {Setting::MaxNotesPerComputerPerMinute, "MaxNotesPerComputerPerMinute", 10, Text{}},
    // Misspelt words in note bodies are underlined unless this is "No" (a key of this
    // program's own, on the general page).
    {Setting::CheckSpelling, "CheckSpelling", 10, Flag{kUnlessNo, kUnlessNo}},

    // The mail account (mail/mail_account.h), in a section of its own.
    {Setting::EmailSmtpUrl, "SmtpUrl", 512, Text{}, {}, false, t::kEmailAccountSection},
    {Setting::EmailImapUrl, "ImapUrl", 512, Text{}, {}, false, t::kEmailAccountSection},
    {Setting::EmailUserName, "UserName", 512, Text{}, {}, false, t::kEmailAccountSection},
    {Setting::EmailAddress, "Address", 512, Text{}, {}, false, t::kEmailAccountSection},
    // "Yes" lets the log-on go unencrypted to a server that offers no STARTTLS. Set in the
    // file only.
    {Setting::EmailAllowPlainText, "AllowPlainText", 512, Flag{kYesOnly, kYesOnly}, {}, false,
     t::kEmailAccountSection},
};
// clang-format on

inline constexpr std::size_t kCount = std::size(kRows);

consteval bool rows_in_enum_order() {
    for (std::size_t i = 0; i < kCount; ++i) {
        if (kRows[i].setting != static_cast<Setting>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(kCount == static_cast<std::size_t>(Setting::Count) && rows_in_enum_order(),
              "kRows must list every Setting once, in enum order");

}  // namespace settings_table

constexpr const SettingRow& setting_row(Setting s) {
    return settings_table::kRows[static_cast<std::size_t>(s)];
}

// A Setting whose row has the meaning M; anything else does not compile.
template <typename M>
struct SettingOf {
    consteval SettingOf(Setting s) : setting(s) {  // NOLINT: converts on purpose
        if (!std::holds_alternative<M>(setting_row(s).meaning)) {
            throw "this setting has another type";
        }
    }
    Setting setting;
};
using FlagSetting = SettingOf<Flag>;
using ChoiceSetting = SettingOf<Choice>;
using NumberSetting = SettingOf<Number>;

// What a stored text ("" for nothing stored) means under a row.
bool flag_of(FlagSetting s, std::string_view stored);
bool ticked_of(FlagSetting s, std::string_view stored);
std::string_view choice_of(ChoiceSetting s, std::string_view stored);
int shown_choice_of(ChoiceSetting s, std::string_view stored);
int number_of(NumberSetting s, std::string_view stored);

// The stored password of the Show-all lock: scramble() is what the set stores for a flag,
// unscramble() what the get makes of a stored value (already cut to its read capacity).
std::string scramble_password(std::string_view flag, std::string_view password);
std::string unscramble_password(std::string_view stored);

// The settings of one settings file. It holds only the file's path and where failed writes are
// reported, so make one where it is used (NoteStore::settings()); any thread may use it. Sets
// report a failed write as "Error writing to ini file." and return false.
class Settings {
public:
    // `errors` must outlive the settings.
    Settings(std::string file, const ErrorReporter& errors)
        : file_(std::move(file)), errors_(&errors) {}

    const std::string& file() const { return file_; }

    // The stored text cut to the row's capacity, "" when nothing is stored; for a row filled at
    // every read, the fill (written first).
    std::string text(Setting s) const;
    // The same with another capacity, for a reader that needs more of a broken value.
    std::string text(Setting s, std::size_t capacity) const;
    // The stored text; when nothing is stored, the row's fill, written first (a failed write
    // reported). The fill is what this returns either way.
    std::string filled(Setting s) const;

    // What the program makes of the stored value.
    bool flag(FlagSetting s) const;
    std::string_view choice(ChoiceSetting s) const;
    int number(NumberSetting s) const;
    // What the settings page shows: the tick of a flag, the place of a choice in its list.
    bool ticked(FlagSetting s) const;
    int shown(ChoiceSetting s) const;

    bool set_text(Setting s, std::string_view value) const;
    bool set_flag(FlagSetting s, bool yes) const;
    bool set_number(NumberSetting s, int value) const;
    // Writes without a report; false when it failed.
    bool write(Setting s, std::string_view value) const;

    // The Show-all lock: the password as typed (unscrambled, whatever the flag says), and the
    // flag with the password (scrambled when the lock is on). Only a failure of the second
    // write is reported.
    std::string show_all_password() const;
    bool set_show_all_lock(bool locked, std::string_view password) const;

    // DefaultWidth, then DefaultHeight; only a failure of the second is reported.
    bool set_default_size(std::string_view width, std::string_view height) const;

private:
    bool reported(bool written) const;

    std::string file_;
    const ErrorReporter* errors_;
};

}  // namespace kd
