// Spell checking in note windows on a real X server, with the system's en_US dictionary
// (hunspell-en-us): the marks live in the layout only (the note's rich text, its file bytes,
// its undo steps and its autosave stay untouched, on and off), the body menu opened on a
// misspelt word offers the suggestions and "Add to dictionary" above the designed items, a
// suggestion replaces the word as one undo step, and an added word is stored privately and
// loses its mark in every note.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "note/body_spelling.h"
#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "platform/profile_file.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

namespace nm = note_menu;

constexpr int kQuietMs = 60;
constexpr int kCeilingMs = 300;

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The marks of every paragraph, as (start in the text, length).
std::vector<std::pair<int, int>> marks_of(const NoteBody& body) {
    std::vector<std::pair<int, int>> marks;
    for (QTextBlock b = body.document()->begin(); b.isValid(); b = b.next()) {
        for (const QTextLayout::FormatRange& r : b.layout()->formats()) {
            EXPECT_EQ(r.format.underlineStyle(), QTextCharFormat::SpellCheckUnderline);
            marks.emplace_back(b.position() + r.start, r.length);
        }
    }
    return marks;
}

class NoteSpellingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        ts_.services.set_autosave_delays({kQuietMs, kCeilingMs});
        word_list_ = dir_.path().toStdString() + "/Korvadesk.words";
        spelling_ = std::make_unique<BodySpelling>(
            SpellingSetup{"/usr/share/hunspell", "en_US.UTF-8", word_list_});
        ts_.services.set_spelling(spelling_.get());
        spelling_->set_enabled(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return spelling_->loaded(); }, 10000));
        if (spelling_->checker() == nullptr) {
            GTEST_SKIP() << "hunspell-en-us is not installed";
        }
    }
    void TearDown() override {
        for (const QPointer<NoteWindow>& n : notes_) {
            delete n.data();
        }
    }

    NoteWindow* restored_note(int number, const std::string& text) {
        NoteRecord record = test::sample_note_record(number);
        record.EditText = "{\\rtf1\\ansi " + text + "\\par}";
        EXPECT_TRUE(store().write_record(record));
        auto* note = new NoteWindow(nullptr, number, ts_.services);
        notes_.emplace_back(note);
        EXPECT_TRUE(note->create_from_record(record, false, false));
        note->note().record_written(note->note().to_record());
        note->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note));
        settle();
        return note;
    }
    static void settle() { QTest::qWait(kCeilingMs + 2 * kQuietMs); }
    NoteStore store() const { return NoteStore(app_paths(), test::store_errors()); }

    // Opens the body menu with the right button over the character at `position`, and
    // chooses the item with `text` once it shows.
    static void choose_at(NoteWindow* w, int position, const QString& text,
                          QStringList* items = nullptr) {
        QTimer::singleShot(200, [w, text, items] {
            QMenu* menu = w->menus()->body_menu();
            ASSERT_TRUE(menu->isVisible());
            for (QAction* a : menu->actions()) {
                if (items != nullptr) {
                    items->push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
                }
                if (a->text() == text) {
                    menu->setActiveAction(a);
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTextCursor c(w->body()->document());
        c.setPosition(position);
        const QPoint at = w->body()->cursorRect(c).center() + QPoint(2, 0);
        QWidget* viewport = w->body()->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    }

    QTemporaryDir dir_;
    test::ErrorRecorder errors_;
    test::TestServices ts_{Clock::system()};
    std::string word_list_;
    std::unique_ptr<BodySpelling> spelling_;
    std::vector<QPointer<NoteWindow>> notes_;
};

TEST_F(NoteSpellingTest, MarksNeverChangeTheNoteItsFileItsUndoOrItsAutosave) {
    NoteWindow* w = restored_note(1, "I recieve teh letter");
    NoteBody* body = w->body();
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*body).size() == 2; }, 5000));
    EXPECT_EQ(marks_of(*body), (std::vector<std::pair<int, int>>{{2, 7}, {10, 3}}));
    settle();
    const auto writes = ProfileFile::replace_count();
    const bool modified = body->document()->isModified();
    const std::uint64_t revision = w->note().revision();
    QSignalSpy changes(body->document(), &QTextDocument::contentsChanged);
    const std::string rtf_on = w->body_rtf();
    ASSERT_TRUE(w->save_state());
    const std::string file_on = file_bytes(app_paths().IniPath);

    spelling_->set_enabled(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*body).empty(); }, 5000));
    settle();
    EXPECT_FALSE(w->note().autosave_pending());
    EXPECT_EQ(ProfileFile::replace_count(), writes + 1) << "only the save of the test";
    EXPECT_EQ(w->body_rtf(), rtf_on);
    ASSERT_TRUE(w->save_state());
    EXPECT_EQ(file_bytes(app_paths().IniPath), file_on);

    spelling_->set_enabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*body).size() == 2; }, 5000));
    settle();
    EXPECT_FALSE(w->note().autosave_pending());
    EXPECT_FALSE(body->document()->isUndoAvailable()) << "the loaded text is no undo step";
    EXPECT_EQ(body->document()->isModified(), modified);
    EXPECT_EQ(changes.count(), 0) << "no one heard of a change";
    EXPECT_EQ(w->note().revision(), revision) << "the note is as it was";

    // Typing marks the word it completes at once, and only the typing is a change.
    QTextCursor end(body->document());
    end.movePosition(QTextCursor::End);
    body->setTextCursor(end);
    body->setFocus();
    QTest::keyClicks(body, " adn");
    EXPECT_EQ(marks_of(*body).size(), 3u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->note().autosave_pending(); }, 5000));
    EXPECT_EQ(body->toPlainText(), "I recieve teh letter adn");
}

