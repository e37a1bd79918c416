// The send dialog under Xvfb: how recipients are typed and listed, saved groups, the "Sent
// from" kinds and their checks, the pop-up menus, manager mode, and a send that closes it.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/send_dialog.h"
#include "net/identity.h"
#include "net/loopback_peer.h"
#include "net/note_message.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_lists.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd {
namespace {

namespace sd = send_dialog;
using Strings = std::vector<std::string>;

// A computer whose name and addresses the test decides.
struct FakeIdentity : IdentitySource {
    std::string name = "DESK7";
    std::map<std::string, std::string> addresses;
    std::string logon = "ana";
    std::string own_computer_name() const override { return name; }
    std::string ip_address_of(std::string_view n) const override {
        const auto it = addresses.find(std::string(n));
        return it == addresses.end() ? std::string() : it->second;
    }
    std::string user_logon_name() const override { return logon; }
};

// The dialog with the group name answered by the test.
class ScriptedSendDialog : public SendDialog {
public:
    using SendDialog::SendDialog;
    std::optional<std::string> group_name;

protected:
    std::optional<std::string> ask_group_name() override { return group_name; }
};

class SendDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        set_app_paths(test::app_paths_in(dir_.path()));
    }
    void TearDown() override {
        dialog_.reset();
        delete note_.data();
        set_app_paths({});
    }

    NoteWindow* note() {
        if (!note_) {
            note_ = new NoteWindow(nullptr, 1, ts_.services);
            note_->create_from_record(test::sample_note_record(1), false, false);
            note_->save_state();
        }
        return note_;
    }
    ScriptedSendDialog& open(bool manager = false) {
        dialog_ = std::make_unique<ScriptedSendDialog>(manager ? nullptr : note(), ts_.services,
                                                       identity_);
        dialog_->show();
        return *dialog_;
    }
    void set(const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", key, value));
    }
    void type_and_enter(const QString& text) {
        dialog_->typed_edit()->setFocus();
        dialog_->typed_edit()->setText(text);
        QTest::keyClick(dialog_->typed_edit(), Qt::Key_Return);
    }
    void select_recipient(const QString& text) {
        dialog_->recipient_list()->clearSelection();
        const auto found = dialog_->recipient_list()->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found.front()->setSelected(true);
    }
    bool email_picture(int row) const {
        return dialog_->recipient_list()->topLevelItem(row)->data(0, Qt::UserRole + 1).toBool();
    }
    // Enabled state of "Show IP Address" in the recipient menu with `text` selected.
    bool recipient_show_ip_enabled(const QString& text) {
        select_recipient(text);
        std::unique_ptr<QMenu> menu(dialog_->make_recipient_menu());
        EXPECT_NE(menu, nullptr);
        for (QAction* a : menu->actions()) {
            if (a->data().toInt() == sd::kRecipientShowIp)
                return a->isEnabled();
        }
        ADD_FAILURE() << "no Show IP Address item";
        return false;
    }

    test::TempDir dir_;
    test::TestServices ts_;
    FakeIdentity identity_;
    QPointer<NoteWindow> note_;
    std::unique_ptr<ScriptedSendDialog> dialog_;
};

TEST_F(SendDialogTest, TypedRecipientsTakeTheirCaseNewestFirstAndDuplicatesStayTyped) {
    ScriptedSendDialog& d = open();
    EXPECT_EQ(d.windowTitle(), "Send note to other");
    EXPECT_FALSE(d.send_button()->isEnabled());
    type_and_enter("desk-b");
    type_and_enter("Ana@Example.ORG");
    EXPECT_EQ(d.recipients(), (Strings{"ana@example.org", "DESK-B"}));
    EXPECT_TRUE(email_picture(0));
    EXPECT_FALSE(email_picture(1));
    EXPECT_TRUE(d.typed_edit()->text().isEmpty());

    // Already listed: nothing is added and the text stays for the user to change.
    type_and_enter("desk-b");
    EXPECT_EQ(d.recipients().size(), 2u);
    EXPECT_EQ(d.typed_edit()->text(), "desk-b");
    EXPECT_TRUE(d.send_button()->isEnabled());
    EXPECT_TRUE(d.clear_button()->isEnabled());
    EXPECT_TRUE(d.save_group_button()->isEnabled());
    EXPECT_FALSE(d.remove_button()->isEnabled());

    select_recipient("DESK-B");
    EXPECT_TRUE(d.remove_button()->isEnabled());
    QTest::keyClick(d.recipient_list(), Qt::Key_Delete);
    EXPECT_EQ(d.recipients(), Strings{"ana@example.org"});
    d.clear_button()->click();
    EXPECT_TRUE(d.recipients().empty());
    EXPECT_FALSE(d.send_button()->isEnabled());
}

