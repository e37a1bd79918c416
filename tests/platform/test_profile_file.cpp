#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/temp_dir.h"
#include "platform/text_encoding.h"

namespace kd {
namespace {

using test::read_text;
using test::TempDir;
using test::write_text;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override { ProfileFile::clear_cache(); }
    TempDir dir;
    std::string ini = dir.file("Korvadesk.ini");
};

TEST_F(ProfileFileTest, ReadsWindowsFileWithCrlfSpacingQuotesAndCase) {
    write_text(ini,
               "; written on Windows\r\n"
               "[KORVADESK]\r\n"
               "NumberOfNotes=3\r\n"
               "  SentFrom  =   Anna Smith   \r\n"
               "DefaultTitle=\"  quoted title  \"\r\n"
               "Single='x'\r\n"
               "Unbalanced=\"open\r\n"
               "Inner=a \"b\" c\r\n"
               "Empty=\r\n"
               "Twice=first\r\n"
               "twice=second\r\n"
               "\r\n"
               "  [ note_id_1 ]  \r\n"
               "EditText=x|y\r\n");
    EXPECT_EQ(ProfileFile::read(ini, "korvadesk", "numberofnotes", 5), "3");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "SENTFROM", 50), "Anna Smith");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "DefaultTitle", 100), "  quoted title  ");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Single", 10), "x");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Unbalanced", 10), "\"open");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Inner", 20), "a \"b\" c");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Empty", 20), "");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Twice", 20), "first");
    EXPECT_EQ(ProfileFile::read(ini, "NOTE_ID_1", "EditText", 20), "x|y");
    EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "Missing", 20), "");
    EXPECT_EQ(ProfileFile::read(ini, "NOSUCH", "NumberOfNotes", 20), "");
    EXPECT_EQ(ProfileFile::read(dir.file("none.ini"), "KORVADESK", "NumberOfNotes", 20), "");

    // A rewrite keeps the Windows line ends and everything else.
    ASSERT_TRUE(ProfileFile::write(ini, "korvadesk", "NUMBEROFNOTES", "4"));
    const std::string text = read_text(ini);
    EXPECT_NE(text.find("NumberOfNotes=4\r\n"), std::string::npos);
    EXPECT_NE(text.find("  SentFrom  =   Anna Smith   \r\n"), std::string::npos);
    EXPECT_NE(text.find("  [ note_id_1 ]  \r\n"), std::string::npos);
}

TEST_F(ProfileFileTest, CutsLongValuesAtCharacterBoundary) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "Ascii", "abcdefghij"));
    EXPECT_EQ(ProfileFile::read(ini, "S", "Ascii", 5), "abcd");
    EXPECT_EQ(ProfileFile::read(ini, "S", "Ascii", 11), "abcdefghij");
    EXPECT_EQ(ProfileFile::read(ini, "S", "Ascii", 1), "");
    EXPECT_EQ(ProfileFile::read(ini, "S", "Ascii", 0), "");

    // "aé€😀": 1 + 2 + 3 + 4 bytes.
    const std::string mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    ASSERT_TRUE(ProfileFile::write(ini, "S", "Utf8", mixed));
    EXPECT_EQ(ProfileFile::read(ini, "S", "Utf8", 3), "a");                      // inside é
    EXPECT_EQ(ProfileFile::read(ini, "S", "Utf8", 4), "a\xC3\xA9");              // after é
    EXPECT_EQ(ProfileFile::read(ini, "S", "Utf8", 6), "a\xC3\xA9");              // inside €
    EXPECT_EQ(ProfileFile::read(ini, "S", "Utf8", 9), "a\xC3\xA9\xE2\x82\xAC");  // inside 😀
    EXPECT_EQ(ProfileFile::read(ini, "S", "Utf8", 11), mixed);

    // Windows-1252 bytes are not UTF-8: cut where the capacity says, then read as UTF-8.
    ASSERT_TRUE(ProfileFile::write(ini, "S", "Latin", "caf\xE9s\xE9"));
    EXPECT_EQ(ProfileFile::read(ini, "S", "Latin", 5), "caf\xC3\xA9");
    // A value of capacity - 1 Windows-1252 bytes is kept whole though it grows as UTF-8.
    EXPECT_EQ(ProfileFile::read(ini, "S", "Latin", 7), "caf\xC3\xA9s\xC3\xA9");
    EXPECT_EQ(cut_at_char_boundary("\x80\x80\x80\x80\x80", 2), "\x80\x80");
}

