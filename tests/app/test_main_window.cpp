// The main window with real note windows on the test's X display and a real settings file in a
// temporary folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/tray_menu.h"
#include "note/note_geometry.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

using test::BoxAnswerer;

NoteRecord sample_record(int number, const std::string& title) {
    NoteRecord r;
    r.NoteID = number;
    r.EditBackColor = 0xFFCB97;
    r.TitleBackColor = 0xE28E49;
    r.EditFont = "Verdana";
    r.TitleFont = "Verdana";
    r.EditFontSize = 8;
    r.TitleFontSize = 8;
    r.TitleFontType = "C";
    r.TitleText = title;
    r.Left = 50 + 10 * number;
    r.Top = 60 + 10 * number;
    r.Width = 220;
    r.Height = 180;
    r.Minimized = "No";
    r.Border = "No";
    r.Hidden = "No";
    return r;
}

// One stored note, hidden, in a file of today's version: the tray is then the only way back.
void store_one_hidden_note(const NoteStore& store) {
    store.settings().set_text(Setting::IniUpdate, "0111");
    NoteRecord hidden = sample_record(1, "hidden");
    hidden.Hidden = "Yes";
    store.write_record(hidden);
    store.settings().set_number(Setting::NumberOfNotes, 1);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path().toStdString();
        ini_ = folder_ + "/Korvadesk.ini";
        set_app_paths(test::app_paths_in(folder_));
    }
    void TearDown() override {
        window_.reset();
        QApplication::processEvents();
    }

    MainWindow& start() {
        window_ = std::make_unique<MainWindow>(ts_.services);
        EXPECT_TRUE(window_->start());
        QApplication::processEvents();
        return *window_;
    }
    std::string main_key(const char* key) { return ProfileFile::read(ini_, "KORVADESK", key, 256); }
    std::vector<NoteWindow*> visible_notes() {
        std::vector<NoteWindow*> out;
        for (NoteWindow* n : window_->notes()) {
            if (n->isVisible()) {
                out.push_back(n);
            }
        }
        return out;
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    std::string folder_;
    std::string ini_;
    test::ErrorRecorder reports_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, FirstStartCreatesTheFileAndShowsOneEmptyNote) {
    MainWindow& w = start();
    EXPECT_EQ(main_key("IniUpdate"), "0111");
    EXPECT_EQ(main_key("Version"), "5.lan");
    EXPECT_EQ(main_key("AskBeforeDelete"), "Yes");
    EXPECT_EQ(main_key("ReadNetworkOnStart"), "Yes");
    EXPECT_EQ(main_key("CheckEmailOnStart"), "No");
    EXPECT_EQ(main_key("NmbOfProgramStarts"), "0");
    EXPECT_EQ(main_key("NumberOfNotes"), "1");
    NoteStore store{app_paths(), test::store_errors()};
    for (int n = 90000; n <= 90011; ++n) {
        EXPECT_TRUE(store.record_exists(n)) << n;
    }
    ASSERT_EQ(w.notes().size(), 1);
    NoteWindow* note = w.notes().front();
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->note().number(), 1);
    EXPECT_EQ(store.settings().number(Setting::DefaultWidth), note->width());
    EXPECT_EQ(store.settings().number(Setting::DefaultHeight), note->height());
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(MainWindowTest, NewNotesCascadeFromTheFirstNote) {
    MainWindow& w = start();
    const QPoint origin = w.notes().front()->pos();
    w.new_note();
    w.new_note();
    ASSERT_EQ(w.notes().size(), 3);
    EXPECT_EQ(w.notes()[1]->pos(), origin + QPoint(40, 40));
    EXPECT_EQ(w.notes()[2]->pos(), origin + QPoint(80, 80));
    EXPECT_EQ(w.notes()[2]->note().number(), 3);
    EXPECT_EQ(main_key("NumberOfNotes"), "3");
    EXPECT_DOUBLE_EQ(w.notes()[2]->windowOpacity(), 1.0);
}

