// The mail transport's security against real servers: Dovecot (IMAP with STARTTLS, and IMAPS)
// and aiosmtpd (SMTP with STARTTLS, and SMTPS) on 127.0.0.1, with certificates from an
// authority the test makes and trusts through KORVADESK_TEST_CA_FILE; and a server that offers
// no STARTTLS and writes down every byte it receives, on this computer's non-loopback address
// and on 127.0.0.1. Whatever is refused must be refused before the password leaves.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdlib>
#include <string>

#include "mail/capture_server.h"
#include "mail/mail_servers.h"
#include "mail/mail_texts.h"
#include "mail/mail_transport.h"
#include "mail/note_email.h"
#include "platform/temp_dir.h"

namespace kd::mail {
namespace {

using test::CaptureServer;
using test::MailServers;

constexpr const char* kUser = MailServers::kUser;
constexpr const char* kPassword = MailServers::kPassword;
// AUTH PLAIN's answer for the test's user: what a plain log-on would put on the wire.
constexpr const char* kPlainLogOn = "AHVzZXIAc2VjcmV0";

MailLogon logon_for(const std::string& smtp_url, const std::string& imap_url,
                    bool allow_plain_text = false) {
    MailAccount account{smtp_url, imap_url, kUser, "anna@example.org"};
    account.allow_plain_text = allow_plain_text;
    return {account, kPassword};
}

MailResult send(const MailLogon& logon) {
    OutgoingMail mail;
    mail.from = "anna@example.org";
    mail.to = {"user@localhost.test"};
    mail.subject = "Over TLS";
    mail.body = "Hello";
    return smtp_send(logon, mail.from, mail.to, compose_mime(mail));
}

// The log-on of a check, and how many messages the inbox then lists (-1 when none).
MailResult check(const MailLogon& logon, int* messages = nullptr) {
    ImapInbox inbox;
    const MailResult result = inbox.logon(logon);
    if (messages != nullptr) {
        const auto ids = result == MailResult::Ok ? inbox.message_ids() : std::nullopt;
        *messages = ids ? static_cast<int>(ids->size()) : -1;
    }
    return result;
}

// Every "Login:" of Dovecot's log; each must say TLS.
int logins(const std::string& log, bool* all_tls = nullptr) {
    int count = 0;
    bool tls = true;
    for (std::size_t at = log.find("Login: "); at != std::string::npos;
         at = log.find("Login: ", at + 1)) {
        ++count;
        const std::string line = log.substr(at, log.find('\n', at) - at);
        tls = tls && line.find(", TLS") != std::string::npos;
    }
    if (all_tls != nullptr)
        *all_tls = tls;
    return count;
}

class MailTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        certificates_ = new test::TempDir;
        made_ = MailServers::make_certificates(certificates_->path());
    }
    static void TearDownTestSuite() {
        delete certificates_;
        certificates_ = nullptr;
    }
    void SetUp() override {
        if (const std::string missing = MailServers::missing(); !missing.empty())
            GTEST_SKIP() << missing;
        ASSERT_TRUE(made_) << "openssl could not make the test's certificates";
        trust_test_authority(true);
    }
    void TearDown() override { trust_test_authority(false); }

    static std::string certificate(const std::string& name) { return certificates_->file(name); }
    static void trust_test_authority(bool trust) {
        if (trust)
            ::setenv(kTestCaFileVariable, certificate("ca.pem").c_str(), 1);
        else
            ::unsetenv(kTestCaFileVariable);
    }
    // Servers that show the certificate `name`.pem.
    void start(MailServers& servers, const std::string& name) {
        std::string error;
        ASSERT_TRUE(servers.start(dir_.path(), error, certificate(name + ".pem"),
                                  certificate(name + ".key")))
            << error;
    }

    // The refusal of both servers at every URL, with nothing logged on at either.
    static void expect_refused(const MailServers& servers, const std::string& host,
                               MailResult expected, bool allow_plain_text = false) {
        const MailLogon starttls =
            logon_for(servers.smtp_url(host), servers.imap_url(host), allow_plain_text);
        const MailLogon tls = logon_for(servers.smtps_url(host), servers.imaps_url(host));
        EXPECT_EQ(send(starttls), expected);
        EXPECT_EQ(send(tls), expected);
        EXPECT_EQ(check(starttls), expected);
        EXPECT_EQ(check(tls), expected);
        EXPECT_EQ(servers.smtp_logons(), "");
        EXPECT_EQ(logins(servers.imap_log()), 0);
        EXPECT_EQ(servers.imap_log().find("auth failed"), std::string::npos);
        EXPECT_TRUE(servers.inbox_files().empty());
    }