TEST_F(ProfileFileTest, WritesPreserveUnrelatedContent) {
    write_text(ini,
               "# kept comment\n"
               "orphan=before any section\n"
               "[First]\n"
               "a=1\n"
               "; note about b\n"
               "b=2\n"
               "\n"
               "[Second]\n"
               "c=3\n");
    ASSERT_TRUE(ProfileFile::write(ini, "first", "B", "two"));       // replace, keeps key case
    ASSERT_TRUE(ProfileFile::write(ini, "FIRST", "new", "x"));       // appended to its section
    ASSERT_TRUE(ProfileFile::write(ini, "Third", "d", " spaced "));  // new section at the end
    EXPECT_EQ(read_text(ini),
              "# kept comment\n"
              "orphan=before any section\n"
              "[First]\n"
              "a=1\n"
              "; note about b\n"
              "b=two\n"
              "new=x\n"
              "\n"
              "[Second]\n"
              "c=3\n"
              "\n"
              "[Third]\n"
              "d= spaced \n");
    EXPECT_EQ(ProfileFile::read(ini, "Third", "d", 20), "spaced");
    EXPECT_EQ(ProfileFile::read(ini, "First", "orphan", 20), "");

    ASSERT_TRUE(ProfileFile::delete_key(ini, "first", "A"));
    ASSERT_TRUE(ProfileFile::delete_section(ini, "second"));
    ASSERT_TRUE(ProfileFile::delete_key(ini, "First", "never-there"));
    ASSERT_TRUE(ProfileFile::delete_section(ini, "never-there"));
    EXPECT_EQ(read_text(ini),
              "# kept comment\n"
              "orphan=before any section\n"
              "[First]\n"
              "; note about b\n"
              "b=two\n"
              "new=x\n"
              "\n"
              "[Third]\n"
              "d= spaced \n");
    EXPECT_FALSE(ProfileFile::has_section(ini, "Second"));
    EXPECT_TRUE(ProfileFile::has_section(ini, "third"));
}

TEST_F(ProfileFileTest, CreatesFileAndKeepsByteOrderMark) {
    ASSERT_TRUE(ProfileFile::write(ini, "KORVADESK", "Version", "5.lan"));
    EXPECT_EQ(read_text(ini), "[KORVADESK]\nVersion=5.lan\n");
    // Nothing else is left in the folder.
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1);

    const std::string bom_file = dir.file("bom.ini");
    write_text(bom_file, "\xEF\xBB\xBF[KORVADESK]\nPlaySound=No\n");
    EXPECT_EQ(ProfileFile::read(bom_file, "KORVADESK", "PlaySound", 10), "No");
    ASSERT_TRUE(ProfileFile::write(bom_file, "KORVADESK", "PlaySound", "Yes"));
    EXPECT_EQ(read_text(bom_file), "\xEF\xBB\xBF[KORVADESK]\nPlaySound=Yes\n");
}

TEST_F(ProfileFileTest, RefusesWhatCouldNotBeReadBack) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "v"));
    const std::string before = read_text(ini);
    EXPECT_FALSE(ProfileFile::write(ini, "S", "k", "line1\nline2"));
    EXPECT_FALSE(ProfileFile::write(ini, "S", "k", "a\r[Evil]"));
    EXPECT_FALSE(ProfileFile::write(ini, "S", "k=x", "v"));
    EXPECT_FALSE(ProfileFile::write(ini, "S", "", "v"));
    EXPECT_FALSE(ProfileFile::write(ini, "S]x", "k", "v"));
    EXPECT_FALSE(ProfileFile::write(ini, "", "k", "v"));
    EXPECT_FALSE(ProfileFile::write(ini, "S", " k", "v"));
    EXPECT_EQ(read_text(ini), before);
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 10), "v");
}

