#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

namespace t = store_texts;
using test::read_text;
using test::write_text;
using Messages = std::vector<std::string>;

class SettingsTest : public test::StoreTest {
protected:
    NoteStore store{app_paths(), test::store_errors()};
    std::string raw(std::string_view key) {
        return ProfileFile::read(ini, t::kMainSection, key, 1000);
    }
};

TEST_F(SettingsTest, MissingValuesGiveTheirDefaults) {
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 0);
    EXPECT_EQ(store.settings().number(Setting::DefaultWidth), 0);
    EXPECT_EQ(store.settings().number(Setting::LastSavedThemeNumber), 0);
    EXPECT_EQ(store.settings().number(Setting::CommunicationPort), 2000);
    EXPECT_EQ(store.settings().text(Setting::CommunicationPort), "");
    EXPECT_EQ(store.settings().show_all_password(), "");

    // A missing PlaySound plays the sound, while the settings page (which shows "Yes" only for
    // "Yes") shows "No".
    EXPECT_EQ(store.settings().text(Setting::PlaySound), "");
    EXPECT_TRUE(store.settings().flag(Setting::PlaySound));
    EXPECT_FALSE(flag_of(Setting::PlaySound, "No"));
    EXPECT_FALSE(flag_of(Setting::PlaySound, "yes"));

    // Nothing above wrote anything.
    EXPECT_FALSE(std::filesystem::exists(ini));

    // A missing date format is written by its reader.
    EXPECT_EQ(store.settings().text(Setting::DefaultDateFormat), "DD.MM.YYYY");
    EXPECT_EQ(raw("DefaultDateFormat"), "DD.MM.YYYY");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, NumbersReadAsLeadingInteger) {
    write_text(ini,
               "[KORVADESK]\nNumberOfNotes=12345\nDefaultWidth=250px\nDefaultHeight= -3\n"
               "CommunicationPort=3000\nLastSavedThemeNumber=\n");
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 1234);
    EXPECT_EQ(store.settings().number(Setting::DefaultWidth), 250);
    EXPECT_EQ(store.settings().number(Setting::DefaultHeight), -3);
    EXPECT_EQ(store.settings().number(Setting::CommunicationPort), 3000);
    EXPECT_EQ(store.settings().number(Setting::LastSavedThemeNumber), 0);

    EXPECT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 17));
    store.settings().set_number(Setting::LastSavedThemeNumber, 91003);
    store.settings().set_default_size("300", "200");
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 17);
    EXPECT_EQ(store.settings().number(Setting::LastSavedThemeNumber), 91003);
    EXPECT_EQ(store.settings().number(Setting::DefaultWidth), 300);
    EXPECT_EQ(store.settings().number(Setting::DefaultHeight), 200);
    EXPECT_TRUE(store.settings().write(Setting::Version, "5.lan"));
    EXPECT_EQ(raw("Version"), "5.lan");
}

