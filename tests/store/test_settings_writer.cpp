// The settings file's writer thread: order and coalescing of the contents, reads that see a
// change before the disk does, failures reported once and written by the next success, the
// wait at the end, and a received note's spool records that stay until their mark is on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "store/received_spool.h"
#include "store/settings_writer.h"
#include "store/store_texts.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

// A replace that waits while its gate is shut, records what it wrote and fails on demand;
// by default it writes nothing itself.
class FakeDisk {
public:
    SettingsWriter::Replace replace(SettingsWriter::Replace real = {}) {
        return [this, real](const std::string& path, std::string_view content,
                            std::uint64_t generation) {
            std::unique_lock lock(mutex_);
            ++started_;
            changed_.notify_all();
            changed_.wait(lock, [&] { return open_; });
            if (failing_) {
                return false;
            }
            lock.unlock();
            const bool ok = !real || real(path, content, generation);
            lock.lock();
            written_.emplace_back(content);
            changed_.notify_all();
            return ok;
        };
    }
    void shut() {
        set([&] { open_ = false; });
    }
    void open() {
        set([&] { open_ = true; });
    }
    void fail(bool failing) {
        set([&] { failing_ = failing; });
    }
    // Waits until `count` replaces have begun.
    bool started(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return started_ >= count; });
    }
    std::vector<std::string> written() {
        std::lock_guard lock(mutex_);
        return written_;
    }
    // Waits until `content` has been written.
    bool wrote(const std::string& content) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] {
            return std::find(written_.begin(), written_.end(), content) != written_.end();
        });
    }

private:
    template <typename F>
    void set(F&& f) {
        std::lock_guard lock(mutex_);
        f();
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    bool failing_ = false;
    int started_ = 0;
    std::vector<std::string> written_;
};

// Failure reports as the program's reporter gets them, from the writer's thread.
class Reports {
public:
    const ErrorReporter& reporter() { return reporter_; }
    std::vector<std::string> after(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return messages_.size() >= count; });
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
    ErrorReporter reporter_{[this](const std::string& message) {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        changed_.notify_all();
    }};
};

// Counts callbacks run from the writer's thread.
class Flag {
public:
    std::function<void()> setter() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++count_;
        };
    }
    int count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    int count_ = 0;
};

class SettingsWriterTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::string path_ = dir_.file("Korvadesk.ini");
    FakeDisk disk_;
    Reports reports_;
};

TEST_F(SettingsWriterTest, ContentsGoInOrderAndOneStillWaitingGivesWayToANewer) {
    SettingsWriter writer(path_, reports_.reporter(), disk_.replace());
    disk_.shut();
    writer.replace_later("first", 1);
    ASSERT_TRUE(disk_.started(1));
    // While the first is written, three more come: only the newest is worth writing.
    writer.replace_later("second", 2);
    writer.replace_later("third", 3);
    Flag third_written;
    writer.when_written(third_written.setter());
    writer.replace_later("fourth", 4);
    EXPECT_EQ(third_written.count(), 0);
    disk_.open();
    EXPECT_TRUE(writer.finish(5s));
    EXPECT_EQ(disk_.written(), (std::vector<std::string>{"first", "fourth"}));
    EXPECT_EQ(third_written.count(), 1);
    EXPECT_TRUE(reports_.after(0).empty());
}

