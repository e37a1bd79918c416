// A note e-mail, both ways: the subject, the readable body with the note message between the
// markers, the MIME message that carries it (with the note's picture attached), and the rules
// by which an inbox message is recognised and its note message taken out. Windowless.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd::mail {

// The sender the mail names: field 0 of the note message (kUnknownWho when it has no "~"),
// replaced, unless it is "ANONYMOUS", by the log-on name with ", <computer>" appended when
// both are known.
std::string email_who(std::string_view note_message, std::string_view logon_name,
                      std::string_view computer_name);

// "Korvadesk : Note from <who>".
std::string note_email_subject(std::string_view who);

// The readable body: part (1) with the note's plain text, part (2) with the notice and the note
// message between the markers. With an attachment one blank follows, as the attachment's place.
std::string note_email_body(std::string_view who, std::string_view plain_text,
                            std::string_view note_message, bool with_attachment);

struct MailAttachment {
    std::string file_name;     // "Note.jpg" or "Note.bmp"
    std::string content_type;  // "image/jpeg" or "image/bmp"
    std::string bytes;
};

// The content type of a picture by its file name.
std::string picture_content_type(std::string_view file_name);

struct OutgoingMail {
    std::string from;  // address
    std::vector<std::string> to;
    std::string subject;
    std::string body;  // line feeds; sent as CRLF
    std::optional<MailAttachment> attachment;
    std::string date;      // RFC 5322 date; empty leaves it out
    std::string boundary;  // multipart boundary; must not occur in the parts
};

// The whole message as it goes to the SMTP server: headers, a quoted-printable UTF-8 text
// part, and the attachment in base64 when there is one.
std::string compose_mime(const OutgoingMail& mail);

// ---- The inbox side.

bool is_note_subject(std::string_view subject);

// The text between the first "<BEGIN>" and the first "<END>" after it, with every CRLF pair
// removed; nothing when the markers are missing.
std::optional<std::string> note_data_from_body(std::string_view body);

// What the check reads of one message.
struct ReadMail {
    std::string subject;  // decoded
    std::string body;     // the first text part, decoded
};

// A header block (or a whole message; reading stops at the first blank line): the subject,
// unfolded and with encoded words decoded.
std::string subject_of(std::string_view message);

// A whole message: its subject and its first text/plain part (or its only body), with
// quoted-printable or base64 transfer encoding undone.
ReadMail read_mail(std::string_view message);

// Transfer encodings.
std::string base64_encode(std::string_view bytes, std::size_t line_length = 76);
std::string base64_decode(std::string_view text);
std::string quoted_printable_encode(std::string_view text);
std::string quoted_printable_decode(std::string_view text);

}  // namespace kd::mail