// Every key reads back at most its longest length; catches a wrong capacity in the table.
TEST_F(SettingsTest, EachKeyIsCutAtItsCapacity) {
    struct Row {
        const char* name;
        Setting setting;
        std::size_t longest;
    };
    const std::vector<Row> rows = {
        {"DefaultTitle", Setting::DefaultTitle, 1023},
        {"DefaultDateFormat", Setting::DefaultDateFormat, 14},
        {"ReadNetworkOnStart", Setting::ReadNetworkOnStart, 14},
        {"ShowScrollBar", Setting::ShowScrollBar, 9},
        {"ShowTaskBar", Setting::ShowTaskBar, 9},
        {"ShowCloseButton", Setting::ShowCloseButton, 9},
        {"AfterSend", Setting::AfterSend, 14},
        {"SentFrom", Setting::SentFrom, 49},
        {"ReadNetworkInterval", Setting::ReadNetworkInterval, 9},
        {"DisableHotkey", Setting::DisableHotkey, 14},
        {"AskBeforeDelete", Setting::AskBeforeDelete, 14},
        {"DisableCloseMenu", Setting::DisableCloseMenu, 9},
        {"ShowSendErrorMessage", Setting::ShowSendErrorMessage, 9},
        {"AskWhenReply", Setting::AskWhenReply, 14},
        {"IniUpdate", Setting::IniUpdate, 14},
        {"CheckEmailInterval", Setting::CheckEmailInterval, 9},
        {"DefaultPictureFormat", Setting::DefaultPictureFormat, 14},
        {"CheckEmailOnStart", Setting::CheckEmailOnStart, 14},
        {"IncludePictureAttachment", Setting::IncludePictureAttachment, 9},
        {"RandomThemes", Setting::RandomThemes, 9},
        {"PlaySound", Setting::PlaySound, 9},
        {"OnChangeTheme", Setting::OnChangeTheme, 14},
        {"CommunicationPort", Setting::CommunicationPort, 9},
        {"NmbOfProgramStarts", Setting::NmbOfProgramStarts, 4},
    };
    std::string long_value;
    for (int i = 0; i < 1100; ++i) {
        long_value += static_cast<char>('a' + i % 26);
    }
    const Settings settings = store.settings();
    for (const Row& row : rows) {
        settings.set_text(row.setting, long_value);
        EXPECT_EQ(raw(row.name), long_value.substr(0, 999)) << row.name << " stored whole";
        EXPECT_EQ(settings.text(row.setting), long_value.substr(0, row.longest)) << row.name;
    }
    // A 60-character sender name comes back as its first 49.
    store.settings().set_text(Setting::SentFrom, std::string(60, 'x'));
    EXPECT_EQ(store.settings().text(Setting::SentFrom), std::string(49, 'x'));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, PasswordIsScrambledOnlyWithTheFlag) {
    // Two characters: stored swapped between prefix and suffix, read back as typed.
    store.settings().set_show_all_lock(true, "ab");
    const std::string stored = raw("ShowAllNotesPassword");
    ASSERT_EQ(stored.size(), 6u + 2 + 7);
    EXPECT_EQ(stored.substr(6, 2), "ba");
    EXPECT_EQ(store.settings().text(Setting::ShowAllPasswordYesNo), "Yes");
    EXPECT_EQ(store.settings().show_all_password(), "ab");

    // One character stays as it is.
    store.settings().set_show_all_lock(true, "z");
    EXPECT_EQ(raw("ShowAllNotesPassword").substr(6, 1), "z");
    EXPECT_EQ(store.settings().show_all_password(), "z");

    // Prefix and suffix are fixed letters and digits.
    const std::string p = stored.substr(0, 6);
    const std::string q = stored.substr(8);
    for (char c : p + q) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    }
    store.settings().set_show_all_lock(true, "secret");
    EXPECT_EQ(raw("ShowAllNotesPassword"), p + "tecres" + q);

    // Without the flag the text is stored as typed and a short one reads back empty.
    store.settings().set_show_all_lock(false, "short");
    EXPECT_EQ(raw("ShowAllNotesPassword"), "short");
    EXPECT_EQ(store.settings().show_all_password(), "");
    store.settings().set_show_all_lock(false, "abcdefghijklmnopqrst");
    EXPECT_EQ(store.settings().show_all_password(), "mhijklg");

    // Sixteen characters come back whole, seventeen do not.
    store.settings().set_show_all_lock(true, "abcdefghijklmnop");
    EXPECT_EQ(store.settings().show_all_password(), "abcdefghijklmnop");
    store.settings().set_show_all_lock(true, "abcdefghijklmnopq");
    EXPECT_EQ(store.settings().show_all_password(), "pbcdefghijklmnoq");

    // The get unscrambles whatever is stored, whatever the flag says.
    store.settings().set_show_all_lock(true, "xy");
    ProfileFile::write(ini, t::kMainSection, "ShowAllPasswordYesNo", "No");
    EXPECT_EQ(store.settings().show_all_password(), "xy");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, FailedWritesAreReportedWithTheirRules) {
    use_ini(dir.file("gone/Korvadesk.ini"));
    const std::string msg(t::kErrorWritingIni);

    store.settings().set_text(Setting::SentFrom, "Anna");
    EXPECT_EQ(errors.take(), Messages{msg});
    EXPECT_FALSE(store.settings().set_number(Setting::NumberOfNotes, 3));
    EXPECT_EQ(errors.take(), Messages{msg});
    store.settings().set_number(Setting::LastSavedThemeNumber, 91001);
    EXPECT_EQ(errors.take(), Messages{msg});

    // Version: failure returned, no message.
    EXPECT_FALSE(store.settings().write(Setting::Version, "5.lan"));
    EXPECT_TRUE(errors.take().empty());

    // Pairs: only the second write is reported.
    store.settings().set_default_size("100", "100");
    EXPECT_EQ(errors.take(), Messages{msg});
    store.settings().set_show_all_lock(true, "pw");
    EXPECT_EQ(errors.take(), Messages{msg});

    // A missing date format still reads as the default, with the failed write reported.
    EXPECT_EQ(store.settings().text(Setting::DefaultDateFormat), "DD.MM.YYYY");
    EXPECT_EQ(errors.take(), Messages{msg});

    // A settings path that is a folder fails the same way.
    std::filesystem::create_directory(dir.file("folder.ini"));
    use_ini(dir.file("folder.ini"));
    store.settings().set_text(Setting::PlaySound, "No");
    EXPECT_EQ(errors.take(), Messages{msg});
    EXPECT_EQ(store.settings().text(Setting::PlaySound), "");
}

