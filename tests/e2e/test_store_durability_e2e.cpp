// The real korvadesk program under the ways a store can fail from outside: killed with SIGKILL
// at random moments while peers send notes (in the spool, being appended or taken) or while it
// renumbers its notes at start, a settings file or folder that cannot be written, and SIGTERM while
// an error box is open.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/note_message.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "platform/temp_dir.h"
#include "store/note_lists.h"
#include "store/received_spool.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::read_text;
using test::wait_for;
using test::write_text;

constexpr const char* kMain = "KORVADESK";
constexpr std::size_t kBig = 20000;

std::string marker(int n) {
    return "MARK" + std::to_string(n) + "X";
}

// Sends one message from the loopback address `from` and returns the reply ("" when the
// program is not there).
std::string send_one(std::uint16_t port, const std::string& message, const std::string& from) {
    SocketStatus status;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return {};
    }
    Socket peer(fd);
    if (!peer.send_all(message).ok()) {
        return {};
    }
    std::string reply;
    char buf[64];
    while (reply.size() < kAcknowledgement.size() &&
           peer.wait_readable(5s, nullptr) == WaitResult::Ready) {
        const long n = peer.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply;
}

std::string note_message(int n) {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi " + marker(n) + "}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.EditBackColor = 0x00C0FFFF;
    r.TitleText = "t";
    r.Width = 200;
    r.Height = 120;
    return build_note_message("PEER", r);
}

// How often each marker stands in the bodies of the records the next start reads.
std::map<int, int> markers_in_records(const std::string& ini, int highest_marker) {
    std::map<int, int> found;
    const int count = std::atoi(ProfileFile::read(ini, kMain, "NumberOfNotes", 16).c_str());
    for (int i = 1; i <= count; ++i) {
        const std::string section = "NOTE_ID_" + std::to_string(i);
        if (ProfileFile::read(ini, section, "NoteID", 16).empty()) {
            continue;
        }
        const std::string body = ProfileFile::read(ini, section, "EditText", kBig) + "|" +
                                 ProfileFile::read(ini, section, "TitleText", kBig);
        for (int n = 0; n <= highest_marker; ++n) {
            if (body.find(marker(n)) != std::string::npos) {
                ++found[n];
            }
        }
    }
    return found;
}

void write_first_start_keys(const std::string& ini, std::uint16_t port) {
    ProfileEdit edit;
    edit.set(kMain, "CommunicationPort", std::to_string(port));
    edit.set(kMain, "PlaySound", "No");
    edit.set(kMain, "ReadNetworkOnStart", "No");
    edit.set(kMain, "DisableHotkey", "Yes");
    // The peers send far more than a computer's allowance.
    edit.set(kMain, "MaxNotesPerComputerPerMinute", "0");
    ASSERT_TRUE(ProfileFile::apply(ini, edit));
}

class StoreDurability : public test::ProgramTest {
protected:
    StoreDurability() : ProgramTest("/tmp/kd-e2e-durable-XXXXXX", true) {}

    void kill_now(pid_t pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

TEST_F(StoreDurability, EveryAcknowledgedNoteIsStoredExactlyOnceAfterRandomKills) {
    constexpr std::size_t kMostNotes = 70;
    constexpr std::size_t kEnoughNotes = 50;
    const std::uint16_t port = test::free_tcp_port();
    write_first_start_keys(dirs_.ini, port);

    // Three peers, each from an address of its own, send bursts of five notes (about 30 a
    // second in all), whether the program is up or not: a kill finds notes in the spool, being
    // appended and being taken. Only acknowledged ones must survive. They stop after 70
    // acknowledged notes: more would take the settings file past its size limit (61 000
    // bytes), where the program stops to let the user delete notes.
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::mutex mutex;
    std::vector<int> acknowledged;
    std::vector<std::thread> peers;
    for (int p = 0; p < 3; ++p) {
        peers.emplace_back([&, p] {
            const std::string from = "127.0.0." + std::to_string(10 + p);
            while (!stop) {
                for (int burst = 0; burst < 5 && !stop; ++burst) {
                    const int n = sent.fetch_add(1);
                    if (send_one(port, note_message(n), from) == kAcknowledgement) {
                        std::lock_guard lock(mutex);
                        acknowledged.push_back(n);
                        if (acknowledged.size() >= kMostNotes) {
                            stop = true;
                        }
                    }
                }
                std::this_thread::sleep_for(500ms);
            }
        });
    }

    // At least ten killed runs, and more until enough notes went through: on a loaded machine
    // a start takes longer and fewer notes arrive in each run.
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delay_ms(200, 2000);
    const auto enough = [&] {
        std::lock_guard lock(mutex);
        return acknowledged.size() > kEnoughNotes;
    };
    for (int round = 0; round < 10 || (round < 40 && !enough()); ++round) {
        const pid_t pid = launch();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms(random)));
        kill_now(pid);
    }
    stop = true;
    for (auto& p : peers) {
        p.join();
    }

