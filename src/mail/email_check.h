// Checking the inbox for note e-mails: the steps of one check, run on the check's own thread.
// The inbox and the user interface are interfaces, so the steps are tested without a server
// or a display; the note messages go into the e-mail mailbox of the settings file, where the
// main window's tick takes them. Windowless.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mail/mail_account.h"
#include "mail/note_email.h"
#include "store/note_lists.h"

namespace kd::mail {

// How one exchange with a mail server ended. TimedOut: the server stopped answering within
// our limits; Aborted: a stop was requested. The last five refused the server before the
// password went to it: it offered no encryption, the encrypted connection could not be set
// up, or its certificate was for another name, from an authority we do not trust, or out of
// date.
enum class MailResult {
    Ok,
    LoginDenied,
    Failed,
    TimedOut,
    Aborted,
    NotEncrypted,
    EncryptionFailed,
    CertificateOtherName,
    CertificateUntrusted,
    CertificateOutOfDate,
};

// What the user is told when `server` was refused for the connection's security; "" for the
// other results.
std::string refusal_text(MailResult result, std::string_view server);

// A request to stop that a waiting thread notices at once.
class StopSignal {
public:
    void request();
    bool requested() const { return flag_.load(); }
    const std::atomic<bool>& flag() const { return flag_; }
    // Waits `time` or until a stop is requested; true when one was.
    bool sleep_for(std::chrono::milliseconds time) const;

private:
    std::atomic<bool> flag_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
};

// The mail server's inbox as the check uses it.
class Inbox {
public:
    virtual ~Inbox() = default;
    virtual MailResult logon(const MailLogon& logon) = 0;
    // Every message, oldest first; nothing when the list cannot be read.
    virtual std::optional<std::vector<std::string>> message_ids() = 0;
    // The subject, and for a note e-mail (subject prefix) the text body; nothing on failure.
    // The message is not marked as read.
    virtual std::optional<ReadMail> read(const std::string& id) = 0;
    virtual bool remove(const std::string& id) = 0;
    virtual bool logoff() = 0;
};

// What the check needs of the user interface. Called on the check thread; the answers come
// from the UI thread.
class CheckUi {
public:
    virtual ~CheckUi() = default;
    // The running flag is set and the tray items greyed / the reverse.
    virtual void check_started() = 0;
    virtual void check_ended() = 0;
    virtual void set_exit_enabled(bool enabled) = 0;
    virtual bool online() = 0;
    // The question for an offline computer; true for Yes.
    virtual bool ask_offline() = 0;
    // The logon of this run, asking for it when none is held; nothing when the user cancels.
    virtual std::optional<MailLogon> logon() = 0;
    // The server refused the logon or stopped answering: the held password is forgotten.
    virtual void logon_refused() = 0;
    virtual void tell(const std::string& text, bool information) = 0;
};

// How often the check looks whether the tick took the mailbox.
inline constexpr std::chrono::milliseconds kMailboxPoll{200};

struct CheckResult {
    int note_mails = 0;  // note e-mails found (with or without markers)
    int notes = 0;       // note messages handed to the mailbox
    bool logged_on = false;
};

// One check, from the running flag to its end. Returns early, without deleting the e-mail at
// hand, when `stop` is requested (the program closes).
CheckResult run_email_check(CheckUi& ui, Inbox& inbox, const NoteLists& lists,
                            const StopSignal& stop, std::chrono::milliseconds poll = kMailboxPoll);

}  // namespace kd::mail
