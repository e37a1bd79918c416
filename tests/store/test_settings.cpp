#include <gtest/gtest.h>

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
    EXPECT_EQ(store.get_number_of_notes(), 0);
    EXPECT_EQ(store.get_default_width(), 0);
    EXPECT_EQ(store.get_last_saved_theme_number(), "0");
    EXPECT_EQ(store.get_communication_port(), 2000);
    EXPECT_EQ(store.get_communication_port_text(), "");
    EXPECT_EQ(store.get_show_all_notes_password(), "");

    // A missing PlaySound plays the sound, while the settings page (which shows "Yes" only for
    // "Yes") shows "No".
    EXPECT_EQ(store.get_play_sound(), "");
    EXPECT_TRUE(setting_rules::plays_sound(store.get_play_sound()));
    EXPECT_FALSE(setting_rules::plays_sound("No"));
    EXPECT_FALSE(setting_rules::plays_sound("yes"));

    // Nothing above wrote anything.
    EXPECT_FALSE(std::filesystem::exists(ini));

    // A missing date format is written by its reader.
    EXPECT_EQ(store.get_default_date_format(), "DD.MM.YYYY");
    EXPECT_EQ(raw(t::kDefaultDateFormat), "DD.MM.YYYY");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, NumbersReadAsLeadingInteger) {
    write_text(ini,
               "[KORVADESK]\nNumberOfNotes=12345\nDefaultWidth=250px\nDefaultHeight= -3\n"
               "CommunicationPort=3000\nLastSavedThemeNumber=\n");
    EXPECT_EQ(store.get_number_of_notes(), 1234);
    EXPECT_EQ(store.get_default_width(), 250);
    EXPECT_EQ(store.get_default_height(), -3);
    EXPECT_EQ(store.get_communication_port(), 3000);
    EXPECT_EQ(store.get_last_saved_theme_number(), "0");

    EXPECT_TRUE(store.set_number_of_notes(17));
    store.set_last_saved_theme_number(91003);
    store.set_default_size("300", "200");
    EXPECT_EQ(store.get_number_of_notes(), 17);
    EXPECT_EQ(store.get_last_saved_theme_number(), "91003");
    EXPECT_EQ(store.get_default_width(), 300);
    EXPECT_EQ(store.get_default_height(), 200);
    EXPECT_TRUE(store.set_version("5.lan"));
    EXPECT_EQ(raw(t::kVersion), "5.lan");
}

