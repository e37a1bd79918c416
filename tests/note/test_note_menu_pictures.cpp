// The note menus' items carry real pictures in the program (the theme's or our own), not empty
// icons that only name a picture.
#include <gtest/gtest.h>

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "support/app_paths_in.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

namespace nm = note_menu;

bool painted(const QIcon& icon, qreal scale) {
    const QImage image = icon.pixmap(QSize(16, 16), scale).toImage();
    if (image.isNull()) {
        return false;
    }
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return opaque >= 10;
}

TEST(NoteMenuPictures, ItemsShowTheirPicturesAtOneAndTwoTimesScale) {
    QTemporaryDir dir;
    set_app_paths(test::app_paths_in(dir.path().toStdString()));
    test::TestServices ts{Clock::system()};
    NoteWindow note(nullptr, 1, ts.services);
    ASSERT_TRUE(note.create_from_record(test::sample_note_record(1), false, false));
    const NoteMenus& menus = *note.menus();
    for (int id : {nm::kFont, nm::kTextColor, nm::kSetAlarm, nm::kSetExpiration, nm::kPrintNote,
                   nm::kHideNote, nm::kDeleteNote}) {
        ASSERT_NE(menus.body_action(id), nullptr) << id;
        EXPECT_TRUE(painted(menus.body_action(id)->icon(), 1.0)) << id;
        EXPECT_TRUE(painted(menus.body_action(id)->icon(), 2.0)) << id;
    }
    EXPECT_TRUE(painted(menus.close_action(nm::kDeleteNote)->icon(), 1.0));
    EXPECT_TRUE(painted(menus.title_action(nm::kTitleFont)->icon(), 1.0));
}

}  // namespace
}  // namespace kd