TEST_F(ProfileFileTest, FailedWritesReturnFalse) {
    EXPECT_FALSE(ProfileFile::write(dir.file("missing/Korvadesk.ini"), "S", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    EXPECT_FALSE(ProfileFile::write("", "S", "k", "v"));

    const std::string folder = dir.file("folder.ini");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(ProfileFile::write(folder, "S", "k", "v"));
    EXPECT_EQ(ProfileFile::read(folder, "S", "k", 10), "");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(ProfileFileTest, EditsAcrossSectionsAreOneReplaceOrNothing) {
    write_text(ini,
               "[KORVADESK]\nNumberOfNotes=3\n\n[NOTE_ID_2]\nNoteID=2\n\n[NOTE_ID_3]\n"
               "NoteID=3\n\n[NOTE_RECEIVED]\nNoteData=a~\nNoteData1=b~\n");
    ProfileEdit edit;
    edit.set("NOTE_ID_1", "NoteID", "1");
    edit.set("NOTE_ID_1", "TitleText", "moved");
    edit.remove_section("note_id_2");
    edit.remove_section("NOTE_ID_3");
    edit.remove_key("NOTE_RECEIVED", "NoteData");
    edit.set("korvadesk", "NumberOfNotes", "1");
    const auto before = ProfileFile::replace_count();
    ASSERT_TRUE(ProfileFile::apply(ini, edit));
    EXPECT_EQ(ProfileFile::replace_count() - before, 1u);
    EXPECT_EQ(read_text(ini),
              "[KORVADESK]\nNumberOfNotes=1\n\n[NOTE_RECEIVED]\nNoteData1=b~\n\n"
              "[NOTE_ID_1]\nNoteID=1\nTitleText=moved\n");
    EXPECT_EQ(ProfileFile::keys(ini, "note_received"), std::vector<std::string>{"NoteData1"});

    // One refused change refuses the whole edit.
    const std::string kept = read_text(ini);
    ProfileEdit bad;
    bad.set("KORVADESK", "NumberOfNotes", "9");
    bad.set("KORVADESK", "Split", "line\nNOTE_ID_9=x");
    EXPECT_FALSE(ProfileFile::apply(ini, bad));
    EXPECT_EQ(read_text(ini), kept);
    // Nothing changed: nothing written.
    ProfileEdit same;
    same.set("KORVADESK", "NumberOfNotes", "1");
    EXPECT_TRUE(ProfileFile::apply(ini, same));
    EXPECT_TRUE(ProfileFile::apply(ini, ProfileEdit{}));
    EXPECT_EQ(ProfileFile::replace_count() - before, 1u);
}

TEST_F(ProfileFileTest, RunOfRemovedKeysActsAsEachOneAlone) {
    // Duplicates, both sections of a name, any case; the same key elsewhere and keys before
    // the first section stay.
    write_text(ini,
               "NoteData=before\n[NOTE_RECEIVED]\nNoteData=a~\nNoteData1=b~\nnotedata=dup~\n"
               "NoteData2=c~\n\n[OTHER]\nNoteData=other\n\n[note_received]\nNOTEDATA1=d~\n");
    ProfileEdit edit;
    edit.remove_key("NOTE_RECEIVED", "NoteData");
    edit.remove_key("Note_Received", "notedata1");
    edit.remove_key("NOTE_RECEIVED", "Missing");
    edit.set("NOTE_RECEIVED", "NoteData3", "e~");
    edit.remove_key("NOTE_RECEIVED", "NoteData2");
    ASSERT_TRUE(ProfileFile::apply(ini, edit));
    EXPECT_EQ(read_text(ini),
              "NoteData=before\n[NOTE_RECEIVED]\nNoteData3=e~\n\n[OTHER]\nNoteData=other\n\n"
              "[note_received]\n");
}

TEST_F(ProfileFileTest, ReadOnlyFilesAndFoldersAreRefused) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "v"));
    EXPECT_TRUE(ProfileFile::writable(ini));
    EXPECT_TRUE(ProfileFile::writable(dir.file("new.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini")));
    // The probe leaves nothing behind: the folder holds the settings file alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);

    // Marked read-only: refused even for root, and the file keeps its mode and content.
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    EXPECT_FALSE(ProfileFile::writable(ini));
    EXPECT_FALSE(ProfileFile::write(ini, "S", "k", "w"));
    EXPECT_FALSE(ProfileFile::delete_section(ini, "S"));
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(read_text(ini), "[S]\nk=v\n");

    // A folder that takes no new file (a missing one here; read-only mounts are tried on the
    // real program).
    EXPECT_FALSE(ProfileFile::writable(dir.file("missing/Korvadesk.ini")));
    EXPECT_FALSE(ProfileFile::writable(""));
}