TEST_F(SettingsWriterTest, AHeldWriterWritesOnlyOnReleaseAndFirstRunsWhatComesBefore) {
    // What must come before the first replace (the start's backup) runs once, before it.
    std::vector<std::size_t> written_before;
    SettingsWriter writer(path_, reports_.reporter(), disk_.replace(),
                          [&] { written_before.push_back(disk_.written().size()); });
    writer.hold();
    writer.replace_later("one", 1);
    writer.replace_later("two", 2);
    Flag two_written;
    writer.when_written(two_written.setter());
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(disk_.written().empty());
    EXPECT_EQ(two_written.count(), 0);

    writer.release();
    ASSERT_TRUE(disk_.wrote("two"));
    writer.replace_later("three", 3);
    ASSERT_TRUE(writer.finish(5s));
    EXPECT_EQ(disk_.written(), (std::vector<std::string>{"two", "three"}));
    EXPECT_EQ(two_written.count(), 1);
    EXPECT_EQ(written_before, std::vector<std::size_t>{0});

    // A start that ends before it released the writer still writes what it changed.
    FakeDisk other;
    SettingsWriter ended(dir_.file("other.ini"), reports_.reporter(), other.replace());
    ended.hold();
    ended.replace_later("last", 1);
    EXPECT_TRUE(ended.finish(5s));
    EXPECT_EQ(other.written(), std::vector<std::string>{"last"});
}

TEST_F(SettingsWriterTest, ReadsSeeAChangeAtOnceWhileTheFileLagsUntilTheWriteIsDone) {
    ASSERT_TRUE(ProfileFile::write(path_, "KORVADESK", "NumberOfNotes", "1"));
    AppPaths paths;
    paths.IniPath = path_;
    NoteStore store(paths, reports_.reporter());
    SettingsWriter writer(path_, reports_.reporter(), disk_.replace(&ProfileFile::replace_now));
    disk_.shut();

    StoreTransaction tx(store);
    NoteRecord record;
    record.NoteID = 2;
    record.EditText = "line one\nline two";
    tx.write_record(record);
    tx.set_number_of_notes(2);
    ASSERT_TRUE(tx.commit(store_texts::kErrorWritingNote));
    ASSERT_TRUE(disk_.started(1));
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 3));

    NoteRecord back;
    ASSERT_TRUE(store.read_record(2, back));
    EXPECT_EQ(back.EditText, "line one\nline two");
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 3);
    EXPECT_EQ(ProfileFile::read_uncached(path_, "KORVADESK", "NumberOfNotes", 16), "1");

    // A file marked read-only is still refused at once, as the caller must know it.
    ASSERT_EQ(::chmod(path_.c_str(), 0400), 0);
    EXPECT_FALSE(store.settings().set_number(Setting::NumberOfNotes, 4));
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);

    disk_.open();
    ASSERT_TRUE(writer.finish(5s));
    EXPECT_EQ(ProfileFile::read_uncached(path_, "KORVADESK", "NumberOfNotes", 16), "3");
    EXPECT_EQ(ProfileFile::read_uncached(path_, "NOTE_ID_2", "EditText", 100), "line one|line two");
    // The transaction, then the setting that came while it was written.
    EXPECT_EQ(disk_.written().size(), 2u);
    // Done: the cache follows the disk again, so a change another program makes there is
    // read.
    std::ofstream(path_, std::ios::app) << "[OTHER]\nKey=seen\n";
    EXPECT_EQ(ProfileFile::read(path_, "OTHER", "Key", 16), "seen");
}

TEST_F(SettingsWriterTest, AFailureIsReportedOnceAndItsChangesGoWithTheNextWrite) {
    SettingsWriter writer(path_, reports_.reporter(), disk_.replace());
    disk_.fail(true);
    Flag written;
    writer.replace_later("one", 1);
    writer.when_written(written.setter());
    ASSERT_EQ(reports_.after(1).size(), 1u);
    writer.replace_later("two", 2);
    ASSERT_TRUE(disk_.started(2));
    EXPECT_FALSE(writer.finish(0ms)) << "nothing is on disk";
    EXPECT_EQ(written.count(), 0) << "work waiting for the disk must not run after a failure";

    // The disk is back: the next content carries the failed ones' changes and their waiters.
    disk_.fail(false);
    writer.replace_later("three", 3);
    ASSERT_TRUE(writer.finish(5s));
    EXPECT_EQ(written.count(), 1);
    EXPECT_EQ(disk_.written(), (std::vector<std::string>{"three"}));
    const std::vector<std::string> told = reports_.after(1);
    EXPECT_EQ(told, (std::vector<std::string>{std::string(store_texts::kErrorWritingNote)}));
}

