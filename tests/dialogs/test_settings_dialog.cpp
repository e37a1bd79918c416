// The settings dialog under Xvfb over a settings file in a temporary folder: what the pages
// show for missing values, the save that stops at a refusing page, the Show-all lock stored at
// once, the default look's fonts, and Enter swallowed inside a page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "dialogs/default_note_page.h"
#include "dialogs/general_settings_page.h"
#include "dialogs/network_settings_page.h"
#include "dialogs/password_dialog.h"
#include "dialogs/send_dialog.h"
#include "dialogs/settings_dialog.h"
#include "net/identity.h"
#include "platform/tip_look.h"
#include "richtext/qt_colour.h"
#include "support/app_paths_in.h"
#include "support/modal_answerer.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        auto dialogs = std::make_unique<test::ScriptedDialogs>();
        dialogs_ = dialogs.get();
        ts_.services.set_dialogs(std::move(dialogs));
    }
    void TearDown() override { ts_.boxes.stop_answering(); }
    std::unique_ptr<SettingsDialog> open() {
        return std::make_unique<SettingsDialog>(ts_.services, identity_);
    }
    const NoteStore& store() { return ts_.store; }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    test::ScriptedDialogs* dialogs_ = nullptr;
    IdentitySource identity_;
};

TEST_F(SettingsDialogTest, MissingValuesShowAsTheProgramUsesThem) {
    store().settings().set_text(Setting::PlaySound, "");
    auto d = open();
    EXPECT_EQ(d->windowTitle(), "Korvadesk 5.lan Settings");
    ASSERT_EQ(d->tabs()->count(), 3);
    EXPECT_EQ(d->tabs()->tabText(0), "General settings");
    EXPECT_EQ(d->tabs()->tabText(2), "Network settings");
    EXPECT_EQ(d->tabs()->currentIndex(), 0);

    GeneralSettingsPage* g = d->general_page();
    EXPECT_TRUE(g->scroll_bar()->is_yes());
    EXPECT_FALSE(g->task_bar()->is_yes());
    EXPECT_FALSE(g->random_themes()->is_yes());
    EXPECT_EQ(g->date_format_box()->currentText(), "DD.MM.YYYY");
    EXPECT_TRUE(g->date_label()->text().startsWith("Date format (current format "));
    NetworkSettingsPage* n = d->network_page();
    EXPECT_FALSE(n->play_sound()->is_yes());
    EXPECT_EQ(n->port_edit()->text(), "2000");
    EXPECT_EQ(n->read_interval()->text(), "0");
    EXPECT_EQ(n->after_send()->currentIndex(), 1);
    EXPECT_TRUE(n->port_edit()->toolTip().endsWith("network communication port is 2000)"));
    d->reject();
    // The picture format is stored on opening, whatever ends the dialog.
    EXPECT_EQ(store().settings().text(Setting::DefaultPictureFormat), "jpg");
}

TEST_F(SettingsDialogTest, SaveStopsAtTheRefusingPageWithWhatCameBeforeStored) {
    ts_.boxes.answer_all();
    auto d = open();
    QSignalSpy hot_key(d.get(), &SettingsDialog::hot_key_applied);
    QSignalSpy intervals(d.get(), &SettingsDialog::intervals_applied);
    d->general_page()->hot_key_box()->setChecked(true);
    d->general_page()->task_bar()->set_yes(true);
    DefaultNotePage* p = d->default_note_page();
    p->border()->set_yes(true);
    p->width_edit()->setText("59");
    p->height_edit()->setText("30");
    d->save();
    EXPECT_NE(d->result(), QDialog::Accepted);
    EXPECT_EQ(d->tabs()->currentIndex(), 1);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              std::vector<std::string>{"Default note size is not valid because it is too small."});
    EXPECT_EQ(store().settings().text(Setting::DisableHotkey), "Yes");
    EXPECT_EQ(store().settings().text(Setting::ShowTaskBar), "Yes");
    ASSERT_EQ(hot_key.count(), 1);
    EXPECT_FALSE(hot_key[0][0].toBool());
    NoteRecord theme;
    ASSERT_TRUE(store().read_record(kDefaultThemeNumber, theme));
    EXPECT_EQ(theme.Border, "Yes");  // written before the size check

    p->width_edit()->setText("60");
    d->network_page()->port_edit()->setText("1024");
    d->network_page()->read_interval()->setText("7");
    d->save();
    EXPECT_EQ(d->tabs()->currentIndex(), 2);
    EXPECT_EQ(store().settings().number(Setting::DefaultWidth), 60);
    EXPECT_EQ(store().settings().text(Setting::ReadNetworkInterval), "7");
    ASSERT_EQ(intervals.count(), 1);
    EXPECT_EQ(intervals[0][1].toInt(), 7);
    EXPECT_EQ(ts_.boxes.take_answered_texts().size(), 1u);

    d->network_page()->port_edit()->setText("2000");
    d->save();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(ts_.boxes.take_answered_texts().empty());
    EXPECT_EQ(store().settings().text(Setting::CommunicationPort), "2000");
}