TEST_F(MainWindowTest, NotesMadeOneAfterAnotherKeepTheProgramIconSmallUntilTheyStop) {
    start();
    const QList<QSize> program = QApplication::windowIcon().availableSizes();
    ASSERT_GT(program.size(), 2);
    // A burst received: the windows made meanwhile carry their own two sizes.
    NoteView* first = window_->create_note();
    NoteView* second = window_->create_note();
    EXPECT_EQ(QApplication::windowIcon().availableSizes().size(), 2);
    for (NoteView* note : {first, second}) {
        EXPECT_EQ(note->widget()->windowIcon().availableSizes().size(), 2);
    }
    // Once no note has been made for a while, every other window gets all sizes again.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::windowIcon().availableSizes() == program; }, 5000));
}

TEST_F(MainWindowTest, NewNoteTakesTheStoredDefaultSize) {
    NoteStore(app_paths(), test::store_errors()).settings().set_default_size("260", "150");
    MainWindow& w = start();
    EXPECT_EQ(w.notes().front()->size(), QSize(260, 150));
}

TEST_F(MainWindowTest, RestoreClosesGapsAndKeepsOrder) {
    NoteStore store{app_paths(), test::store_errors()};
    store.settings().set_text(Setting::IniUpdate, "0111");
    store.write_record(sample_record(1, "one"));
    store.write_record(sample_record(3, "three"));
    store.write_record(sample_record(4, "four"));
    store.settings().set_number(Setting::NumberOfNotes, 4);

    MainWindow& w = start();
    EXPECT_EQ(w.note_count(), 3);
    EXPECT_EQ(main_key("NumberOfNotes"), "3");
    const char* titles[] = {"one", "three", "four"};
    for (int i = 1; i <= 3; ++i) {
        NoteRecord r;
        ASSERT_TRUE(store.read_record(i, r));
        EXPECT_EQ(r.TitleText, titles[i - 1]);
        EXPECT_EQ(r.NoteID, i);
    }
    EXPECT_FALSE(store.record_exists(4));
    // Restored notes are not cascaded: they stay where they were stored.
    EXPECT_EQ(w.notes()[0]->pos(), QPoint(60, 70));
    EXPECT_EQ(w.notes()[0]->size(), QSize(220, 180));
}

TEST_F(MainWindowTest, NotesOnNoScreenShowInTheCascadeAndKeepTheirStoredPlace) {
    NoteStore store{app_paths(), test::store_errors()};
    store.settings().set_text(Setting::IniUpdate, "0111");
    NoteRecord beyond = sample_record(1, "beyond");
    beyond.Left = 5000;
    beyond.Top = 40;
    NoteRecord negative = sample_record(2, "negative");
    negative.Left = -50;  // partly off the left edge: its title strip is still there to grab
    negative.Top = 30;
    NoteRecord hidden_away = sample_record(3, "hidden away");
    hidden_away.Left = -3000;
    hidden_away.Top = 700;
    hidden_away.Hidden = "Yes";
    store.write_record(beyond);
    store.write_record(negative);
    store.write_record(hidden_away);
    store.settings().set_number(Setting::NumberOfNotes, 3);

    MainWindow& w = start();
    ASSERT_EQ(w.notes().size(), 3);
    // Spread where new notes go on the primary screen, not piled at one corner.
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    EXPECT_EQ(w.notes()[0]->pos(), origin + QPoint(kNoteTemplateLeft, kNoteTemplateTop));
    EXPECT_EQ(w.notes()[1]->pos(), QPoint(-50, 30));
    EXPECT_EQ(w.notes()[2]->pos(), origin + QPoint(kNoteTemplateLeft + 40, kNoteTemplateTop + 40));
    EXPECT_FALSE(w.notes()[2]->isVisible());

    // The start saves every note: their own places stay in the file.
    NoteRecord stored;
    ASSERT_TRUE(store.read_record(1, stored));
    EXPECT_EQ(stored.Left, 5000);
    EXPECT_EQ(stored.Top, 40);
    ASSERT_TRUE(store.read_record(3, stored));
    EXPECT_EQ(stored.Left, -3000);
    EXPECT_EQ(stored.Top, 700);
    EXPECT_EQ(stored.Hidden, "Yes");
}

