// The real program checking the inbox of the test's own mail servers at start: the logon
// dialog asks for the password (typed through the X server), the note e-mail becomes a note
// titled with its sender and the time, the e-mail leaves the inbox, and the password is
// written nowhere. A note e-mail that the mail server refuses: the note stays. And a note that
// goes out over STARTTLS and comes back over IMAPS, with servers whose certificate comes from
// an authority the test made.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "mail/mail_servers.h"
#include "mail/mail_transport.h"
#include "mail/note_email.h"
#include "net/note_message.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::MailServers;

constexpr const char* kLogonTitle = "Log on to your email account";

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry window_geometry(const std::string& window) {
    Geometry g;
    const std::string out =
        test::run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    const auto at = out.find("Position: ");
    const auto size = out.find("Geometry: ");
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at, "Position: %d,%d", &g.x, &g.y);
    if (size != std::string::npos)
        std::sscanf(out.c_str() + size, "Geometry: %dx%d", &g.width, &g.height);
    return g;
}

class EmailRun : public test::ProgramTest {
protected:
    EmailRun() : ProgramTest("/tmp/kd-e2e-mail-XXXXXX", true) {}

    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (const std::string missing = MailServers::missing(); !missing.empty())
            GTEST_SKIP() << missing;
        std::string error;
        ASSERT_TRUE(servers_.start(dirs_.root, error)) << error;
    }
    void TearDown() override {
        ::unsetenv(mail::kTestCaFileVariable);
        servers_.stop();
        ProgramTest::TearDown();
    }

    // A note e-mail from `sender`; with `lone_line_feed` its note data holds a line feed of its
    // own (encoded, so no mail program turns it into a line end).
    void deliver_note_from(const std::string& sender, bool lone_line_feed) {
        NoteRecord r;
        r.EditText = "{\\rtf1 Hello by mail}";
        r.EditFont = "Tahoma";
        r.EditFontSize = 10;
        r.TitleText = "ignored";
        r.Width = 220;
        r.Height = 160;
        r.Left = 300;
        r.Top = 300;
        const std::string message = build_note_message(sender, r);
        mail::OutgoingMail out;
        out.from = "bob@example.org";
        out.to = {"user@localhost.test"};
        out.subject = mail::note_email_subject(sender);
        out.body = mail::note_email_body(sender, "Hello by mail", message, false);
        mail::MailLogon logon{{servers_.smtp_url(), servers_.imap_url(), MailServers::kUser, ""},
                              MailServers::kPassword};
        std::string mime = mail::compose_mime(out);
        if (lone_line_feed) {
            const auto data = mime.find("<BEGIN>");
            ASSERT_NE(data, std::string::npos);
            mime.insert(mime.find('~', data), "=0A");
        }
        ASSERT_EQ(mail::smtp_send(logon, out.from, out.to, mime), mail::MailResult::Ok);
    }
    void deliver_note_from(const std::string& sender) { deliver_note_from(sender, false); }

    // Starts the program with the inbox check at start and types the password into its logon
    // dialog.
    pid_t launch_and_log_on() {
        write("KORVADESK", "CheckEmailOnStart", "Yes");
        write("KORVADESK", "ReadNetworkOnStart", "No");
        write("EMAIL_ACCOUNT", "SmtpUrl", servers_.smtp_url());
        write("EMAIL_ACCOUNT", "ImapUrl", servers_.imap_url());
        write("EMAIL_ACCOUNT", "UserName", MailServers::kUser);
        const pid_t pid = launch();
        EXPECT_TRUE(test::wait_for(
            [&] { return !test::visible_windows(pid, kLogonTitle, test::NameMatch::All).empty(); },
            20s));
        const auto dialogs = test::visible_windows(pid, kLogonTitle, test::NameMatch::All);
        if (!dialogs.empty()) {
            test::run_output("xdotool windowactivate --sync " + dialogs.front() +
                             " 2>/dev/null; xdotool type --delay 20 " +
                             std::string(MailServers::kPassword) + "; xdotool key Return");
        }
        return pid;
    }

    void write(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, section, key, value));
    }

    // "Send note to" in the note's body menu, on the group that follows "Other ...".
    void send_to_first_group(pid_t pid, const std::string& note) {
        // Body menu: up past "Delete note", "Hide note" and "Print note" to "Send note to";
        // right opens it on "Other ...", down reaches the group.
        const Geometry g = window_geometry(note);
        ASSERT_GT(g.width, 0);
        test::run_output("xdotool mousemove --sync " + std::to_string(g.x + g.width / 2) + " " +
                         std::to_string(g.y + 20 + (g.height - 20) / 2) + " click 3");
        ASSERT_TRUE(test::wait_for([&] { return test::visible_windows(pid).size() > 1; }, 5s))
            << "the body menu did not open";
        std::this_thread::sleep_for(200ms);
        test::run_output("xdotool key --delay 150 Up Up Up Up Right Down Return");
    }

    // Waits for the logon dialog and types the password into it.
    void log_on(pid_t pid) {
        ASSERT_TRUE(test::wait_for(
            [&] { return !test::visible_windows(pid, kLogonTitle, test::NameMatch::All).empty(); },
            20s));
        const std::string dialog =
            test::visible_windows(pid, kLogonTitle, test::NameMatch::All).front();
        // The password field has the focus: the account is filled in from the settings file.
        test::run_output("xdotool windowactivate --sync " + dialog +
                         " 2>/dev/null; xdotool type --delay 20 " +
                         std::string(MailServers::kPassword) + "; xdotool key Return");
    }

    MailServers servers_;
};

