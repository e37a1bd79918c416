// Recipient groups, network list, saved-theme names, mailboxes and export index keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/note_lists.h"
#include "store/note_store.h"
#include "store_fixture.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

using test::StoreTest;

class NoteListsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        lists = NoteLists(app_paths(), test::store_errors());
    }
    NoteLists lists{app_paths(), test::store_errors()};
};

TEST_F(NoteListsTest, GroupOfThreeMembersIsStoredAsThreeEntries) {
    std::vector<std::string> members = {"PC1~", "10.0.0.2~", "anna@example.com~"};
    ASSERT_TRUE(lists.save_group("Team", members));
    EXPECT_TRUE(members.empty());
    EXPECT_EQ(lists.read_group("Team"), "PC1~10.0.0.2~anna@example.com~");
    EXPECT_EQ(lists.count_group_members("Team"), 3);
    EXPECT_EQ(lists.group_names(), "Team~");
    EXPECT_EQ(lists.count_group_members("Missing"), 0);
    EXPECT_EQ(lists.read_group("Missing"), "");
}

TEST_F(NoteListsTest, SavingAnExistingGroupRewritesOnlyItsMembers) {
    std::vector<std::string> a = {"PC1~"};
    std::vector<std::string> b = {"PC2~"};
    ASSERT_TRUE(lists.save_group("Team", a));
    ASSERT_TRUE(lists.save_group("Other", b));
    std::vector<std::string> again = {"PC3~", "PC4~"};
    ASSERT_TRUE(lists.save_group("Team", again));
    EXPECT_EQ(lists.group_names(), "Team~Other~");
    EXPECT_EQ(lists.read_group("Team"), "PC3~PC4~");
}

TEST_F(NoteListsTest, DeletingAGroupRemovesOnlyTheWholeEntry) {
    for (const char* name : {"cab", "ab", "abc"}) {
        std::vector<std::string> m = {"X~"};
        ASSERT_TRUE(lists.save_group(name, m));
    }
    lists.delete_group("ab");
    EXPECT_EQ(lists.group_names(), "cab~abc~");
    EXPECT_EQ(lists.read_group("ab"), "");
    EXPECT_EQ(lists.read_group("cab"), "X~");
    EXPECT_TRUE(errors.take().empty());
}

TEST_F(NoteListsTest, FailedWritesAreReported) {
    use_ini(dir.file("missing-folder/Korvadesk.ini"));
    NoteLists broken{app_paths(), test::store_errors()};
    std::vector<std::string> m = {"X~"};
    EXPECT_FALSE(broken.save_group("Team", m));
    EXPECT_EQ(errors.take(), std::vector<std::string>{"Error writing to ini file."});
    EXPECT_FALSE(broken.write_network_mailbox("a~"));
    EXPECT_EQ(errors.take(), std::vector<std::string>{"Error writing to ini file."});
    EXPECT_FALSE(broken.delete_saved_theme_name(91001));
    EXPECT_EQ(errors.take(), std::vector<std::string>{"Error deleting note from ini file."});
}