TEST_F(MainWindowTest, HiddenNotesEnableShowAllAndShowAllBringsThemBack) {
    NoteStore store{app_paths(), test::store_errors()};
    store.settings().set_text(Setting::IniUpdate, "0111");
    NoteRecord hidden = sample_record(1, "hidden");
    hidden.Hidden = "Yes";
    store.write_record(hidden);
    store.write_record(sample_record(2, "shown"));
    store.settings().set_number(Setting::NumberOfNotes, 2);

    MainWindow& w = start();
    EXPECT_FALSE(w.notes()[0]->isVisible());
    EXPECT_TRUE(w.tray_action(kCmdShowAll)->isEnabled());

    w.show_all();
    EXPECT_TRUE(w.notes()[0]->isVisible());
    EXPECT_FALSE(w.tray_action(kCmdShowAll)->isEnabled());
    EXPECT_TRUE(w.tray_action(kCmdHideAll)->isEnabled());
    // The shown note's record says so at once: after a crash it comes back visible.
    NoteRecord shown;
    ASSERT_TRUE(store.read_record(1, shown));
    EXPECT_EQ(shown.Hidden, "No");

    w.hide_all();
    QApplication::processEvents();
    EXPECT_TRUE(visible_notes().empty());
    EXPECT_TRUE(w.tray_action(kCmdShowAll)->isEnabled());
    EXPECT_FALSE(w.tray_action(kCmdHideAll)->isEnabled());
    NoteRecord r;
    ASSERT_TRUE(store.read_record(2, r));
    EXPECT_EQ(r.Hidden, "Yes");
}

TEST_F(MainWindowTest, ShowAllLockCancelLeavesNotesHiddenAndWrongPasswordIsRefused) {
    NoteStore store{app_paths(), test::store_errors()};
    store_one_hidden_note(store);
    store.settings().set_show_all_lock(true, "secret");

    MainWindow& w = start();
    DialogEnd end = DialogEnd::Cancel;
    std::string typed;
    QObject::connect(&w, &MainWindow::show_all_password_requested,
                     [&](DialogEnd* out_end, std::string* out) {
                         *out = typed;
                         *out_end = end;
                     });
    w.show_all();
    QApplication::processEvents();
    EXPECT_FALSE(w.notes()[0]->isVisible());

    BoxAnswerer boxes(ts_.boxes);
    end = DialogEnd::Ok;
    typed = "Secret";
    w.show_all();
    QApplication::processEvents();
    EXPECT_FALSE(w.notes()[0]->isVisible());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Sorry wrong password entered.");

    typed = "secret";
    w.show_all();
    QApplication::processEvents();
    EXPECT_TRUE(w.notes()[0]->isVisible());
}

