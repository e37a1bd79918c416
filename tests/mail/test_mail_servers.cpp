// Note e-mails through real mail servers on 127.0.0.1, started by the test: Dovecot serving a
// Maildir over IMAP for one user with a password file, and an SMTP server delivering into that
// Maildir (tests/mail/mail_servers.py). A note is sent by the send procedure, and the check
// on its own thread turns each note e-mail into a note of the main window (under Xvfb).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/main_window.h"
#include "app/wiring.h"
#include "mail/email_checker.h"
#include "mail/mail_access.h"
#include "mail/mail_servers.h"
#include "mail/mail_texts.h"
#include "mail/mail_transport.h"
#include "mail/note_emailer.h"
#include "net/note_receiving.h"
#include "net/note_sending.h"
#include "note/note_window.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "support/app_paths_in.h"
#include "support/program_runner.h"
#include "support/sample_note.h"
#include "support/test_services.h"
#include "support/wait_for.h"

namespace kd::mail {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kUser = test::MailServers::kUser;
constexpr const char* kPassword = test::MailServers::kPassword;

// The logon dialog answered by the test.
struct TestAccess : MailAccess {
    using MailAccess::MailAccess;
    MailAccount account;
    std::string password = kPassword;
    int asked = 0;
    bool online() const override { return true; }
    std::optional<MailLogon> ask_logon(QWidget*, const MailAccount&) override {
        ++asked;
        return MailLogon{account, password};
    }
};

std::string read_file(const fs::path& path) {
    return test::MailServers::read_file(path);
}

class MailServersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = test::MailServers::missing(); !missing.empty())
            GTEST_SKIP() << missing;
        ProfileFile::clear_cache();
        set_app_paths(test::app_paths_in(dir_.path()));
        std::string error;
        ASSERT_TRUE(servers_.start(dir_.path(), error)) << error;
        access_.account = {servers_.smtp_url(), servers_.imap_url(), kUser, "anna@example.org"};
        ts_.boxes.answer_all(QMessageBox::Ok);
        main_ = std::make_unique<MainWindow>(ts_.services);
        receiving_ = new NoteReceiving(*main_, ts_.services, {}, main_.get());
        QObject::connect(main_.get(), &MainWindow::tick, receiving_, &NoteReceiving::tick);
        checker_ = std::make_unique<EmailChecker>(ts_.services, access_);
        connect_email(*main_, *receiving_, *checker_);
        ts_.services.set_email_sending(&emailer_);
        // The main window's half-second timer, quicker.
        QObject::connect(&ticker_, &QTimer::timeout, main_.get(), &MainWindow::tick);
        ticker_.start(20);
    }
    void TearDown() override {
        ticker_.stop();
        checker_.reset();
        for (auto& note : sent_)
            delete note.data();
        main_.reset();
        servers_.stop();
        set_app_paths({});
    }

    NoteWindow* make_note(int number, const std::string& text) {
        auto* w = new NoteWindow(nullptr, number, ts_.services);
        w->create_from_record(kd::test::tahoma_note_record(number, "{\\rtf1 " + text + "}"), false,
                              false);
        w->show();
        w->save_state();
        sent_.push_back(w);
        return w;
    }

    std::vector<std::string> inbox_files() const { return servers_.inbox_files(); }

    bool check_and_wait() {
        checker_->start();
        return QTest::qWaitFor([this] { return !checker_->running(); }, 30000);
    }

    void deliver(const std::string& subject, const std::string& body) {
        OutgoingMail mail;
        mail.from = "bob@example.org";
        mail.to = {"user@localhost"};
        mail.subject = subject;
        mail.body = body;
        ASSERT_EQ(smtp_send({access_.account, kPassword}, mail.from, mail.to, compose_mime(mail)),
                  MailResult::Ok);
    }

    test::TempDir dir_;
    test::TestServices ts_;
    test::MailServers servers_;
    TestAccess access_{ts_.store};
    NoteEmailer emailer_{access_};
    std::unique_ptr<MainWindow> main_;
    NoteReceiving* receiving_ = nullptr;  // owned by the main window
    std::unique_ptr<EmailChecker> checker_;
    QTimer ticker_;
    std::vector<QPointer<NoteWindow>> sent_;
};

TEST_F(MailServersTest, SentNoteComesBackAsANoteAndLeavesTheInbox) {
    NoteWindow* note = make_note(1, "Milk");
    // The address test wants a dot near the end ("user@localhost" is a computer name to it);
    // the test's SMTP server takes mail for any address.
    const SendOutcome outcome = send_note(*note, {"User@Localhost.test"}, "pc17");
    EXPECT_TRUE(outcome.error_text.empty()) << outcome.error_text;
    EXPECT_TRUE(note->has_status(NoteStatus::Sent));
    EXPECT_EQ(access_.asked, 1);

    const auto files = inbox_files();
    ASSERT_EQ(files.size(), 1u);
    const std::string mail = read_file(files[0]);
    EXPECT_NE(mail.find("Subject: Korvadesk : Note from "), std::string::npos);
    EXPECT_NE(mail.find("To: user@localhost.test\r\n"), std::string::npos);
    EXPECT_NE(mail.find("filename=\"Note.jpg\""), std::string::npos);
    EXPECT_NE(mail.find("Milk"), std::string::npos);
    // The picture was removed after the send.
    EXPECT_FALSE(fs::exists(fs::path(dir_.path()) / "Note.jpg"));

    ASSERT_TRUE(check_and_wait());
    ASSERT_EQ(main_->notes().size(), 1);
    const NoteWindow* received = main_->notes().front();
    EXPECT_TRUE(received->title_text().starts_with("pc17 ")) << received->title_text();
    EXPECT_EQ(received->title_text().size(), 10u);  // "pc17 hh:mm"
    EXPECT_TRUE(inbox_files().empty());
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());
    // The password was held for the run.
    EXPECT_EQ(access_.asked, 1);
    EXPECT_TRUE(ts_.services.email_check_running() == false);
}

