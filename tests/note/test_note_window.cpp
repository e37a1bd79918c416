// Note windows on a real X server (Xvfb) with real INI files in a temporary folder.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "note/note_bounds.h"
#include "note/note_geometry.h"
#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_pictures.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "richtext/qt_colour.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

class NoteWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
    }
    void TearDown() override {
        for (auto& w : windows_)
            delete w.data();
    }

    NoteWindow* make_note(int number) {
        auto* w = new NoteWindow(nullptr, number, ts_.services);
        windows_.push_back(w);
        return w;
    }

    void set(const char* key, const char* value) {
        ASSERT_TRUE(ProfileFile::write(ini(), "KORVADESK", key, std::string_view(value)));
    }
    std::string get(const char* key) { return ProfileFile::read(ini(), "KORVADESK", key, 1024); }
    std::string ini() const { return app_paths().IniPath; }

    bool stored(int number, NoteRecord& out) {
        return NoteStore(app_paths(), test::store_errors()).read_record(number, out);
    }

    static NoteRecord sample_record(int number) { return test::sample_note_record(number); }

    // Sends a mouse event with explicit screen coordinates, as the window system would.
    static void mouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
        const QPointF local = w->mapFromGlobal(QPointF(global));
        QMouseEvent ev(type, local, QPointF(global), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }
    static void drag(QWidget* w, QPoint from, QPoint to) {
        mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        const QPoint mid = (from + to) / 2;
        mouse(w, QEvent::MouseMove, mid, Qt::NoButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    // Answers the next message box with `button` and remembers its text.
    void answer_next_box(QMessageBox::StandardButton button) { ts_.boxes.set_next_answer(button); }
    std::string box_text() const {
        const auto& texts = ts_.boxes.answered_texts();
        return texts.empty() ? std::string() : texts.back();
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    test::ErrorRecorder errors_;
    std::vector<QPointer<NoteWindow>> windows_;
};

TEST_F(NoteWindowTest, NewNoteWritesBuiltinThemesAndTakesDefaultLookAndDateTitle) {
    NoteWindow* w = make_note(1);
    NoteRecord def;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(90000, def));
    NoteRecord dark_blue;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(90007, dark_blue));
    EXPECT_EQ(dark_blue.EditBackColor, 0xAF5500u);
    EXPECT_EQ(w->note().title_look().back_colour, 0xE28E49u);
    EXPECT_EQ(w->note().body_look().face, "Verdana");
    EXPECT_EQ(w->note().title_look().style, "C");

    // An empty DefaultTitle gives the date title and is written as "Date"; an empty format
    // is written as "DD.MM.YYYY".
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(w->note().title_text(), format_date_title("DD.MM.YYYY", local.tm_year + 1900,
                                                        local.tm_mon + 1, local.tm_mday));
    EXPECT_EQ(get("DefaultTitle"), "Date");
    EXPECT_EQ(get("DefaultDateFormat"), "DD.MM.YYYY");
    EXPECT_EQ(w->windowTitle().toStdString(), w->note().title_text());
}

TEST_F(NoteWindowTest, DefaultTitleTextAndDateFormats) {
    set("DefaultTitle", "To do");
    EXPECT_EQ(make_note(1)->note().title_text(), "To do");

    set("DefaultTitle", "Date");
    set("DefaultDateFormat", "YYYY-MM-DD");
    const std::string iso = make_note(2)->note().title_text();
    ASSERT_EQ(iso.size(), 10u);
    EXPECT_EQ(iso[4], '-');
    EXPECT_EQ(iso[7], '-');

    set("DefaultDateFormat", "YY/MM");
    EXPECT_EQ(make_note(3)->note().title_text(), "");
    EXPECT_EQ(get("DefaultTitle"), "Date");
}

