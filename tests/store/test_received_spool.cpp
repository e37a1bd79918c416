// The spool of received notes on real files: what survives a reload, a torn record, a taken
// mark of this or another spool, its limits, its squeezing, and files it must not use.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/temp_dir.h"
#include "store/received_spool.h"

namespace kd {
namespace {

std::string note(int n, std::size_t size = 0) {
    std::string m = "PC~body " + std::to_string(n) + "~";
    if (size > m.size()) {
        m.insert(3, size - m.size(), 'x');
    }
    return m;
}

std::vector<std::string> waiting_messages(const ReceivedSpool& spool) {
    std::vector<std::string> out;
    for (const SpoolRecord& r : spool.peek(0, 10000)) {
        out.push_back(r.message);
    }
    return out;
}

class ReceivedSpoolTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::string path_ = dir_.file("Korvadesk.spool");
};

TEST_F(ReceivedSpoolTest, PathSitsBesideTheSettingsFile) {
    EXPECT_EQ(received_spool_path("/home/a/.config/Korvadesk.ini"),
              "/home/a/.config/Korvadesk.spool");
    EXPECT_EQ(received_spool_path("/tmp/settings"), "/tmp/settings.spool");
}

TEST_F(ReceivedSpoolTest, RecordsComeBackAfterAReloadInOrderWithTheirSenderAndTime) {
    {
        ReceivedSpool spool(path_, "");
        EXPECT_FALSE(std::filesystem::exists(path_)) << "made by the first note only";
        EXPECT_EQ(spool.append(note(1), "10.0.0.5", 1000), ReceivedSpool::Append::Kept);
        EXPECT_EQ(spool.append(note(2), "", 1001), ReceivedSpool::Append::Kept);
        EXPECT_EQ(spool.append(note(3), "bad address", 1002), ReceivedSpool::Append::Kept);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ReceivedSpool again(path_, "");
    const std::vector<SpoolRecord> records = again.peek(0, 10);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].message, note(1));
    EXPECT_EQ(records[0].from, "10.0.0.5");
    EXPECT_EQ(records[0].arrived, 1000);
    EXPECT_EQ(records[1].from, "");
    EXPECT_EQ(records[2].from, "");
    EXPECT_LT(records[0].id, records[1].id);
    EXPECT_EQ(again.peek(records[0].id, 1).at(0).message, note(2));
    // Line ends would break a record: refused.
    EXPECT_EQ(again.append("a\nb~", "x", 1), ReceivedSpool::Append::Failed);
    EXPECT_EQ(again.waiting(), 3u);
}

TEST_F(ReceivedSpoolTest, TornOrDamagedRecordIsCutOffWithWhatFollowsAndAppendsGoOn) {
    {
        ReceivedSpool spool(path_, "");
        for (int n = 1; n <= 3; ++n) {
            spool.append(note(n), "10.0.0.1", n);
        }
    }
    const auto whole = std::filesystem::file_size(path_);
    // A crash in the middle of the fourth record.
    std::ofstream(path_, std::ios::app | std::ios::binary)
        << "N 4 4 10.0.0.1 12 0011223344556677\nPC~bo";
    {
        ReceivedSpool spool(path_, "");
        EXPECT_EQ(spool.waiting(), 3u);
        EXPECT_EQ(std::filesystem::file_size(path_), whole);
        EXPECT_EQ(spool.append(note(4), "10.0.0.1", 4), ReceivedSpool::Append::Kept);
    }
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, "")),
              (std::vector<std::string>{note(1), note(2), note(3), note(4)}));

    // A changed byte in the second record: it fails its check, and the later ones go with it.
    std::string bytes = test::read_text(path_);
    bytes[bytes.find("body 2") + 5] = '7';
    test::write_text(path_, bytes);
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, "")), (std::vector<std::string>{note(1)}));
}

