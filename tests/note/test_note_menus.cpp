// The note menus on a real X server (Xvfb) with real INI files: how each menu is prepared
// when it opens and what its commands do to the note, the settings and the send hooks.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <string>
#include <vector>

#include "net/receive_server.h"
#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

namespace nm = note_menu;

struct SendCall {
    int note = 0;
    std::vector<std::string> recipients;
    std::string sender;
};

class NoteMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        sending_.on_send = [this](NoteView& n, const std::vector<std::string>& r,
                                  const std::string& s) {
            sends_.push_back({n.note().number(), r, s});
            sending_seen_ = n.note().sending();
        };
        ts_.services.set_sending(&sending_);
        auto dialogs = std::make_unique<test::ScriptedDialogs>();
        dialogs_ = dialogs.get();
        ts_.services.set_dialogs(std::move(dialogs));
    }
    void TearDown() override {
        for (auto& w : windows_)
            delete w.data();
    }

    NoteWindow* make_note(int number, const std::string& title = "Shopping") {
        const NoteRecord r = test::sample_note_record(number, title);
        auto* w = new NoteWindow(nullptr, number, ts_.services);
        windows_.push_back(w);
        EXPECT_TRUE(w->create_from_record(r, false, false));
        return w;
    }

    void set(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, section, key, value));
    }
    void setting(const char* key, const std::string& value) { set("KORVADESK", key, value); }
    std::string setting(const char* key) {
        return ProfileFile::read(app_paths().IniPath, "KORVADESK", key, 1024);
    }

    // The non-separator items of the send submenu, as (id, text, enabled).
    struct Item {
        int id;
        std::string text;
        bool enabled;
        bool has_icon;
    };
    static std::vector<Item> send_items(NoteWindow* w) {
        std::vector<Item> out;
        for (QAction* a : w->menus()->send_menu()->actions()) {
            if (a->isSeparator())
                continue;
            out.push_back(
                {a->data().toInt(), a->text().toStdString(), a->isEnabled(), !a->icon().isNull()});
        }
        return out;
    }

    // Answers the next message box with `button` and remembers its text.
    void answer_next_box(QMessageBox::StandardButton button) { ts_.boxes.set_next_answer(button); }
    std::string box_text() const {
        const auto& texts = ts_.boxes.answered_texts();
        return texts.empty() ? std::string() : texts.back();
    }

    QTemporaryDir dir_;
    test::TestServices ts_{Clock::system()};
    test::ScriptedSending sending_;
    test::ScriptedDialogs* dialogs_ = nullptr;
    test::ErrorRecorder errors_;
    std::vector<QPointer<NoteWindow>> windows_;
    std::vector<SendCall> sends_;
    bool sending_seen_ = false;
};

TEST_F(NoteMenusTest, SavedGroupsAreOfferedInOrderWithTheirPictures) {
    set("RECIPIENTS_LIST", "ListNames", "Office~Home~");
    set("RECIPIENTS_LIST", "Office", "PC1~");
    set("RECIPIENTS_LIST", "Home", "PC2~me@example.org~");
    NoteWindow* w = make_note(1);
    w->menus()->prepare_body_menu();
    const auto items = send_items(w);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, nm::kSendOther);
    EXPECT_EQ(items[0].text, "Other ...");
    EXPECT_EQ(items[1].id, 32863);
    EXPECT_EQ(items[1].text, "Office");
    EXPECT_EQ(items[2].id, 32864);
    EXPECT_EQ(items[2].text, "Home");
    EXPECT_TRUE(items[1].enabled && items[1].has_icon && items[2].has_icon);
    // One member and two members have different pictures.
    const auto actions = w->menus()->send_menu()->actions();
    EXPECT_NE(w->menus()->body_action(32863)->icon().cacheKey(),
              w->menus()->body_action(32864)->icon().cacheKey());
    EXPECT_EQ(w->menus()->body_action(nm::kGroupPlaceholder), nullptr);

    // Opening again rebuilds rather than adds.
    set("RECIPIENTS_LIST", "ListNames", "Home~");
    w->menus()->prepare_body_menu();
    ASSERT_EQ(send_items(w).size(), 2u);
    EXPECT_EQ(send_items(w)[1].id, 32863);
    EXPECT_EQ(send_items(w)[1].text, "Home");
}