TEST_F(NoteWindowTest, ChildrenFollowTheGeometryTable) {
    NoteWindow* w = make_note(1);
    w->resize(200, 150);
    w->show();
    QWidget* title = w->findChild<QLabel*>();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->geometry(), QRect(0, 0, 200, 20));
    EXPECT_EQ(w->body()->geometry(), QRect(2, 20, 196, 128));

    // The thin border takes one pixel on every side; the body then starts at 2 - 1.
    w->note().set_border(true);
    EXPECT_EQ(title->geometry(), QRect(1, 1, 198, 20));
    EXPECT_EQ(w->body()->geometry(), QRect(1 + 1, 1 + 20, 194, 125));
    w->note().set_border(false);
    EXPECT_EQ(w->body()->geometry(), QRect(2, 20, 196, 128));
}

// The close button (the only 10-pixel picture) and the roll-down icon, at (3, 4) inside
// the thin border of a rolled-up note.
struct Icons {
    QLabel* close = nullptr;
    QLabel* roll_down = nullptr;
};
Icons icons_of(NoteWindow* w) {
    Icons icons;
    for (QLabel* l : w->findChildren<QLabel*>()) {
        if (l->pixmap().isNull())
            continue;
        if (l->width() == 10)
            icons.close = l;
        else if (l != w->expiration_icon() && l != w->alarm_icon() &&
                 l->pos() == QPoint(1 + 3, 1 + 4))
            icons.roll_down = l;
    }
    return icons;
}

TEST_F(NoteWindowTest, CloseButtonAndRollDownIconPositions) {
    NoteWindow* w = make_note(1);
    w->resize(200, 150);
    w->show();
    Icons icons = icons_of(w);
    ASSERT_NE(icons.close, nullptr);
    EXPECT_EQ(icons.close->pos(), QPoint(186, 5));  // (W - 14, 5)
    w->roll_up();
    icons = icons_of(w);
    // Inside the thin border the client is 198 wide: (198 - 15, 4), plus the frame.
    EXPECT_EQ(icons.close->pos(), QPoint(1 + 183, 1 + 4));
    ASSERT_NE(icons.roll_down, nullptr);
    EXPECT_TRUE(icons.roll_down->isVisible());
    w->note().set_status(NoteStatus::Received);
    w->roll_down();
    EXPECT_FALSE(icons.roll_down->isVisible());
    EXPECT_EQ(icons.close->pos(), QPoint(186, 5));
    w->note().set_border(true);
    EXPECT_EQ(icons.close->pos(), QPoint(1 + 198 - 14 - 1, 1 + 5 - 1));  // (W - 14 - b, 5 - b)
}

TEST_F(NoteWindowTest, IconsMadeWhenFirstNeededWearTheTitleLookOfThatMoment) {
    NoteWindow* w = make_note(1);
    w->resize(200, 150);
    w->show();
    TextLook look = w->note().title_look();
    look.back_colour = 0x0000C0;  // dark red
    look.text_colour = 0x00FFFF;  // yellow
    w->note().set_title_look(look);
    const QColor back = to_qcolor(look.back_colour);
    const QImage ink = note_picture(NotePicture::RollDown, to_qcolor(look.text_colour)).toImage();

    w->roll_up();
    const Icons icons = icons_of(w);
    ASSERT_NE(icons.roll_down, nullptr);
    EXPECT_TRUE(icons.roll_down->isVisible());
    EXPECT_EQ(icons.roll_down->palette().color(QPalette::Window), back);
    EXPECT_EQ(icons.roll_down->pixmap().toImage(), ink);
    EXPECT_EQ(icons.close->palette().color(QPalette::Window), back) << "made with the note";
    // Made later still, then the look changes again: it follows like the others.
    look.back_colour = 0x00C000;
    w->note().set_title_look(look);
    EXPECT_EQ(w->alarm_icon()->palette().color(QPalette::Window), to_qcolor(0x00C000));
    EXPECT_FALSE(w->alarm_icon()->isVisible()) << "no alarm is set";
    EXPECT_EQ(icons.roll_down->palette().color(QPalette::Window), to_qcolor(0x00C000));
    w->roll_down();
    EXPECT_FALSE(icons.roll_down->isVisible());
}