TEST_F(ReceivedSpoolTest, TakenMarkOfThisSpoolDropsItsRecordsAndOfAnotherNone) {
    std::string mark_of_two;
    {
        ReceivedSpool spool(path_, "");
        for (int n = 1; n <= 3; ++n) {
            spool.append(note(n), "10.0.0.1", n);
        }
        mark_of_two = spool.taken_mark(spool.peek(0, 2).at(1).id);
    }
    // A crash after the settings file took two notes and before the spool let them go.
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, mark_of_two)),
              (std::vector<std::string>{note(3)}));
    // A mark from another spool (a settings file restored from elsewhere) names none of them.
    std::string foreign = mark_of_two;
    foreign[0] = foreign[0] == '1' ? '2' : '1';
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, foreign)).size(), 3u);
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, "nonsense")).size(), 3u);
}

TEST_F(ReceivedSpoolTest, TakingAllEmptiesTheFileAndLaterIdsAreNotTakenByTheOldMark) {
    ReceivedSpool spool(path_, "");
    spool.append(note(1), "10.0.0.1", 1);
    spool.append(note(2), "10.0.0.1", 2);
    const std::uint64_t last = spool.peek(0, 2).at(1).id;
    const std::string mark = spool.taken_mark(last);
    spool.taken_through(last);
    EXPECT_EQ(spool.waiting(), 0u);
    const auto header = std::filesystem::file_size(path_);
    EXPECT_LT(header, 64u) << "the taken records left the file";

    // Restarted with the mark: a new note is not one the mark names.
    ReceivedSpool again(path_, mark);
    EXPECT_EQ(again.waiting(), 0u);
    again.append(note(3), "10.0.0.1", 3);
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, mark)), (std::vector<std::string>{note(3)}));
}

TEST_F(ReceivedSpoolTest, LimitsOfNotesAndBytesRefuseMoreUntilNotesAreTaken) {
    ReceivedSpool spool(path_, "", ReceivedSpool::Limits{3, 1000});
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(spool.append(note(n), "a", n), ReceivedSpool::Append::Kept);
    }
    EXPECT_EQ(spool.append(note(4), "a", 4), ReceivedSpool::Append::Full);
    spool.taken_through(spool.peek(0, 1).at(0).id);
    EXPECT_EQ(spool.append(note(4), "a", 4), ReceivedSpool::Append::Kept);

    ReceivedSpool bytes(dir_.file("other.spool"), "", ReceivedSpool::Limits{100, 1000});
    EXPECT_EQ(bytes.append(note(1, 600), "a", 1), ReceivedSpool::Append::Kept);
    EXPECT_EQ(bytes.append(note(2, 600), "a", 2), ReceivedSpool::Append::Full);
    EXPECT_EQ(bytes.append(note(3, 300), "a", 3), ReceivedSpool::Append::Kept);
    EXPECT_EQ(bytes.waiting_bytes(), 900u);
}

