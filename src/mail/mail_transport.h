// SMTP and IMAP through libcurl: sending one mail, and the inbox operations of a check.
// Windowless; an inbox belongs to the thread that made it.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mail/email_check.h"
#include "mail/mail_account.h"

struct sockaddr;

namespace kd::mail {

// Our own limits, so a server that stops answering never holds a send or a check for long.
// `connect` covers the whole logon: connection, greeting and authentication.
struct MailTimeouts {
    std::chrono::seconds connect{20};
    std::chrono::seconds stalled{60};  // no byte moved for this long after the logon
};

// How often a transfer looks at its stop request: a stop ends it within this time.
inline constexpr std::chrono::milliseconds kStopPollInterval{50};

// For tests only: a file of certificate authorities trusted in place of the system's bundle
// file (the system's certificate folder still counts), so a test can run mail servers with
// certificates of its own. Never set it otherwise.
inline constexpr const char* kTestCaFileVariable = "KORVADESK_TEST_CA_FILE";

// 127.0.0.0/8, ::1 and IPv4-mapped 127.0.0.0/8: a server there is on this computer, and the
// log-on may reach it without encryption.
bool is_loopback_address(const sockaddr* address);

// Where transfers run: keeps the connection between the transfers of an inbox, and cuts it
// when a stop is requested.
class MailConnection;

// Sends `mime` from `from` to every address of `to`. `stop`, when given, aborts the transfer.
// smtp:// and imap:// switch to TLS with STARTTLS before the log-on; a server that does not
// offer it is refused (MailResult::NotEncrypted) unless it was reached on a loopback address
// or the account allows plain text. Certificates and host names are always checked.
MailResult smtp_send(const MailLogon& logon, const std::string& from,
                     const std::vector<std::string>& to, const std::string& mime,
                     const std::atomic<bool>* stop = nullptr, const MailTimeouts& timeouts = {});

// The INBOX of the account's IMAP server over one connection, logged out when destroyed.
// Messages are read with their \Seen flag put back as it was, so a check never marks the
// user's mail as read; only note e-mails are fetched whole.
class ImapInbox : public Inbox {
public:
    explicit ImapInbox(const std::atomic<bool>* stop = nullptr, const MailTimeouts& timeouts = {});
    ~ImapInbox() override;
    ImapInbox(const ImapInbox&) = delete;
    ImapInbox& operator=(const ImapInbox&) = delete;

    MailResult logon(const MailLogon& logon) override;
    std::optional<std::vector<std::string>> message_ids() override;
    std::optional<ReadMail> read(const std::string& id) override;
    bool remove(const std::string& id) override;
    bool logoff() override;

private:
    // One request: a command on the mailbox (`command` non-empty) or a fetch of `url_suffix`.
    std::optional<std::string> request(const std::string& command,
                                       const std::string& url_suffix = {});
    MailResult last_result_ = MailResult::Ok;

    MailLogon logon_;
    const std::atomic<bool>* stop_;
    MailTimeouts timeouts_;
    std::string mailbox_url_;
    void* curl_ = nullptr;
    std::unique_ptr<MailConnection> connection_;
};

// The UIDs of a "* SEARCH ..." answer, in order.
std::vector<std::string> parse_search_ids(const std::string& answer);

}  // namespace kd::mail
