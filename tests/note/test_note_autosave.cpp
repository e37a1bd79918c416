// A note window saving itself after changes, on a real X server (Xvfb) with a real settings
// file: typed text, place, size, roll-up and title colour reach the file without a save
// moment; nothing is written when nothing changed or while an input method composes; a
// failing file is reported once. The delays are shortened; AutosaveSchedule's own test holds the
// real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "note/note_window.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

constexpr int kQuietMs = 60;
constexpr int kCeilingMs = 300;

class NoteAutosaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        ts_.services.set_autosave_delays({kQuietMs, kCeilingMs});
    }
    void TearDown() override { delete note_.data(); }

    // A note restored from the file and shown, as the main window leaves it after start-up.
    NoteWindow* restored_note(const NoteRecord& record = test::sample_note_record(1)) {
        EXPECT_TRUE(store().write_record(record));
        note_ = new NoteWindow(nullptr, record.NoteID, ts_.services);
        EXPECT_TRUE(note_->create_from_record(record, false, false));
        note_->note().record_written(note_->note().to_record());
        note_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note_));
        settle();
        return note_;
    }
    // Lets the window system's answers and any pending autosave run out.
    static void settle() { QTest::qWait(kCeilingMs + 2 * kQuietMs); }

    NoteStore store() const { return NoteStore(app_paths(), test::store_errors()); }
    NoteRecord stored(int number = 1) const {
        NoteRecord r;
        EXPECT_TRUE(store().read_record(number, r));
        return r;
    }
    bool stored_text_has(const std::string& text) const {
        return stored().EditText.find(text) != std::string::npos;
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    test::ErrorRecorder errors_;
    QPointer<NoteWindow> note_;
};

TEST_F(NoteAutosaveTest, TypingIsWrittenWithoutLeavingTheNoteOnceAndNotAgain) {
    NoteWindow* w = restored_note();
    const auto before = ProfileFile::replace_count();
    QTest::qWait(kCeilingMs * 2);
    EXPECT_EQ(ProfileFile::replace_count(), before) << "nothing changed, nothing written";

    w->body()->setFocus();
    QTest::keyClicks(w->body(), "milk and bread");
    EXPECT_TRUE(w->body()->hasFocus());
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored_text_has("milk and bread"); }, 5000));
    EXPECT_TRUE(w->body()->hasFocus());
    settle();
    EXPECT_EQ(ProfileFile::replace_count(), before + 1);
    EXPECT_FALSE(w->note().autosave_pending());
}

TEST_F(NoteAutosaveTest, TypingWithoutAPauseIsWrittenBeforeItEnds) {
    NoteWindow* w = restored_note();
    w->body()->setFocus();
    // Keys closer together than the quiet time, for twice the ceiling.
    bool written_while_typing = false;
    for (int i = 0; i < 2 * kCeilingMs / (kQuietMs / 3); ++i) {
        QTest::keyClick(w->body(), Qt::Key_A);
        QTest::qWait(kQuietMs / 3);
        written_while_typing = written_while_typing || stored_text_has("aaa");
    }
    EXPECT_TRUE(written_while_typing);
}

TEST_F(NoteAutosaveTest, PlaceSizeRollUpAndTitleColourAreWrittenAndAMoveBackIsNot) {
    NoteWindow* w = restored_note();
    w->move(340, 260);
    w->resize(300, 220);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored().Left == 340; }, 5000));
    NoteRecord r = stored();
    EXPECT_EQ(r.Top, 260);
    EXPECT_EQ(r.Width, 300);
    EXPECT_EQ(r.Height, 220);

    w->roll_up();
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored().Minimized == "Yes"; }, 5000));
    EXPECT_EQ(stored().Height, 220);
    w->roll_down();
    TextLook look = w->note().title_look();
    look.text_colour = 0x0000FF;
    look.back_colour = 0x00FF00;
    w->note().set_title_look(look);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored().TitleBackColor == 0x00FF00u; }, 5000));
    EXPECT_EQ(stored().Minimized, "No");

    // Away and back before the quiet time is over: the record is as written, so no write.
    settle();
    const auto before = ProfileFile::replace_count();
    w->move(500, 500);
    w->move(340, 260);
    settle();
    EXPECT_EQ(ProfileFile::replace_count(), before);
}

TEST_F(NoteAutosaveTest, NothingIsWrittenWhileAnInputMethodComposes) {
    NoteWindow* w = restored_note();
    w->body()->setFocus();
    const auto before = ProfileFile::replace_count();
    QTest::keyClicks(w->body(), "ab");
    QInputMethodEvent preedit("ka", {});
    QApplication::sendEvent(w->body(), &preedit);
    QTest::qWait(kCeilingMs * 2);
    EXPECT_EQ(ProfileFile::replace_count(), before);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u304B"));
    QApplication::sendEvent(w->body(), &commit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored_text_has("ab"); }, 5000));
    settle();
    EXPECT_EQ(ProfileFile::replace_count(), before + 1);
    EXPECT_EQ(w->body()->toPlainText(), QStringLiteral("ab\u304B"));
}

TEST_F(NoteAutosaveTest, AnOtherSaveMomentTakesTheChangeAndAFailingFileIsReportedOnce) {
    NoteWindow* w = restored_note();
    w->body()->setFocus();
    QTest::keyClicks(w->body(), "x");
    ASSERT_TRUE(w->note().autosave_pending());
    ASSERT_TRUE(w->save_state());  // a menu opened
    EXPECT_FALSE(w->note().autosave_pending());
    EXPECT_TRUE(stored_text_has("x"));

    // A settings file that cannot be written (its folder is a file).
    set_app_paths(test::app_paths_in("/dev/null/korvadesk"));
    errors_.take();
    QTest::keyClicks(w->body(), "y");
    QTest::qWait(kCeilingMs);
    QTest::keyClicks(w->body(), "z");
    QTest::qWait(kCeilingMs * 3);
    EXPECT_EQ(errors_.take(),
              std::vector<std::string>{"Error writing Note information to ini file."});
    EXPECT_TRUE(w->note().autosave_pending());

    // Writable again: the waiting change goes in with the next try.
    set_app_paths(test::app_paths_in(dir_.path().toStdString()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored_text_has("xyz"); }, 5000));
    EXPECT_FALSE(w->note().autosave_pending());
}

}  // namespace
}  // namespace kd