TEST_F(MainWindowTest, TrayMenuItemsIdsAndEnableStates) {
    MainWindow& w = start();
    std::vector<int> ids;
    std::vector<std::string> captions;
    for (QAction* a : w.tray_menu()->actions()) {
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        captions.push_back(a->text().toStdString());
    }
    // "Find in notes ..." and "Notes" (33001, 33002) come after "Hide all notes".
    EXPECT_EQ(ids, (std::vector<int>{32772, 0, 32796, 32797, 33001, 33002, 0, 32957, 32958, 0,
                                     32901, 0, 32877, 0, 32791, 0, 32773}));
    EXPECT_EQ(captions[0], "New note          Alt+N");
    EXPECT_EQ(captions[2], "Show all notes");
    EXPECT_EQ(captions[16], "Exit Korvadesk ...");
    EXPECT_EQ(w.tray_icon()->toolTip().toStdString(), "Korvadesk 5.lan");

    // Features not in this build yet are greyed; Show all starts greyed.
    for (int id : {kCmdExport, kCmdImport, kCmdCheckEmail, kCmdSettings, kCmdAbout, kCmdShowAll}) {
        EXPECT_FALSE(w.tray_action(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(w.tray_action(kCmdNewNote)->isEnabled());
    EXPECT_TRUE(w.tray_action(kCmdExit)->isEnabled());

    // Export and Hide all follow the visible notes when the menu opens.
    w.set_command_available(kCmdExport, true);
    ASSERT_TRUE(w.prepare_tray_menu());
    EXPECT_TRUE(w.tray_action(kCmdHideAll)->isEnabled());
    EXPECT_TRUE(w.tray_action(kCmdExport)->isEnabled());
    w.notes().front()->show_hide_message(false);
    ASSERT_TRUE(w.prepare_tray_menu());
    EXPECT_FALSE(w.tray_action(kCmdHideAll)->isEnabled());
    EXPECT_TRUE(w.tray_action(kCmdHideAll)->icon().isNull());
    EXPECT_FALSE(w.tray_action(kCmdExport)->isEnabled());

    // About is greyed while its box is open.
    bool was_enabled = true;
    w.set_command_available(kCmdAbout, true);
    QObject::connect(&w, &MainWindow::about_requested,
                     [&] { was_enabled = w.tray_action(kCmdAbout)->isEnabled(); });
    ASSERT_TRUE(w.prepare_tray_menu());
    w.tray_action(kCmdAbout)->trigger();
    EXPECT_FALSE(was_enabled);
    EXPECT_TRUE(w.tray_action(kCmdAbout)->isEnabled());

    // While the store maintenance runs, no menu, no double-click note, no hot key note.
    w.set_busy(true);
    EXPECT_FALSE(w.prepare_tray_menu());
    w.on_tray_activated(QSystemTrayIcon::DoubleClick);
    w.on_hot_key();
    EXPECT_EQ(w.notes().size(), 1);
    w.set_busy(false);
    w.on_tray_activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(w.notes().size(), 2);
}

TEST_F(MainWindowTest, TheTrayComesOnceTheFirstNoteIsOnTheScreenWithWhatWasSetBefore) {
    NoteStore store{app_paths(), test::store_errors()};
    store.settings().set_text(Setting::IniUpdate, "0111");
    store.write_record(sample_record(1, "shown"));
    NoteRecord hidden = sample_record(2, "hidden");
    hidden.Hidden = "Yes";
    store.write_record(hidden);
    store.settings().set_number(Setting::NumberOfNotes, 2);

    window_ = std::make_unique<MainWindow>(ts_.services);
    MainWindow& w = *window_;
    int finished = 0;
    bool exposed_first = false;
    QObject::connect(&w, &MainWindow::start_finished, [&] {
        ++finished;
        const QWindow* shown = w.notes().front()->windowHandle();
        exposed_first = shown != nullptr && shown->isExposed();
    });
    w.set_command_available(kCmdExport, true);
    ASSERT_TRUE(w.start());
    EXPECT_FALSE(w.start_finished_already()) << "not before the notes are on the screen";
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished > 0; }, 5000));
    EXPECT_TRUE(exposed_first);
    EXPECT_TRUE(w.tray_icon()->isVisible());
    // What the start and the modules set before the menu existed is in it.
    EXPECT_TRUE(w.tray_action(kCmdShowAll)->isEnabled()) << "a hidden note was restored";
    EXPECT_TRUE(w.tray_action(kCmdExport)->isEnabled());
    EXPECT_FALSE(w.tray_action(kCmdSettings)->isEnabled());
    w.finish_start();
    QApplication::processEvents();
    EXPECT_EQ(finished, 1) << "once";
}

TEST_F(MainWindowTest, AStartWithEveryNoteHiddenFinishesToo) {
    NoteStore store{app_paths(), test::store_errors()};
    store_one_hidden_note(store);

    window_ = std::make_unique<MainWindow>(ts_.services);
    int finished = 0;
    QObject::connect(window_.get(), &MainWindow::start_finished, [&] { ++finished; });
    ASSERT_TRUE(window_->start());
    EXPECT_TRUE(visible_notes().empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished > 0; }, 5000));
    EXPECT_TRUE(window_->tray_icon()->isVisible()) << "the only way back to the note";
}

TEST_F(MainWindowTest, CloseWithTheAttackFlagReportsFirstAndClosesOnTheSecondRequest) {
    MainWindow& w = start();
    w.new_note();
    w.set_note_count(7);
    bool stopped = false;
    QObject::connect(&w, &MainWindow::closing, [&] { stopped = true; });
    w.set_attack_flag(true);
    {
        BoxAnswerer boxes(ts_.boxes);
        EXPECT_FALSE(w.request_close());
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0].rfind("Possible silent flood or buffer-overflow attack !\n", 0),
                  0u);
    }
    EXPECT_FALSE(w.is_closed());
    EXPECT_FALSE(stopped);
    EXPECT_TRUE(w.request_close());
    EXPECT_TRUE(w.is_closed());
    EXPECT_TRUE(stopped);
    EXPECT_EQ(main_key("NumberOfNotes"), "7");
    EXPECT_FALSE(w.hot_key_registered());
}