TEST_F(NoteListsTest, NetworkListLivesInTheNetFileAndSkipsEmptyEntries) {
    ASSERT_TRUE(lists.write_network_list("pc1~~PC2~"));
    EXPECT_EQ(lists.read_network_list(), "pc1~~PC2~");
    EXPECT_EQ(ProfileFile::read(dir.file("Korvadesk.net"), "NETWORK_LIST", "NetList", 100),
              "pc1~~PC2~");
    EXPECT_EQ(non_empty_entries(lists.read_network_list()),
              (std::vector<std::string>{"pc1", "PC2"}));
    // A cut list loses its unterminated last piece.
    EXPECT_EQ(split_list("a~b~c"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(NoteListsTest, TwentyFirstSavedThemeReusesTheFirstSlot) {
    NoteStore store{app_paths(), test::store_errors()};
    EXPECT_EQ(lists.next_saved_theme_number(), 91001);
    for (int i = 0; i < 21; ++i) {
        int number = lists.next_saved_theme_number();
        ASSERT_TRUE(lists.write_saved_theme_name(number, "Theme " + std::to_string(i)));
        store.settings().set_number(Setting::LastSavedThemeNumber, number - 91001 + 1);
    }
    EXPECT_EQ(lists.saved_theme_name(91001), "Theme 20");
    EXPECT_EQ(lists.saved_theme_name(91020), "Theme 19");
    EXPECT_EQ(store.settings().number(Setting::LastSavedThemeNumber), 1);
    EXPECT_TRUE(lists.delete_saved_theme_name(91001));
    EXPECT_EQ(lists.saved_theme_name(91001), "");
}

TEST_F(NoteListsTest, MailboxSlotsAndClearing) {
    ASSERT_TRUE(lists.write_network_mailbox("first~"));
    ASSERT_TRUE(lists.write_network_mailbox("second~", 1));
    EXPECT_EQ(ProfileFile::read(ini, "NOTE_RECEIVED", "NoteData", 100), "first~");
    EXPECT_EQ(ProfileFile::read(ini, "NOTE_RECEIVED", "NoteData1", 100), "second~");
    ASSERT_TRUE(lists.clear_network_mailbox());
    EXPECT_EQ(lists.read_network_mailbox(0), "");
    EXPECT_EQ(lists.read_network_mailbox(1), "");

    ASSERT_TRUE(lists.write_email_mailbox("mail~"));
    EXPECT_EQ(ProfileFile::read(ini, "EMAIL_NOTE_RECEIVED", "EmailNoteData", 100), "mail~");
}

TEST_F(NoteListsTest, LongestMessageComesBackWhole) {
    std::string message(10239, 'x');
    message += '~';
    ASSERT_TRUE(lists.write_network_mailbox(message));
    EXPECT_EQ(lists.read_network_mailbox(), message);
}

TEST_F(NoteListsTest, ExportFileCountAndIndexKeys) {
    const std::string file = dir.file("notes.kvd");
    EXPECT_EQ(NoteLists::exported_notes(file), 0);
    ASSERT_TRUE(ProfileFile::write(file, "KORVADESK", "ExportedNotes", "2"));
    ASSERT_TRUE(ProfileFile::write(file, "KORVADESK", "10002", "Shopping~01022027101500~Export"));
    EXPECT_EQ(NoteLists::exported_notes(file), 2);
    EXPECT_EQ(NoteLists::read_export_index(file, 10002), "Shopping~01022027101500~Export");
    EXPECT_EQ(ProfileFile::read(file, "KORVADESK", "ExportedNotes", 10), "2");
}

}  // namespace
}  // namespace kd

namespace kd {
namespace {

// A settings file copied from a Windows copy: CRLF line ends and names in Windows-1252.
TEST_F(NoteListsTest, WindowsCopyFileShowsItsLettersAndIsSavedAsUtf8) {
    test::write_text(ini,
                     "[NOTE_ID_1]\r\n"
                     "NoteID=1\r\n"
                     "TitleText=Caf\xE9 \xC4pfel \x80 \x93quoted\x94\r\n"
                     "EditFont=Cour\xEE"
                     "er \xDC"
                     "ber\r\n"
                     "EditText={\\rtf1 x}\r\n"
                     "\r\n"
                     "[RECIPIENTS_LIST]\r\n"
                     "ListNames=B\xFCro~\r\n"
                     "B\xFCro=PC1~PC2~\r\n");
    NoteStore store{app_paths(), test::store_errors()};
    NoteRecord r;
    ASSERT_TRUE(store.read_record(1, r));
    EXPECT_EQ(r.TitleText, "Café Äpfel € “quoted”");
    EXPECT_EQ(r.EditFont, "Courîer Über");
    EXPECT_EQ(lists.group_names(), "Büro~");
    EXPECT_EQ(lists.read_group("Büro"), "PC1~PC2~");
    EXPECT_EQ(lists.count_group_members("Büro"), 2);

    // Saved back, the letters are UTF-8 and nothing became U+FFFD.
    ASSERT_TRUE(store.write_record(r));
    std::vector<std::string> members = {"PC3~"};
    ASSERT_TRUE(lists.save_group("Büro", members));
    const std::string text = test::read_text(ini);
    EXPECT_NE(text.find("TitleText=Café Äpfel € “quoted”\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("EditFont=Courîer Über\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ListNames=Büro~\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << text;
    ProfileFile::clear_cache();
    ASSERT_TRUE(store.read_record(1, r));
    EXPECT_EQ(r.TitleText, "Café Äpfel € “quoted”");
    EXPECT_EQ(lists.read_group("Büro"), "PC3~");
}

}  // namespace
}  // namespace kd
