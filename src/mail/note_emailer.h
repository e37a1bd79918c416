// Sending a note e-mail from the send procedure: the note's picture made and removed around
// it, the mail laid out, and the SMTP transfer run on a worker thread while the busy window
// with its Cancel button stays in front of the program's windows and the UI keeps running.
#pragma once

#include <QPointer>

#include <optional>
#include <string>
#include <vector>

#include "mail/mail_transport.h"
#include "note/note_services.h"

namespace kd {
class BusyWindow;
}

namespace kd::mail {

class MailAccess;
struct MailModuleTable;
struct MailAttachment;

class NoteEmailer : public NoteEmailSending {
public:
    explicit NoteEmailer(MailAccess& access, const MailTimeouts& timeouts = {})
        : access_(access), timeouts_(timeouts) {}

    std::vector<std::string> send_note_email(NoteView& note,
                                             const std::vector<std::string>& addresses,
                                             const std::string& sender_identity) override;

    // The busy window of the transfer under way; nullptr between transfers.
    BusyWindow* busy_window() const { return busy_; }

private:
    // The mail itself, once the picture is there in `picture_folder` (or not wanted); true when
    // it went.
    bool send_mail(NoteView& note, const std::vector<std::string>& addresses,
                   const std::string& sender_identity, bool with_picture,
                   const std::string& picture_folder);
    // One SMTP transfer on a worker thread; the busy window's Cancel stops it.
    MailResult transfer(const MailModuleTable& transport, const MailLogon& logon,
                        const std::vector<std::string>& to, const std::string& mime);

    MailAccess& access_;
    MailTimeouts timeouts_;
    QPointer<BusyWindow> busy_;
};

// The picture in `folder`: "Note.jpg" when it can be read, else "Note.bmp"; nothing when
// neither can.
std::optional<MailAttachment> read_note_picture(const std::string& folder);

}  // namespace kd::mail
