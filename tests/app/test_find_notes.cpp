// "Find in notes ..." and the "Notes" submenu through the main window's own interface (the
// test display has no tray): what the search window lists as the user types, what choosing a
// result does to the note and its record, and what the submenu lists and does.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <memory>
#include <string>

#include "app/find_notes_window.h"
#include "app/main_window.h"
#include "app/shell_texts.h"
#include "app/tray_menu.h"
#include "note/note_window.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/test_services.h"

namespace kd {
namespace {

NoteRecord record(int number, const std::string& title, const std::string& text) {
    NoteRecord r;
    r.NoteID = number;
    r.EditBackColor = 0xFFCB97;
    r.TitleBackColor = 0xE28E49;
    r.EditFont = "DejaVu Sans";
    r.TitleFont = "DejaVu Sans";
    r.EditFontSize = 9;
    r.TitleFontSize = 8;
    r.TitleText = title;
    r.EditText = "{\\rtf1\\ansi\\ansicpg1252 " + text + "\\par}";
    r.Left = 50 + 30 * number;
    r.Top = 60 + 30 * number;
    r.Width = 220;
    r.Height = 180;
    r.Minimized = "No";
    r.Border = "No";
    r.Hidden = "No";
    return r;
}

class FindNotesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        store_.settings().set_text(Setting::IniUpdate, "0111");
        store_.write_record(record(1, "Groceries", "Milk and bread"));
        NoteRecord trip = record(2, "Trip", "Visit the \\'c5lesund harbour");
        trip.Hidden = "Yes";
        trip.Minimized = "Yes";
        store_.write_record(trip);
        store_.write_record(record(3, "Fish & chips", "Nothing here"));
        store_.settings().set_number(Setting::NumberOfNotes, 3);
        window_ = std::make_unique<MainWindow>(ts_.services);
        ASSERT_TRUE(window_->start());
        QApplication::processEvents();
    }
    void TearDown() override {
        window_.reset();
        QApplication::processEvents();
    }

    NoteWindow* note(int number) const {
        for (NoteWindow* n : window_->notes()) {
            if (n->note().number() == number) {
                return n;
            }
        }
        return nullptr;
    }
    NoteRecord stored(int number) const {
        NoteRecord r;
        EXPECT_TRUE(store_.read_record(number, r));
        return r;
    }
    static QStringList rows(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) {
            out << list->item(i)->text();
        }
        return out;
    }

    QTemporaryDir dir_;
    test::ErrorRecorder reports_;
    NoteStore store_{app_paths(), test::store_errors()};
    test::TestServices ts_{Clock::system()};
    std::unique_ptr<MainWindow> window_;
};

TEST_F(FindNotesTest, TheTrayItemsComeAfterHideAllAndKeepTheOthersInOrder) {
    QStringList texts;
    for (QAction* a : window_->tray_menu()->actions()) {
        if (!a->isSeparator()) {
            texts << a->text();
        }
    }
    EXPECT_EQ(texts.mid(0, 5), (QStringList{kCaptionNewNote, kCaptionShowAll, kCaptionHideAll,
                                            kCaptionFindNotes, kCaptionNotesMenu}));
    EXPECT_EQ(texts.mid(5), (QStringList{kCaptionExport, kCaptionImport, kCaptionCheckEmail,
                                         kCaptionSettings, kCaptionAbout, kCaptionExit}));
    EXPECT_EQ(window_->tray_action(kCmdNotesMenu)->menu(), window_->notes_menu());
    EXPECT_TRUE(window_->tray_action(kCmdFindNotes)->isEnabled());
}

TEST_F(FindNotesTest, TypingFindsHiddenNotesAndChoosingOneBringsItUpWithTheWordSelected) {
    window_->run_command(kCmdFindNotes);
    FindNotesWindow* finder = window_->find_window();
    ASSERT_NE(finder, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(finder));
    EXPECT_EQ(finder->results()->count(), 3) << "every note before anything is typed";

    QTest::keyClicks(finder->query_line(), "ALESUND");
    EXPECT_EQ(rows(finder->results()),
              QStringList{QString("Trip") + QString::fromUtf8(kNoteListHiddenSuffix)});
    // A note edited while the window is open is looked at anew, and only that note.
    const std::size_t folds = finder->index().folds();
    note(3)->set_body_text("Ferry to Ålesund at nine");
    QTest::keyClick(finder->query_line(), Qt::Key_Backspace);
    QTest::keyClicks(finder->query_line(), "d");
    EXPECT_EQ(finder->results()->count(), 2);
    EXPECT_EQ(finder->index().folds(), folds + 1);

    QTest::keyClick(finder->query_line(), Qt::Key_Return);
    NoteWindow* trip = note(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trip->isVisible(); }));
    EXPECT_FALSE(trip->note().rolled_up());
    EXPECT_EQ(trip->body()->textCursor().selectedText(), QString::fromUtf8("Ålesund"));
    const NoteRecord r = stored(2);
    EXPECT_EQ(r.Hidden, "No");
    EXPECT_EQ(r.Minimized, "No");

    // The second result, chosen with the arrow key, is the edited note.
    QTest::keyClick(finder->query_line(), Qt::Key_Down);
    QTest::keyClick(finder->query_line(), Qt::Key_Enter);
    EXPECT_EQ(note(3)->body()->textCursor().selectedText(), QString::fromUtf8("Ålesund"));

    QTest::keyClicks(finder->query_line(), "xyz");
    EXPECT_EQ(finder->results()->count(), 0);
    QTest::keyClick(finder->query_line(), Qt::Key_Return);  // nothing to choose: nothing done
}

TEST_F(FindNotesTest, TheNotesSubmenuListsEveryNoteAndShowsTheChosenOne) {
    window_->fill_notes_menu();
    const QList<QAction*> items = window_->notes_menu()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Groceries");
    EXPECT_EQ(items[1]->text(), QString("Trip") + QString::fromUtf8(kNoteListHiddenSuffix));
    EXPECT_TRUE(items[1]->font().italic());
    EXPECT_EQ(items[2]->text(), "Fish && chips") << "no accelerator from a title";
    EXPECT_FALSE(items[0]->icon().isNull());

    items[1]->trigger();
    EXPECT_TRUE(note(2)->isVisible());
    EXPECT_EQ(stored(2).Hidden, "No");
    EXPECT_TRUE(note(2)->note().rolled_up()) << "the list shows; it does not unroll";

    // A deleted note leaves the list; with none left the list says so.
    for (NoteWindow* n : window_->notes()) {
        n->delete_note(false);
    }
    QApplication::processEvents();
    window_->fill_notes_menu();
    ASSERT_EQ(window_->notes_menu()->actions().size(), 1);
    EXPECT_FALSE(window_->notes_menu()->actions()[0]->isEnabled());
    EXPECT_EQ(window_->notes_menu()->actions()[0]->text(), QString::fromUtf8(kNotesMenuEmpty));
}

}  // namespace
}  // namespace kd
