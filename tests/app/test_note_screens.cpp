// Notes on a desktop of two monitors side by side (the offscreen platform with two screens;
// the X servers here give the toolkit one screen only): notes on the second monitor stay
// there, and when that monitor goes they move where new notes go on the first one, keeping
// their stored place until it is back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

#include <string>

#include "app/main_window.h"
#include "note/note_geometry.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "support/app_paths_in.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

// The notes of this file share one set of services; none of its tests changes them.
NoteServices& services() {
    static test::TestServices shared{Clock::system()};
    return shared.services;
}

TEST(NoteScreens, NotesOnTheSecondMonitorStayAndMoveToTheFirstWhenItGoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    set_app_paths(test::app_paths_in(dir.path().toStdString()));
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    QScreen* second = QGuiApplication::screens()[1];
    ASSERT_EQ(second->geometry(), QRect(1280, 0, 1280, 1024));

    MainWindow main(services());
    auto restore = [&](int number, int left, int top) {
        auto* note = new NoteWindow(&main, number, services());
        main.adopt_note(note);
        NoteRecord r = test::sample_note_record(number);
        r.Left = left;
        r.Top = top;
        EXPECT_TRUE(note->create_from_record(r, false, false));
        return note;
    };
    NoteWindow* right = restore(1, 1500, 300);
    NoteWindow* across = restore(2, 1200, 500);  // its title strip lies on both monitors
    NoteWindow* left = restore(3, 300, 200);
    EXPECT_EQ(right->pos(), QPoint(1500, 300)) << "the second monitor is part of the desktop";
    EXPECT_EQ(across->pos(), QPoint(1200, 500));
    EXPECT_FALSE(right->kept_position());

    // The second monitor is being removed: what only it showed moves to the first one.
    main.keep_notes_on_screens(second);
    EXPECT_EQ(right->pos(), QPoint(kNoteTemplateLeft, kNoteTemplateTop));
    EXPECT_EQ(across->pos(), QPoint(1200, 500)) << "still within reach on the first monitor";
    EXPECT_EQ(left->pos(), QPoint(300, 200));
    EXPECT_EQ(right->note().to_record().Left, 1500);
    EXPECT_EQ(right->note().to_record().Top, 300);

    // It is back: the note returns to its own place.
    main.keep_notes_on_screens();
    EXPECT_EQ(right->pos(), QPoint(1500, 300));
    EXPECT_FALSE(right->kept_position());
}

}  // namespace
}  // namespace kd

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QString config = QStringLiteral("/tmp/kd_two_screens_%1.json").arg(::getpid());
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 1280, "height": 1024},
        {"name": "right", "x": 1280, "y": 0, "width": 1280, "height": 1024}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    QFile::remove(config);
    return result;
}