TEST_F(SettingsDialogTest, BothSizesZeroAreStoredWithoutAMessage) {
    ts_.boxes.answer_all();
    auto d = open();
    d->default_note_page()->width_edit()->setText("0");
    d->default_note_page()->height_edit()->setText("0");
    d->save();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());
    EXPECT_EQ(store().settings().number(Setting::DefaultWidth), 0);
}

TEST_F(SettingsDialogTest, AutostartBoxWritesAndRemovesTheDesktopEntry) {
    const std::string entry = dir_.path().toStdString() + "/autostart/korvadesk.desktop";
    auto d = open();
    EXPECT_FALSE(d->general_page()->autostart_box()->isChecked());
    d->general_page()->autostart_box()->setChecked(true);
    d->save();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(std::filesystem::exists(entry));
    std::ifstream ini(app_paths().IniPath);
    const std::string kept((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_EQ(QString::fromStdString(kept).indexOf("autostart", 0, Qt::CaseInsensitive), -1)
        << "nothing of it in the settings file";

    auto again = open();
    EXPECT_TRUE(again->general_page()->autostart_box()->isChecked()) << "read from the entry";
    again->general_page()->autostart_box()->setChecked(false);
    again->save();
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(SettingsDialogTest, SpellingBoxStoresCheckSpellingAndTellsTheNotes) {
    QSignalSpy told(&ts_.services, &NoteServices::check_spelling_changed);
    auto d = open();
    QCheckBox* box = d->general_page()->spelling_box();
    EXPECT_TRUE(box->isChecked()) << "on while nothing is stored";
    EXPECT_FALSE(box->text().isEmpty());
    box->setChecked(false);
    d->save();
    EXPECT_EQ(store().settings().text(Setting::CheckSpelling), "No");
    ASSERT_EQ(told.count(), 1);
    EXPECT_FALSE(told[0][0].toBool());

    auto again = open();
    EXPECT_FALSE(again->general_page()->spelling_box()->isChecked());
    again->general_page()->spelling_box()->setChecked(true);
    again->save();
    EXPECT_EQ(store().settings().text(Setting::CheckSpelling), "Yes");
    EXPECT_TRUE(told.last()[0].toBool());
}

TEST_F(SettingsDialogTest, TheLockIsStoredAtOnceAndAWrongPasswordKeepsIt) {
    ts_.boxes.answer_all();
    auto d = open();
    GeneralSettingsPage* g = d->general_page();
    test::answer_modal<PasswordDialog>([](PasswordDialog* p) {
        p->password_edit()->setText("pw");
        p->confirmation_edit()->setText("pw");
        p->press_ok();
    });
    g->lock_box()->setChecked(true);
    EXPECT_EQ(g->password_field()->text(), "pw");
    EXPECT_EQ(store().settings().text(Setting::ShowAllPasswordYesNo), "Yes");
    EXPECT_EQ(store().settings().show_all_password(), "pw");

    test::answer_modal<PasswordDialog>([](PasswordDialog* p) {
        p->password_edit()->setText("PW");
        p->press_ok();
    });
    g->lock_box()->setChecked(false);
    EXPECT_TRUE(g->lock_box()->isChecked());
    EXPECT_EQ(ts_.boxes.answered_texts(),
              std::vector<std::string>{"Sorry wrong password entered."});

    // Cancelling the settings dialog keeps the lock.
    d->reject();
    EXPECT_EQ(store().settings().text(Setting::ShowAllPasswordYesNo), "Yes");

    // Cancel in the set mode clears the box again.
    auto again = open();
    test::answer_modal<PasswordDialog>([](PasswordDialog* p) { p->reject(); });
    again->general_page()->lock_box()->setChecked(false);
    EXPECT_TRUE(again->general_page()->lock_box()->isChecked());
}

TEST_F(SettingsDialogTest, TitleFontKeepsItsAlignmentAndTheButtonsReplaceIt) {
    dialogs_->font = [](QWidget*, const QFont& initial) {
        QFont f = initial;
        f.setUnderline(true);
        f.setBold(false);
        f.setPointSize(12);
        return std::optional<QFont>(f);
    };
    auto d = open();
    DefaultNotePage* p = d->default_note_page();
    const std::string before = p->theme().TitleFontType;
    const settings_rules::Align align = settings_rules::title_align(before);
    ASSERT_NE(align, settings_rules::Align::None);
    p->choose_title_font();
    EXPECT_EQ(p->theme().TitleFontType, "U" + settings_rules::with_title_align("", align));
    const QString shown = p->title_font_box()->text();
    EXPECT_TRUE(shown.endsWith(", 12, U")) << shown.toStdString();
    EXPECT_TRUE(p->title_font_box()->text_font().underline());

    p->align_button(settings_rules::Align::Right)->setChecked(true);
    ts_.boxes.answer_all();
    d->save();
    NoteRecord theme;
    ASSERT_TRUE(store().read_record(kDefaultThemeNumber, theme));
    EXPECT_EQ(theme.TitleFontType, "UR");
}

TEST_F(SettingsDialogTest, TextColoursOfNewNotesAreChosenOnThePageAndSaved) {
    // A click on the colour box beside each font box; the font boxes draw in the new ink.
    QColor offered;
    dialogs_->colour = [&](QWidget*, const QColor& initial) {
        offered = initial;
        return std::optional<QColor>(QColor(10, 20, 30));
    };
    auto d = open();
    DefaultNotePage* p = d->default_note_page();
    const ColorRef old_title_ink = p->theme().TitleTextColor;
    const ColorRef old_note_ink = p->theme().EditTextColor;
    QTest::mouseClick(p->note_text_colour_box(), Qt::LeftButton);
    EXPECT_EQ(offered, to_qcolor(old_note_ink)) << "the dialog starts at the stored ink";
    EXPECT_EQ(p->theme().EditTextColor, 0x1E140Au);
    EXPECT_EQ(p->note_text_colour_box()->colour(), QColor(10, 20, 30));
    EXPECT_EQ(p->theme().TitleTextColor, old_title_ink) << "only the body's ink changed";

    dialogs_->colour = [&](QWidget*, const QColor& initial) {
        offered = initial;
        return std::optional<QColor>(QColor(200, 0, 0));
    };
    QTest::mouseClick(p->title_text_colour_box(), Qt::LeftButton);
    EXPECT_EQ(offered, to_qcolor(old_title_ink)) << "the dialog starts at the stored ink";
    EXPECT_EQ(p->theme().TitleTextColor, 0x0000C8u);

    ts_.boxes.answer_all();
    d->save();
    NoteRecord theme;
    ASSERT_TRUE(store().read_record(kDefaultThemeNumber, theme));
    EXPECT_EQ(theme.EditTextColor, 0x1E140Au);
    EXPECT_EQ(theme.TitleTextColor, 0x0000C8u);
}

// The tip of a control as the mouse shows it, once the program's tip look is installed: pale
// yellow, dark text, at most as wide as the page allows. KD_SCREENSHOTS names a folder that
// keeps a picture of each page with its tip.
TEST_F(SettingsDialogTest, EveryPageShowsTheProgramsTipLook) {
    install_tip_look();
    auto d = open();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    struct Case {
        int tab;
        QWidget* control;
        int widest;
    };
    const Case cases[] = {
        {0, d->general_page()->date_format_box(), kTipWidth},
        {1, d->default_note_page()->note_colour_box(), kWideTipWidth},
        {1, d->default_note_page()->note_text_colour_box(), kWideTipWidth},
        {2, d->network_page()->read_interval(), kTipWidth},
    };
    int shot = 0;
    for (const Case& c : cases) {
        d->tabs()->setCurrentIndex(c.tab);
        QApplication::processEvents();
        ASSERT_FALSE(c.control->toolTip().isEmpty());
        // What the mouse resting on the control sends it.
        const QPoint inside = c.control->rect().center();
        QHelpEvent asked(QEvent::ToolTip, inside, c.control->mapToGlobal(inside));
        QApplication::sendEvent(c.control, &asked);
        QWidget* tip = nullptr;
        for (int wait = 0; wait < 150 && tip == nullptr; ++wait) {
            QTest::qWait(20);
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->inherits("QTipLabel") && w->isVisible())
                    tip = w;
            }
        }
        ASSERT_NE(tip, nullptr) << "no tip shown";
        const QImage look = tip->grab().toImage();
        EXPECT_EQ(QColor(look.pixel(look.width() / 2, 2)), QColor(0xff, 0xff, 0xaf))
            << c.control->toolTip().toStdString();
        EXPECT_LE(tip->width(), c.widest + 12) << c.control->toolTip().toStdString();
        if (const char* keep = std::getenv("KD_SCREENSHOTS")) {
            const QRect area = d->frameGeometry().united(tip->geometry()).adjusted(-4, -4, 4, 4);
            QGuiApplication::primaryScreen()
                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .save(QDir(keep).filePath(QStringLiteral("settings-tip-%1.png").arg(shot++)));
        }
        QToolTip::hideText();
        QApplication::processEvents();
    }
}

TEST_F(SettingsDialogTest, EnterAndEscapeInsideAPageDoNothing) {
    auto d = open();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    d->tabs()->setCurrentIndex(1);
    QLineEdit* width = d->default_note_page()->width_edit();
    width->setText("10");
    QTest::keyClick(width, Qt::Key_Return);
    QTest::keyClick(width, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(store().settings().text(Setting::DefaultTitle), "");
}

TEST_F(SettingsDialogTest, ManagerButtonOpensTheSendDialogWithoutANote) {
    auto d = open();
    bool manager = false;
    test::answer_modal<SendDialog>([&](SendDialog* s) {
        manager = !s->sender_kind_box()->isEnabled() && !s->send_button()->isEnabled();
        s->reject();
    });
    d->network_page()->manager_button()->click();
    EXPECT_TRUE(manager);
    QSignalSpy organize(d.get(), &SettingsDialog::organize_themes_requested);
    d->default_note_page()->organize_button()->click();
    EXPECT_EQ(organize.count(), 1);
}

TEST_F(SettingsDialogTest, CustomTitleSelectsItsRadioAndDateEmptiesIt) {
    auto d = open();
    DefaultNotePage* p = d->default_note_page();
    EXPECT_TRUE(p->date_button()->isChecked());
    p->custom_title()->setText("Shopping");
    EXPECT_TRUE(p->custom_button()->isChecked());
    p->date_button()->click();
    EXPECT_TRUE(p->custom_title()->text().isEmpty());
    p->custom_title()->setText("Work");
    ts_.boxes.answer_all();
    d->save();
    EXPECT_EQ(store().settings().text(Setting::DefaultTitle), "Work");
}

}  // namespace
}  // namespace kd
