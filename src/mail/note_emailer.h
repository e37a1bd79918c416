// Sending a note e-mail from the send procedure: the note's picture made and removed around
// it, the mail laid out, and the SMTP transfer run off the UI thread while it keeps painting.
#pragma once

#include <string>
#include <vector>

#include "note/note_services.h"

namespace kd::mail {

class MailAccess;
struct MailAttachment;

class NoteEmailer : public NoteEmailSending {
public:
    explicit NoteEmailer(MailAccess& access) : access_(access) {}

    void send_note_email(NoteWindow& note, const std::vector<std::string>& addresses,
                         const std::string& sender_identity) override;

private:
    // The mail itself, once the picture is there in `picture_folder` (or not wanted).
    void send_mail(NoteWindow& note, const std::vector<std::string>& addresses,
                   const std::string& sender_identity, bool with_picture,
                   const std::string& picture_folder);

    MailAccess& access_;
};

// "Yes" or empty.
bool includes_picture_attachment(const std::string& setting);

// The picture in `folder`: "Note.jpg" when it can be read, else "Note.bmp"; nothing when
// neither can.
std::optional<MailAttachment> read_note_picture(const std::string& folder);

}  // namespace kd::mail
