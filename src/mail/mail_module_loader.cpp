#include "mail/mail_module.h"

#include "platform/library_modules.h"

namespace kd::mail {

const MailModuleTable* mail_module(const LibraryModules& modules) {
    return static_cast<const MailModuleTable*>(
        modules.table(kMailModule, kMailModuleSymbol, kMailFeature));
}

ModuleInbox::ModuleInbox(const LibraryModules& modules, const std::atomic<bool>* stop)
    : modules_(modules), stop_(stop) {}

MailResult ModuleInbox::logon(const MailLogon& logon) {
    if (!inbox_) {
        const MailModuleTable* mail = mail_module(modules_);
        if (mail == nullptr) {
            return MailResult::Aborted;  // the module's box says why; no second box
        }
        inbox_ = mail->open_inbox(stop_, {});
    }
    return inbox_->logon(logon);
}

std::optional<std::vector<std::string>> ModuleInbox::message_ids() {
    return inbox_ ? inbox_->message_ids() : std::nullopt;
}

std::optional<ReadMail> ModuleInbox::read(const std::string& id) {
    return inbox_ ? inbox_->read(id) : std::nullopt;
}

bool ModuleInbox::remove(const std::string& id) {
    return inbox_ && inbox_->remove(id);
}

bool ModuleInbox::logoff() {
    return !inbox_ || inbox_->logoff();
}

}  // namespace kd::mail
