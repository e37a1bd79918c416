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
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/main_window.h"
#include "app/wiring.h"
#include "mail/capture_server.h"
#include "mail/email_checker.h"
#include "mail/mail_access.h"
#include "mail/mail_servers.h"
#include "mail/mail_texts.h"
#include "mail/mail_transport.h"
#include "mail/note_emailer.h"
#include "net/loopback_peer.h"
#include "net/note_receiving.h"
#include "net/note_sending.h"
#include "note/note_window.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
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
    bool cancel = false;
    bool offline = false;
    bool online() const override { return !offline; }
    std::optional<MailLogon> ask_logon(QWidget*, const MailAccount&) override {
        ++asked;
        if (cancel)
            return std::nullopt;
        return MailLogon{account, password};
    }
};

// An SMTP server that takes the connection and never says a word.
class SilentServer {
public:
    SilentServer()
        : server_([](const Socket& c) {
              char buffer[512];
              SocketStatus status;
              while (c.wait_readable(30s, nullptr) == WaitResult::Ready &&
                     c.receive_some(buffer, sizeof buffer, status) > 0) {
              }
          }) {}
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(server_.port()); }
    int connections() const { return server_.connections(); }

private:
    test::RawServer server_;
};

std::string not_reached(const std::string& address) {
    return address + " : Can't send note e-mail to this address.\n";
}

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
        connect_email(*main_, *checker_);
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

    void set(const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", key, value));
    }
    // Still on the screen and in the file, marked send-failed and not sent.
    static void expect_unsent(const QPointer<NoteWindow>& note) {
        ASSERT_TRUE(note && !note->note().deleted()) << "deleted although a recipient was missed";
        EXPECT_TRUE(
            NoteStore(app_paths(), test::store_errors()).record_exists(note->note().number()));
        EXPECT_TRUE(note->note().has_status(NoteStatus::SendFailed));
        EXPECT_FALSE(note->note().has_status(NoteStatus::Sent));
    }

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
    test::TestServices ts_{Clock::system()};
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
    EXPECT_TRUE(note->note().has_status(NoteStatus::Sent));
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
    EXPECT_TRUE(received->note().title_text().starts_with("pc17 "))
        << received->note().title_text();
    EXPECT_EQ(received->note().title_text().size(), 10u);  // "pc17 hh:mm"
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
    EXPECT_TRUE(main_->notes()[0]->note().title_text().starts_with("alpha "));
    EXPECT_TRUE(main_->notes()[1]->note().title_text().starts_with("beta "));
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

TEST_F(MailServersTest, MailThatDidNotGoKeepsTheNoteUnsentWhateverTheReason) {
    set("AfterSend", "DeleteNote");
    access_.account.smtp_url = "smtp://127.0.0.1:" + std::to_string(test::free_tcp_port());
    QPointer<NoteWindow> note = make_note(1, "Milk");
    const std::string anna = "anna@example.org";
    ts_.boxes.take_answered_texts();

    // The server refuses the connection.
    SendOutcome refused = send_note(*note, {anna}, "pc17");
    EXPECT_EQ(refused.error_text, not_reached(anna));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              (std::vector<std::string>{kSendFailed, not_reached(anna)}));

    // The logon dialog is cancelled: nothing else to say than who was missed.
    access_.forget_password();
    access_.cancel = true;
    SendOutcome cancelled = send_note(*note, {anna}, "pc17");
    EXPECT_EQ(cancelled.error_text, not_reached(anna));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(), std::vector<std::string>{not_reached(anna)});

    // Offline; and without the report the mark still tells.
    access_.cancel = false;
    access_.offline = true;
    set("ShowSendErrorMessage", "No");
    SendOutcome offline = send_note(*note, {anna}, "pc17");
    EXPECT_EQ(offline.error_text, not_reached(anna));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(), std::vector<std::string>{kOfflineSend});
    EXPECT_TRUE(inbox_files().empty());
}

TEST_F(MailServersTest, SilentServerLeavesTheUiAnsweringAndCancelEndsTheSend) {
    SilentServer silent;
    access_.account.smtp_url = silent.url();
    set("AfterSend", "DeleteNote");
    QPointer<NoteWindow> note = make_note(1, "Milk");
    ts_.boxes.take_answered_texts();

    // The event loop's pulse all through the send, and a click on Cancel once the busy
    // window has been up for a while.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest_gap = 0;
    int pulses = 0, pulses_while_busy = 0;
    bool busy_in_front = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest_gap = std::max(longest_gap, now - last);
        last = now;
        ++pulses;
        BusyWindow* busy = emailer_.busy_window();
        if (busy == nullptr || !busy->isVisible())
            return;
        busy_in_front = QApplication::activeModalWidget() == busy &&
                        busy->first_line().toStdString() == kSendingFirstLine &&
                        busy->cancel_button()->isVisible();
        if (++pulses_while_busy == 40)
            busy->cancel_button()->click();
    });
    probe.start(10);
    const SendOutcome outcome = send_note(*note, {"anna@example.org"}, "pc17");
    probe.stop();
    RecordProperty("longest_event_loop_gap_ms", static_cast<int>(longest_gap));
    std::printf("longest event-loop gap during the send: %lld ms\n",
                static_cast<long long>(longest_gap));

    EXPECT_TRUE(busy_in_front);
    // The UI ran all the time: the click itself came from the probe.
    EXPECT_GE(pulses_while_busy, 40);
    EXPECT_EQ(silent.connections(), 1);
    EXPECT_EQ(emailer_.busy_window(), nullptr);
    // Cancel counts as not reached; it ended the send long before any time-out, which would
    // have said "Send Mail failed".
    EXPECT_EQ(outcome.error_text, not_reached("anna@example.org"));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              std::vector<std::string>{not_reached("anna@example.org")});
    // A cancel is the user's choice: the password is kept.
    EXPECT_EQ(access_.asked, 1);
}

