// The windowless rules of the note file commands: names, messages, the saved text and the
// reading and removing of files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "files/note_file_rules.h"

namespace kd {
namespace {

TEST(NoteFileRulesTest, ExtensionsAreLowerCasedAndTakenFromTheFileNameOnly) {
    EXPECT_EQ(file_extension("/home/a/Notes.TXT"), "txt");
    EXPECT_EQ(file_extension("/home/a.b/notes"), "");
    EXPECT_EQ(file_extension("list.tar.Rtf"), "rtf");
}

TEST(NoteFileRulesTest, MessagesQuoteThePathInDoubledSingleQuotes) {
    EXPECT_EQ(proposed_text_file_name("Meeting: 10:30"), "Meeting 1030");
    EXPECT_EQ(path_message("Can not open file", "/tmp/a b.txt"),
              "Can not open file ''/tmp/a b.txt''");
    EXPECT_EQ(existing_file_question("/tmp/a.txt", true),
              "Selected file \"/tmp/a.txt\" already exist.\nIf you want to Append existing file "
              "click \"No\".\nDo you want to Replace and delete contents of the existing file ?");
    EXPECT_EQ(existing_file_question("/tmp/a.rtf", false),
              "Selected file \"/tmp/a.rtf\" already exist.\nDo you want to Replace and delete "
              "contents of the existing file ?");
    EXPECT_EQ(pictures_not_deleted_message("Note.bmp Note.jpg "),
              "Note.bmp Note.jpg  Error deleting temporary note picture file(s).");
    // A "%s" in the path is not a pattern.
    EXPECT_EQ(path_message("Can not open file", "/tmp/%s.txt"),
              "Can not open file ''/tmp/%s.txt''");
}

TEST(NoteFileRulesTest, SavedTextLosesCarriageReturnsAndAppendsAfterAnEmptyLine) {
    EXPECT_EQ(text_to_save("a\r\nb\r", false), "a\nb");
    EXPECT_EQ(text_to_save("second", true), "\n\nsecond");
}

TEST(NoteFileRulesTest, FilterPairsBecomeDialogFilters) {
    EXPECT_EQ(dialog_name_filter("Text Document (*.txt)|*.txt|Supported text files "
                                 "(*.txt;*.rtf)|*.txt;*.rtf|"),
              "Text Document (*.txt);;Supported text files (*.txt *.rtf)");
    EXPECT_EQ(dialog_name_filter("Pictures|*.bmp|"), "Pictures (*.bmp)");
}

class NoteFileRulesFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kd_rules_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_;
};

TEST_F(NoteFileRulesFilesTest, TextFilesReadWholeWithUnixLineEnds) {
    const std::string path = dir_ + "/in.txt";
    std::string long_line(5000, 'x');  // longer than one read of a line
    std::ofstream(path, std::ios::binary) << "one\r\ntwo\r\n" << long_line << "\rend";
    std::string text;
    ASSERT_TRUE(read_text_file(path, text));
    EXPECT_EQ(text, "one\ntwo\n" + long_line + "\rend");
    EXPECT_FALSE(read_text_file(dir_ + "/missing.txt", text));
}

TEST_F(NoteFileRulesFilesTest, WritingReplacesOrAppends) {
    const std::string path = dir_ + "/out.txt";
    ASSERT_TRUE(write_text_file(path, "first", false));
    ASSERT_TRUE(write_text_file(path, text_to_save("second", true), true));
    std::string text;
    ASSERT_TRUE(read_text_file(path, text));
    EXPECT_EQ(text, "first\n\nsecond");
    ASSERT_TRUE(write_text_file(path, "new", false));
    ASSERT_TRUE(read_text_file(path, text));
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(write_text_file(dir_ + "/no/such/folder.txt", "x", false));
    EXPECT_FALSE(write_text_file(dir_, "x", false)) << "a folder is no file";
}

TEST_F(NoteFileRulesFilesTest, TemporaryPicturesAreRemovedWhereTheyExist) {
    std::ofstream(dir_ + "/Note.bmp") << "b";
    std::ofstream(dir_ + "/Note.jpg") << "j";
    std::ofstream(dir_ + "/Other.bmp") << "o";
    EXPECT_EQ(delete_picture_files(dir_), "");
    for (const char* name : {"/Note.bmp", "/Note24.bmp", "/Note.jpg"})
        EXPECT_NE(access((dir_ + name).c_str(), F_OK), 0) << name;
    EXPECT_EQ(access((dir_ + "/Other.bmp").c_str(), F_OK), 0);
    // One that cannot go (a folder of that name) is named in the list.
    ASSERT_EQ(mkdir((dir_ + "/Note24.bmp").c_str(), 0700), 0);
    std::ofstream(dir_ + "/Note24.bmp/x") << "x";
    EXPECT_EQ(delete_picture_files(dir_), "Note24.bmp ");
}

TEST_F(NoteFileRulesFilesTest, FileDialogsStartWhereTheirKindOfFileWasLastChosenElseAtHome) {
    RecentFolders folders;
    EXPECT_EQ(folders.start_folder("kvd", "/home/ann"), "/home/ann");
    folders.chose("kvd", dir_ + "/notes.kvd");
    folders.chose("txt", "/no/such/folder/a.txt");
    EXPECT_EQ(folders.start_folder("kvd", "/home/ann"), dir_);
    EXPECT_EQ(folders.start_folder("bmp", "/home/ann"), "/home/ann") << "another kind";
    EXPECT_EQ(folders.start_folder("txt", "/home/ann"), "/home/ann") << "a folder that is gone";
    folders.chose("kvd", "/tmp/other.kvd");
    EXPECT_EQ(folders.start_folder("kvd", "/home/ann"), "/tmp") << "the last choice counts";
}

}  // namespace
}  // namespace kd