// Every key reads back at most its longest length; catches a wrong capacity in the table.
TEST_F(SettingsTest, EachKeyIsCutAtItsCapacity) {
    using Get = std::string (NoteStore::*)() const;
    using Set = void (NoteStore::*)(std::string_view) const;
    struct Row {
        const char* name;
        Set set;
        Get get;
        std::size_t longest;
    };
    const std::vector<Row> rows = {
        {"DefaultTitle", &NoteStore::set_default_title, &NoteStore::get_default_title, 1023},
        {"DefaultDateFormat", &NoteStore::set_default_date_format,
         &NoteStore::get_default_date_format, 14},
        {"ReadNetworkOnStart", &NoteStore::set_read_network_on_start,
         &NoteStore::get_read_network_on_start, 14},
        {"ShowScrollBar", &NoteStore::set_show_scroll_bar, &NoteStore::get_show_scroll_bar, 9},
        {"ShowTaskBar", &NoteStore::set_show_task_bar, &NoteStore::get_show_task_bar, 9},
        {"ShowCloseButton", &NoteStore::set_show_close_button, &NoteStore::get_show_close_button,
         9},
        {"AfterSend", &NoteStore::set_after_send, &NoteStore::get_after_send, 14},
        {"SentFrom", &NoteStore::set_sent_from, &NoteStore::get_sent_from, 49},
        {"ReadNetworkInterval", &NoteStore::set_read_network_interval,
         &NoteStore::get_read_network_interval, 9},
        {"DisableHotkey", &NoteStore::set_disable_hotkey, &NoteStore::get_disable_hotkey, 14},
        {"AskBeforeDelete", &NoteStore::set_ask_before_delete, &NoteStore::get_ask_before_delete,
         14},
        {"DisableCloseMenu", &NoteStore::set_disable_close_menu, &NoteStore::get_disable_close_menu,
         9},
        {"ShowSendErrorMessage", &NoteStore::set_show_send_error_message,
         &NoteStore::get_show_send_error_message, 9},
        {"AskWhenReply", &NoteStore::set_ask_when_reply, &NoteStore::get_ask_when_reply, 14},
        {"IniUpdate", &NoteStore::set_ini_update, &NoteStore::get_ini_update, 14},
        {"CheckEmailInterval", &NoteStore::set_check_email_interval,
         &NoteStore::get_check_email_interval, 9},
        {"DefaultPictureFormat", &NoteStore::set_default_picture_format,
         &NoteStore::get_default_picture_format, 14},
        {"CheckEmailOnStart", &NoteStore::set_check_email_on_start,
         &NoteStore::get_check_email_on_start, 14},
        {"IncludePictureAttachment", &NoteStore::set_include_picture_attachment,
         &NoteStore::get_include_picture_attachment, 9},
        {"RandomThemes", &NoteStore::set_random_themes, &NoteStore::get_random_themes, 9},
        {"PlaySound", &NoteStore::set_play_sound, &NoteStore::get_play_sound, 9},
        {"OnChangeTheme", &NoteStore::set_on_change_theme, &NoteStore::get_on_change_theme, 14},
        {"CommunicationPort", &NoteStore::set_communication_port,
         &NoteStore::get_communication_port_text, 9},
        {"NmbOfProgramStarts", &NoteStore::set_nmb_of_program_starts,
         &NoteStore::get_nmb_of_program_starts, 4},
    };
    std::string long_value;
    for (int i = 0; i < 1100; ++i) {
        long_value += static_cast<char>('a' + i % 26);
    }
    for (const Row& row : rows) {
        (store.*row.set)(long_value);
        EXPECT_EQ(raw(row.name), long_value.substr(0, 999)) << row.name << " stored whole";
        EXPECT_EQ((store.*row.get)(), long_value.substr(0, row.longest)) << row.name;
    }
    // A 60-character sender name comes back as its first 49.
    store.set_sent_from(std::string(60, 'x'));
    EXPECT_EQ(store.get_sent_from(), std::string(49, 'x'));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, PasswordIsScrambledOnlyWithTheFlag) {
    // Two characters: stored swapped between prefix and suffix, read back as typed.
    store.set_show_all_password("Yes", "ab");
    const std::string stored = raw(t::kShowAllNotesPassword);
    ASSERT_EQ(stored.size(), 6u + 2 + 7);
    EXPECT_EQ(stored.substr(6, 2), "ba");
    EXPECT_EQ(store.get_show_all_password_yes_no(), "Yes");
    EXPECT_EQ(store.get_show_all_notes_password(), "ab");

    // One character stays as it is.
    store.set_show_all_password("Yes", "z");
    EXPECT_EQ(raw(t::kShowAllNotesPassword).substr(6, 1), "z");
    EXPECT_EQ(store.get_show_all_notes_password(), "z");

    // Prefix and suffix are fixed letters and digits.
    const std::string p = stored.substr(0, 6);
    const std::string q = stored.substr(8);
    for (char c : p + q) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    }
    store.set_show_all_password("Yes", "secret");
    EXPECT_EQ(raw(t::kShowAllNotesPassword), p + "tecres" + q);

    // Without the flag the text is stored as typed and a short one reads back empty.
    store.set_show_all_password("No", "short");
    EXPECT_EQ(raw(t::kShowAllNotesPassword), "short");
    EXPECT_EQ(store.get_show_all_notes_password(), "");
    store.set_show_all_password("No", "abcdefghijklmnopqrst");
    EXPECT_EQ(store.get_show_all_notes_password(), "mhijklg");

    // Sixteen characters come back whole, seventeen do not.
    store.set_show_all_password("Yes", "abcdefghijklmnop");
    EXPECT_EQ(store.get_show_all_notes_password(), "abcdefghijklmnop");
    store.set_show_all_password("Yes", "abcdefghijklmnopq");
    EXPECT_EQ(store.get_show_all_notes_password(), "pbcdefghijklmnoq");

    // The get unscrambles whatever is stored, whatever the flag says.
    store.set_show_all_password("Yes", "xy");
    ProfileFile::write(ini, t::kMainSection, t::kShowAllPasswordYesNo, "No");
    EXPECT_EQ(store.get_show_all_notes_password(), "xy");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SettingsTest, FailedWritesAreReportedWithTheirRules) {
    use_ini(dir.file("gone/Korvadesk.ini"));
    const std::string msg(t::kErrorWritingIni);

    store.set_sent_from("Anna");
    EXPECT_EQ(errors.take(), Messages{msg});
    EXPECT_FALSE(store.set_number_of_notes(3));
    EXPECT_EQ(errors.take(), Messages{msg});
    store.set_last_saved_theme_number(91001);
    EXPECT_EQ(errors.take(), Messages{msg});

    // Version: failure returned, no message.
    EXPECT_FALSE(store.set_version("5.lan"));
    EXPECT_TRUE(errors.take().empty());

    // Pairs: only the second write is reported.
    store.set_default_size("100", "100");
    EXPECT_EQ(errors.take(), Messages{msg});
    store.set_show_all_password("Yes", "pw");
    EXPECT_EQ(errors.take(), Messages{msg});

    // A missing date format still reads as the default, with the failed write reported.
    EXPECT_EQ(store.get_default_date_format(), "DD.MM.YYYY");
    EXPECT_EQ(errors.take(), Messages{msg});

    // A settings path that is a folder fails the same way.
    std::filesystem::create_directory(dir.file("folder.ini"));
    use_ini(dir.file("folder.ini"));
    store.set_play_sound("No");
    EXPECT_EQ(errors.take(), Messages{msg});
    EXPECT_EQ(store.get_play_sound(), "");
}

TEST_F(SettingsTest, ReadsFileOfAWindowsCopy) {
    write_text(ini,
               "[korvadesk]\r\n"
               "numberofnotes = 3 \r\n"
               "SENTFROM=\"  Office PC  \"\r\n"
               "PlaySound=No\r\n");
    EXPECT_EQ(store.get_number_of_notes(), 3);
    EXPECT_EQ(store.get_sent_from(), "  Office PC  ");
    EXPECT_EQ(store.get_play_sound(), "No");
    EXPECT_TRUE(store.set_number_of_notes(4));
    EXPECT_EQ(read_text(ini),
              "[korvadesk]\r\n"
              "numberofnotes=4\r\n"
              "SENTFROM=\"  Office PC  \"\r\n"
              "PlaySound=No\r\n");
}

}  // namespace
}  // namespace kd
