#include "mail/mail_account.h"

#include <string.h>

#include "mail/mail_texts.h"
#include "platform/profile_file.h"
#include "store/store_texts.h"

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

MailAccount read_mail_account(const std::string& ini_path) {
    const auto read = [&](const char* key) {
        return ProfileFile::read(ini_path, kAccountSection, key, kAccountValueCapacity);
    };
    return {read(kSmtpUrlKey), read(kImapUrlKey), read(kUserNameKey), read(kAddressKey),
            read(kAllowPlainTextKey) == store_texts::kYes};
}

bool write_mail_account(const std::string& ini_path, const MailAccount& account) {
    const ProfileFile::KeyValue entries[] = {{kSmtpUrlKey, account.smtp_url},
                                             {kImapUrlKey, account.imap_url},
                                             {kUserNameKey, account.user_name},
                                             {kAddressKey, account.address}};
    return ProfileFile::write_keys(ini_path, kAccountSection, entries);
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

void wipe(std::string& secret) {
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

}  // namespace kd::mail