TEST_F(NoteWindowTest, RolledUpRecordShowsStripAndSavesUnrolledHeight) {
    NoteRecord r = sample_record(4);
    r.Minimized = "Yes";
    NoteWindow* w = make_note(4);
    ASSERT_TRUE(w->create_from_record(r, false, false));
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->note().rolled_up());
    EXPECT_EQ(w->size(), QSize(240, 20));
    EXPECT_EQ(w->pos(), QPoint(300, 200));

    ASSERT_TRUE(w->save_state());
    NoteRecord saved;
    ASSERT_TRUE(stored(4, saved));
    EXPECT_EQ(saved.Height, 180);
    EXPECT_EQ(saved.Width, 240);
    EXPECT_EQ(saved.Minimized, "Yes");
    EXPECT_EQ(saved.Left, 300);
    EXPECT_EQ(saved.Top, 200);
    EXPECT_EQ(saved.TitleText, "Shopping");

    w->roll_down();
    EXPECT_EQ(w->size(), QSize(240, 180));
    ASSERT_TRUE(w->save_state());
    ASSERT_TRUE(stored(4, saved));
    EXPECT_EQ(saved.Minimized, "No");
    EXPECT_EQ(saved.Height, 180);
}

TEST_F(NoteWindowTest, RestoredRecordKeepsEverythingItStores) {
    NoteRecord r = sample_record(2);
    r.Border = "Yes";
    r.TitleFontType = "BL";
    r.TitleFontSize = 10;
    r.Expiration = "";
    NoteWindow* w = make_note(2);
    ASSERT_TRUE(w->create_from_record(r, false, false));
    ASSERT_TRUE(w->save_state());
    NoteRecord saved;
    ASSERT_TRUE(stored(2, saved));
    // The left alignment pads the shown title with one blank; the file's reader drops
    // blanks around values, and the next restore pads it again.
    EXPECT_EQ(w->note().title_text(), " Shopping");
    r.EditText = saved.EditText;
    EXPECT_EQ(saved, r);
}

TEST_F(NoteWindowTest, BodyTypedBeforeAnExitComesBackAfterARestart) {
    NoteWindow* w = make_note(7);
    ASSERT_TRUE(w->create_from_record(sample_record(7), false, false));
    QTest::keyClicks(w->body(), "Milk | eggs ~ bread");
    QTest::keyClick(w->body(), Qt::Key_Return);
    QTest::keyClicks(w->body(), "second line");
    // What the main window does on a logout or SIGTERM: save every note.
    ASSERT_TRUE(w->save_state());
    NoteRecord saved;
    ASSERT_TRUE(stored(7, saved));
    EXPECT_EQ(saved.EditText.rfind("{\\rtf1", 0), 0u) << saved.EditText;

    NoteWindow* again = make_note(7);
    ASSERT_TRUE(again->create_from_record(saved, false, false));
    EXPECT_EQ(again->body()->toPlainText().toStdString(), "Milk | eggs ~ bread\nsecond line");
}

TEST_F(NoteWindowTest, RecordOnNoScreenAsksToBeShownElsewhereAndKeepsItsPlaceUntilMoved) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Partly past the right edge (as a user may drag it): still within reach, left there.
    NoteRecord partly = sample_record(1);
    partly.Left = screen.width() - 100;
    NoteWindow* p = make_note(1);
    ASSERT_TRUE(p->create_from_record(partly, false, false));
    EXPECT_EQ(p->pos(), QPoint(screen.width() - 100, 200));
    EXPECT_FALSE(p->kept_position());

    // On a monitor that is not there now: the owner is asked to show it elsewhere.
    NoteRecord away = sample_record(2);
    away.Left = screen.width() + 300;
    away.Top = 150;
    NoteWindow* w = make_note(2);
    int asked = 0;
    QObject::connect(w, &NoteWindow::off_screen, [&](NoteWindow* n) {
        ++asked;
        n->move(120, 130);
    });
    ASSERT_TRUE(w->create_from_record(away, false, false));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->pos(), QPoint(120, 130));
    EXPECT_EQ(w->size(), QSize(240, 180));
    // Saving keeps the place it has on its own monitor.
    NoteRecord saved = w->note().to_record();
    EXPECT_EQ(saved.Left, screen.width() + 300);
    EXPECT_EQ(saved.Top, 150);

    // Once the user moves it, where it stands is its place.
    drag(w, QPoint(150, 135), QPoint(200, 185));
    EXPECT_EQ(w->pos(), QPoint(170, 180));
    saved = w->note().to_record();
    EXPECT_EQ(saved.Left, 170);
    EXPECT_EQ(saved.Top, 180);
}

