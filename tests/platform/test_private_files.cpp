// What other users and planted files can do to the files we write: nothing. New files and
// folders are private, a temporary never opens what someone put at its name, a FIFO where a
// file should be is not waited for, and a lock held by another process delays a write only a
// moment.
#include "platform/private_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/autostart.h"
#include "platform/backup_files.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::read_text;
using test::TempDir;
using test::write_text;

mode_t mode_of(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool is_fifo(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Runs `work` in a child process: true when it ended within `limit` and returned true. A child
// stuck on a FIFO is killed, so a fault fails the test instead of hanging it.
bool finishes_within(const std::function<bool()>& work, std::chrono::milliseconds limit) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(work() ? 0 : 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A process that holds flock on `path` until it is killed.
class LockHolder {
public:
    explicit LockHolder(const std::string& path) {
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDONLY);
            const char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 1 : 0;
            (void)!::write(ready[1], &c, 1);
            ::pause();
            ::_exit(0);
        }
        char c = 0;
        held_ = ::read(ready[0], &c, 1) == 1 && c == 1;
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockHolder() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool held() const { return held_; }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

class PrivateFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        old_umask_ = ::umask(022);
    }
    void TearDown() override { ::umask(old_umask_); }

    // The names the next temporary of `target` will try, in order.
    // (Seeds the sequence; computing the names does not use them up.)
    std::vector<std::string> next_temporaries(const std::string& target, int count) {
        const std::uint64_t seed = 0x5eed0000u + ++seeds_;
        seed_unique_names(seed);
        last_seed_ = seed;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(target + ".tmp." + unique_suffix(seed, i));
        }
        return names;
    }

    TempDir dir;
    std::string ini = dir.file("Korvadesk.ini");
    mode_t old_umask_ = 0;
    int seeds_ = 0;
    std::uint64_t last_seed_ = 0;
};

TEST_F(PrivateFilesTest, NewFilesAndFoldersArePrivateExistingOnesKeepTheirMode) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "v"));
    EXPECT_EQ(mode_of(ini), 0600u);
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "w"));
    EXPECT_EQ(mode_of(ini), 0640u) << "the user's choice for an existing file stays";

    // Backups of a file others may read are still private.
    ASSERT_TRUE(keep_backups(ini));
    EXPECT_EQ(mode_of(backup_path(ini, 1)), 0600u);
    EXPECT_EQ(read_text(backup_path(ini, 1)), "[S]\nk=w\n");

    const std::string config = dir.file("home/.config");
    ASSERT_TRUE(make_private_folders(config));
    EXPECT_EQ(mode_of(dir.file("home")), 0700u);
    EXPECT_EQ(mode_of(config), 0700u);
    ASSERT_EQ(::chmod(config.c_str(), 0755), 0);
    ASSERT_TRUE(make_private_folders(config + "/korvadesk"));
    EXPECT_EQ(mode_of(config), 0755u) << "a folder that exists keeps its mode";

    std::string error;
    ASSERT_TRUE(set_autostart(config, true, "/usr/bin/korvadesk", error)) << error;
    EXPECT_EQ(mode_of(config + "/autostart"), 0700u);
    EXPECT_EQ(mode_of(autostart_file(config)), 0600u);

    ::setenv("XDG_CONFIG_HOME", dir.file("fresh/config").c_str(), 1);
    const AppPaths paths = compute_app_paths();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(mode_of(dir.file("fresh/config")), 0700u);
    EXPECT_EQ(paths.IniPath, dir.file("fresh/config/Korvadesk.ini"));
}

