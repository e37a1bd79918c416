// SMTP and IMAP through libcurl: sending one mail, and the inbox operations of a check.
// Windowless; an inbox belongs to the thread that made it.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "mail/email_check.h"
#include "mail/mail_account.h"

namespace kd::mail {

// Sends `mime` from `from` to every address of `to`. `stop`, when given, aborts the transfer.
MailResult smtp_send(const MailLogon& logon, const std::string& from,
                     const std::vector<std::string>& to, const std::string& mime,
                     const std::atomic<bool>* stop = nullptr);

// The INBOX of the account's IMAP server over one connection, logged out when destroyed.
// Messages are read with their \Seen flag put back as it was, so a check never marks the
// user's mail as read; only note e-mails are fetched whole.
class ImapInbox : public Inbox {
public:
    explicit ImapInbox(const std::atomic<bool>* stop = nullptr);
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
    std::string mailbox_url_;
    void* curl_ = nullptr;
};

// The UIDs of a "* SEARCH ..." answer, in order.
std::vector<std::string> parse_search_ids(const std::string& answer);

}  // namespace kd::mail