TEST_F(NoteWindowTest, RecordWithHugeOrWrappingNumbersIsBuiltWithinTheDesktop) {
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    NoteRecord r = sample_record(1);
    r.Width = 99999;
    r.Height = 99999;
    r.Left = -99999;
    r.EditFontSize = 99999;
    r.TitleFontSize = -5;
    r.TitleBackColor = 0xFF00FF00;
    NoteWindow* w = make_note(1);
    ASSERT_TRUE(w->create_from_record(r, false, false));
    EXPECT_EQ(w->size(), desktop.size());
    const NoteRecord saved = w->note().to_record();
    EXPECT_EQ(saved.Width, desktop.width());
    EXPECT_EQ(saved.Height, desktop.height());
    EXPECT_EQ(saved.Left, -kMaxNoteCoordinate) << "kept, bounded, not wrapped";
    EXPECT_EQ(saved.EditFontSize, kMaxFontPoints);
    EXPECT_EQ(saved.TitleFontSize, kMinFontPoints);
    EXPECT_EQ(saved.TitleBackColor, 0x0000FF00u);

    // A received note is sized within the desktop too.
    NoteRecord received = sample_record(0);
    received.Width = 2147483647;
    received.Height = 2147483647;
    NoteWindow* n = make_note(2);
    ASSERT_TRUE(n->create_from_record(received, true, false));
    EXPECT_EQ(n->size(), desktop.size());
}

TEST_F(NoteWindowTest, HiddenRecordStaysInvisibleAndSignals) {
    NoteRecord r = sample_record(1);
    r.Hidden = "Yes";
    NoteWindow* w = make_note(1);
    int signalled = 0;
    QObject::connect(w, &NoteWindow::restored_hidden, [&] { ++signalled; });
    ASSERT_TRUE(w->create_from_record(r, false, false));
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->note().hidden());
    EXPECT_EQ(signalled, 1);

    // "Show all notes" shows it and the next save stores it visible.
    w->show_hide_message(true);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->note().hidden());
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
    // "Hide all notes" saves with Hidden "Yes".
    w->show_hide_message(false);
    EXPECT_FALSE(w->isVisible());
    NoteRecord saved;
    ASSERT_TRUE(stored(1, saved));
    EXPECT_EQ(saved.Hidden, "Yes");
}