TEST_F(NoteMenusTest, TwentyFirstGroupIsNotOffered) {
    std::string names;
    for (int i = 1; i <= 21; ++i)
        names += "Group " + std::to_string(i) + "~";
    set("RECIPIENTS_LIST", "ListNames", names);
    NoteWindow* w = make_note(1);
    w->menus()->prepare_body_menu();
    const auto items = send_items(w);
    ASSERT_EQ(items.size(), 21u);  // "Other ..." and twenty groups
    EXPECT_EQ(items.back().text, "Group 20");
    EXPECT_EQ(items.back().id, 32949);
}

TEST_F(NoteMenusTest, NoGroupsShowsGreyedSavedGroupAndOtherFollowsTheNetworkFlag) {
    NoteWindow* w = make_note(1);
    sending_.on_dialog = [](NoteView&) -> std::optional<bool> { return false; };
    w->menus()->prepare_body_menu();
    auto items = send_items(w);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].id, nm::kGroupPlaceholder);
    EXPECT_EQ(items[1].text, "Saved group");
    EXPECT_FALSE(items[1].enabled);
    EXPECT_TRUE(items[0].enabled);

    ts_.services.set_network_available(false);
    w->menus()->prepare_body_menu();
    EXPECT_FALSE(send_items(w)[0].enabled);

    // Without the send dialog the item waits greyed.
    ts_.services.set_network_available(true);
    sending_.on_dialog = nullptr;
    w->menus()->prepare_body_menu();
    EXPECT_FALSE(send_items(w)[0].enabled);
}

TEST_F(NoteMenusTest, GroupItemSendsToItsMembersWithTheSentFromIdentity) {
    set("RECIPIENTS_LIST", "ListNames", "Office~Home & Garden~");
    set("RECIPIENTS_LIST", "Home & Garden", "PC2~~me@example.org~");
    setting("SentFrom", "Name:Anna");
    NoteWindow* w = make_note(4);
    w->menus()->prepare_body_menu();
    EXPECT_EQ(w->menus()->body_action(32864)->text(), "Home && Garden");
    w->menus()->run_command(32864);
    ASSERT_EQ(sends_.size(), 1u);
    EXPECT_EQ(sends_[0].note, 4);
    EXPECT_EQ(sends_[0].recipients, (std::vector<std::string>{"PC2", "me@example.org"}));
    EXPECT_EQ(sends_[0].sender, "Name:Anna");
    EXPECT_TRUE(sending_seen_);
    EXPECT_FALSE(w->note().sending());

    // A long group name is used whole, not cut to what a menu text once held.
    const std::string long_name(300, 'g');
    set("RECIPIENTS_LIST", "ListNames", long_name + "~");
    set("RECIPIENTS_LIST", long_name.c_str(), "PC9~");
    w->menus()->prepare_body_menu();
    w->menus()->run_command(32863);
    ASSERT_EQ(sends_.size(), 2u);
    EXPECT_EQ(sends_[1].recipients, std::vector<std::string>{"PC9"});
}

