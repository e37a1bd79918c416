// The note without its window: the record it makes with its window's parts, the looks and
// the title alignment, what it tells its window, and when it writes itself (the save moments,
// restores, deletion and the autosave). No display: the window is a stand-in.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "note/note.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "store/store_texts.h"
#include "support/full_record.h"

namespace kd {
namespace {

// The window's share of the record, and what the note told it.
struct StandInWindow : NoteSurface, NoteObserver {
    std::string body_rtf() const override { return rtf; }
    NoteFrame record_frame() const override { return frame; }
    void note_changed(NoteChange change) override { changes.push_back(change); }

    std::string rtf = "{\\rtf1 text}";
    NoteFrame frame{40, 30, 220, 180};
    std::vector<NoteChange> changes;
};

// A note's autosave timer on the test's clock.
struct ManualTimer : AutosaveTimer {
    ManualTimer(Note& note, const std::int64_t& now) : note(note), now(now) {}
    void start(std::int64_t delay_ms) override { due = now + delay_ms; }
    void stop() override { due.reset(); }
    void run_if_due() {
        if (due && *due <= now) {
            due.reset();
            note.autosave_timer_ran_out();
        }
    }
    Note& note;
    const std::int64_t& now;
    std::optional<std::int64_t> due;
};

class NoteTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        note.set_observer(&window);
    }

    void start_autosave(ManualTimer& timer) {
        timer.note.start_autosave(timer, {2000, 10000}, [this] { return now_; });
        timers_.push_back(&timer);
    }
    // Moves the time on by `ms`, running the timers that are due.
    void advance(std::int64_t ms) {
        now_ += ms;
        for (ManualTimer* timer : timers_)
            timer->run_if_due();
    }
    std::optional<NoteRecord> stored(int number = 3) const {
        NoteRecord r;
        if (!store.read_record(number, r))
            return std::nullopt;
        return r;
    }

    NoteStore store{app_paths(), test::store_errors()};
    StandInWindow window;
    Note note{store, window, 3};
    std::int64_t now_ = 0;
    ManualTimer timer_{note, now_};
    std::vector<ManualTimer*> timers_;
};

TEST_F(NoteTest, RecordIsTheNotesPartAndTheWindowsAndTheLooksRoundTrip) {
    const NoteRecord full = test::full_record(3, "Shopping");
    note.take_record_look(full);
    note.set_rolled_up(true);
    note.set_border(true);
    note.set_expiration(full.Expiration);
    note.set_alarm(full.Alarm);
    window.frame = {full.Left, full.Top, full.Width, full.Height};
    window.rtf = full.EditText;
    NoteRecord expected = full;
    expected.Minimized = "Yes";
    // The title's "C" centres it: the text keeps no blank at either end.
    EXPECT_EQ(note.to_record(), expected);

    // A left title gets a blank before it, a right one after it; the style keeps one letter,
    // at its end.
    NoteRecord right = full;
    right.TitleText = " Shopping ";
    right.TitleFontType = "RBL";
    note.take_record_look(right);
    EXPECT_EQ(note.title_text(), " Shopping");
    EXPECT_EQ(note.title_look().style, "BL");
    note.set_title_alignment('R');
    EXPECT_EQ(note.title_text(), "Shopping ");
    EXPECT_EQ(note.title_look().style, "BR");

    // The record's other keys stay as they are when a look goes into it.
    NoteRecord swapped = full;
    put_title_look(swapped, body_look_of(full));
    put_body_look(swapped, title_look_of(full));
    EXPECT_EQ(swapped.EditFont, full.TitleFont);
    EXPECT_EQ(swapped.TitleCharSet, full.EditCharSet);
    EXPECT_EQ(swapped.TitleText, full.TitleText);
    EXPECT_EQ(swapped.Alarm, full.Alarm);
}

TEST_F(NoteTest, TheWindowHearsWhatChangedAndTheSendMarksAreKept) {
    note.set_body_look({0, 0xFFFFFF, "Arial", "", 10, 0}, true);
    note.set_status(NoteStatus::Sent);
    note.set_status(NoteStatus::Received);
    note.set_received_from("Received from 10.0.0.5 at 16:40");
    note.set_reply_address("PC17");  // for the body menu only: nothing to show
    note.set_border(false);
    EXPECT_EQ(window.changes, (std::vector<NoteChange>{NoteChange::BodyColours, NoteChange::Status,
                                                       NoteChange::Status, NoteChange::ReceivedFrom,
                                                       NoteChange::Border}));
    EXPECT_TRUE(note.has_status(NoteStatus::Sent) && note.has_status(NoteStatus::Received));
    EXPECT_FALSE(note.has_status(NoteStatus::SendFailed));
    EXPECT_EQ(note.latest_status(), NoteStatus::Received);
    // Marks, reply address and sender are never stored.
    const NoteRecord r = note.to_record();
    EXPECT_EQ(r.TitleText.find("PC17"), std::string::npos);
    EXPECT_EQ(r.TitleText.find("10.0.0.5"), std::string::npos);
}