    // A last start takes what is still queued (the spool then holds its header line alone);
    // then the program is ended normally.
    const std::string spool_file = received_spool_path(dirs_.ini);
    const pid_t pid = launch();
    EXPECT_TRUE(wait_for(
        [&] {
            const std::string queued = read_text(spool_file);
            return ProfileFile::has_section(dirs_.ini, "KORVADESK") &&
                   std::count(queued.begin(), queued.end(), '\n') <= 1 &&
                   test::visible_windows(pid).size() > 0;
        },
        30s));
    std::this_thread::sleep_for(1s);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);

    ASSERT_GT(acknowledged.size(), kEnoughNotes) << "too few notes went through to prove anything";
    const std::map<int, int> found = markers_in_records(dirs_.ini, sent.load());
    int lost = 0;
    int twice = 0;
    for (int n : acknowledged) {
        const auto it = found.find(n);
        lost += it == found.end() ? 1 : 0;
        twice += it != found.end() && it->second > 1 ? 1 : 0;
    }
    for (const auto& [n, count] : found) {
        EXPECT_EQ(count, 1) << "note " << n << " is stored " << count << " times";
    }
    EXPECT_EQ(lost, 0) << "of " << acknowledged.size() << " acknowledged notes";
    EXPECT_EQ(twice, 0);
    EXPECT_EQ(ReceivedSpool(spool_file, ProfileFile::read(dirs_.ini, spool::kTakenSection,
                                                          spool::kTakenKey, 64))
                  .waiting(),
              0u);
}

TEST_F(StoreDurability, RenumberingKilledAtRandomNeverLeavesANoteTwice) {
    write_first_start_keys(dirs_.ini, test::free_tcp_port());
    // Eighty notes at every other number: the start renumbers every one of them.
    {
        ProfileEdit edit;
        for (int i = 1; i <= 80; ++i) {
            const std::string section = "NOTE_ID_" + std::to_string(2 * i);
            edit.set(section, "NoteID", std::to_string(2 * i));
            edit.set(section, "EditText", "{\\rtf1\\ansi " + marker(i) + "}");
            edit.set(section, "TitleText", "note");
            edit.set(section, "Left", std::to_string(10 + 3 * i));
            edit.set(section, "Top", std::to_string(10 + 2 * i));
            edit.set(section, "Width", "150");
            edit.set(section, "Height", "100");
        }
        edit.set(kMain, "NumberOfNotes", "160");
        ASSERT_TRUE(ProfileFile::apply(dirs_.ini, edit));
    }
    const std::string spread = read_text(dirs_.ini);

    // The kills fall between the launch and a while after the renumbering is written. How long
    // a start takes to get there depends on the machine and what else runs on it: one start
    // left alone shows it.
    int written_ms = 0;
    {
        const auto launched = std::chrono::steady_clock::now();
        const pid_t pid = launch();
        ASSERT_TRUE(test::wait_for(
            [&] { return ProfileFile::read(dirs_.ini, kMain, "NumberOfNotes", 16) == "80"; }, 60s,
            10ms))
            << "an undisturbed start renumbers the notes";
        written_ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - launched)
                                          .count());
        kill_now(pid);
    }
    std::cerr << "an undisturbed start renumbered after " << written_ms << " ms\n";
    // The machine's pace changes while the rounds run (other work starts and ends beside it):
    // until some kill has fallen after the renumbering was written, the latest kill moves later.
    std::mt19937 random(8122026);
    int latest_ms = std::max(1500, written_ms * 3 / 2);
    int renumbered = 0;
    int rounds = 0;
    for (; rounds < 12 || (renumbered == 0 && rounds < 24); ++rounds) {
        if (renumbered == 0 && rounds >= 4) {
            latest_ms = std::min(20000, latest_ms * 3 / 2);
        }
        write_text(dirs_.ini, spread);
        const pid_t pid = launch();
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(20, latest_ms)(random)));
        kill_now(pid);
        const std::map<int, int> found = markers_in_records(dirs_.ini, 80);
        for (int i = 1; i <= 80; ++i) {
            const auto it = found.find(i);
            ASSERT_TRUE(it != found.end()) << "round " << rounds << ": note " << i << " lost";
            ASSERT_EQ(it->second, 1) << "round " << rounds << ": note " << i << " twice";
        }
        renumbered += ProfileFile::read(dirs_.ini, kMain, "NumberOfNotes", 16) == "80" ? 1 : 0;
    }
    std::cerr << rounds << " rounds, " << renumbered
              << " killed after the renumbering, latest kill " << latest_ms << " ms\n";
    // The kills fell both before and after the renumbering was written.
    EXPECT_GT(renumbered, 0);
    EXPECT_LT(renumbered, rounds);
}