    static test::TempDir* certificates_;
    static bool made_;
    test::TempDir dir_;
};

test::TempDir* MailTlsTest::certificates_ = nullptr;
bool MailTlsTest::made_ = false;

TEST_F(MailTlsTest, TrustedServersTakeTheLogOnOverStartTlsAndTlsFromTheStart) {
    MailServers servers;
    start(servers, "good");
    const MailLogon starttls =
        logon_for(servers.smtp_url("localhost"), servers.imap_url("localhost"));
    const MailLogon tls = logon_for(servers.smtps_url("localhost"), servers.imaps_url("localhost"));
    EXPECT_EQ(send(starttls), MailResult::Ok);
    EXPECT_EQ(send(tls), MailResult::Ok);
    // Allowing plain text still takes STARTTLS when offered (this server insists on it).
    EXPECT_EQ(send(logon_for(servers.smtp_url("localhost"), {}, true)), MailResult::Ok);
    EXPECT_EQ(servers.smtp_logons(), "PLAIN user ok\nPLAIN user ok\nPLAIN user ok\n");

    int messages = -1;
    EXPECT_EQ(check(starttls, &messages), MailResult::Ok);
    EXPECT_EQ(messages, 3);
    EXPECT_EQ(check(tls, &messages), MailResult::Ok);
    EXPECT_EQ(messages, 3);
    bool all_tls = false;
    EXPECT_EQ(logins(servers.imap_log(), &all_tls), 2);
    EXPECT_TRUE(all_tls) << servers.imap_log();

    // The wrong password over TLS is still the log-on refusal it always was.
    MailLogon wrong = starttls;
    wrong.password = "wrong";
    EXPECT_EQ(send(wrong), MailResult::LoginDenied);
    EXPECT_EQ(check(wrong), MailResult::LoginDenied);
}

TEST_F(MailTlsTest, CertificateForAnotherNameOrFromAnUnknownAuthorityIsRefused) {
    MailServers servers;
    start(servers, "good");
    // Made out for localhost, reached as 127.0.0.1; allowing plain text changes nothing.
    expect_refused(servers, "127.0.0.1", MailResult::CertificateOtherName);
    expect_refused(servers, "127.0.0.1", MailResult::CertificateOtherName, true);
    EXPECT_EQ(refusal_text(MailResult::CertificateOtherName, "127.0.0.1"),
              "The mail server 127.0.0.1 showed a certificate made out for another name, so the "
              "password was not sent.");
    // Without the test's authority the system's trust store does not know it.
    trust_test_authority(false);
    expect_refused(servers, "localhost", MailResult::CertificateUntrusted);
}

TEST_F(MailTlsTest, SelfSignedCertificateIsRefused) {
    MailServers servers;
    start(servers, "selfsigned");
    expect_refused(servers, "localhost", MailResult::CertificateUntrusted);
}

TEST_F(MailTlsTest, ExpiredCertificateIsRefused) {
    MailServers servers;
    start(servers, "expired");
    expect_refused(servers, "localhost", MailResult::CertificateOutOfDate);
}

TEST_F(MailTlsTest, ServerOffNoLoopbackAddressWithoutStartTlsNeverSeesThePassword) {
    const std::string address = CaptureServer::non_loopback_address();
    if (address.empty())
        GTEST_SKIP() << "this computer has no address but loopback ones";
    CaptureServer smtp(CaptureServer::Protocol::Smtp, address);
    CaptureServer imap(CaptureServer::Protocol::Imap, address);
    ASSERT_TRUE(smtp.listening() && imap.listening());

    const MailLogon logon = logon_for(smtp.url(), imap.url());
    EXPECT_EQ(send(logon), MailResult::NotEncrypted);
    EXPECT_EQ(check(logon), MailResult::NotEncrypted);
    // Asked what it offers, and left: no log-on, no mail, no second try in plain text.
    for (const CaptureServer* server : {&smtp, &imap}) {
        const std::string bytes = server->received();
        EXPECT_NE(bytes.find(server == &smtp ? "EHLO" : "CAPABILITY"), std::string::npos);
        EXPECT_EQ(bytes.find("AUTH"), std::string::npos) << bytes;
        EXPECT_EQ(bytes.find("LOGIN"), std::string::npos) << bytes;
        EXPECT_EQ(bytes.find(kPassword), std::string::npos) << bytes;
        EXPECT_EQ(bytes.find(kPlainLogOn), std::string::npos) << bytes;
        EXPECT_EQ(bytes.find("MAIL FROM"), std::string::npos) << bytes;
        EXPECT_EQ(server->connections(), 1);
    }
    EXPECT_EQ(refusal_text(MailResult::NotEncrypted, url_host(smtp.url())),
              "The mail server " + address +
                  " did not offer an encrypted connection, so the password was not sent.");

    // The account's AllowPlainText lets it go, and the capture sees it.
    const MailLogon allowed = logon_for(smtp.url(), imap.url(), true);
    EXPECT_EQ(send(allowed), MailResult::Ok);
    EXPECT_EQ(check(allowed), MailResult::Ok);
    EXPECT_NE(smtp.received().find(kPlainLogOn), std::string::npos);
    EXPECT_NE(imap.received().find(kPlainLogOn), std::string::npos);
}