TEST_F(SettingsWriterTest, ANewFailureAfterASuccessIsReportedAgainAndAFailedContentIsRetried) {
    SettingsWriter writer(path_, reports_.reporter(), disk_.replace());
    disk_.fail(true);
    writer.replace_later("one", 1);
    ASSERT_EQ(reports_.after(1).size(), 1u);
    disk_.fail(false);
    writer.replace_later("two", 2);
    ASSERT_TRUE(disk_.wrote("two"));
    disk_.fail(true);
    writer.replace_later("three", 3);
    EXPECT_EQ(reports_.after(2).size(), 2u);

    // Nothing newer comes: the failed content is tried again (after a pause, or at once by
    // the end's wait).
    disk_.fail(false);
    EXPECT_TRUE(writer.finish(5s));
    EXPECT_EQ(disk_.written(), (std::vector<std::string>{"two", "three"}));
}

TEST_F(SettingsWriterTest, TheEndWaitsForTheWriteUnderWayButOnlySoLong) {
    auto writer = std::make_unique<SettingsWriter>(path_, reports_.reporter(), disk_.replace());
    disk_.shut();
    writer->replace_later("one", 1);
    ASSERT_TRUE(disk_.started(1));
    writer->replace_later("two", 2);
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_FALSE(writer->finish(100ms));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
    disk_.open();
    // Going away writes what still waits.
    writer.reset();
    EXPECT_EQ(disk_.written(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(reports_.after(0).empty());
}

TEST_F(SettingsWriterTest, TakenSpoolRecordsStayUntilTheSettingsFileHoldsTheirMark) {
    AppPaths paths;
    paths.IniPath = path_;
    NoteStore store(paths, reports_.reporter());
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 0));
    const std::string spool_path = received_spool_path(path_);
    auto spool = std::make_shared<ReceivedSpool>(spool_path, "");
    ASSERT_EQ(spool->append("PC~one~", "10.0.0.1", 1), ReceivedSpool::Append::Kept);
    ASSERT_EQ(spool->append("PC~two~", "10.0.0.1", 2), ReceivedSpool::Append::Kept);
    const std::uint64_t first = spool->peek(0, 1).at(0).id;

    SettingsWriter writer(path_, reports_.reporter(), disk_.replace(&ProfileFile::replace_now));
    disk_.shut();
    // What the tick does: the note and the mark in one transaction, the record set aside, and
    // let go once the file holds them.
    StoreTransaction tx(store);
    NoteRecord note;
    note.NoteID = 1;
    note.EditText = "one";
    tx.write_record(note);
    tx.set(spool::kTakenSection, spool::kTakenKey, spool->taken_mark(first));
    ASSERT_TRUE(tx.commit());
    spool->set_aside_through(first);
    ProfileFile::when_written(path_, [spool, first] { spool->taken_through(first); });
    EXPECT_EQ(spool->waiting(), 1u);

    // Killed now: the settings file on disk has neither note nor mark, and the spool still
    // offers both messages, so the note comes again.
    const std::string disk_mark =
        ProfileFile::read_uncached(path_, spool::kTakenSection, spool::kTakenKey, 64);
    EXPECT_EQ(disk_mark, "");
    EXPECT_EQ(ReceivedSpool(spool_path, disk_mark).waiting(), 2u);

    disk_.open();
    ASSERT_TRUE(writer.finish(5s));
    const std::string mark =
        ProfileFile::read_uncached(path_, spool::kTakenSection, spool::kTakenKey, 64);
    EXPECT_EQ(mark, spool->taken_mark(first));
    EXPECT_EQ(ProfileFile::read_uncached(path_, "NOTE_ID_1", "EditText", 16), "one");
    // Killed now: the note is in the file and the spool offers only the other message.
    const auto left = ReceivedSpool(spool_path, mark).peek(0, 10);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().message, "PC~two~");
}

}  // namespace
}  // namespace kd