TEST_F(NoteMenusTest, ReplyItemOnlyOnReceivedNotesAndGreyedWhileBusy) {
    NoteWindow* plain = make_note(1);
    plain->menus()->prepare_body_menu();
    EXPECT_FALSE(plain->menus()->body_action(nm::kReplyTo)->isVisible());

    NoteWindow* received = make_note(2);
    received->note().set_reply_address("PC17");
    received->menus()->prepare_body_menu();
    QAction* reply = received->menus()->body_action(nm::kReplyTo);
    EXPECT_TRUE(reply->isVisible());
    EXPECT_EQ(reply->text(), "Reply to PC17");
    EXPECT_TRUE(reply->isEnabled());
    EXPECT_TRUE(received->menus()->send_menu()->menuAction()->isEnabled());

    received->note().set_sending(true);
    received->menus()->prepare_body_menu();
    EXPECT_FALSE(reply->isEnabled());
    EXPECT_FALSE(received->menus()->send_menu()->menuAction()->isEnabled());

    received->note().set_sending(false);
    ts_.services.set_email_check_running(true);
    received->menus()->prepare_body_menu();
    EXPECT_FALSE(reply->isEnabled());
    EXPECT_FALSE(received->menus()->send_menu()->menuAction()->isEnabled());
}

TEST_F(NoteMenusTest, ReplyAsksUnlessAskWhenReplyIsNo) {
    NoteWindow* w = make_note(3);
    w->note().set_reply_address("PC17");

    answer_next_box(QMessageBox::No);
    w->menus()->run_command(nm::kReplyTo);
    EXPECT_EQ(box_text(),
              "Reply to option will send this note to : PC17.  \nDo you want to continue ?");
    EXPECT_TRUE(sends_.empty());
    EXPECT_FALSE(w->note().sending());

    answer_next_box(QMessageBox::Yes);
    w->menus()->run_command(nm::kReplyTo);
    ASSERT_EQ(sends_.size(), 1u);
    EXPECT_EQ(sends_[0].recipients, std::vector<std::string>{"PC17"});

    setting("AskWhenReply", "No");
    ts_.boxes.take_answered_texts();
    w->menus()->run_command(nm::kReplyTo);
    EXPECT_EQ(sends_.size(), 2u);
    EXPECT_TRUE(box_text().empty());
}

TEST_F(NoteMenusTest, OtherAppliesTheDialogOutcome) {
    NoteWindow* w = make_note(5);
    sending_.on_dialog = [](NoteView& n) -> std::optional<bool> {
        EXPECT_TRUE(n.note().sending());
        return false;
    };
    w->menus()->run_command(nm::kSendOther);
    EXPECT_TRUE(w->note().has_status(NoteStatus::SendFailed));
    EXPECT_FALSE(w->note().sending());

    // A cancelled dialog changes nothing; a clean send with DeleteNote removes the note.
    sending_.on_dialog = [](NoteView&) -> std::optional<bool> { return {}; };
    w->menus()->run_command(nm::kSendOther);
    EXPECT_FALSE(w->note().has_status(NoteStatus::Sent));
    setting("AfterSend", "DeleteNote");
    sending_.on_dialog = [](NoteView&) -> std::optional<bool> { return true; };
    w->menus()->run_command(nm::kSendOther);
    EXPECT_TRUE(w->note().deleted());
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(5));
}

TEST_F(NoteMenusTest, CloseButtonDeletesWithTheQuestionWhenItsMenuIsDisabled) {
    setting("DisableCloseMenu", "Yes");
    setting("AskBeforeDelete", "Yes");
    NoteWindow* w = make_note(6);
    ASSERT_TRUE(w->save_state());
    answer_next_box(QMessageBox::No);
    w->menus()->close_button_clicked(w->geometry().topRight());
    EXPECT_EQ(box_text(), "Delete note. Are you sure ?   ");
    EXPECT_FALSE(w->note().deleted());
    EXPECT_FALSE(w->menus()->close_menu()->isVisible());

    answer_next_box(QMessageBox::Yes);
    w->menus()->close_button_clicked(w->geometry().topRight());
    EXPECT_TRUE(w->note().deleted());
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(6));
}

