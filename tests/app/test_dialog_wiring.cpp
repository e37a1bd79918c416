// The tray's About and the Show-all lock with the real dialogs, on the test's X display and a
// settings file in a temporary folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

#include "app/dialog_wiring.h"
#include "app/main_window.h"
#include "app/tray_menu.h"
#include "dialogs/about_box.h"
#include "dialogs/general_settings_page.h"
#include "dialogs/password_dialog.h"
#include "dialogs/settings_dialog.h"
#include "note/note_window.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/modal_answerer.h"
#include "support/test_services.h"
#include "themes/theme_commands.h"

namespace kd {
namespace {

class DialogWiringTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
    }
    void TearDown() override {
        window_.reset();
        QApplication::processEvents();
    }
    MainWindow& start() {
        window_ = std::make_unique<MainWindow>(ts_.services);
        connect_small_dialogs(*window_, ts_.boxes);
        EXPECT_TRUE(window_->start());
        QApplication::processEvents();
        return *window_;
    }
    // One stored note, hidden.
    void store_hidden_note() {
        NoteStore store{app_paths(), test::store_errors()};
        store.settings().set_text(Setting::IniUpdate, "0111");
        NoteRecord r;
        r.NoteID = 1;
        r.TitleText = "hidden";
        r.Left = 40;
        r.Top = 40;
        r.Width = 200;
        r.Height = 150;
        r.Hidden = "Yes";
        store.write_record(r);
        store.settings().set_number(Setting::NumberOfNotes, 1);
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    std::unique_ptr<MainWindow> window_;
};

TEST_F(DialogWiringTest, AboutIsOfferedAndGreyedWhileItsBoxIsOpen) {
    MainWindow& w = start();
    EXPECT_TRUE(w.tray_action(kCmdAbout)->isEnabled());
    bool greyed_while_open = false;
    QString caption;
    QImage icon;
    QIcon window_icon;
    test::answer_modal<AboutBox>([&](AboutBox* box) {
        greyed_while_open = !w.tray_action(kCmdAbout)->isEnabled();
        caption = box->windowTitle();
        window_icon = box->windowIcon();
        QLabel* label = box->icon_label();
        const QImage shot = box->grab().toImage();
        icon = shot.copy(QRect(label->mapTo(box, QPoint(0, 0)), label->size()));
        if (const char* keep = std::getenv("KD_SCREENSHOTS"))
            shot.save(QDir(keep).filePath("about-box.png"));
        box->reject();
    });
    w.run_command(kCmdAbout);
    EXPECT_TRUE(greyed_while_open);
    EXPECT_EQ(caption, "Korvadesk 5.lan");
    // The program's icon, set once for the application, in the box and on its window.
    EXPECT_FALSE(window_icon.isNull());
    EXPECT_EQ(window_icon.cacheKey(), QApplication::windowIcon().cacheKey());
    ASSERT_FALSE(icon.isNull());
    int drawn = 0;
    const QRgb background = icon.pixel(0, 0);
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            drawn += icon.pixel(x, y) != background ? 1 : 0;
    EXPECT_GT(drawn, 500) << "the icon area is empty";
    EXPECT_TRUE(w.tray_action(kCmdAbout)->isEnabled());
}

TEST_F(DialogWiringTest, SettingsSaveReachesTheRunningProgram) {
    MainWindow& w = start();
    ThemeCommands themes(ts_.services);
    connect_settings(w, themes);
    ASSERT_TRUE(w.tray_action(kCmdSettings)->isEnabled());
    ASSERT_TRUE(ts_.services.show_scroll_bar());
    bool greyed_while_open = false;
    test::answer_modal<SettingsDialog>([&](SettingsDialog* d) {
        greyed_while_open = !w.tray_action(kCmdSettings)->isEnabled();
        d->general_page()->scroll_bar()->set_yes(false);
        d->general_page()->hot_key_box()->setChecked(true);
        d->save();
    });
    w.run_command(kCmdSettings);
    EXPECT_TRUE(greyed_while_open);
    EXPECT_TRUE(w.tray_action(kCmdSettings)->isEnabled());
    EXPECT_FALSE(ts_.services.show_scroll_bar());
    EXPECT_FALSE(w.hot_key_registered());
    EXPECT_EQ(NoteStore(app_paths(), test::store_errors()).settings().text(Setting::ShowScrollBar),
              "No");
}

TEST_F(DialogWiringTest, ShowAllWithTheLockAsksForThePassword) {
    store_hidden_note();
    NoteStore(app_paths(), test::store_errors()).settings().set_show_all_lock(true, "secret");
    MainWindow& w = start();
    ASSERT_EQ(w.notes().size(), 1);

    test::answer_modal<PasswordDialog>([](PasswordDialog* d) { d->reject(); });
    w.show_all();
    QApplication::processEvents();
    EXPECT_FALSE(w.notes()[0]->isVisible());

    test::BoxAnswerer boxes(ts_.boxes);
    test::answer_modal<PasswordDialog>([](PasswordDialog* d) {
        d->password_edit()->setText("Secret");
        d->press_ok();
    });
    w.show_all();
    QApplication::processEvents();
    EXPECT_FALSE(w.notes()[0]->isVisible());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Sorry wrong password entered.");

    test::answer_modal<PasswordDialog>([](PasswordDialog* d) {
        d->password_edit()->setText(" secret ");
        d->press_ok();
    });
    w.show_all();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.notes()[0]->isVisible(); }));
}

}  // namespace
}  // namespace kd