TEST_F(SendDialogTest, BlankInsideLeavesAddDisabledButEnterStillAddsWithoutLeadingBlanks) {
    ScriptedSendDialog& d = open();
    d.typed_edit()->setText("   office pc");
    EXPECT_FALSE(d.add_button()->isEnabled());
    d.typed_edit()->setText("officepc");
    EXPECT_TRUE(d.add_button()->isEnabled());
    type_and_enter("   office pc");
    EXPECT_EQ(d.recipients(), Strings{"OFFICE PC"});
    // A text of blanks only adds nothing.
    type_and_enter("   ");
    EXPECT_EQ(d.recipients(), Strings{"OFFICE PC"});
}

TEST_F(SendDialogTest, NeighbourhoodShowsTheStoredListReversedInCapitalsWithoutEmptyEntries) {
    ASSERT_TRUE(NoteLists(app_paths()).write_network_list("alpha~~Bravo~charlie~"));
    ScriptedSendDialog& d = open();
    EXPECT_EQ(d.neighbourhood(), (Strings{"CHARLIE", "BRAVO", "ALPHA"}));
    EXPECT_TRUE(d.add_all_button()->isEnabled());
    EXPECT_FALSE(d.add_button()->isEnabled());

    d.neighbourhood_list()->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(d.add_button()->isEnabled());
    d.add_button()->click();
    EXPECT_EQ(d.recipients(), Strings{"BRAVO"});
    d.add_all_button()->click();
    EXPECT_EQ(d.recipients(), (Strings{"ALPHA", "CHARLIE", "BRAVO"}));

    // Only host names are shown: a name that could pass for another computer stays out.
    ASSERT_TRUE(NoteLists(app_paths()).write_network_list("alpha~BOSS\u202E71:61~bo\u0455s~"));
    EXPECT_EQ(open().neighbourhood(), Strings{"ALPHA"});

    ASSERT_TRUE(NoteLists(app_paths()).write_network_list(""));
    ScriptedSendDialog& empty = open();
    EXPECT_TRUE(empty.neighbourhood().empty());
    EXPECT_FALSE(empty.add_all_button()->isEnabled());
}

TEST_F(SendDialogTest, GroupKeepsTheShownOrderComesBackReversedAndDeletingEmptiesTheList) {
    ScriptedSendDialog& d = open();
    type_and_enter("one");
    type_and_enter("two");
    type_and_enter("x@y.com");
    EXPECT_FALSE(d.delete_group_button()->isEnabled());
    d.group_name = "Team";
    d.save_group_button()->click();
    EXPECT_EQ(NoteLists(app_paths()).read_group("Team"), "x@y.com~TWO~ONE~");
    EXPECT_EQ(NoteLists(app_paths()).group_names(), "Team~");
    EXPECT_EQ(d.group_box()->currentText(), "Team");
    EXPECT_TRUE(d.delete_group_button()->isEnabled());

    // A name with the list separator in it would break the list of names.
    d.group_name = "a~b";
    d.save_group_button()->click();
    EXPECT_EQ(NoteLists(app_paths()).group_names(), "Team~");

    ScriptedSendDialog& again = open();
    ASSERT_EQ(again.group_box()->count(), 1);
    EXPECT_EQ(again.group_box()->currentIndex(), -1);
    again.group_box()->setCurrentIndex(0);
    again.select_group(0);
    EXPECT_EQ(again.recipients(), (Strings{"ONE", "TWO", "x@y.com"}));
    EXPECT_TRUE(email_picture(2));

    test::BoxAnswerer boxes(ts_.boxes);
    ts_.boxes.answer_all(QMessageBox::No);
    again.delete_group_button()->click();
    EXPECT_EQ(NoteLists(app_paths()).group_names(), "Team~");
    ts_.boxes.answer_all(QMessageBox::Yes);
    again.delete_group_button()->click();
    EXPECT_EQ(boxes.texts.back(), "Delete group 'Team'. Are you sure ? ");
    EXPECT_EQ(NoteLists(app_paths()).group_names(), "");
    EXPECT_EQ(NoteLists(app_paths()).read_group("Team"), "");
    EXPECT_EQ(again.group_box()->count(), 0);
    EXPECT_TRUE(again.recipients().empty());
    EXPECT_FALSE(again.delete_group_button()->isEnabled());
}