TEST_F(NoteMenusTest, CloseMenuRollsAndNamesTheRollDirection) {
    NoteWindow* w = make_note(7);
    // A real click on the close button opens the menu, saved first.
    QTimer::singleShot(200, [w] {
        QMenu* menu = w->menus()->close_menu();
        EXPECT_TRUE(menu->isVisible());
        EXPECT_EQ(w->menus()->close_action(nm::kRollUp)->text(), "Roll up");
        menu->activeAction();
        menu->setActiveAction(w->menus()->close_action(nm::kRollUp));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QWidget* close = w->childAt(w->width() - 8, 8);
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->note().rolled_up(); }, 3000));
    w->menus()->prepare_close_menu();
    EXPECT_EQ(w->menus()->close_action(nm::kRollUp)->text(), "Roll down");
    w->menus()->prepare_title_menu();
    EXPECT_EQ(w->menus()->title_action(nm::kRollUp)->text(), "Roll down");
    w->menus()->run_command(nm::kRollUp);
    EXPECT_FALSE(w->note().rolled_up());
}

TEST_F(NoteMenusTest, RightButtonReleasedOverTheTitleOpensTheSavedTitleMenu) {
    NoteWindow* w = make_note(16);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    bool signalled = false;
    QObject::connect(w, &NoteWindow::title_menu_requested, [&] { signalled = true; });
    bool seen = false;
    QTimer::singleShot(200, [&] {
        QMenu* menu = w->menus()->title_menu();
        seen = menu->isVisible();
        menu->setActiveAction(w->menus()->title_action(nm::kSetDateTitle));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseRelease(w, Qt::RightButton, {}, QPoint(40, 8));
    EXPECT_TRUE(signalled);
    EXPECT_TRUE(seen);
    EXPECT_NE(w->note().title_text(), "Shopping");  // the date title
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(16, saved));
    EXPECT_EQ(saved.TitleText, "Shopping");  // saved as the menu opened, before the command
}

TEST_F(NoteMenusTest, TitleAlignmentBlankRules) {
    NoteWindow* w = make_note(8, " Shopping ");
    w->menus()->run_command(nm::kTitleLeft);
    EXPECT_EQ(w->note().title_text(), " Shopping");
    EXPECT_EQ(w->note().title_look().style, "L");
    w->menus()->run_command(nm::kTitleRight);
    EXPECT_EQ(w->note().title_text(), "Shopping ");
    EXPECT_EQ(w->note().title_look().style, "R");
    w->menus()->run_command(nm::kTitleCenter);
    EXPECT_EQ(w->note().title_text(), "Shopping");
    EXPECT_EQ(w->note().title_look().style, "C");

    // The title change is stored at the next save.
    ASSERT_TRUE(w->save_state());
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(8, saved));
    EXPECT_EQ(saved.TitleText, "Shopping");
    EXPECT_EQ(saved.TitleFontType, "C");
}

