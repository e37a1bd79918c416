// A settings file on a disk that is full: every write is reported with the program's message,
// the file keeps its old contents byte for byte, and writing works again once there is room.
// The disk is a small tmpfs mounted in a mount namespace of a forked child, so nothing outside
// the test sees it; that needs root.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "store/store_texts.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Fills the file system holding `path` until it refuses another byte.
bool fill_disk(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const std::vector<char> block(4096, 'x');
    std::setvbuf(f, nullptr, _IONBF, 0);
    for (int i = 0; i < 100000; ++i) {
        if (std::fwrite(block.data(), 1, block.size(), f) != block.size()) {
            break;
        }
    }
    // Single bytes take the last partial page.
    while (std::fwrite("x", 1, 1, f) == 1) {
    }
    std::fclose(f);
    return true;
}

NoteRecord sample_record(const char* title) {
    NoteRecord r;
    r.NoteID = 1;
    r.EditText = "{\\rtf1 keep me}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = title;
    r.TitleFont = "Arial";
    r.TitleFontSize = 8;
    r.Width = 200;
    r.Height = 150;
    r.Minimized = "No";
    r.Hidden = "No";
    r.Border = "No";
    return r;
}

// The child's steps; the exit code names the first that failed.
enum Step : int {
    kOk = 0,
    kNamespace = 10,
    kMount,
    kFirstWrite,
    kFill,
    kSettingReported,
    kSettingFileKept,
    kRecordReported,
    kRecordFileKept,
    kOldValuesRead,
    kWriteAfterRoom,
    kNoTempLeft,
};

int run_on_full_disk(const std::string& folder) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return kNamespace;
    }
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
        return kMount;
    }
    const std::string ini = folder + "/" + kIniFileName;
    AppPaths paths;
    paths.IniPath = ini;
    paths.NetListPath = folder + "/" + kNetListFileName;
    set_app_paths(paths);
    ProfileFile::clear_cache();
    test::ErrorRecorder errors;
    const NoteStore store{app_paths(), test::store_errors()};
    store.settings().set_text(Setting::DefaultTitle, "Old title");
    if (!store.write_record(sample_record("Old note")) || !errors.messages.empty()) {
        return kFirstWrite;
    }
    const std::string before = contents(ini);
    const std::string filler = folder + "/filler";
    if (!fill_disk(filler)) {
        return kFill;
    }

    store.settings().set_text(Setting::DefaultTitle, "New title");
    if (errors.take() != std::vector<std::string>{std::string(store_texts::kErrorWritingIni)}) {
        return kSettingReported;
    }
    if (contents(ini) != before) {
        return kSettingFileKept;
    }
    if (store.write_record(sample_record("New note")) ||
        errors.take() != std::vector<std::string>{std::string(store_texts::kErrorWritingNote)}) {
        return kRecordReported;
    }
    if (contents(ini) != before) {
        return kRecordFileKept;
    }
    ProfileFile::clear_cache();
    NoteRecord read;
    if (store.settings().text(Setting::DefaultTitle) != "Old title" ||
        !store.read_record(1, read) || read.TitleText != "Old note") {
        return kOldValuesRead;
    }

    std::remove(filler.c_str());
    store.settings().set_text(Setting::DefaultTitle, "New title");
    if (!errors.messages.empty() || store.settings().text(Setting::DefaultTitle) != "New title") {
        return kWriteAfterRoom;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("Korvadesk.ini.tmp")) {
            return kNoTempLeft;
        }
    }
    ::umount(folder.c_str());
    return kOk;
}

TEST(FullDisk, WriteIsReportedAndTheOldFileStays) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs as a full disk needs root";
    }
    test::TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(run_on_full_disk(dir.path()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const int step = WEXITSTATUS(status);
    if (step == kNamespace || step == kMount) {
        GTEST_SKIP() << "this machine does not allow a private tmpfs mount (step " << step << ")";
    }
    EXPECT_EQ(step, kOk) << "first failing step, see enum Step";
}

}  // namespace
}  // namespace kd