TEST_F(SettingsTest, ReadsFileOfAWindowsCopy) {
    write_text(ini,
               "[korvadesk]\r\n"
               "numberofnotes = 3 \r\n"
               "SENTFROM=\"  Office PC  \"\r\n"
               "PlaySound=No\r\n");
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 3);
    EXPECT_EQ(store.settings().text(Setting::SentFrom), "  Office PC  ");
    EXPECT_EQ(store.settings().text(Setting::PlaySound), "No");
    EXPECT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 4));
    EXPECT_EQ(read_text(ini),
              "[korvadesk]\r\n"
              "numberofnotes=4\r\n"
              "SENTFROM=\"  Office PC  \"\r\n"
              "PlaySound=No\r\n");
}

// What the program makes of a yes/no setting and what the settings page ticks, for nothing
// stored, "Yes", "No" and another text ("yes") in turn: 'Y' for yes. For some keys the two
// have always differed.
constexpr std::string_view kFlagTexts[] = {"", "Yes", "No", "yes"};
template <Setting S>
std::string program_reads() {
    std::string out;
    for (std::string_view text : kFlagTexts) {
        out += flag_of(S, text) ? 'Y' : '-';
    }
    return out;
}
template <Setting S>
std::string page_ticks() {
    std::string out;
    for (std::string_view text : kFlagTexts) {
        out += ticked_of(S, text) ? 'Y' : '-';
    }
    return out;
}

TEST(SettingsTable, FlagsReadAsTheyAlwaysHave) {
    EXPECT_EQ(program_reads<Setting::ShowScrollBar>(), "YY-Y");
    EXPECT_EQ(page_ticks<Setting::ShowScrollBar>(), "YY--");
    EXPECT_EQ(program_reads<Setting::ShowCloseButton>(), "YY-Y");
    EXPECT_EQ(page_ticks<Setting::ShowCloseButton>(), "YY--");
    EXPECT_EQ(program_reads<Setting::ShowTaskBar>(), "-Y--");
    EXPECT_EQ(page_ticks<Setting::ShowTaskBar>(), "-Y-Y");
    EXPECT_EQ(program_reads<Setting::RandomThemes>(), "-Y--");
    EXPECT_EQ(page_ticks<Setting::RandomThemes>(), "-Y-Y");
    // The hot key is registered for nothing stored and "No" only.
    EXPECT_EQ(program_reads<Setting::DisableHotkey>(), "-Y-Y");
    EXPECT_EQ(page_ticks<Setting::DisableHotkey>(), "-Y--");
    EXPECT_EQ(program_reads<Setting::ShowSendErrorMessage>(), "YY-Y");
    EXPECT_EQ(page_ticks<Setting::ShowSendErrorMessage>(), "-Y--");
    EXPECT_EQ(program_reads<Setting::AskWhenReply>(), "YY-Y");
    EXPECT_EQ(page_ticks<Setting::AskWhenReply>(), "-Y--");
    EXPECT_EQ(program_reads<Setting::IncludePictureAttachment>(), "YY--");
    EXPECT_EQ(page_ticks<Setting::IncludePictureAttachment>(), "-Y--");
    // Spelling is checked unless turned off, and the page says so.
    EXPECT_EQ(program_reads<Setting::CheckSpelling>() + page_ticks<Setting::CheckSpelling>(),
              "YY-YYY-Y");
    EXPECT_EQ(program_reads<Setting::PlaySound>(), "YY--");
    EXPECT_EQ(page_ticks<Setting::PlaySound>(), "-Y--");
    // Exactly "Yes", for both.
    EXPECT_EQ(program_reads<Setting::AskBeforeDelete>() + page_ticks<Setting::AskBeforeDelete>(),
              "-Y---Y--");
    EXPECT_EQ(program_reads<Setting::DisableCloseMenu>() + page_ticks<Setting::DisableCloseMenu>(),
              "-Y---Y--");
    EXPECT_EQ(
        program_reads<Setting::ReadNetworkOnStart>() + page_ticks<Setting::ReadNetworkOnStart>(),
        "-Y---Y--");
    EXPECT_EQ(
        program_reads<Setting::CheckEmailOnStart>() + page_ticks<Setting::CheckEmailOnStart>(),
        "-Y---Y--");
    EXPECT_EQ(program_reads<Setting::ShowAllPasswordYesNo>() +
                  page_ticks<Setting::ShowAllPasswordYesNo>(),
              "-Y---Y--");
    EXPECT_EQ(program_reads<Setting::NoTrayNoticeShown>(), "-Y--");
}