TEST_F(NoteMenusTest, TitleStylesFontCaseAndEdit) {
    NoteWindow* w = make_note(9, "Shopping");
    w->menus()->run_command(nm::kTitleRight);
    w->menus()->run_command(nm::kTitleBold);
    w->menus()->run_command(nm::kTitleUnderline);
    EXPECT_EQ(w->note().title_look().style, "RBU");
    w->menus()->run_command(nm::kTitleBold);
    EXPECT_EQ(w->note().title_look().style, "RU");
    w->menus()->run_command(nm::kTitleRegular);
    EXPECT_EQ(w->note().title_look().style, "R");

    dialogs_->font = [](QWidget*, const QFont& initial) -> std::optional<QFont> {
        QFont f(initial);
        f.setFamily("DejaVu Serif");
        f.setPointSizeF(12.5);
        f.setWeight(QFont::Bold);
        f.setItalic(true);
        return f;
    };
    w->menus()->run_command(nm::kTitleFont);
    EXPECT_EQ(w->note().title_look().face, "DejaVu Serif");
    EXPECT_EQ(w->note().title_look().size, 12);
    EXPECT_EQ(w->note().title_look().style, "RBI");

    w->menus()->run_command(nm::kTitleUppercase);
    EXPECT_EQ(w->note().title_text(), "SHOPPING ");

    std::string offered;
    dialogs_->title = [&](QWidget*, const std::string& initial) {
        offered = initial;
        return std::optional<std::string>("Groceries");
    };
    w->menus()->run_command(nm::kEditTitle);
    EXPECT_EQ(offered, "SHOPPING");
    EXPECT_EQ(w->note().title_text(), "Groceries ");
    EXPECT_EQ(w->windowTitle(), "Groceries ");

    // Cancelled dialogs change nothing.
    dialogs_->title = [](QWidget*, const std::string&) { return std::optional<std::string>(); };
    dialogs_->colour = [](QWidget*, const QColor&) { return std::optional<QColor>(); };
    const ColorRef before = w->note().title_look().back_colour;
    w->menus()->run_command(nm::kEditTitle);
    w->menus()->run_command(nm::kTitleColor);
    EXPECT_EQ(w->note().title_text(), "Groceries ");
    EXPECT_EQ(w->note().title_look().back_colour, before);
    dialogs_->colour = [](QWidget*, const QColor&) {
        return std::optional<QColor>(QColor(0x11, 0x22, 0x33));
    };
    w->menus()->run_command(nm::kTitleColor);
    EXPECT_EQ(w->note().title_look().back_colour, 0x332211u);
}

TEST_F(NoteMenusTest, BodyItemsFollowSelectionBorderBulletAndUndo) {
    NoteWindow* w = make_note(10);
    NoteMenus* m = w->menus();
    w->body()->setPlainText("milk and bread");
    m->prepare_body_menu();
    EXPECT_EQ(m->body_action(nm::kFont)->text(), "Font");
    EXPECT_EQ(m->body_action(nm::kTextColor)->text(), "Text color");
    EXPECT_FALSE(m->body_action(nm::kCut)->isEnabled());
    EXPECT_FALSE(m->body_action(nm::kUppercase)->isEnabled());
    EXPECT_FALSE(m->body_action(nm::kUndo)->isEnabled());
    EXPECT_FALSE(m->body_action(nm::kRedo)->isEnabled());
    EXPECT_EQ(m->body_action(nm::kSetBorder)->text(), "Set border");
    EXPECT_EQ(m->body_action(nm::kBulletStyle)->text(), "Bullet style");

    QTextCursor c = w->body()->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    w->body()->setTextCursor(c);
    m->run_command(nm::kUppercase);
    EXPECT_EQ(w->body()->toPlainText().toStdString(), "MILK and bread");
    m->run_command(nm::kSetBorder);
    m->run_command(nm::kBulletStyle);
    c = w->body()->textCursor();
    c.setPosition(5);
    c.setPosition(8, QTextCursor::KeepAnchor);
    w->body()->setTextCursor(c);
    m->prepare_body_menu();
    EXPECT_EQ(m->body_action(nm::kFont)->text(), "Selected Font");
    EXPECT_EQ(m->body_action(nm::kTextColor)->text(), "Selected Text color");
    EXPECT_TRUE(m->body_action(nm::kCut)->isEnabled());
    EXPECT_TRUE(m->body_action(nm::kUndo)->isEnabled());
    EXPECT_EQ(m->body_action(nm::kSetBorder)->text(), "Remove border");
    EXPECT_TRUE(m->body_action(nm::kSetBorder)->isChecked());
    EXPECT_EQ(m->body_action(nm::kBulletStyle)->text(), "Remove bullet style");
    EXPECT_TRUE(m->body_action(nm::kBulletStyle)->isChecked());

    EXPECT_FALSE(m->body_action(nm::kRedo)->isEnabled());

    // Two steps (upper case and bullet; the text set above is none): each undone in turn,
    // then redone, the items following what is left either way.
    m->run_command(nm::kUndo);
    m->prepare_body_menu();
    EXPECT_TRUE(m->body_action(nm::kUndo)->isEnabled());
    EXPECT_TRUE(m->body_action(nm::kRedo)->isEnabled());
    m->run_command(nm::kUndo);
    m->prepare_body_menu();
    EXPECT_EQ(w->body()->toPlainText().toStdString(), "milk and bread");
    EXPECT_FALSE(m->body_action(nm::kUndo)->isEnabled());
    EXPECT_TRUE(m->body_action(nm::kRedo)->isEnabled());
    m->run_command(nm::kRedo);
    m->run_command(nm::kRedo);
    m->prepare_body_menu();
    EXPECT_EQ(w->body()->toPlainText().toStdString(), "MILK and bread");
    EXPECT_TRUE(w->body()->textCursor().currentList() != nullptr);
    EXPECT_TRUE(m->body_action(nm::kUndo)->isEnabled());
    EXPECT_FALSE(m->body_action(nm::kRedo)->isEnabled());

    // Opening the menu saved the note with its border.
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(10, saved));
    EXPECT_EQ(saved.Border, "Yes");
}