TEST_F(PrivateFilesTest, NothingPlantedAtATemporaryNameIsOpenedOrChanged) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "old"));
    const std::string victim = dir.file("victim");
    write_text(victim, "precious");
    // The old fixed name, and the first names the next replace will try.
    const std::vector<std::string> names = next_temporaries(ini, 4);
    ASSERT_EQ(::mkfifo((ini + ".tmp").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo(names[0].c_str(), 0666), 0);
    fs::create_symlink(victim, names[1]);
    fs::create_directory(names[2]);
    write_text(names[3], "someone's file");

    EXPECT_TRUE(finishes_within([&] { return ProfileFile::write(ini, "S", "k", "new"); }, 3s));
    EXPECT_EQ(read_text(ini), "[S]\nk=new\n");
    EXPECT_EQ(mode_of(ini), 0600u);
    EXPECT_EQ(read_text(victim), "precious");
    EXPECT_TRUE(is_fifo(ini + ".tmp"));
    EXPECT_TRUE(is_fifo(names[0]));
    EXPECT_TRUE(fs::is_symlink(names[1]));
    EXPECT_TRUE(fs::is_directory(names[2]));
    EXPECT_EQ(read_text(names[3]), "someone's file");
    // Beside the planted things, only the file: no temporary of ours stays.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 7);

    // The same for the other files we replace.
    const std::vector<std::string> backup_names = next_temporaries(backup_path(ini, 1), 1);
    ASSERT_EQ(::mkfifo(backup_names[0].c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo((backup_path(ini, 1) + ".tmp").c_str(), 0666), 0);
    EXPECT_TRUE(finishes_within([&] { return keep_backups(ini); }, 3s));
    EXPECT_EQ(read_text(backup_path(ini, 1)), "[S]\nk=new\n");

    const std::string config = dir.file("config");
    const std::string entry = autostart_file(config);
    ASSERT_TRUE(make_private_folders(config + "/autostart"));
    const std::vector<std::string> entry_names = next_temporaries(entry, 1);
    ASSERT_EQ(::mkfifo(entry_names[0].c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo((entry + ".tmp").c_str(), 0666), 0);
    std::string error;
    EXPECT_TRUE(finishes_within([&] { return set_autostart(config, true, "/bin/kd", error); }, 3s));
    EXPECT_NE(read_text(entry).find("Exec=/bin/kd\n"), std::string::npos);
}

TEST_F(PrivateFilesTest, WhenEveryNameIsTakenTheWriteFailsAndTheFileStays) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "v"));
    for (const std::string& name : next_temporaries(ini, kUniqueNameAttempts)) {
        fs::create_directory(name);
    }
    EXPECT_FALSE(ProfileFile::write(ini, "S", "k", "w"));
    seed_unique_names(last_seed_);
    EXPECT_FALSE(ProfileFile::delete_section(ini, "S"));
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 10), "v");
    EXPECT_EQ(read_text(ini), "[S]\nk=v\n");
}

TEST_F(PrivateFilesTest, TemporariesLeftByKilledWritersGoAtTheNextStart) {
    write_text(ini, "[S]\nk=v\n");
    const auto age = [](const std::string& path) {
        const timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW), 0);
    };
    const std::string left = ini + ".tmp.abc123";
    const std::string left_copy = backup_path(ini, 1) + ".tmp.XYZ789";
    const std::string at_work = ini + ".tmp.def456";
    const std::string other = ini + ".tmp.mine";
    const std::string fifo = ini + ".tmp.fifo01";
    for (const std::string& name : {left, left_copy, at_work, other}) {
        write_text(name, "[S]\n");
    }
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : {left, left_copy, other, fifo}) {
        age(name);
    }
    EXPECT_TRUE(keep_backups(ini));
    EXPECT_FALSE(fs::exists(left));
    EXPECT_FALSE(fs::exists(left_copy));
    EXPECT_TRUE(fs::exists(at_work)) << "a writer at work keeps its temporary";
    EXPECT_TRUE(fs::exists(other)) << "not a name of ours";
    EXPECT_TRUE(is_fifo(fifo)) << "not a file of ours";
}

TEST_F(PrivateFilesTest, AFifoWhereAFileShouldBeIsNotWaitedFor) {
    ASSERT_EQ(::mkfifo(ini.c_str(), 0666), 0);
    EXPECT_TRUE(finishes_within(
        [&] {
            ProfileFile::clear_cache();
            return ProfileFile::read(ini, "S", "k", 10).empty() &&
                   !ProfileFile::write(ini, "S", "k", "v") && !ProfileFile::writable(ini) &&
                   keep_backups(ini) && open_regular_for_reading(ini) < 0 &&
                   open_regular_for_writing(ini, false) < 0 &&
                   open_regular_stream(ini, "ab") == nullptr;
        },
        3s));
    EXPECT_TRUE(is_fifo(ini));
    EXPECT_FALSE(fs::exists(backup_path(ini, 1)));

    // A regular file is opened as asked: created private, truncated or appended.
    const std::string text = dir.file("note.txt");
    std::FILE* out = open_regular_stream(text, "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("one", out);
    std::fclose(out);
    out = open_regular_stream(text, "ab");
    ASSERT_NE(out, nullptr);
    std::fputs(" two", out);
    std::fclose(out);
    EXPECT_EQ(read_text(text), "one two");
    EXPECT_EQ(mode_of(text), 0600u);
}

TEST_F(PrivateFilesTest, ALockHeldByAnotherProcessDelaysAWriteOnlyAMomentAndOnce) {
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "0"));
    LockHolder folder(dir.path());
    ASSERT_TRUE(folder.held());
    LockHolder file(ini);
    ASSERT_TRUE(file.held());

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ProfileFile::write(ini, "S", "k", "1"));
    const auto first = std::chrono::steady_clock::now() - start;
    EXPECT_LT(first, 1s) << "no holder keeps a write waiting";
    const auto again = std::chrono::steady_clock::now();
    for (int n = 2; n <= 20; ++n) {
        ASSERT_TRUE(ProfileFile::write(ini, "S", "k", std::to_string(n)));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - again, first + 500ms)
        << "while it keeps holding, later writes do not wait for it again";
    EXPECT_EQ(ProfileFile::read(ini, "S", "k", 10), "20");
}

