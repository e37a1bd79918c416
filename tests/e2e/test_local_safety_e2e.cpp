// What another local user, or a file dropped where the program looks, can do to the real
// korvadesk: nothing. A first start makes its folder and files private; FIFOs at every
// temporary name the program ever used, a lock held on the settings folder and file, a planted
// `hostquill` in the start folder and a single-instance lock taken in the shared temporary
// folder are each harmless: a note sent over TCP is acknowledged within 3 s, the program stays
// alive and starts, and nothing planted runs.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "receiving_program.h"
#include "support/wait_for.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::note_message_with;
using test::send_note;

mode_t mode_of(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool is_fifo(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// Another program that locks the settings folder and, again and again, whatever file is at the
// settings file's name (each write puts a new one there), and never lets go.
class LockHog {
public:
    LockHog(const std::string& folder, const std::string& file) {
        pid_ = ::fork();
        if (pid_ != 0) {
            return;
        }
        const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::flock(folder_fd, LOCK_EX);
        for (int n = 0; n < 20000; ++n) {
            // Descriptors stay open, so every file it got stays locked.
            const int fd = ::open(file.c_str(), O_RDONLY);
            if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
            }
            ::usleep(1000);
        }
        ::pause();
        ::_exit(0);
    }
    ~LockHog() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    LockHog(const LockHog&) = delete;
    LockHog& operator=(const LockHog&) = delete;

private:
    pid_t pid_ = -1;
};

class LocalSafety : public test::ReceivingProgramTest {
protected:
    LocalSafety() : ReceivingProgramTest("/tmp/kd-e2e-local-XXXXXX") {}

    void SetUp() override {
        old_umask_ = ::umask(022);
        ReceivingProgramTest::SetUp();
    }
    void TearDown() override {
        ReceivingProgramTest::TearDown();
        ::umask(old_umask_);
    }

    // A note sent now is acknowledged within 3 s and becomes note `expected`.
    void expect_note_taken(int expected) {
        EXPECT_TRUE(send_note(port_, note_message_with("note " + std::to_string(expected)), 3s))
            << "acknowledged within 3 s";
        EXPECT_TRUE(wait_for_notes(expected, 100)) << "notes: " << note_count();
    }

    void end(pid_t pid) {
        ASSERT_EQ(::kill(pid, 0), 0) << "the program is still running";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    }

    mode_t old_umask_ = 0;
};

TEST_F(LocalSafety, AFirstStartMakesTheFolderAndEveryFilePrivate) {
    // A user without any configuration folder yet, under the usual umask 022. A first start
    // listens on the default port; a network namespace of its own keeps that port free.
    const std::string config = dirs_.root + "/fresh/config";
    std::vector<std::string> env = {"env", "XDG_CONFIG_HOME=" + config};
    if (::geteuid() == 0 && std::system("command -v unshare >/dev/null 2>&1") == 0) {
        env.insert(env.begin(), {"unshare", "-n"});
    }
    auto with = [&](std::vector<std::string> argv, const std::vector<std::string>& args) {
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    };
    auto command = with(env, {test::program_path()});
    const std::string ini = config + "/Korvadesk.ini";

    pid_t pid = launch(command);
    // A first start on a display without a tray also shows its notice about that, sooner or
    // later beside the note.
    ASSERT_TRUE(test::wait_for([&] { return !test::visible_windows(pid).empty(); }, 20s))
        << "the first empty note";
    ASSERT_TRUE(test::wait_for([&] { return fs::exists(ini); }, 5s));
    EXPECT_EQ(mode_of(dirs_.root + "/fresh"), 0700u);
    EXPECT_EQ(mode_of(config), 0700u);
    EXPECT_EQ(mode_of(ini), 0600u);
    end(pid);

    // The next start keeps the file it found as a backup: private as well.
    pid = launch(command);
    ASSERT_TRUE(test::wait_for([&] { return !test::visible_windows(pid).empty(); }, 20s));
    ASSERT_TRUE(test::wait_for([&] { return fs::exists(ini + ".bak.1"); }, 5s));
    EXPECT_EQ(mode_of(ini + ".bak.1"), 0600u);
    EXPECT_EQ(mode_of(ini), 0600u);
    end(pid);

    pid = launch(with(env, {test::program_path(), "--autostart", "on"}));
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(mode_of(config + "/autostart"), 0700u);
    EXPECT_EQ(mode_of(config + "/autostart/korvadesk.desktop"), 0600u);
    // Only our files: no temporary stayed.
    for (const auto& entry : fs::directory_iterator(config)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "Korvadesk.ini" || name == "Korvadesk.ini.bak.1" || name == "autostart")
            << name;
    }
}