TEST_F(NoteMenusTest, StayOnTopTickShowsTheNotesOwnState) {
    NoteWindow* a = make_note(11);
    NoteWindow* b = make_note(12);
    a->menus()->run_command(nm::kStayOnTop);
    b->menus()->run_command(nm::kStayOnTop);
    b->menus()->run_command(nm::kStayOnTop);  // b released: the program-wide flag is set
    a->menus()->prepare_body_menu();
    EXPECT_TRUE(a->menus()->body_action(nm::kStayOnTop)->isChecked());
    EXPECT_TRUE(a->note().stay_on_top());
    b->menus()->prepare_body_menu();
    EXPECT_FALSE(b->menus()->body_action(nm::kStayOnTop)->isChecked());
}

TEST_F(NoteMenusTest, LaterFeaturesWaitGreyedUntilTheirHookArrives) {
    NoteWindow* w = make_note(13);
    w->menus()->prepare_body_menu();
    for (int id : {nm::kPrintNote, nm::kSetAlarm, nm::kSetExpiration, nm::kOpenFile, nm::kThemePink,
                   nm::kSavedThemeFirst, nm::kOrganizeThemes}) {
        EXPECT_FALSE(w->menus()->body_action(id)->isEnabled()) << id;
    }
    int printed = 0;
    ts_.services.set_command_enabled(nm::kPrintNote, true);
    QObject::connect(&ts_.services, &NoteServices::command_requested, [&](int id, NoteView* n) {
        EXPECT_EQ(id, nm::kPrintNote);
        EXPECT_EQ(n, w);
        ++printed;
    });
    w->menus()->prepare_body_menu();
    EXPECT_TRUE(w->menus()->body_action(nm::kPrintNote)->isEnabled());
    w->menus()->run_command(nm::kPrintNote);
    EXPECT_EQ(printed, 1);
}

TEST_F(NoteMenusTest, SaveSizeAsDefaultWritesTheWindowSize) {
    NoteWindow* w = make_note(14);
    w->resize(260, 190);
    w->menus()->run_command(nm::kSaveSizeAsDefault);
    EXPECT_EQ(setting("DefaultWidth"), "260");
    EXPECT_EQ(setting("DefaultHeight"), "190");
}

TEST_F(NoteMenusTest, RightButtonReleasedOverTheBodyOpensTheBodyMenuAndHideWorks) {
    NoteWindow* w = make_note(15);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QPointer<QMenu> seen;
    QTimer::singleShot(200, [&] {
        QMenu* menu = w->menus()->body_menu();
        if (menu->isVisible())
            seen = menu;
        menu->setActiveAction(w->menus()->body_action(nm::kHideNote));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QWidget* viewport = w->body()->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_FALSE(seen.isNull());
    EXPECT_TRUE(w->note().hidden());
}

}  // namespace
}  // namespace kd
