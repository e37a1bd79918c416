// The module's side: korvadesk-mail.so is built from this file and the transport, and only it
// links libcurl.
#include "mail/mail_module.h"

#include "platform/library_modules.h"

namespace kd::mail {

namespace {

MailResult send(const MailLogon& logon, const std::string& from, const std::vector<std::string>& to,
                const std::string& mime, const std::atomic<bool>* stop,
                const MailTimeouts& timeouts) {
    return smtp_send(logon, from, to, mime, stop, timeouts);
}

std::unique_ptr<Inbox> open_inbox(const std::atomic<bool>* stop, const MailTimeouts& timeouts) {
    return std::make_unique<ImapInbox>(stop, timeouts);
}

const MailModuleTable kTable{&send, &open_inbox};

}  // namespace

}  // namespace kd::mail

KD_MODULE_TABLE(kd::mail::MailModuleTable, korvadesk_mail_module_1) {
    return &kd::mail::kTable;
}