TEST_F(MainWindowTest, TerminationSignalSavesTypedTextAndCloses) {
    MainWindow& w = start();
    NoteWindow* note = w.notes().front();
    note->body()->setPlainText("typed just before logout");
    bool closing = false;
    QObject::connect(&w, &MainWindow::program_closing, [&] { closing = true; });
    std::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closing; }, 1000));
    NoteRecord r;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, r));
    EXPECT_NE(r.EditText.find("typed just before logout"), std::string::npos);
}

TEST_F(MainWindowTest, HotKeyFollowsDisableHotkey) {
    MainWindow& w = start();
    EXPECT_TRUE(w.hot_key_registered());
    window_.reset();
    NoteStore(app_paths(), test::store_errors()).settings().set_text(Setting::DisableHotkey, "Yes");
    MainWindow& again = start();
    EXPECT_FALSE(again.hot_key_registered());
}

TEST_F(MainWindowTest, VersionThatCannotBeWrittenEndsTheStart) {
    // A plain file where the folder should be: nothing can be written below it.
    const std::string blocker = folder_ + "/not-a-folder";
    std::ofstream(blocker) << "x";
    set_app_paths(AppPaths{folder_, blocker + "/Korvadesk.ini", blocker + "/Korvadesk.net", "Linux",
                           folder_});
    BoxAnswerer boxes(ts_.boxes);
    window_ = std::make_unique<MainWindow>(ts_.services);
    EXPECT_FALSE(window_->start());
    // One message, not a failure report per theme record before it.
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].rfind("Sorry but Korvadesk program is not working properly", 0), 0u);
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(MainWindowTest, TextTypedBeforeExitFromTheTrayMenuIsSaved) {
    MainWindow& w = start();
    NoteWindow* note = w.notes().front();
    note->activateWindow();
    note->body()->setFocus();
    QApplication::processEvents();
    QTest::keyClicks(note->body(), "typed before exit");
    // Opening the tray menu takes the focus as a popup, which is no save moment.
    w.tray_menu()->popup(QPoint(400, 400));
    QApplication::processEvents();
    NoteRecord r;
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).read_record(1, r) &&
                 r.EditText.find("typed before exit") != std::string::npos);
    ASSERT_TRUE(w.tray_action(kCmdExit)->isEnabled());
    w.tray_action(kCmdExit)->trigger();
    EXPECT_TRUE(w.is_closed());
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, r));
    EXPECT_NE(r.EditText.find("typed before exit"), std::string::npos);
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(MainWindowTest, ExitWithTheSettingsFileWrittenBehindEndsWithEveryNoteOnDisk) {
    ts_.store.write_in_background();
    MainWindow& w = start();
    w.notes().front()->body()->setPlainText("typed before exit");
    w.tray_action(kCmdExit)->trigger();
    ASSERT_TRUE(w.is_closed());
    // Read from the disk, not from the cache the writer is behind.
    EXPECT_NE(
        ProfileFile::read_uncached(ini_, "NOTE_ID_1", "EditText", 10240).find("typed before exit"),
        std::string::npos);
    EXPECT_EQ(ProfileFile::read_uncached(ini_, "KORVADESK", "NumberOfNotes", 16), "1");
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(MainWindowTest, StartHideAllAndShowAllOfAHundredNotesEachReplaceTheFileOnce) {
    // A settings file as any earlier start leaves it.
    NoteStore store{app_paths(), test::store_errors()};
    write_builtin_themes(NoteStore(app_paths(), test::store_errors()));
    store.settings().set_text(Setting::IniUpdate, "0111");
    store.settings().set_text(Setting::DefaultTitle, "Date");
    store.settings().set_text(Setting::DefaultDateFormat, "DD.MM.YYYY");
    store.settings().write(Setting::Version, "5.lan");
    store.settings().set_text(Setting::AskBeforeDelete, "Yes");
    store.settings().set_text(Setting::ReadNetworkOnStart, "No");
    store.settings().set_text(Setting::CheckEmailOnStart, "No");
    {
        StoreTransaction tx(app_paths().IniPath, test::store_errors());
        // Every other number, so that restoring renumbers all of them.
        for (int i = 1; i <= 100; ++i) {
            tx.write_record(sample_record(2 * i, "note " + std::to_string(i)));
        }
        tx.set_number_of_notes(200);
        ASSERT_TRUE(tx.commit());
    }
    ts_.services.set_autosave_delays({50, 200});
    const auto before = ProfileFile::replace_count();
    MainWindow& w = start();
    // The start count and the renumbered notes with their count: two replaces in all, and
    // the notes' autosave finds nothing to add once the window system has placed them.
    QTest::qWait(600);
    EXPECT_EQ(ProfileFile::replace_count() - before, 2u);
    ASSERT_EQ(w.notes().size(), 100);
    EXPECT_EQ(main_key("NumberOfNotes"), "100");
    NoteRecord r;
    ASSERT_TRUE(store.read_record(100, r));
    EXPECT_EQ(r.TitleText, "note 100");
    EXPECT_FALSE(store.record_exists(101));
    EXPECT_FALSE(store.record_exists(200));

    const auto shown = ProfileFile::replace_count();
    w.hide_all();
    EXPECT_EQ(ProfileFile::replace_count() - shown, 1u);
    ASSERT_TRUE(store.read_record(57, r));
    EXPECT_EQ(r.Hidden, "Yes");

    const auto hidden = ProfileFile::replace_count();
    w.show_all();
    EXPECT_EQ(ProfileFile::replace_count() - hidden, 1u);
    QTest::qWait(600);
    EXPECT_EQ(ProfileFile::replace_count() - hidden, 1u);
    EXPECT_TRUE(reports_.messages.empty());

    // The program ends without closing (as killed): the next start shows every note.
    window_.reset();
    MainWindow& again = start();
    EXPECT_EQ(again.notes().size(), 100);
    EXPECT_EQ(visible_notes().size(), 100u);
}

TEST_F(MainWindowTest, ARestartReadsTheFileAndTheDefaultLookOnceForAllItsNotes) {
    {
        StoreTransaction tx(app_paths().IniPath, test::store_errors());
        for (int i = 1; i <= 20; ++i) {
            tx.write_record(sample_record(i, "note " + std::to_string(i)));
        }
        tx.set_number_of_notes(20);
        tx.set_text(Setting::IniUpdate, "0111");
        ASSERT_TRUE(tx.commit());
    }
    ASSERT_TRUE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
    int looks = 0;
    NoteServices services(ts_.store, Clock::system(), ts_.boxes, [&](const NoteStore& store) {
        ++looks;
        return default_theme(store);
    });
    const auto checks = ProfileFile::disk_check_count();
    window_ = std::make_unique<MainWindow>(services);
    ASSERT_TRUE(window_->start());
    // Each of the 20 records is 24 keys, each note reads settings: a look at the disk for
    // each of them was thousands of stat calls a start.
    EXPECT_LE(ProfileFile::disk_check_count() - checks, 10u);
    EXPECT_EQ(looks, 1);
    ASSERT_EQ(window_->notes().size(), 20);
    EXPECT_EQ(window_->notes()[19]->note().title_text(), "note 20");

    // Afterwards the file is looked at again, and a new note takes the default look as it is.
    std::ofstream(ini_, std::ios::app) << "[OTHER]\nKey=seen\n";
    EXPECT_EQ(ProfileFile::read(ini_, "OTHER", "Key", 16), "seen");
    window_->new_note();
    EXPECT_EQ(looks, 2);
    window_.reset();
}

TEST_F(MainWindowTest, ReadOnlySettingsFileEndsTheStartAndIsNotReplaced) {
    NoteStore(app_paths(), test::store_errors()).settings().write(Setting::Version, "5.lan");
    ASSERT_EQ(::chmod(ini_.c_str(), 0444), 0);
    const std::string before = ProfileFile::read(ini_, "KORVADESK", "Version", 20);
    BoxAnswerer boxes(ts_.boxes);
    window_ = std::make_unique<MainWindow>(ts_.services);
    EXPECT_FALSE(window_->start());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].rfind("Sorry but Korvadesk program is not working properly", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(ini_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(ProfileFile::read(ini_, "KORVADESK", "IniUpdate", 20), "");
}

}  // namespace
}  // namespace kd