TEST_F(ProfileFileTest, WritesThroughSymbolicLink) {
    const std::string real = dir.file("real.ini");
    write_text(real, "[S]\nk=1\n");
    std::filesystem::create_symlink(real, ini);
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(ini));
    EXPECT_EQ(read_text(real), "[S]\nk=2\n");
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 10), "2");
}

TEST_F(ProfileFileTest, SeesChangesMadeBehindItsBack) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "first"));
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "first");

    // Rewritten in place by an editor (same inode, other size).
    write_text(ini, "[S]\nk=edited\n");
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "edited");

    // Replaced by another file of the same size (new inode).
    const std::string other = dir.file("other.ini");
    write_text(other, "[S]\nk=EDITED\n");
    std::filesystem::rename(other, ini);
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "EDITED");

    // Removed.
    std::filesystem::remove(ini);
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "");

    // Written by another process; our next write must keep its key.
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "ours"));
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "ours");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ok = ProfileFile::write(ini, "S", "k", "theirs") &&
                        ProfileFile::write(ini, "S", "child", "yes");
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "theirs");
    ASSERT_TRUE(ProfileFile::write(ini, "S", "parent", "yes"));
    EXPECT_EQ(read_text(ini), "[S]\nk=theirs\nchild=yes\nparent=yes\n");
}

TEST_F(ProfileFileTest, ASnapshotReadsWithoutLookingAtTheDiskAndTakesItsOwnChanges) {
    write_text(ini, "[S]\nk=first\n");
    {
        const ProfileFile::Snapshot snapshot(ini);
        const auto checks = ProfileFile::disk_check_count();
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "first");
            EXPECT_TRUE(ProfileFile::has_section(ini, "S"));
            EXPECT_EQ(ProfileFile::keys(ini, "S").size(), 1u);
        }
        EXPECT_EQ(ProfileFile::disk_check_count(), checks);

        // Another program's change waits for the end of the scope; our own is read at once
        // and written over nothing of theirs.
        const std::string other = dir.file("other.ini");
        write_text(other, "[S]\nk=theirs\nt=yes\n");
        std::filesystem::rename(other, ini);
        EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "first");
        ASSERT_TRUE(ProfileFile::write(ini, "S", "ours", "yes"));
        EXPECT_EQ(ProfileFile::read(ini, "S", "ours", 20), "yes");
        EXPECT_EQ(ProfileFile::read(ini, "S", "t", 20), "yes");
        {
            const ProfileFile::Snapshot nested(ini);
            write_text(ini, "[S]\nk=edited\n");
        }
        EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "theirs") << "the outer scope holds";
    }
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 20), "edited");

    // A scope on a file that is not there yet sees the file the first change makes.
    const std::string fresh = dir.file("fresh.ini");
    const ProfileFile::Snapshot snapshot(fresh);
    EXPECT_EQ(ProfileFile::read(fresh, "S", "k", 20), "");
    ASSERT_TRUE(ProfileFile::write(fresh, "S", "k", "new"));
    EXPECT_EQ(ProfileFile::read(fresh, "S", "k", 20), "new");
}