TEST_F(EmailRun, CheckAtStartTurnsTheNoteMailIntoANote) {
    deliver_note_from("mailpc");
    ASSERT_EQ(servers_.inbox_files().size(), 1u);
    write("KORVADESK", "CheckEmailOnStart", "Yes");
    write("KORVADESK", "ReadNetworkOnStart", "No");
    write("EMAIL_ACCOUNT", "SmtpUrl", servers_.smtp_url());
    write("EMAIL_ACCOUNT", "ImapUrl", servers_.imap_url());
    write("EMAIL_ACCOUNT", "UserName", MailServers::kUser);
    const pid_t pid = launch();
    log_on(pid);

    ASSERT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, "mailpc ", test::NameMatch::All).empty(); }, 30s));
    EXPECT_TRUE(test::wait_for([&] { return servers_.inbox_files().empty(); }, 10s));
    EXPECT_TRUE(test::visible_windows(pid, kLogonTitle, test::NameMatch::All).empty());
    const std::string ini = MailServers::read_file(dirs_.ini);
    EXPECT_NE(ini.find("TitleText=mailpc "), std::string::npos);
    EXPECT_EQ(ini.find(MailServers::kPassword), std::string::npos);
}

TEST_F(EmailRun, NoteDataWithALoneLineFeedBecomesANoteAndLeavesTheInbox) {
    deliver_note_from("lonepc", true);
    ASSERT_EQ(servers_.inbox_files().size(), 1u);
    ASSERT_NE(MailServers::read_file(servers_.inbox_files().front()).find("=0A"),
              std::string::npos);
    const pid_t pid = launch_and_log_on();
    ASSERT_FALSE(HasFailure());

    ASSERT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, "lonepc ", test::NameMatch::All).empty(); }, 30s))
        << "the note e-mail made no note";
    EXPECT_TRUE(test::wait_for([&] { return servers_.inbox_files().empty(); }, 10s))
        << "the note e-mail stayed in the inbox";
    // No "Error writing to ini file." box, and the note holds what was sent.
    EXPECT_TRUE(test::visible_windows(pid, "^Korvadesk$", test::NameMatch::All).empty());
    const std::string ini = MailServers::read_file(dirs_.ini);
    EXPECT_NE(ini.find("TitleText=lonepc "), std::string::npos);
    EXPECT_NE(ini.find("Hello by mail"), std::string::npos) << ini;
}

TEST_F(EmailRun, RefusedMailKeepsTheNoteThatWasToBeDeletedAfterSending) {
    // A group of one e-mail address, a mail server port where nothing listens, and notes that
    // go away once sent.
    write("RECIPIENTS_LIST", "ListNames", "Mail~");
    write("RECIPIENTS_LIST", "Mail", "anna@example.org~");
    write("KORVADESK", "AfterSend", "DeleteNote");
    write("KORVADESK", "ReadNetworkOnStart", "No");
    write("EMAIL_ACCOUNT", "SmtpUrl", "smtp://127.0.0.1:" + std::to_string(test::free_tcp_port()));
    write("EMAIL_ACCOUNT", "ImapUrl", servers_.imap_url());
    write("EMAIL_ACCOUNT", "UserName", MailServers::kUser);
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1, 20s)) << "one empty note at the first start";
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);
    send_to_first_group(pid, note);
    log_on(pid);

    // "Send Mail failed to send message.", then the report that names the address: each
    // answered with Return.
    for (int box = 0; box < 2; ++box) {
        ASSERT_NE(test::answer_box(pid, 20s), "") << "box " << box + 1;
    }

    // The note is still on the screen and in the file; the password is nowhere in it.
    EXPECT_TRUE(test::wait_windows(pid, 1, 5s));
    EXPECT_EQ(test::visible_windows(pid).front(), note);
    const std::string ini = MailServers::read_file(dirs_.ini);
    EXPECT_NE(ini.find("[NOTE_ID_1]"), std::string::npos) << ini;
    EXPECT_EQ(ini.find(MailServers::kPassword), std::string::npos);
    EXPECT_TRUE(servers_.inbox_files().empty());
}

