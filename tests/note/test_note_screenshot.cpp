// Draws three notes (one rolled up) and saves a picture of the screen to the file named by
// KD_NOTE_SCREENSHOT, for looking at the notes by eye. Skipped when the variable is unset.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <cstdlib>

#include "note/note_window.h"
#include "platform/paths.h"
#include "store/note_record.h"
#include "support/app_paths_in.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

// The notes of this file share one set of services; none of its tests changes them.
NoteServices& services() {
    static test::TestServices shared{Clock::system()};
    return shared.services;
}

NoteRecord note(int theme, int number, const char* title, const char* rtf, int left, int top, int w,
                int h) {
    NoteRecord r = builtin_theme_record(builtin_themes()[theme]);
    r.NoteID = number;
    r.TitleText = title;
    r.EditText = rtf;
    r.Left = left;
    r.Top = top;
    r.Width = w;
    r.Height = h;
    r.Border = "No";
    return r;
}

TEST(NoteScreenshot, ThreeNotesOneRolledUp) {
    const char* out = std::getenv("KD_NOTE_SCREENSHOT");
    if (out == nullptr)
        GTEST_SKIP() << "KD_NOTE_SCREENSHOT not set";
    QTemporaryDir dir;
    set_app_paths(test::app_paths_in(dir.path().toStdString()));

    QWidget desk;  // a plain backdrop so the notes stand out
    desk.setWindowFlags(Qt::FramelessWindowHint);
    desk.setStyleSheet("background: #3a4450;");
    desk.setGeometry(0, 0, 560, 340);
    desk.show();

    NoteWindow a(nullptr, 1, services()), b(nullptr, 2, services()), c(nullptr, 3, services());
    a.create_from_record(
        note(0, 1, "Shopping",
             R"({\rtf1\ansi{\fonttbl{\f0 Verdana;}}\f0\fs16 Milk\par {\b Bread}\par Apples\par})",
             30, 30, 200, 170),
        false, false);
    NoteRecord rb =
        note(5, 2, "Call Anna", R"({\rtf1\ansi{\fonttbl{\f0 Verdana;}}\f0\fs16 About Friday\par})",
             260, 40, 230, 160);
    rb.Border = "Yes";
    b.create_from_record(rb, false, false);
    b.note().set_alarm("07032026-090000-0-1");
    b.place_reminder_icons();
    NoteRecord rc = note(7, 3, "Rolled up note", "", 120, 250, 220, 150);
    rc.Minimized = "Yes";
    c.create_from_record(rc, false, false);
    c.note().set_status(NoteStatus::Sent);
    for (NoteWindow* n : {&a, &b, &c})
        n->refresh();
    QTest::qWait(300);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 560, 340);
    ASSERT_TRUE(shot.save(out));
}

}  // namespace
}  // namespace kd