TEST_F(StoreDurability, ReadOnlyConfigFolderShowsTheStartMessageAndEnds) {
    if (::geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0) {
        GTEST_SKIP() << "needs root and mount namespaces for a read-only mount";
    }
    write_first_start_keys(dirs_.ini, test::free_tcp_port());
    // What the test's start adds to the file (the no-tray notice as shown) is there before.
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, kMain, "NoTrayNoticeShown", "Yes"));
    const std::string before = read_text(dirs_.ini);
    const std::string errors = dirs_.root + "/stderr.txt";
    // The configuration folder is mounted read-only for the program alone.
    const std::string script =
        "mount --bind \"$XDG_CONFIG_HOME\" \"$XDG_CONFIG_HOME\" && "
        "mount -o remount,bind,ro \"$XDG_CONFIG_HOME\" && exec \"$0\"";
    const pid_t pid = launch({"unshare", "-m", "sh", "-c", script, test::program_path()}, errors);

    std::vector<std::string> boxes;
    ASSERT_TRUE(wait_for(
        [&] {
            boxes = test::visible_windows(pid, "^Korvadesk$");
            return !boxes.empty();
        },
        10s))
        << read_text(errors);
    EXPECT_NE(read_text(errors).find("Sorry but Korvadesk program is not working properly and it "
                                     "will be closed.\nPlease check if you have rights to write "
                                     "on disk because program can't write data to main ini file."),
              std::string::npos)
        << read_text(errors);
    // No note was shown: the program ends when the message is answered.
    EXPECT_EQ(test::visible_windows(pid).size(), 1u);
    test::run_output("xdotool key --window " + boxes.front() + " Return");
    EXPECT_EQ(test::wait_exit(pid, 5s), 1);
    EXPECT_EQ(read_text(dirs_.ini), before);
}

TEST_F(StoreDurability, ReadOnlyFileIsReportedKeptAndSigtermEndsBehindTheOpenBox) {
    write_first_start_keys(dirs_.ini, test::free_tcp_port());
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, kMain, "DisableHotkey", "No"));
    const std::string errors = dirs_.root + "/stderr.txt";
    const pid_t pid = launch(errors);
    // The first start shows its one empty note, and no box.
    const bool started = wait_for([&] { return test::visible_windows(pid).size() == 1; }, 15s);
    if (!started) {
        for (const std::string& w : test::visible_windows(pid)) {
            ADD_FAILURE() << "window " << w << ": "
                          << test::run_output("xdotool getwindowname " + w);
        }
        FAIL() << "the program did not show its first note; its standard error:\n"
               << read_text(errors);
    }
    std::this_thread::sleep_for(300ms);

    // The file is marked read-only behind the program's back; a new note (Alt+N) cannot be
    // counted in it, which is reported in a box.
    ASSERT_EQ(::chmod(dirs_.ini.c_str(), 0444), 0);
    const std::string before = read_text(dirs_.ini);
    test::run_output("xdotool key alt+n");
    std::vector<std::string> boxes;
    ASSERT_TRUE(wait_for(
        [&] {
            boxes = test::visible_windows(pid, "^Korvadesk$");
            return !boxes.empty();
        },
        5s));

    // A termination request while the box waits for an answer ends the program at once, the
    // failure to save the notes going to standard error.
    const auto asked = std::chrono::steady_clock::now();
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 2s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s * test::kSlowdown);
    EXPECT_NE(read_text(errors).find("Error writing Note information to ini file."),
              std::string::npos)
        << read_text(errors);
    struct stat st {};
    ASSERT_EQ(::stat(dirs_.ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(read_text(dirs_.ini), before);
}

}  // namespace
}  // namespace kd
