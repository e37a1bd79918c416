#include <gtest/gtest.h>

#include <filesystem>

#include "platform/backup_files.h"
#include "platform/temp_dir.h"

namespace kd {
namespace {

using test::read_text;
using test::TempDir;
using test::write_text;

TEST(BackupFiles, FourStartsKeepTheLastThreeVersionsNewestFirst) {
    TempDir dir;
    const std::string ini = dir.file("Korvadesk.ini");
    // Start 1 finds no file; each start then writes its own version.
    for (int start = 1; start <= 4; ++start) {
        EXPECT_TRUE(keep_backups(ini));
        write_text(ini, "[KORVADESK]\nStart=" + std::to_string(start) + "\n");
    }
    EXPECT_EQ(read_text(backup_path(ini, 1)), "[KORVADESK]\nStart=3\n");
    EXPECT_EQ(read_text(backup_path(ini, 2)), "[KORVADESK]\nStart=2\n");
    EXPECT_EQ(read_text(backup_path(ini, 3)), "[KORVADESK]\nStart=1\n");

    // A fifth start drops the oldest; nothing beyond three is kept.
    EXPECT_TRUE(keep_backups(ini));
    EXPECT_EQ(read_text(backup_path(ini, 1)), "[KORVADESK]\nStart=4\n");
    EXPECT_EQ(read_text(backup_path(ini, 3)), "[KORVADESK]\nStart=2\n");
    EXPECT_FALSE(std::filesystem::exists(backup_path(ini, 4)));
    EXPECT_FALSE(std::filesystem::exists(backup_path(ini, 1) + ".tmp"));
    EXPECT_EQ(read_text(ini), "[KORVADESK]\nStart=4\n") << "the file itself stays";
}

TEST(BackupFiles, EmptyOrUnchangedFilesDoNotPushGoodCopiesOut) {
    TempDir dir;
    const std::string ini = dir.file("Korvadesk.ini");
    write_text(ini, "good 1");
    keep_backups(ini);
    write_text(ini, "good 2");
    keep_backups(ini);

    // Restarting without changes, or after something emptied the file, keeps both copies.
    keep_backups(ini);
    write_text(ini, "");
    keep_backups(ini);
    EXPECT_EQ(read_text(backup_path(ini, 1)), "good 2");
    EXPECT_EQ(read_text(backup_path(ini, 2)), "good 1");
    EXPECT_FALSE(std::filesystem::exists(backup_path(ini, 3)));
}

TEST(BackupFiles, MissingFileOrUnwritableFolderLeavesThingsAsTheyAre) {
    TempDir dir;
    EXPECT_TRUE(keep_backups(dir.file("missing.ini")));
    EXPECT_FALSE(std::filesystem::exists(backup_path(dir.file("missing.ini"), 1)));

    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const std::string ini = dir.file("Korvadesk.ini");
    write_text(ini, "notes");
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(keep_backups(ini));
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(read_text(ini), "notes");
}

}  // namespace
}  // namespace kd