// A restored body is laid out once, when it is first shown with its size: whether shown at
// once, shown later from hidden or unrolled, its text then wraps at the body's width.
TEST_F(NoteWindowTest, RestoredTextIsLaidOutAtTheBodysWidthWhenFirstShown) {
    const auto wraps_at_body_width = [](NoteWindow* w) {
        QTextDocument* doc = w->body()->document();
        const qreal page = doc->pageSize().width();
        const int viewport = w->body()->viewport()->width();
        // More than three lines of words, none wider than the body.
        return page > 0 && std::abs(page - viewport) <= 1 && doc->size().width() <= page + 1 &&
               doc->documentLayout()->documentSize().height() >
                   3 * QFontMetrics(doc->defaultFont()).height();
    };
    NoteRecord r = sample_record(1);
    std::string words;
    for (int i = 0; i < 60; ++i) {
        words += "word ";
    }
    r.EditText = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil Tahoma;}}\\f0\\fs18 " + words + "\\par}";
    r.Width = 260;
    NoteWindow* shown = make_note(1);
    ASSERT_TRUE(shown->create_from_record(r, false, false));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shown));
    EXPECT_TRUE(wraps_at_body_width(shown));

    r.NoteID = 2;
    r.Hidden = "Yes";
    NoteWindow* hidden = make_note(2);
    ASSERT_TRUE(hidden->create_from_record(r, false, false));
    hidden->show_hide_message(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hidden));
    EXPECT_TRUE(wraps_at_body_width(hidden));

    r.NoteID = 3;
    r.Hidden = "No";
    r.Minimized = "Yes";
    NoteWindow* rolled = make_note(3);
    ASSERT_TRUE(rolled->create_from_record(r, false, false));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rolled));
    rolled->toggle_roll();
    QApplication::processEvents();
    EXPECT_TRUE(wraps_at_body_width(rolled));
}

TEST_F(NoteWindowTest, TitleStyleLettersGiveFontAndAlignment) {
    NoteRecord r = sample_record(1);
    r.TitleFontType = "BCIUS";
    NoteWindow* w = make_note(1);
    ASSERT_TRUE(w->create_from_record(r, false, false));
    auto* title = w->findChild<QLabel*>();
    EXPECT_TRUE(title->font().bold());
    EXPECT_TRUE(title->font().italic());
    EXPECT_TRUE(title->font().underline());
    EXPECT_TRUE(title->font().strikeOut());
    EXPECT_TRUE(title->alignment() & Qt::AlignHCenter);

    r.TitleFontType = "R";
    NoteWindow* w2 = make_note(2);
    ASSERT_TRUE(w2->create_from_record(r, false, false));
    auto* title2 = w2->findChild<QLabel*>();
    EXPECT_FALSE(title2->font().bold());
    EXPECT_TRUE(title2->alignment() & Qt::AlignRight);
    EXPECT_EQ(w2->note().title_text(), "Shopping ");

    w2->note().set_title_alignment('L');
    EXPECT_EQ(w2->note().title_text(), " Shopping");
    EXPECT_EQ(w2->note().title_look().style, "L");
    EXPECT_TRUE(title2->alignment() & Qt::AlignLeft);
}

TEST_F(NoteWindowTest, TitleSizeStepsStopAtOne) {
    NoteWindow* w = make_note(1);
    TextLook look = w->note().title_look();
    look.size = 1;
    w->note().set_title_look(look);
    w->menus()->run_command(note_menu::kTitleDecreaseSize);
    EXPECT_EQ(w->note().title_look().size, 1);
    for (int i = 0; i < 100; ++i)
        w->menus()->run_command(note_menu::kTitleIncreaseSize);
    EXPECT_EQ(w->note().title_look().size, 101);
}

TEST_F(NoteWindowTest, MovingAloneDoesNotSaveButFocusLossAndDoubleClickDo) {
    NoteWindow* w = make_note(3);
    ASSERT_TRUE(w->create_from_record(sample_record(3), false, false));
    QApplication::processEvents();
    NoteRecord saved;
    EXPECT_FALSE(stored(3, saved));

    // Drag by the title strip: the window moves, nothing is written.
    const QPoint grab = w->mapToGlobal(QPoint(80, 10));
    drag(w, grab, grab + QPoint(40, 30));
    EXPECT_EQ(w->pos(), QPoint(340, 230));
    w->resize(260, 190);
    EXPECT_FALSE(stored(3, saved));

    // Text typed and then focus lost is saved.
    w->activateWindow();
    w->body()->setFocus();
    QApplication::processEvents();
    w->body()->insertPlainText("milk");
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w->body(), &out);
    ASSERT_TRUE(stored(3, saved));
    EXPECT_EQ(saved.Left, 340);
    EXPECT_EQ(saved.Width, 260);
    EXPECT_NE(saved.EditText.find("milk"), std::string::npos);

    // A double click on the title strip saves before and after rolling up.
    w->move(360, 240);
    const QPoint title = w->mapToGlobal(QPoint(60, 10));
    mouse(w, QEvent::MouseButtonPress, title, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, title, Qt::LeftButton, Qt::NoButton);
    mouse(w, QEvent::MouseButtonDblClick, title, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, title, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(w->note().rolled_up());
    ASSERT_TRUE(stored(3, saved));
    EXPECT_EQ(saved.Left, 360);
    EXPECT_EQ(saved.Minimized, "Yes");
    EXPECT_EQ(saved.Height, 190);
}

