#include "mail/email_check.h"

#include <atomic>
#include <memory>

#include "mail/mail_texts.h"
#include "net/message_assembler.h"
#include "platform/profile_file.h"

namespace kd::mail {

void StopSignal::request() {
    {
        std::lock_guard lock(mutex_);
        flag_ = true;
    }
    changed_.notify_all();
}

bool StopSignal::sleep_for(std::chrono::milliseconds time) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, time, [this] { return flag_.load(); });
}

std::string refusal_text(MailResult result, std::string_view server) {
    const char* text = nullptr;
    switch (result) {
        case MailResult::NotEncrypted:
            text = kNotEncrypted;
            break;
        case MailResult::EncryptionFailed:
            text = kEncryptionFailed;
            break;
        case MailResult::CertificateOtherName:
            text = kCertificateOtherName;
            break;
        case MailResult::CertificateUntrusted:
            text = kCertificateUntrusted;
            break;
        case MailResult::CertificateOutOfDate:
            text = kCertificateOutOfDate;
            break;
        default:
            return {};
    }
    std::string message = text;
    message.replace(message.find("%s"), 2, server);
    return message;
}

namespace {

// The note message of a note e-mail's data, put together as the server does a connection's
// (mail lines may break it anywhere); "" when it is no whole message.
std::string note_message_from_mail(std::string data) {
    std::erase_if(data, [](char c) { return c == '\r' || c == '\n'; });
    MessageAssembler message;
    message.feed(data);
    message.end(StreamEnd::Closed);
    return message.message();
}

// Hands one note message to the tick and waits until it took it. False when the message could
// not be written or the check is stopping; the e-mail then stays in the inbox.
bool hand_over(const NoteLists& lists, const std::string& message, const StopSignal& stop,
               std::chrono::milliseconds poll) {
    if (!lists.write_email_mailbox(message)) {
        return false;
    }
    while (!lists.read_email_mailbox().empty()) {
        if (stop.sleep_for(poll)) {
            return false;
        }
    }
    // The tick's taking is read back before the settings file on disk holds it (the file is
    // written behind the interface); the e-mail may only go once the note would survive a
    // crash.
    const auto written = std::make_shared<std::atomic<bool>>(false);
    ProfileFile::when_written(lists.ini_path(), [written] { written->store(true); });
    while (!written->load()) {
        if (stop.sleep_for(poll)) {
            return false;
        }
    }
    return true;
}

// Step 6: every message of the inbox. False when reading failed (the loop ended).
void scan_inbox(CheckUi& ui, Inbox& inbox, const NoteLists& lists, const StopSignal& stop,
                std::chrono::milliseconds poll, CheckResult& result) {
    const auto ids = inbox.message_ids();
    if (!ids) {
        if (!stop.requested()) {
            ui.tell(kReadFailed, false);
        }
        return;
    }
    for (const std::string& id : *ids) {
        if (stop.requested()) {
            return;
        }
        const auto mail = inbox.read(id);
        if (!mail) {
            if (!stop.requested()) {
                ui.tell(kReadFailed, false);
            }
            return;
        }
        if (!is_note_subject(mail->subject)) {
            continue;
        }
        ++result.note_mails;
        if (const auto data = note_data_from_body(mail->body)) {
            // The bounds and checks of a note from the network: no line end of any kind
            // (a lone one would break the settings file's line and be refused for ever), and
            // nothing that is not a whole message, which would make no note.
            const std::string message = note_message_from_mail(*data);
            if (!message.empty()) {
                if (!hand_over(lists, message, stop, poll)) {
                    continue;
                }
                ++result.notes;
            }
        }
        if (!inbox.remove(id) && !stop.requested()) {
            ui.tell(kDeleteFailed, false);
        }
    }
}

// Step 4: true when logged on.
bool log_on(CheckUi& ui, Inbox& inbox, const StopSignal& stop) {
    if (!ui.online() && !ui.ask_offline()) {
        return false;
    }
    const auto logon = ui.logon();
    if (!logon) {
        return false;  // cancelled: a user abort, nothing to report
    }
    const MailResult result = inbox.logon(*logon);
    if (result == MailResult::Ok) {
        return true;
    }
    // A refused server is most likely a wrong one: the logon dialog comes again to correct it.
    const std::string refusal = refusal_text(result, url_host(logon->account.imap_url));
    if (result == MailResult::LoginDenied || result == MailResult::TimedOut || !refusal.empty()) {
        ui.logon_refused();
    }
    if (result != MailResult::Aborted && !stop.requested()) {
        ui.tell(refusal.empty() ? kLogonFailed : refusal, false);
    }
    return false;
}

}  // namespace

CheckResult run_email_check(CheckUi& ui, Inbox& inbox, const NoteLists& lists,
                            const StopSignal& stop, std::chrono::milliseconds poll) {
    CheckResult result;
    ui.check_started();
    ui.set_exit_enabled(false);
    if (log_on(ui, inbox, stop)) {
        result.logged_on = true;
        ui.set_exit_enabled(true);
        scan_inbox(ui, inbox, lists, stop, poll, result);
        if (!stop.requested()) {
            if (result.note_mails == 0) {
                ui.tell(kNoneFound, true);
            }
            if (!inbox.logoff()) {
                ui.tell(kLogoffFailed, false);
            }
        }
    }
    ui.set_exit_enabled(true);
    ui.check_ended();
    return result;
}

}  // namespace kd::mail