TEST_F(SendDialogTest, SentFromKindsShowTheirIdentityAndRefuseBadOnesBeforeSending) {
    identity_.addresses["DESK7"] = "192.168.4.7";
    set("SentFrom", "Name:Ana B");
    ScriptedSendDialog& d = open();
    EXPECT_EQ(d.sender_kind_box()->currentText(), "Name");
    EXPECT_EQ(d.sender_edit()->text(), "Ana B");
    EXPECT_FALSE(d.sender_edit()->isReadOnly());

    d.change_sender_kind(static_cast<int>(sd::SenderKind::IpAddress));
    EXPECT_EQ(d.sender_edit()->text(), "192.168.4.7");
    EXPECT_TRUE(d.sender_edit()->isReadOnly());
    d.change_sender_kind(static_cast<int>(sd::SenderKind::Email));
    EXPECT_EQ(d.sender_edit()->text(), "");
    EXPECT_FALSE(d.sender_edit()->isReadOnly());
    d.change_sender_kind(static_cast<int>(sd::SenderKind::Anonymous));
    EXPECT_EQ(d.sender_edit()->text(), "ANONYMOUS");
    d.change_sender_kind(static_cast<int>(sd::SenderKind::Name));
    EXPECT_EQ(d.sender_edit()->text(), "ana");

    type_and_enter("desk-b");
    test::BoxAnswerer boxes(ts_.boxes);
    d.sender_edit()->clear();
    d.send();
    d.sender_kind_box()->setCurrentIndex(static_cast<int>(sd::SenderKind::Email));
    d.change_sender_kind(static_cast<int>(sd::SenderKind::Email));
    d.sender_edit()->setText("not an address");
    d.send();
    EXPECT_EQ(boxes.texts, (Strings{"Name in \"Sent from:\" field can not be empty ...",
                                    "Email you have entered in \"Sent from:\" field is not "
                                    "valid ..."}));
    EXPECT_FALSE(d.sent());
    EXPECT_TRUE(d.isVisible());
}

TEST_F(SendDialogTest, UnresolvableOwnNameGivesErrorAndTheIpCheckRefusesIt) {
    ScriptedSendDialog& d = open();
    EXPECT_EQ(d.sender_kind_box()->currentText(), "Computer name");
    EXPECT_EQ(d.sender_edit()->text(), "DESK7");
    EXPECT_TRUE(d.sender_edit()->isReadOnly());
    d.sender_kind_box()->setCurrentIndex(static_cast<int>(sd::SenderKind::IpAddress));
    d.change_sender_kind(static_cast<int>(sd::SenderKind::IpAddress));
    EXPECT_EQ(d.sender_edit()->text(), "ERROR");

    type_and_enter("desk-b");
    test::BoxAnswerer boxes(ts_.boxes);
    d.send();
    EXPECT_EQ(boxes.texts, Strings{"IP Address in \"Default sent from:\" field is not valid ..."});
    EXPECT_FALSE(d.sent());

    // A computer that cannot read its own name lets the user type one.
    identity_.name = "MYCOMPUTER";
    ScriptedSendDialog& unnamed = open();
    EXPECT_EQ(unnamed.sender_edit()->text(), "MYCOMPUTER");
    EXPECT_FALSE(unnamed.sender_edit()->isReadOnly());
}

TEST_F(SendDialogTest, ShowIpAddressIsGreyedForAddressesAndTellsWhatItFinds) {
    identity_.addresses["DESK-B"] = "10.1.2.3";
    ScriptedSendDialog& d = open();
    type_and_enter("10.0.0.9");
    type_and_enter("ana@example.org");
    type_and_enter("desk-b");
    type_and_enter("desk-gone");
    EXPECT_FALSE(recipient_show_ip_enabled("10.0.0.9"));
    EXPECT_FALSE(recipient_show_ip_enabled("ana@example.org"));
    EXPECT_TRUE(recipient_show_ip_enabled("DESK-B"));

    // Only with exactly one entry selected.
    d.recipient_list()->selectAll();
    EXPECT_EQ(std::unique_ptr<QMenu>(d.make_recipient_menu()), nullptr);
    EXPECT_EQ(std::unique_ptr<QMenu>(d.make_neighbourhood_menu()), nullptr);

    test::BoxAnswerer boxes(ts_.boxes);
    select_recipient("DESK-B");
    d.show_ip_address(d.recipient_list());
    select_recipient("DESK-GONE");
    d.show_ip_address(d.recipient_list());
    EXPECT_EQ(boxes.texts, (Strings{"DESK-B : Computer IP address 10.1.2.3   ",
                                    "DESK-GONE : Can not determine IP Address of the selected "
                                    "computer.\nMaybe you type wrong computer name or computer "
                                    "is turned off."}));
}