TEST_F(LocalSafety, FifosAtTheTemporaryNamesNeitherHangNorKillIt) {
    // Every fixed temporary name the program has used, beside the settings and network files,
    // the backups, the autostart entry and the note pictures of the start folder.
    const std::vector<std::string> planted = {
        dirs_.ini + ".tmp",       dirs_.ini + ".bak.1.tmp",   dirs_.config + "/Korvadesk.net.tmp",
        dirs_.root + "/Note.bmp", dirs_.root + "/Note24.bmp", dirs_.root + "/Note.jpg",
    };
    for (const std::string& name : planted) {
        ASSERT_EQ(::mkfifo(name.c_str(), 0666), 0) << name;
    }
    ASSERT_TRUE(fs::create_directories(dirs_.config + "/autostart"));
    ASSERT_EQ(::mkfifo((dirs_.config + "/autostart/korvadesk.desktop.tmp").c_str(), 0666), 0);

    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    expect_note_taken(2);
    // What the FIFO's planter did by closing its end: a write into a pipe no one reads.
    ASSERT_EQ(::kill(pid, SIGPIPE), 0);
    std::this_thread::sleep_for(300ms);
    expect_note_taken(3);
    EXPECT_TRUE(test::wait_windows(pid, 3)) << "the interface shows every note";
    for (const std::string& name : planted) {
        EXPECT_TRUE(is_fifo(name)) << name << " was opened or replaced";
    }
    end(pid);
}

TEST_F(LocalSafety, ALockHeldOnTheFolderAndTheFileHoldsNothingUp) {
    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    ASSERT_TRUE(test::wait_windows(pid, 1));

    LockHog hog(dirs_.config, dirs_.ini);
    std::this_thread::sleep_for(200ms);
    for (int expected = 2; expected <= 5; ++expected) {
        expect_note_taken(expected);
    }
    EXPECT_TRUE(test::wait_windows(pid, 5, 5s)) << "the interface went on";
    end(pid);
}

TEST_F(LocalSafety, AHostquillPlantedInTheStartFolderNeverRuns) {
    // The start folder is the test's root; ReadNetworkOnStart is "Yes" on a first start.
    const std::string marker = dirs_.root + "/planted-ran";
    const std::string planted = dirs_.root + "/hostquill";
    std::ofstream(planted) << "#!/bin/sh\ntouch '" << marker << "'\n";
    fs::permissions(planted, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);

    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    EXPECT_EQ(ProfileFile::read(dirs_.ini, "KORVADESK", "ReadNetworkOnStart", 16), "Yes");
    expect_note_taken(2);
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(fs::exists(marker)) << "the planted program ran";
    end(pid);
}

TEST_F(LocalSafety, ALockTakenInTheSharedTemporaryFolderDoesNotStopTheStart) {
    // No XDG_RUNTIME_DIR; another user got to the shared temporary folder first and made the
    // names the single-instance lock and socket had there.
    const std::string shared = dirs_.root + "/shared-tmp";
    ASSERT_TRUE(fs::create_directory(shared));
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string name = shared + "/Korvadesk Application-" + std::to_string(::getuid());
    // The lock names a live process called korvadesk, so it is not stale: a program that used
    // this folder would take it for a running copy and end without a word.
    const std::string holder_program = dirs_.root + "/korvadesk";
    fs::copy_file("/bin/sleep", holder_program);
    fs::permissions(holder_program, fs::perms::owner_all);
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::execl(holder_program.c_str(), "korvadesk", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    started_.push_back(holder);
    std::ofstream(name + ".lock") << holder << "\nkorvadesk\n" << test::run_output("hostname");
    std::ofstream(name) << "";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((name + ".lock").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(name.c_str(), 65534, 65534), 0);
    }
    const std::string home = dirs_.root + "/home";
    const std::vector<std::string> command = {"env",
                                              "-u",
                                              "XDG_RUNTIME_DIR",
                                              "-u",
                                              "XDG_CACHE_HOME",
                                              "TMPDIR=" + shared,
                                              "HOME=" + home,
                                              test::program_path()};

    const pid_t pid = launch(command);
    ASSERT_TRUE(wait_listening()) << "the program started";
    ASSERT_TRUE(wait_for_notes(1));
    expect_note_taken(2);
    EXPECT_EQ(mode_of(home + "/.cache/korvadesk"), 0700u) << "its own folder instead";

    // One copy still runs: a second start hands over and ends.
    const pid_t second = launch(command);
    EXPECT_EQ(test::wait_exit(second, 10s), 0);
    EXPECT_EQ(::kill(pid, 0), 0);
    end(pid);
}

}  // namespace
}  // namespace kd
