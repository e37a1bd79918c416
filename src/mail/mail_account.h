// The mail account note e-mails use: server URLs and user name kept in the settings file,
// the password held only in memory for the run. Windowless.
#pragma once

#include <string.h>

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kd {
class NoteStore;
}

namespace kd::mail {

struct MailAccount {
    std::string smtp_url;  // smtp://host:587 (STARTTLS) or smtps://host:465
    std::string imap_url;  // imap://host:143 (STARTTLS) or imaps://host:993
    std::string user_name;
    std::string address;  // the sender address; empty takes the user name
    // The log-on may go unencrypted to a server that offers no STARTTLS (always allowed to a
    // server on a loopback address). Set in the settings file only; the dialog keeps it.
    bool allow_plain_text = false;

    // Enough to send and to check.
    bool complete() const { return !smtp_url.empty() && !imap_url.empty() && !user_name.empty(); }
    // The address mails are sent from: `address`, else the user name when it is an address,
    // else the user name at the SMTP server's host.
    std::string from_address() const;
};

// The host part of a URL ("smtp://user@host:25/x" gives "host"); "" when there is none.
std::string url_host(std::string_view url);

// The account as the store's settings file keeps it.
MailAccount read_mail_account(const NoteStore& store);
// Writes what the logon dialog edits; `allow_plain_text` is left as the file has it.
bool write_mail_account(const NoteStore& store, const MailAccount& account);

// Overwrites the text's bytes before emptying it, so a secret does not linger in freed memory.
// Inline: the mail module, which holds logons too, links nothing of this file.
inline void wipe(std::string& secret) {
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

// Every copy wipes its password when it goes.
struct MailLogon {
    MailAccount account;
    std::string password;

    ~MailLogon() { wipe(password); }
};

// The logon of this run, shared by sending (UI thread) and checking (its own thread).
class MailSession {
public:
    // The held logon, when a password was given in this run.
    std::optional<MailLogon> logon() const;
    void set_logon(const MailLogon& logon);
    // The server refused it or stopped answering: the password is wiped, and the next send
    // or check asks again.
    void forget_password();

private:
    mutable std::mutex mutex_;
    std::optional<MailLogon> logon_;
};

}  // namespace kd::mail