TEST_F(MailTlsTest, ServerOnLoopbackWithoutStartTlsTakesThePlainLogOn) {
    CaptureServer smtp(CaptureServer::Protocol::Smtp, "127.0.0.1");
    CaptureServer imap(CaptureServer::Protocol::Imap, "127.0.0.1");
    ASSERT_TRUE(smtp.listening() && imap.listening());
    // Named, not numbered: what counts is the address "localhost" is reached at.
    const auto by_name = [](const CaptureServer& server) {
        std::string url = server.url();
        return url.replace(url.find("127.0.0.1"), 9, "localhost");
    };
    const MailLogon logon = logon_for(by_name(smtp), by_name(imap));
    EXPECT_EQ(send(logon), MailResult::Ok);
    int messages = -1;
    EXPECT_EQ(check(logon, &messages), MailResult::Ok);
    EXPECT_EQ(messages, 0);
    // First asked for STARTTLS, then once more in plain text; the rest of the check goes
    // over that second connection.
    EXPECT_EQ(smtp.connections(), 2);
    EXPECT_EQ(imap.connections(), 2);
    EXPECT_NE(smtp.received().find(kPlainLogOn), std::string::npos);
    EXPECT_NE(smtp.received().find("MAIL FROM"), std::string::npos);
    EXPECT_NE(imap.received().find("SEARCH"), std::string::npos);
}

TEST(MailTls, OtherSchemesAreRefusedBeforeConnecting) {
    CaptureServer server(CaptureServer::Protocol::Smtp, "127.0.0.1");
    ASSERT_TRUE(server.listening());
    const std::string at = "127.0.0.1:" + std::to_string(server.port());
    // Without a scheme libcurl would guess http://, with the password in a Basic header.
    for (const std::string& url : {at, "http://" + at, "ftp://" + at, "imap://" + at}) {
        EXPECT_EQ(send(logon_for(url, {})), MailResult::Failed) << url;
    }
    for (const std::string& url : {at, "http://" + at, "pop3://" + at, "smtp://" + at}) {
        EXPECT_EQ(check(logon_for({}, url)), MailResult::Failed) << url;
    }
    EXPECT_EQ(server.connections(), 0);
}

TEST(MailTls, LoopbackIsDecidedByTheAddress) {
    const auto v4 = [](const char* text) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, text, &a.sin_addr);
        return is_loopback_address(reinterpret_cast<const sockaddr*>(&a));
    };
    const auto v6 = [](const char* text) {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        ::inet_pton(AF_INET6, text, &a.sin6_addr);
        return is_loopback_address(reinterpret_cast<const sockaddr*>(&a));
    };
    EXPECT_TRUE(v4("127.0.0.1"));
    EXPECT_TRUE(v4("127.255.0.2"));
    EXPECT_FALSE(v4("128.0.0.1"));
    EXPECT_FALSE(v4("10.127.0.1"));
    EXPECT_FALSE(v4("0.0.0.0"));
    EXPECT_TRUE(v6("::1"));
    EXPECT_TRUE(v6("::ffff:127.0.0.9"));
    EXPECT_FALSE(v6("::ffff:192.0.2.2"));
    EXPECT_FALSE(v6("::2"));
    EXPECT_FALSE(v6("fe80::1"));
    EXPECT_FALSE(is_loopback_address(nullptr));
}

}  // namespace
}  // namespace kd::mail