TEST_F(PrivateFilesTest, AFileLockIsHeldByOneAtATimeAndGoesWithItsHolder) {
    const std::string path = dir.file("instance.lock");
    {
        FileLock first(path);
        ASSERT_TRUE(first.try_lock());
        EXPECT_EQ(mode_of(path), 0600u);
        EXPECT_EQ(first.holder(), static_cast<long>(::getpid()));
        FileLock second(path);
        EXPECT_FALSE(second.try_lock()) << "held, also against this same process";
        first.unlock();
        EXPECT_TRUE(second.try_lock());
    }
    FileLock after(path);
    EXPECT_TRUE(after.try_lock()) << "the holder's end gave it back";
    after.unlock();

    // A holder that is killed leaves its file behind, but not the lock.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        FileLock held(path);
        const char ok = held.try_lock() ? '1' : '0';
        [[maybe_unused]] const ssize_t told = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    FileLock mine(path);
    EXPECT_FALSE(mine.try_lock());
    EXPECT_EQ(mine.holder(), static_cast<long>(child));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(mine.try_lock());
}

TEST_F(PrivateFilesTest, AFileLockNeverOpensWhatWasPlantedAtItsName) {
    const std::string target = dir.file("elsewhere");
    write_text(target, "keep");
    const std::string link = dir.file("link.lock");
    fs::create_symlink(target, link);
    EXPECT_FALSE(FileLock(link).try_lock());
    EXPECT_EQ(read_text(target), "keep");

    const std::string fifo = dir.file("fifo.lock");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileLock(fifo).try_lock()) << "refused at once, not waited for";
    const std::string folder = dir.file("folder.lock");
    fs::create_directory(folder);
    EXPECT_FALSE(FileLock(folder).try_lock());
    EXPECT_EQ(FileLock(fifo).holder(), 0);
}

TEST_F(PrivateFilesTest, RuntimeFolderIsOursAloneNeverAShared) {
    const char* old_runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved_runtime = old_runtime ? old_runtime : "";
    const char* old_home = std::getenv("HOME");
    const std::string saved_home = old_home ? old_home : "";
    ::unsetenv("XDG_CACHE_HOME");

    const std::string runtime = dir.file("run");
    fs::create_directory(runtime);
    ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("HOME", dir.file("home").c_str(), 1);
    EXPECT_EQ(own_runtime_folder(), runtime);

    // One others may enter or write is not used; nor is a missing one.
    ASSERT_EQ(::chmod(runtime.c_str(), 01777), 0);
    const std::string own = dir.file("home/.cache/korvadesk");
    EXPECT_EQ(own_runtime_folder(), own);
    EXPECT_EQ(mode_of(own), 0700u);
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(::chmod(own.c_str(), 0777), 0);
    EXPECT_EQ(own_runtime_folder(), own);
    EXPECT_EQ(mode_of(own), 0700u) << "our own folder is made private again";

    {
        PrivateTempFolder temporary;
        ASSERT_FALSE(temporary.path().empty());
        EXPECT_EQ(fs::path(temporary.path()).parent_path(), own);
        EXPECT_EQ(mode_of(temporary.path()), 0700u);
        write_text(temporary.path() + "/Note.bmp", "BM");
        PrivateTempFolder second;
        EXPECT_NE(second.path(), temporary.path());
    }
    EXPECT_TRUE(fs::is_empty(own)) << "temporary folders go with their files";

    if (::geteuid() == 0) {
        // Taken by another user before us: not ours, so not used.
        ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
        EXPECT_EQ(own_runtime_folder(), "");
        ASSERT_EQ(::chown(runtime.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        EXPECT_EQ(own_runtime_folder(), "");
    }

    if (saved_runtime.empty()) {
        ::unsetenv("XDG_RUNTIME_DIR");
    } else {
        ::setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), 1);
    }
    ::setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace kd