TEST_F(MailServersTest, TimeOutForgetsThePassword) {
    SilentServer silent;
    access_.account.smtp_url = silent.url();
    NoteEmailer quick(access_, MailTimeouts{std::chrono::seconds(1), std::chrono::seconds(1)});
    ts_.services.set_email_sending(&quick);
    QPointer<NoteWindow> note = make_note(1, "Milk");
    ts_.boxes.take_answered_texts();

    const SendOutcome timed_out = send_note(*note, {"anna@example.org"}, "pc17");
    EXPECT_EQ(timed_out.error_text, not_reached("anna@example.org"));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              (std::vector<std::string>{kSendFailed, not_reached("anna@example.org")}));
    EXPECT_EQ(access_.asked, 1);

    // The next send asks for the password again, and with the right server it goes.
    access_.account.smtp_url = servers_.smtp_url();
    const SendOutcome sent = send_note(*note, {"anna@example.org"}, "pc17");
    EXPECT_TRUE(sent.error_text.empty()) << sent.error_text;
    EXPECT_EQ(access_.asked, 2);
    EXPECT_TRUE(note->note().has_status(NoteStatus::Sent));
    EXPECT_EQ(inbox_files().size(), 1u);
}

TEST_F(MailServersTest, ServerWithoutEncryptionIsNamedAndTheNoteStays) {
    const std::string address = test::CaptureServer::non_loopback_address();
    if (address.empty())
        GTEST_SKIP() << "this computer has no address but loopback ones";
    test::CaptureServer smtp(test::CaptureServer::Protocol::Smtp, address);
    test::CaptureServer imap(test::CaptureServer::Protocol::Imap, address);
    ASSERT_TRUE(smtp.listening() && imap.listening());
    access_.account.smtp_url = smtp.url();
    access_.account.imap_url = imap.url();
    set("AfterSend", "DeleteNote");
    QPointer<NoteWindow> note = make_note(1, "Milk");
    ts_.boxes.take_answered_texts();
    const std::string refused =
        "The mail server " + address +
        " did not offer an encrypted connection, so the password was not sent.";

    const SendOutcome outcome = send_note(*note, {"anna@example.org"}, "pc17");
    EXPECT_EQ(outcome.error_text, not_reached("anna@example.org"));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              (std::vector<std::string>{refused, not_reached("anna@example.org")}));

    // The check says the same of its server. Each asked for the password anew, so a wrong
    // server can be corrected in the logon dialog.
    ASSERT_TRUE(check_and_wait());
    EXPECT_EQ(ts_.boxes.take_answered_texts(), std::vector<std::string>{refused});
    EXPECT_EQ(access_.asked, 2);
    for (const test::CaptureServer* server : {&smtp, &imap}) {
        EXPECT_EQ(server->connections(), 1);
        EXPECT_EQ(server->received().find(kPassword), std::string::npos);
        EXPECT_EQ(server->received().find("AUTH"), std::string::npos);
    }
}

TEST_F(MailServersTest, MixedRecipientsNameOnlyTheOnesMissed) {
    test::RawServer computer([](const Socket& c) {
        test::read_message(c);
        c.send_all(kAcknowledgement);
    });
    set("CommunicationPort", std::to_string(computer.port()));
    set("AfterSend", "DeleteNote");
    QPointer<NoteWindow> note = make_note(1, "Milk");
    ts_.boxes.take_answered_texts();

    // The computer acknowledges, the mail server refuses.
    const std::string refused_smtp = "smtp://127.0.0.1:" + std::to_string(test::free_tcp_port());
    access_.account.smtp_url = refused_smtp;
    const SendOutcome mail_missed =
        send_note(*note, {"127.0.0.1", "anna@example.org", "bob@example.org"}, "pc17");
    EXPECT_EQ(computer.connections(), 1);
    EXPECT_EQ(mail_missed.error_text,
              not_reached("anna@example.org") + not_reached("bob@example.org"));
    expect_unsent(note);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              (std::vector<std::string>{kSendFailed, mail_missed.error_text}));

    // The mail goes, a computer is not there: only the computer is named.
    access_.forget_password();  // the held logon names the other server
    access_.account.smtp_url = servers_.smtp_url();
    const SendOutcome computer_missed =
        send_note(*note, {"no-such-host.invalid", "anna@example.org"}, "pc17");
    EXPECT_EQ(computer_missed.error_text,
              "NO-SUCH-HOST.INVALID : Can't find computer with that name or IP address.\n");
    expect_unsent(note);
    EXPECT_EQ(inbox_files().size(), 1u);

    // Both reached: the note goes, as AfterSend says.
    send_note(*note, {"127.0.0.1", "anna@example.org"}, "pc17");
    EXPECT_EQ(computer.connections(), 2);
    EXPECT_EQ(inbox_files().size(), 2u);
    EXPECT_TRUE(!note || note->note().deleted());
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(1));
}

}  // namespace
}  // namespace kd::mail
