// The real program checking the inbox of the test's own mail servers at start: the logon
// dialog asks for the password (typed through the X server), the note e-mail becomes a note
// titled with its sender and the time, the e-mail leaves the inbox, and the password is
// written nowhere.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "mail/mail_servers.h"
#include "mail/mail_transport.h"
#include "mail/note_email.h"
#include "net/note_message.h"
#include "platform/profile_file.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::MailServers;

constexpr const char* kLogonTitle = "Log on to your email account";

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
        servers_.stop();
        ProgramTest::TearDown();
    }

    void deliver_note_from(const std::string& sender) {
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
        ASSERT_EQ(mail::smtp_send(logon, out.from, out.to, mail::compose_mime(out)),
                  mail::MailResult::Ok);
    }

    void write(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, section, key, value));
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

    ASSERT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, kLogonTitle, test::NameMatch::All).empty(); },
        20s));
    const std::string dialog =
        test::visible_windows(pid, kLogonTitle, test::NameMatch::All).front();
    // The password field has the focus: the account is filled in from the settings file.
    test::run_output("xdotool windowactivate --sync " + dialog +
                     " 2>/dev/null; xdotool type "
                     "--delay 20 " +
                     std::string(MailServers::kPassword) + "; xdotool key Return");

    ASSERT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, "mailpc ", test::NameMatch::All).empty(); }, 30s));
    EXPECT_TRUE(test::wait_for([&] { return servers_.inbox_files().empty(); }, 10s));
    EXPECT_TRUE(test::visible_windows(pid, kLogonTitle, test::NameMatch::All).empty());
    const std::string ini = MailServers::read_file(dirs_.ini);
    EXPECT_NE(ini.find("TitleText=mailpc "), std::string::npos);
    EXPECT_EQ(ini.find(MailServers::kPassword), std::string::npos);
}

}  // namespace
}  // namespace kd