TEST_F(SendDialogTest, ManagerModeSendsNothingAndGreysTheSentFromControls) {
    ScriptedSendDialog& d = open(true);
    type_and_enter("desk-b");
    EXPECT_FALSE(d.send_button()->isEnabled());
    EXPECT_TRUE(d.save_group_button()->isEnabled());
    EXPECT_FALSE(d.sender_kind_box()->isEnabled());
    EXPECT_FALSE(d.sender_edit()->isEnabled());
    EXPECT_FALSE(d.sender_label()->isEnabled());
}

TEST_F(SendDialogTest, RefusesToSendWhileAnEmailCheckRuns) {
    ScriptedSendDialog& d = open();
    type_and_enter("desk-b");
    ts_.services.set_email_check_running(true);
    test::BoxAnswerer boxes(ts_.boxes);
    d.send();
    EXPECT_EQ(boxes.texts, Strings{"Checking for email notes is in progress. When checking is "
                                   "done click Send note button again."});
    EXPECT_FALSE(d.sent());
}

TEST_F(SendDialogTest, NoteThatWentAwayMeanwhileIsNotSent) {
    ScriptedSendDialog& d = open();
    type_and_enter("127.0.0.1");
    delete note_.data();
    d.send_button()->click();
    EXPECT_FALSE(d.sent());
    EXPECT_FALSE(d.isVisible());
}

TEST_F(SendDialogTest, SendGoesToTheListedComputersAndClosesTheDialog) {
    std::string received;
    test::RawServer server([&received](const Socket& c) {
        received = test::read_message(c);
        c.send_all(kAcknowledgement);
    });
    set("CommunicationPort", std::to_string(server.port()));
    set("SentFrom", "Name:Ana");
    ScriptedSendDialog& d = open();
    type_and_enter("127.0.0.1");
    test::BoxAnswerer boxes(ts_.boxes);
    d.send_button()->click();
    EXPECT_TRUE(d.sent());
    EXPECT_TRUE(d.sent_without_errors());
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(received.starts_with("Name:Ana~")) << received;
    EXPECT_TRUE(boxes.texts.empty());

    // A computer that does not answer: the report comes after the dialog went.
    ScriptedSendDialog& failing = open();
    type_and_enter("no-such-host.invalid");
    failing.send_button()->click();
    EXPECT_TRUE(failing.sent());
    EXPECT_FALSE(failing.sent_without_errors());
    EXPECT_EQ(boxes.texts, Strings{"NO-SUCH-HOST.INVALID : Can't find computer with that name "
                                   "or IP address.\n"});
}

TEST_F(SendDialogTest, DialogClosesBeforeTheNoteEmailWhoseMissesCountAsErrors) {
    // A mail side that reaches nobody, and notes whether the dialog was still up.
    struct MissingMail : NoteEmailSending {
        QWidget* dialog = nullptr;
        bool dialog_visible = true;
        std::vector<std::string> send_note_email(NoteWindow&, const std::vector<std::string>& to,
                                                 const std::string&) override {
            dialog_visible = dialog->isVisible();
            return to;
        }
    } mail;
    ts_.services.set_email_sending(&mail);
    ScriptedSendDialog& d = open();
    mail.dialog = &d;
    type_and_enter("anna@example.org");
    test::BoxAnswerer boxes(ts_.boxes);
    d.send_button()->click();
    EXPECT_FALSE(mail.dialog_visible);
    EXPECT_TRUE(d.sent());
    EXPECT_FALSE(d.sent_without_errors());
    EXPECT_EQ(boxes.texts, Strings{"anna@example.org : Can't send note e-mail to this address.\n"});
    ts_.services.set_email_sending(nullptr);
}

}  // namespace
}  // namespace kd
