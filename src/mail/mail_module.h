// SMTP and IMAP through libcurl live in the module "mail" (korvadesk-mail.so), loaded the
// first time a note e-mail is sent or the inbox is checked: the program does not load libcurl,
// its TLS and Kerberos libraries at start.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mail/email_check.h"
#include "mail/mail_transport.h"

namespace kd {
class LibraryModules;
}  // namespace kd

namespace kd::mail {

// What the module exports (mail_transport.h's functions). A change of the layout is a new
// symbol name.
struct MailModuleTable {
    MailResult (*smtp_send)(const MailLogon& logon, const std::string& from,
                            const std::vector<std::string>& to, const std::string& mime,
                            const std::atomic<bool>* stop, const MailTimeouts& timeouts);
    std::unique_ptr<Inbox> (*open_inbox)(const std::atomic<bool>* stop,
                                         const MailTimeouts& timeouts);
};
inline constexpr const char* kMailModule = "mail";
inline constexpr const char* kMailModuleSymbol = "korvadesk_mail_module_1";
// The feature named when the module is missing.
inline constexpr const char* kMailFeature = "send or check note e-mails";

// The module's table; null when it cannot be loaded (reported through `modules`).
const MailModuleTable* mail_module(const LibraryModules& modules);

// The IMAP inbox of the module, which is loaded at the first log-on (a check that finds no
// account never loads it). Without the module the log-on ends as if cancelled, after the
// module's own box.
class ModuleInbox : public Inbox {
public:
    ModuleInbox(const LibraryModules& modules, const std::atomic<bool>* stop);

    MailResult logon(const MailLogon& logon) override;
    std::optional<std::vector<std::string>> message_ids() override;
    std::optional<ReadMail> read(const std::string& id) override;
    bool remove(const std::string& id) override;
    bool logoff() override;

private:
    const LibraryModules& modules_;
    const std::atomic<bool>* stop_;
    std::unique_ptr<Inbox> inbox_;
};

}  // namespace kd::mail