TEST_F(NoteTest, SaveMomentsWriteAtOnceButNotWhileRestoredOrAfterDeletion) {
    ASSERT_TRUE(note.save());
    ASSERT_TRUE(stored());
    EXPECT_EQ(stored()->EditText, window.rtf);

    // The dialogs' alarm is written at once and shown; a deleted note takes none.
    note.apply_alarm("09122026-080000~Once");
    EXPECT_EQ(stored()->Alarm, "09122026-080000~Once");
    EXPECT_EQ(window.changes.back(), NoteChange::Reminders);

    // A restored note writes nothing while it is built, and an expired one leaves its record
    // for the restorer's write.
    note.begin_filling(true);
    window.rtf = "{\\rtf1 restored}";
    EXPECT_TRUE(note.save());
    note.mark_deleted();
    note.end_filling();
    EXPECT_EQ(stored()->EditText, "{\\rtf1 text}");

    Note other(store, window, 4);
    ASSERT_TRUE(other.save());
    other.mark_deleted();
    EXPECT_FALSE(stored(4)) << "deletion removes the record";
    EXPECT_TRUE(other.save());
    other.apply_expiration("08122026-101500");
    EXPECT_FALSE(stored(4)) << "a deleted note writes nothing";
    EXPECT_EQ(other.expiration(), "");
}

TEST_F(NoteTest, AutosaveWritesChangesOnlyAfterTheFillingAndOnlyWhatIsNew) {
    start_autosave(timer_);
    note.begin_filling(false);
    note.set_title_text("Filled");
    EXPECT_FALSE(note.autosave_pending()) << "what a record fills in waits for no autosave";
    note.end_filling();

    note.set_title_text("Typed");
    EXPECT_TRUE(note.autosave_pending());
    advance(2000);
    EXPECT_FALSE(note.autosave_pending());
    EXPECT_EQ(stored()->TitleText, "Typed");

    // A change back to what the file holds writes nothing.
    const auto writes = ProfileFile::replace_count();
    note.set_border(true);
    note.set_border(false);
    advance(2000);
    EXPECT_EQ(ProfileFile::replace_count(), writes);

    // Another save moment, or a write of many notes, leaves nothing waiting.
    note.set_title_text("Saved");
    ASSERT_TRUE(note.save());
    EXPECT_FALSE(note.autosave_pending());
    Note other(store, window, 4);
    note.set_title_text("Together");
    StoreTransaction tx(store);
    other.mark_deleted();
    ASSERT_TRUE(write_notes(tx, {&note, &other}, store_texts::kErrorWritingNote));
    EXPECT_FALSE(note.autosave_pending());
    EXPECT_EQ(stored()->TitleText, "Together");
    EXPECT_FALSE(stored(4)) << "a deleted note is left out";

    // A note not numbered yet has no record to write, and one whose window is going writes
    // nothing.
    Note unnumbered(store, window, 0);
    ManualTimer unnumbered_timer(unnumbered, now_);
    start_autosave(unnumbered_timer);
    unnumbered.set_title_text("Nowhere");
    advance(2000);
    EXPECT_FALSE(unnumbered.autosave_pending());
    EXPECT_FALSE(stored(0));
    note.stop_saving();
    note.set_title_text("Gone");
    EXPECT_FALSE(note.autosave_pending());
}

TEST_F(NoteTest, AFailingAutosaveIsReportedOnceInARowAndTriedAgain) {
    // A folder where the file should be: every write fails.
    std::filesystem::create_directory(dir.file("blocked"));
    use_ini(dir.file("blocked"));
    NoteStore blocked(app_paths(), test::store_errors());
    Note failing(blocked, window, 3);
    ManualTimer failing_timer(failing, now_);
    start_autosave(failing_timer);
    failing.set_title_text("One");
    advance(2000);
    failing.set_title_text("Two");
    advance(2000);
    EXPECT_TRUE(failing.autosave_pending());
    EXPECT_EQ(errors.take(), std::vector<std::string>{std::string(store_texts::kErrorWritingNote)});

    // Once a write went through, the next failure is told again.
    failing.record_written(failing.to_record());
    failing.set_title_text("Three");
    advance(2000);
    EXPECT_EQ(errors.take().size(), 1u);
}

}  // namespace
}  // namespace kd