TEST_F(NoteWindowTest, DraggingUpSnapsOntoTheWorkAreaTop) {
    NoteWindow* w = make_note(1);
    w->setGeometry(300, 200, 200, 150);
    w->show();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint grab = w->mapToGlobal(QPoint(100, 10));
    drag(w, grab, grab + QPoint(-350, work.top() + 6 - 200));
    EXPECT_EQ(w->pos(), QPoint(-50, work.top()));  // left edge may leave the screen
}

TEST_F(NoteWindowTest, CornerDragStopsAtMinimumSize) {
    NoteWindow* w = make_note(1);
    w->setGeometry(300, 200, 200, 150);
    w->show();
    // The bottom-right corner pixel is in the window's margin, outside the body.
    const QPoint corner = w->mapToGlobal(QPoint(199, 149));
    drag(w, corner, corner - QPoint(400, 400));
    EXPECT_EQ(w->geometry(), QRect(300, 200, kMinNoteWidth, kMinNoteHeight));
    // The left edge zone sizes from the left with the right edge fixed.
    w->setGeometry(300, 200, 200, 150);
    const QPoint left = w->mapToGlobal(QPoint(0, 80));
    drag(w, left, left + QPoint(-50, 0));
    EXPECT_EQ(w->geometry(), QRect(250, 200, 250, 150));
}

TEST_F(NoteWindowTest, HideFadesInFramesAndSignals) {
    // The place set below is a change the autosave writes; a fade slowed down by a loaded
    // machine must not see that write as the hiding's.
    ts_.services.set_autosave_delays({600'000, 600'000});
    NoteWindow* w = make_note(1);
    w->setGeometry(100, 100, 200, 200);
    w->show();
    int hidden_signals = 0;
    QObject::connect(w, &NoteWindow::hidden_by_user, [&] { ++hidden_signals; });
    w->hide_note();
    EXPECT_TRUE(w->note().hidden());
    EXPECT_TRUE(w->isVisible());  // still fading: the UI thread is not blocked
    // A refresh of the visible notes (settings changed) meanwhile does not stop the fade.
    QTest::qWait(100);
    w->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }));
    EXPECT_EQ(w->last_fade_frames(), 126);
    EXPECT_EQ(hidden_signals, 1);
    // Hiding does not save by itself.
    NoteRecord saved;
    EXPECT_FALSE(stored(1, saved));
}