TEST_F(ReceivedSpoolTest, ALongQueueIsSqueezedWhenMostOfItWasTaken) {
    ReceivedSpool spool(path_, "");
    for (int n = 0; n < 40; ++n) {
        ASSERT_EQ(spool.append(note(n, 10000), "10.0.0.1", n), ReceivedSpool::Append::Kept);
    }
    const auto before = std::filesystem::file_size(path_);
    const std::uint64_t through = spool.peek(0, 30).back().id;
    const std::string mark = spool.taken_mark(through);
    spool.taken_through(through);
    EXPECT_LT(std::filesystem::file_size(path_), before / 3);
    spool.append(note(40), "10.0.0.1", 40);
    std::vector<std::string> expected;
    for (int n = 30; n < 40; ++n) {
        expected.push_back(note(n, 10000));
    }
    expected.push_back(note(40));
    EXPECT_EQ(waiting_messages(spool), expected);
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, mark)), expected);
    // No temporary is left behind, and one a crash left is cleared at the next start.
    test::write_text(path_ + ".a1B2c3", "left by a crash");
    ReceivedSpool{path_, mark};
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ReceivedSpoolTest, SetAsideRecordsLeaveTheFileOnlyOnceTheirLastMarkIsOnDisk) {
    // Enough taken that squeezing is due at each step below.
    ReceivedSpool spool(path_, "");
    for (int n = 0; n < 40; ++n) {
        ASSERT_EQ(spool.append(note(n, 10000), "10.0.0.1", n), ReceivedSpool::Append::Kept);
    }
    const auto records = spool.peek(0, 40);
    const std::uint64_t tenth = records[9].id;
    const std::uint64_t thirtieth = records[29].id;
    const auto full = std::filesystem::file_size(path_);

    // Ten notes stored, then twenty more, while neither mark is on disk yet.
    spool.set_aside_through(tenth);
    spool.set_aside_through(thirtieth);
    EXPECT_EQ(spool.waiting(), 10u);
    EXPECT_EQ(spool.peek(0, 40).front().message, note(30, 10000));
    EXPECT_EQ(std::filesystem::file_size(path_), full);
    EXPECT_EQ(ReceivedSpool(path_, "").waiting(), 40u) << "killed before any mark was on disk";

    // The first mark reached the disk: the records the second names must stay.
    spool.taken_through(tenth);
    EXPECT_EQ(ReceivedSpool(path_, spool.taken_mark(tenth)).waiting(), 30u);
    // The second did: the file is squeezed to the ten still waiting.
    spool.taken_through(thirtieth);
    EXPECT_LT(std::filesystem::file_size(path_), full / 3);
    EXPECT_EQ(ReceivedSpool(path_, spool.taken_mark(thirtieth)).waiting(), 10u);
}

TEST_F(ReceivedSpoolTest, TakingWhileAppendsAreSyncedKeepsEveryRecordOnce) {
    // The server appends (and syncs outside the lock) while the tick takes, emptying the file
    // behind it whenever it caught up: no record may be cut off, moved or kept twice.
    constexpr int kNotes = 300;
    constexpr std::uint64_t kTaken = 250;  // ids count from 1
    std::string mark;
    {
        ReceivedSpool spool(path_, "");
        std::thread server([&] {
            for (int n = 0; n < kNotes; ++n) {
                EXPECT_EQ(spool.append(note(n, 2000), "10.0.0.1", n), ReceivedSpool::Append::Kept);
            }
        });
        std::uint64_t through = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (through < kTaken && std::chrono::steady_clock::now() < deadline) {
            const auto taken = spool.peek(through, std::min<std::uint64_t>(3, kTaken - through));
            if (taken.empty()) {
                std::this_thread::yield();
                continue;
            }
            for (const SpoolRecord& r : taken) {
                EXPECT_EQ(r.message, note(static_cast<int>(r.id - 1), 2000));
            }
            through = taken.back().id;
            spool.set_aside_through(through);
            spool.taken_through(through);
        }
        server.join();
        ASSERT_EQ(through, kTaken);
        mark = spool.taken_mark(through);
        EXPECT_EQ(spool.waiting(), kNotes - kTaken);
    }
    std::vector<std::string> expected;
    for (int n = static_cast<int>(kTaken); n < kNotes; ++n) {
        expected.push_back(note(n, 2000));
    }
    EXPECT_EQ(waiting_messages(ReceivedSpool(path_, mark)), expected);
}

TEST_F(ReceivedSpoolTest, LinkFifoOrAnotherFileAtItsNameIsNotUsed) {
    const std::string target = dir_.file("elsewhere");
    test::write_text(target, "keep");
    ASSERT_EQ(::symlink(target.c_str(), path_.c_str()), 0);
    {
        ReceivedSpool spool(path_, "");
        EXPECT_EQ(spool.append(note(1), "a", 1), ReceivedSpool::Append::Failed);
    }
    EXPECT_EQ(test::read_text(target), "keep");

    const std::string fifo = dir_.file("fifo.spool");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ReceivedSpool on_fifo(fifo, "");  // returns at once: nothing waits for a writer
    EXPECT_EQ(on_fifo.append(note(1), "a", 1), ReceivedSpool::Append::Failed);
}

}  // namespace
}  // namespace kd