TEST_F(MailServersTest, CheckTakesNoteMailsInOrderAndLeavesOtherMailUnread) {
    const auto note_body = [](const std::string& sender) {
        NoteRecord r;
        r.EditText = "{\\rtf1 x}";
        r.TitleText = "t";
        r.Width = 200;
        r.Height = 150;
        return note_email_body(sender, "x", build_note_message(sender, r), false);
    };
    deliver("Korvadesk : Note from alpha", note_body("alpha"));
    deliver("Lunch?", "See you at noon.");
    deliver("Korvadesk : Note from nobody", "no markers here");
    deliver("Korvadesk : Note from beta", note_body("beta"));

    ASSERT_TRUE(check_and_wait());
    ASSERT_EQ(main_->notes().size(), 2);
    EXPECT_TRUE(main_->notes()[0]->title_text().starts_with("alpha "));
    EXPECT_TRUE(main_->notes()[1]->title_text().starts_with("beta "));
    const auto left = inbox_files();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(read_file(left[0]).find("Subject: Lunch?"), std::string::npos);
    // Not marked as read: no "S" among the Maildir flags.
    const std::string name = fs::path(left[0]).filename().string();
    const auto flags = name.find(":2,");
    EXPECT_TRUE(flags == std::string::npos || name.find('S', flags) == std::string::npos) << name;
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());

    // Nothing left to find: the check says so.
    ASSERT_TRUE(check_and_wait());
    EXPECT_EQ(ts_.boxes.answered_texts(), std::vector<std::string>{kNoneFound});
}

TEST_F(MailServersTest, AnonymousWithoutPictureAndAWrongPassword) {
    ProfileFile::write(app_paths().IniPath, "KORVADESK", "IncludePictureAttachment", "No");
    NoteWindow* note = make_note(1, "Secret");
    send_note(*note, {"user@localhost.test"}, "ANONYMOUS");
    const auto files = inbox_files();
    ASSERT_EQ(files.size(), 1u);
    const std::string mail = read_file(files[0]);
    EXPECT_NE(mail.find("Subject: Korvadesk : Note from ANONYMOUS\r\n"), std::string::npos);
    EXPECT_NE(mail.find("MESSAGE TEXT FROM : ANONYMOUS"), std::string::npos);
    EXPECT_EQ(mail.find("multipart"), std::string::npos);
    EXPECT_EQ(mail.find("Note.jpg"), std::string::npos);

    // A new run with a wrong password: the logon message, and the mail stays.
    access_.forget_password();
    access_.password = "wrong";
    ASSERT_TRUE(check_and_wait());
    EXPECT_EQ(ts_.boxes.answered_texts(), std::vector<std::string>{kLogonFailed});
    EXPECT_TRUE(main_->notes().empty());
    EXPECT_EQ(inbox_files().size(), 1u);
    // The refused password is not kept: the next check asks again.
    const int asked = access_.asked;
    access_.password = kPassword;
    ASSERT_TRUE(check_and_wait());
    EXPECT_EQ(access_.asked, asked + 1);
    EXPECT_EQ(main_->notes().size(), 1);
}

TEST_F(MailServersTest, TrayCommandShowsTheBusyWindowAndGreysItsItemWhileTheCheckRuns) {
    QAction* item = main_->tray_action(kCmdCheckEmail);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    bool greyed_while_running = false;
    QObject::connect(checker_.get(), &EmailChecker::running_changed, main_.get(),
                     [&](bool running) {
                         if (running)
                             greyed_while_running = !item->isEnabled();
                     });
    main_->run_command(kCmdCheckEmail);
    ASSERT_NE(checker_->busy_window(), nullptr);
    EXPECT_TRUE(checker_->busy_window()->isVisible());
    EXPECT_EQ(checker_->busy_window()->first_line().toStdString(), kBusyFirstLine);
    EXPECT_EQ(checker_->busy_window()->second_line().toStdString(), kBusySecondLine);
    // The next tick after the check closes the window; the item is offered again.
    ASSERT_TRUE(QTest::qWaitFor([this] { return checker_->busy_window() == nullptr; }, 30000));
    EXPECT_TRUE(greyed_while_running);
    EXPECT_TRUE(item->isEnabled());
    EXPECT_TRUE(main_->tray_action(kCmdExit)->isEnabled());
    EXPECT_EQ(ts_.boxes.answered_texts(), std::vector<std::string>{kNoneFound});
}

}  // namespace
}  // namespace kd::mail