TEST_F(EmailRun, TheSendingWindowWaitsSixPixelsInFromTheCornerOfTheWorkArea) {
    // A mail server that takes the connection and never says a word.
    SocketStatus status;
    std::string step;
    const std::uint16_t port = test::free_tcp_port();
    const Socket silent = Socket::listen_tcp("127.0.0.1", port, 4, status, step);
    ASSERT_TRUE(silent.valid());
    write("RECIPIENTS_LIST", "ListNames", "Mail~");
    write("RECIPIENTS_LIST", "Mail", "anna@example.org~");
    write("KORVADESK", "ReadNetworkOnStart", "No");
    write("EMAIL_ACCOUNT", "SmtpUrl", "smtp://127.0.0.1:" + std::to_string(port));
    write("EMAIL_ACCOUNT", "ImapUrl", servers_.imap_url());
    write("EMAIL_ACCOUNT", "UserName", MailServers::kUser);
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1, 20s));
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);
    send_to_first_group(pid, note);
    log_on(pid);

    std::string busy;
    ASSERT_TRUE(test::wait_for(
        [&] {
            const auto shown =
                test::visible_windows(pid, "^ Korvadesk 5.lan$", test::NameMatch::All);
            if (!shown.empty())
                busy = shown.front();
            return !shown.empty();
        },
        20s));
    // No window manager here: the work area is the whole 1280 x 1024 screen.
    Geometry g;
    EXPECT_TRUE(test::wait_for(
        [&] {
            g = window_geometry(busy);
            return g.x + g.width == 1280 - 6 && g.y + g.height == 1024 - 6;
        },
        5s))
        << g.x << "," << g.y << " " << g.width << "x" << g.height;
}

TEST_F(EmailRun, NoteGoesOutOverStartTlsAndComesBackOverImaps) {
    const std::string certificates = dirs_.root + "/certificates";
    ASSERT_TRUE(MailServers::make_certificates(certificates));
    MailServers tls;
    std::string error;
    ASSERT_TRUE(tls.start(dirs_.root + "/tls", error, certificates + "/good.pem",
                          certificates + "/good.key"))
        << error;
    // The program trusts the test's authority as it would the system's.
    ::setenv(mail::kTestCaFileVariable, (certificates + "/ca.pem").c_str(), 1);
    write("RECIPIENTS_LIST", "ListNames", "Mail~");
    write("RECIPIENTS_LIST", "Mail", "user@localhost.test~");
    write("KORVADESK", "ReadNetworkOnStart", "No");
    write("EMAIL_ACCOUNT", "SmtpUrl", tls.smtp_url("localhost"));
    write("EMAIL_ACCOUNT", "ImapUrl", tls.imaps_url("localhost"));
    write("EMAIL_ACCOUNT", "UserName", MailServers::kUser);

    // The first run sends its note by e-mail.
    const pid_t sender = launch();
    ASSERT_TRUE(test::wait_windows(sender, 1, 20s)) << "one empty note at the first start";
    const std::string note = test::visible_windows(sender).front();
    std::this_thread::sleep_for(500ms);
    send_to_first_group(sender, note);
    log_on(sender);
    ASSERT_TRUE(test::wait_for([&] { return tls.inbox_files().size() == 1; }, 30s))
        << tls.smtp_logons();
    EXPECT_EQ(tls.smtp_logons(), "PLAIN user ok\n");
    EXPECT_TRUE(test::wait_windows(sender, 1, 5s)) << "no message box";
    ::kill(sender, SIGTERM);
    ASSERT_EQ(test::wait_exit(sender, 10s), 0);

    // The next run checks the inbox at start and finds it.
    write("KORVADESK", "CheckEmailOnStart", "Yes");
    const pid_t receiver = launch();
    log_on(receiver);
    EXPECT_TRUE(test::wait_windows(receiver, 2, 30s)) << "the note came back";
    EXPECT_TRUE(test::wait_for([&] { return tls.inbox_files().empty(); }, 10s));

    const std::string log = tls.imap_log();
    EXPECT_NE(log.find("Login: user=<user>, method=PLAIN"), std::string::npos) << log;
    EXPECT_NE(log.find(", TLS, "), std::string::npos) << log;
    const std::string ini = MailServers::read_file(dirs_.ini);
    EXPECT_NE(ini.find("[NOTE_ID_2]"), std::string::npos) << ini;
    EXPECT_EQ(ini.find(MailServers::kPassword), std::string::npos);
}

}  // namespace
}  // namespace kd
