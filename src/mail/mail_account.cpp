#include "mail/mail_account.h"

#include <string.h>

#include "store/note_store.h"

namespace kd::mail {

std::string url_host(std::string_view url) {
    auto scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    if (rest.starts_with('[')) {
        return std::string(rest.substr(0, rest.find(']') + 1));
    }
    return std::string(rest.substr(0, rest.find(':')));
}

std::string MailAccount::from_address() const {
    if (!address.empty()) {
        return address;
    }
    if (user_name.find('@') != std::string::npos) {
        return user_name;
    }
    return user_name + "@" + url_host(smtp_url);
}

MailAccount read_mail_account(const NoteStore& store) {
    const Settings settings = store.settings();
    return {settings.text(Setting::EmailSmtpUrl), settings.text(Setting::EmailImapUrl),
            settings.text(Setting::EmailUserName), settings.text(Setting::EmailAddress),
            settings.flag(Setting::EmailAllowPlainText)};
}

bool write_mail_account(const NoteStore& store, const MailAccount& account) {
    // One change of the file; a failure is the caller's to tell.
    StoreTransaction tx(store);
    tx.set_text(Setting::EmailSmtpUrl, account.smtp_url);
    tx.set_text(Setting::EmailImapUrl, account.imap_url);
    tx.set_text(Setting::EmailUserName, account.user_name);
    tx.set_text(Setting::EmailAddress, account.address);
    return tx.commit();
}

std::optional<MailLogon> MailSession::logon() const {
    std::lock_guard lock(mutex_);
    return logon_;
}

void MailSession::set_logon(const MailLogon& logon) {
    std::lock_guard lock(mutex_);
    logon_.reset();
    logon_ = logon;
}

void MailSession::forget_password() {
    std::lock_guard lock(mutex_);
    logon_.reset();
}

}  // namespace kd::mail