TEST_F(ProfileFileTest, ThreadsAndProcessesDoNotLoseWrites) {
    constexpr int kWriters = 3;
    constexpr int kKeys = 15;
    // Two processes with two threads each, all writing their own keys into one file.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const std::string who = child == 0 ? "c" : "p";
    std::vector<std::thread> threads;
    for (int t = 0; t < kWriters; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = who + std::to_string(t) + "_" + std::to_string(k);
                ProfileFile::write(ini, "S", key, key);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    if (child == 0) {
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (const std::string p : {"c", "p"}) {
        for (int t = 0; t < kWriters; ++t) {
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = p + std::to_string(t) + "_" + std::to_string(k);
                EXPECT_EQ(ProfileFile::read(ini, "S", key, 20), key);
            }
        }
    }
}

// A writer killed at any moment leaves a file in which every key has its old or a new value.
TEST_F(ProfileFileTest, SurvivesWriterKilledMidWay) {
    constexpr int kKeys = 20;
    const std::string padding(200, 'p');
    std::string seed = "[Other]\nkeep=me\n\n[S]\n";
    for (int k = 0; k < kKeys; ++k) {
        seed += "k" + std::to_string(k) + "=old" + std::to_string(k) + "\n";
    }
    for (int round = 0; round < 5; ++round) {
        write_text(ini, seed);
        ProfileFile::clear_cache();
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            // Bounded, so a failing parent never leaves it running for long.
            for (int n = 0; n < 20000; ++n) {
                const int k = n % kKeys;
                ProfileFile::write(ini, "S", "k" + std::to_string(k),
                                   "new" + std::to_string(k) + "-" + std::to_string(n) + padding);
                if (n == 0) {
                    const char c = 1;
                    (void)!::write(ready[1], &c, 1);
                }
            }
            _exit(0);
        }
        close(ready[1]);
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + 7 * round));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        EXPECT_EQ(ProfileFile::read(ini, "Other", "keep", 10), "me");
        int new_values = 0;
        for (int k = 0; k < kKeys; ++k) {
            const std::string v = ProfileFile::read(ini, "S", "k" + std::to_string(k), 1024);
            const std::string old_value = "old" + std::to_string(k);
            const std::string new_prefix = "new" + std::to_string(k) + "-";
            const bool is_new = v.rfind(new_prefix, 0) == 0 && v.size() > padding.size() &&
                                v.compare(v.size() - padding.size(), padding.size(), padding) == 0;
            EXPECT_TRUE(v == old_value || is_new) << "round " << round << " key " << k << ": " << v;
            new_values += is_new ? 1 : 0;
        }
        EXPECT_GT(new_values, 0) << "the writer made no progress before it was killed";
        // The next writer is not hindered by whatever the killed one left behind.
        ASSERT_TRUE(ProfileFile::write(ini, "Other", "after", "yes"));
        EXPECT_EQ(ProfileFile::read(ini, "Other", "after", 10), "yes");
    }
}

}  // namespace
}  // namespace kd

namespace kd {
namespace {

TEST(TextEncoding, ValidUtf8StaysAndEverythingElseIsWindows1252) {
    EXPECT_TRUE(is_valid_utf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(is_valid_utf8("caf\xE9"));
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(is_valid_utf8("\xE2\x82"));          // cut short
    EXPECT_EQ(text_as_utf8("caf\xC3\xA9"), "caf\xC3\xA9");
    // Every byte of the upper half has a character; the five unused ones keep their value.
    EXPECT_EQ(text_as_utf8("\x80\x81\x9F\xA0\xFF"), "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC2\xA0\xC3\xBF");
    std::string all;
    for (int b = 0x80; b <= 0xFF; ++b)
        all += char(b);
    EXPECT_TRUE(is_valid_utf8(windows_1252_to_utf8(all)));
}

}  // namespace
}  // namespace kd