TEST_F(NoteWindowTest, DeleteAsksWithTheQuestionAndNoKeepsTheNote) {
    set("AskBeforeDelete", "Yes");
    NoteWindow* w = make_note(5);
    ASSERT_TRUE(w->create_from_record(sample_record(5), false, false));
    ASSERT_TRUE(w->save_state());

    answer_next_box(QMessageBox::No);
    EXPECT_FALSE(w->delete_note(true));
    EXPECT_EQ(box_text(), "Delete note. Are you sure ?   ");
    EXPECT_EQ(ts_.boxes.last_answered_icon(), QMessageBox::Question);
    EXPECT_FALSE(w->note().deleted());
    NoteRecord saved;
    EXPECT_TRUE(stored(5, saved));

    answer_next_box(QMessageBox::Yes);
    QPointer<NoteWindow> guard(w);
    EXPECT_TRUE(w->delete_note(true));
    EXPECT_TRUE(w->note().deleted());
    EXPECT_FALSE(stored(5, saved));
    // Later saves do nothing.
    w->save_state();
    EXPECT_FALSE(stored(5, saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
}

TEST_F(NoteWindowTest, DeleteWithoutAskingWhenTheSettingIsNotYes) {
    set("AskBeforeDelete", "No");
    NoteWindow* w = make_note(6);
    ASSERT_TRUE(w->create_from_record(sample_record(6), false, false));
    ASSERT_TRUE(w->save_state());
    QPointer<NoteWindow> guard(w);
    EXPECT_TRUE(w->delete_note(true));  // no box: the test would hang on one
    w->refresh();
    w->show_hide_message(true);
    NoteRecord saved;
    EXPECT_FALSE(stored(6, saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
}

TEST_F(NoteWindowTest, TaskbarButtonOnlyWithShowTaskBarYes) {
    EXPECT_EQ(make_note(1)->windowType(), Qt::Tool);
    set("ShowTaskBar", "No");
    EXPECT_EQ(make_note(2)->windowType(), Qt::Tool);
    set("ShowTaskBar", "Yes");
    NoteWindow* w = make_note(3);
    EXPECT_EQ(w->windowType(), Qt::Window);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
}

// What the window manager and the taskbar read from the note's X window.
std::string window_state(QWidget* w) {
    QProcess xprop;
    xprop.start("xprop",
                {"-id", QString::number(w->winId()), "_NET_WM_STATE", "_NET_WM_WINDOW_TYPE"});
    if (!xprop.waitForFinished(5000))
        return "xprop failed";
    return xprop.readAllStandardOutput().toStdString() + xprop.readAllStandardError().toStdString();
}

TEST_F(NoteWindowTest, ToolNoteTellsTheTaskbarToSkipIt) {
    if (QGuiApplication::platformName() != "xcb" ||
        QStandardPaths::findExecutable("xprop").isEmpty())
        GTEST_SKIP() << "needs X11 and xprop";
    NoteWindow* tool = make_note(1);
    tool->show();
    QApplication::processEvents();
    const std::string tool_state = window_state(tool);
    EXPECT_NE(tool_state.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << tool_state;

    set("ShowTaskBar", "Yes");
    NoteWindow* listed = make_note(2);
    listed->note().set_title_text("Listed");
    listed->show();
    QApplication::processEvents();
    const std::string listed_state = window_state(listed);
    EXPECT_EQ(listed_state.find("SKIP_TASKBAR"), std::string::npos) << listed_state;
    EXPECT_EQ(listed->windowTitle(), "Listed");

    // Owned by a main window that has an X window of its own, the note still stands alone.
    QWidget owner;
    owner.winId();
    auto* owned = new NoteWindow(&owner, 3, ts_.services);
    owned->show();
    QApplication::processEvents();
    ASSERT_NE(owned->windowHandle(), nullptr);
    EXPECT_EQ(owned->windowHandle()->transientParent(), nullptr);
}

TEST_F(NoteWindowTest, RefreshFollowsShowCloseButton) {
    NoteWindow* w = make_note(1);
    w->show();
    auto close_visible = [&] {
        for (QLabel* l : w->findChildren<QLabel*>()) {
            if (!l->pixmap().isNull() && l->width() == 10)
                return l->isVisible();
        }
        return false;
    };
    EXPECT_TRUE(close_visible());
    set("ShowCloseButton", "No");
    w->refresh();
    EXPECT_FALSE(close_visible());
    set("ShowCloseButton", "");
    w->refresh();
    EXPECT_TRUE(close_visible());
}

TEST_F(NoteWindowTest, StatusMarkersStayAndMoveWithRolling) {
    NoteWindow* w = make_note(1);
    w->setGeometry(100, 100, 200, 150);
    w->show();
    w->note().set_status(NoteStatus::Sent);
    w->note().set_status(NoteStatus::SendFailed);
    EXPECT_TRUE(w->note().has_status(NoteStatus::Sent));
    EXPECT_TRUE(w->note().has_status(NoteStatus::SendFailed));
    EXPECT_FALSE(w->note().has_status(NoteStatus::Received));
    w->note().set_alarm("07032026-090000-0-1");
    w->place_reminder_icons();
    EXPECT_TRUE(w->alarm_icon()->isVisible());
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(16, 4));
    w->roll_up();
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(1 + 28, 1 + 4));  // inside the thin border
    w->roll_down();
    EXPECT_EQ(w->alarm_icon()->pos(), QPoint(16, 4));
}

TEST_F(NoteWindowTest, ReceivedNoteIsPlacedByTheOwnerAndMarked) {
    NoteRecord r = sample_record(0);
    NoteWindow* w = make_note(0);
    QObject::connect(w, &NoteWindow::placement_requested, [](NoteWindow* n) {
        n->note().set_number(9);
        n->move(50, 60);
        n->show();
    });
    ASSERT_TRUE(w->create_from_record(r, true, false));
    EXPECT_EQ(w->note().number(), 9);
    EXPECT_EQ(w->geometry(), QRect(50, 60, 240, 180));
    EXPECT_TRUE(w->note().has_status(NoteStatus::Received));

    // An imported note gets no marker and no expiration.
    r.Expiration = "07032030-090000";
    NoteWindow* imported = make_note(10);
    ASSERT_TRUE(imported->create_from_record(r, true, true));
    EXPECT_FALSE(imported->note().has_status(NoteStatus::Received));
    EXPECT_EQ(imported->note().expiration(), "");
}

TEST_F(NoteWindowTest, ExportSaveGoesToTheExportWriterNotTheStore) {
    NoteWindow* w = make_note(2);
    ASSERT_TRUE(w->create_from_record(sample_record(2), false, false));
    EXPECT_FALSE(w->save_state("/tmp/unused.kvd"));  // no writer: nothing written
    std::string file;
    NoteRecord exported;
    struct Writer : NoteExportWriter {
        NoteRecord& exported;
        std::string& file;
        Writer(NoteRecord& r, std::string& f) : exported(r), file(f) {}
        bool write(const NoteRecord& r, const std::string& f) override {
            exported = r;
            file = f;
            return true;
        }
    } writer(exported, file);
    ts_.services.set_export_writer(&writer);
    EXPECT_TRUE(w->save_state("/tmp/notes.kvd"));
    ts_.services.set_export_writer(nullptr);
    EXPECT_EQ(file, "/tmp/notes.kvd");
    EXPECT_EQ(exported.TitleText, "Shopping");
    EXPECT_EQ(exported.NoteID, 2);
    NoteRecord saved;
    EXPECT_FALSE(stored(2, saved));
}

TEST_F(NoteWindowTest, FailedSaveIsReportedAndStateKept) {
    NoteWindow* w = make_note(1);
    AppPaths paths = app_paths();
    paths.IniPath = dir_.filePath("missing/folder/Korvadesk.ini").toStdString();
    set_app_paths(paths);
    EXPECT_FALSE(w->save_state());
    ASSERT_EQ(errors_.messages.size(), 1u);
    EXPECT_EQ(errors_.messages[0], "Error writing Note information to ini file.");
}

TEST_F(NoteWindowTest, LinkOfAnotherSchemeIsAQuestionWhoseDefaultIsNo) {
    NoteWindow* w = make_note(1);
    std::vector<QUrl> opened;
    w->body()->set_url_opener([&](const QUrl& url) { opened.push_back(url); });
    ts_.boxes.answer_all();  // Enter: the default button
    w->body()->open_link("file:///etc/passwd");
    EXPECT_TRUE(opened.empty());
    EXPECT_NE(box_text().find("file:///etc/passwd"), std::string::npos);
    EXPECT_EQ(ts_.boxes.last_answered_icon(), QMessageBox::Question);
    ts_.boxes.stop_answering();
}

}  // namespace
}  // namespace kd
