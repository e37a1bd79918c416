// The settings file's size limit and cleaning with the real main window and note windows: the
// periodic pass every 101st start, the size-limit pass after a new note is placed (from the
// event loop, never inside the caller), the delete list until the file is under the limit, and
// the end when nothing is left to delete.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/store_maintenance.h"
#include "app/wiring.h"
#include "dialogs/note_list_dialog.h"
#include "note/note_window.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

namespace mt = maintenance_texts;

struct ScriptedDeleteList : NoteListChooser {
    std::deque<std::vector<int>> answers;
    std::vector<std::vector<std::string>>* shown = nullptr;
    std::optional<std::vector<int>> choose(QWidget*, NoteListMode mode,
                                           const std::vector<std::string>& rows, const std::string&,
                                           MessageBoxes&) override {
        EXPECT_EQ(mode, NoteListMode::Delete);
        shown->push_back(rows);
        if (answers.empty())
            return std::nullopt;  // cancelled: nothing deleted, the list comes back
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class StoreMaintenanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        ts_.boxes.answer_all();
    }
    void TearDown() override {
        window_.reset();
        QApplication::processEvents();
    }
    MainWindow& start() {
        window_.reset();
        window_ = std::make_unique<MainWindow>(ts_.services);
        StoreMaintenance& maintenance = connect_store_maintenance(*window_);
        auto list = std::make_unique<ScriptedDeleteList>();
        list_ = list.get();
        list_->shown = &shown_;
        maintenance.set_chooser(std::move(list));
        EXPECT_TRUE(window_->start());
        QApplication::processEvents();
        return *window_;
    }
    void store_notes(int count) {
        for (int n = 1; n <= count; ++n)
            ASSERT_TRUE(
                store_.write_record(test::sample_note_record(n, "Note " + std::to_string(n))));
        store_.settings().set_number(Setting::NumberOfNotes, count);
    }
    // Makes the file larger than the limit by a value that no note holds.
    void pad(const char* section) {
        ASSERT_TRUE(
            ProfileFile::write(store_.ini_path(), section, "Padding", std::string(62000, 'p')));
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    NoteStore store_{app_paths(), test::store_errors()};
    test::ErrorRecorder reports_;
    std::unique_ptr<MainWindow> window_;
    ScriptedDeleteList* list_ = nullptr;
    std::vector<std::vector<std::string>> shown_;
};

TEST_F(StoreMaintenanceTest, PeriodicPassRunsAtThe101stStart) {
    store_notes(5);
    for (int n : {7, 8})
        store_.write_record(test::sample_note_record(n));
    store_.settings().set_text(Setting::NmbOfProgramStarts, "99");
    start();
    EXPECT_EQ(store_.settings().text(Setting::NmbOfProgramStarts), "100");
    EXPECT_TRUE(store_.record_exists(7)) << "no cleaning before the counter is full";
    start();
    EXPECT_EQ(store_.settings().text(Setting::NmbOfProgramStarts), "0");
    EXPECT_FALSE(store_.record_exists(7));
    EXPECT_FALSE(store_.record_exists(8));
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(store_.record_exists(n)) << n;
    EXPECT_TRUE(window_->isEnabled());
}

TEST_F(StoreMaintenanceTest, PeriodicPassKeepsTheNotesOfACountThatIsNoCount) {
    // Cleaning above a count of -1 would remove every note before the start restores them.
    store_notes(3);
    ASSERT_TRUE(ProfileFile::write(store_.ini_path(), "KORVADESK", "NumberOfNotes", "-1"));
    store_.settings().set_text(Setting::NmbOfProgramStarts, "100");
    MainWindow& w = start();
    EXPECT_EQ(store_.settings().text(Setting::NmbOfProgramStarts), "0");
    ASSERT_EQ(w.notes().size(), 3);
    EXPECT_FALSE(w.made_empty_note());
    for (int n = 1; n <= 3; ++n) {
        NoteRecord r;
        ASSERT_TRUE(store_.read_record(n, r)) << n;
        EXPECT_EQ(r.TitleText, "Note " + std::to_string(n));
    }
    EXPECT_EQ(store_.settings().number(Setting::NumberOfNotes), 3);
}

TEST_F(StoreMaintenanceTest, NewNoteOverTheLimitCleansThenAsksForDeletionsWithoutQuestion) {
    store_notes(5);
    store_.settings().set_text(Setting::AskBeforeDelete, "Yes");
    MainWindow& w = start();
    for (int n : {7, 8})
        store_.write_record(test::sample_note_record(n));
    // Note 2 holds the bulk: deleting it brings the file under the limit.
    ASSERT_TRUE(
        ProfileFile::write(store_.ini_path(), "NOTE_ID_2", "EditText", std::string(62000, 'x')));
    list_->answers = {{1}};
    ts_.boxes.take_answered_texts();
    w.new_note();
    // The list waits for the user in a loop of its own: never inside the caller, which may be
    // the receiving tick.
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(store_.record_exists(7));
    QApplication::processEvents();

    EXPECT_FALSE(store_.record_exists(7));
    EXPECT_FALSE(store_.record_exists(8));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].size(), 5u) << "the new note has no record yet";
    EXPECT_EQ(shown_[0][1], "Note 2~2~No~");
    EXPECT_FALSE(store_.record_exists(2));
    EXPECT_TRUE(store_.record_exists(1));
    EXPECT_TRUE(ts_.boxes.answered_texts().empty()) << "deleting asks no question";
    EXPECT_FALSE(w.busy());
    ASSERT_EQ(w.notes().size(), 5);  // four left, and the new one
    for (NoteWindow* note : w.notes())
        EXPECT_TRUE(note->isEnabled());
    EXPECT_EQ(w.notes().back()->note().number(), 6);
    EXPECT_TRUE(w.notes().back()->isVisible());
}

TEST_F(StoreMaintenanceTest, CancelledListComesBackAndAnEmptyStoreEndsTheLoop) {
    store_notes(1);
    MainWindow& w = start();
    pad("RECIPIENTS_LIST");
    list_->answers = {{}, {0}};  // first nothing chosen, then the one note
    ts_.boxes.take_answered_texts();
    w.new_note();
    QApplication::processEvents();
    EXPECT_EQ(shown_.size(), 2u);
    EXPECT_FALSE(store_.record_exists(1));
    EXPECT_EQ(ts_.boxes.answered_texts(), std::vector<std::string>{mt::kNothingLeftToDelete});
    EXPECT_FALSE(w.busy());
    ASSERT_EQ(w.notes().size(), 1);
    EXPECT_EQ(w.notes().front()->note().number(), 2);
}

TEST_F(StoreMaintenanceTest, UnderTheLimitNothingHappens) {
    store_notes(2);
    MainWindow& w = start();
    store_.write_record(test::sample_note_record(9));
    w.new_note();
    QApplication::processEvents();
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(store_.record_exists(9)) << "cleaning runs only over the limit";
}

}  // namespace
}  // namespace kd