TEST_F(NoteSpellingTest, ASuggestionReplacesTheWordAsOneUndoStepAboveTheDesignedMenu) {
    NoteWindow* w = restored_note(1, "I recieve it");
    NoteBody* body = w->body();
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*body).size() == 1; }, 5000));

    QStringList items;
    choose_at(w, 4, QStringLiteral("receive"), &items);
    EXPECT_EQ(body->toPlainText(), "I receive it");
    ASSERT_GE(items.size(), 4);
    EXPECT_EQ(items[0], "receive");
    const qsizetype add = items.indexOf(QString::fromUtf8(nm::kTextAddToDictionary));
    ASSERT_GE(add, 1);
    EXPECT_LE(add, qsizetype(kMostSuggestions));
    EXPECT_EQ(items[add + 1], "-");
    EXPECT_EQ(items[add + 2], QString::fromUtf8(nm::kTextFont)) << "the designed items follow";
    // Gone again once the menu closed; the designed menu is as it was.
    EXPECT_EQ(w->menus()->body_menu()->actions().value(0), w->menus()->body_action(nm::kFont));
    EXPECT_TRUE(w->menus()->spelling_items().empty());
    EXPECT_TRUE(marks_of(*body).empty());

    body->undo_command();
    EXPECT_EQ(body->toPlainText(), "I recieve it");
    body->redo_command();
    EXPECT_EQ(body->toPlainText(), "I receive it");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            NoteRecord r;
            return store().read_record(1, r) && r.EditText.find("receive") != std::string::npos;
        },
        5000));

    // Over a word spelt right the menu is the designed one.
    w->menus()->prepare_spelling_items(10);
    EXPECT_TRUE(w->menus()->spelling_items().empty());
}

TEST_F(NoteSpellingTest, AnAddedWordIsStoredPrivatelyAndLosesItsMarkInEveryNote) {
    NoteWindow* first = restored_note(1, "the zorblat here");
    NoteWindow* second = restored_note(2, "zorblat again");
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*second->body()).size() == 1; }, 5000));
    ASSERT_EQ(marks_of(*first->body()).size(), 1u);

    choose_at(first, 6, QString::fromUtf8(nm::kTextAddToDictionary));
    EXPECT_EQ(first->body()->toPlainText(), "the zorblat here");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return marks_of(*first->body()).empty() && marks_of(*second->body()).empty(); },
        5000));
    EXPECT_EQ(file_bytes(word_list_), "zorblat\n");
    struct stat st {};
    ASSERT_EQ(::stat(word_list_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A later run reads it back.
    BodySpelling again(SpellingSetup{"/usr/share/hunspell", "en_US.UTF-8", word_list_});
    again.set_enabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.loaded(); }, 10000));
    ASSERT_NE(again.checker(), nullptr);
    EXPECT_TRUE(again.checker()->is_correct(u"zorblat"));
}

TEST_F(NoteSpellingTest, AHiddenNoteIsCheckedWhenItIsShown) {
    NoteWindow* w = restored_note(1, "a recieved note");
    ASSERT_TRUE(QTest::qWaitFor([&] { return marks_of(*w->body()).size() == 1; }, 5000));
    w->hide();
    spelling_->set_enabled(false);
    QTest::qWait(100);
    EXPECT_EQ(marks_of(*w->body()).size(), 1u) << "nothing done for a hidden note";
    w->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return marks_of(*w->body()).empty(); }, 5000));
}

}  // namespace
}  // namespace kd