TEST(SettingsTable, ChoicesAndNumbersFallBackAsTheyAlwaysHave) {
    // Only the second word counts as the second; anything else is the first.
    EXPECT_EQ(choice_of(Setting::AfterSend, "DeleteNote"), "DeleteNote");
    EXPECT_EQ(choice_of(Setting::AfterSend, ""), "ShowIcon");
    EXPECT_EQ(choice_of(Setting::AfterSend, "deletenote"), "ShowIcon");
    EXPECT_EQ(choice_of(Setting::DefaultPictureFormat, "bmp"), "bmp");
    EXPECT_EQ(choice_of(Setting::DefaultPictureFormat, "png"), "jpg");
    EXPECT_EQ(choice_of(Setting::OnChangeTheme, "Colors"), "Colors");
    EXPECT_EQ(choice_of(Setting::OnChangeTheme, ""), "All");

    // The port the program sends to, listens on and announces: 2000 unless the text starts
    // with a usable port.
    EXPECT_EQ(number_of(Setting::CommunicationPort, ""), 2000);
    EXPECT_EQ(number_of(Setting::CommunicationPort, "3000x"), 3000);
    EXPECT_EQ(number_of(Setting::CommunicationPort, "1"), 1);
    EXPECT_EQ(number_of(Setting::CommunicationPort, "65535"), 65535);
    for (const char* unusable : {"0", "-3000", "65536", "99999999999", "port"}) {
        EXPECT_EQ(number_of(Setting::CommunicationPort, unusable), 2000) << unusable;
    }
}

// Two rows with one key (keys compare without case) would share one value.
TEST(SettingsTable, EveryKeyIsItsOwn) {
    std::set<std::string> keys;
    for (const SettingRow& row : settings_table::kRows) {
        std::string key(row.key);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_TRUE(keys.insert(key).second) << row.key;
        EXPECT_GT(row.capacity, 1u) << row.key;
    }
}

// The start's switches get their defaults written; a value already stored stays.
TEST_F(SettingsTest, FilledWritesTheDefaultOfAMissingValueOnly) {
    write_text(ini, "[KORVADESK]\nCheckEmailOnStart=Yes\n");
    const Settings settings = store.settings();
    EXPECT_EQ(settings.filled(Setting::ReadNetworkOnStart), "Yes");
    EXPECT_EQ(settings.filled(Setting::AskBeforeDelete), "Yes");
    EXPECT_EQ(settings.filled(Setting::CheckEmailOnStart), "Yes");
    EXPECT_EQ(settings.filled(Setting::SentFrom), "");
    EXPECT_EQ(read_text(ini),
              "[KORVADESK]\nCheckEmailOnStart=Yes\nReadNetworkOnStart=Yes\nAskBeforeDelete=Yes\n");
    use_ini(dir.file("other.ini"));
    EXPECT_EQ(store.settings().filled(Setting::CheckEmailOnStart), "No");
    EXPECT_EQ(raw("CheckEmailOnStart"), "No");

    // A failed write is reported, and the default still read.
    use_ini(dir.file("gone/Korvadesk.ini"));
    EXPECT_EQ(store.settings().filled(Setting::DefaultPictureFormat), "jpg");
    EXPECT_EQ(errors.take(), Messages{std::string(t::kErrorWritingIni)});
}

}  // namespace
}  // namespace kd
