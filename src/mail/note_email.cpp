#include "mail/note_email.h"

#include <algorithm>
#include <cctype>

#include "mail/mail_texts.h"

namespace kd::mail {

namespace {

constexpr std::string_view kAnonymous = "ANONYMOUS";

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
}

// A header value that may hold any bytes: as it is when plain ASCII without line breaks, else
// one encoded word (a name typed in any language still reads right).
std::string header_text(std::string_view text) {
    const bool plain = is_ascii(text) && text.find_first_of("\r\n") == std::string_view::npos;
    return plain ? std::string(text) : "=?UTF-8?B?" + base64_encode(text, 0) + "?=";
}

// Line feeds to CRLF, leaving CRLF pairs as they are.
std::string crlf_lines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

void add_header(std::string& out, std::string_view name, std::string_view value) {
    out.append(name).append(": ").append(value).append("\r\n");
}

}  // namespace

std::string email_who(std::string_view note_message, std::string_view logon_name,
                      std::string_view computer_name) {
    const auto end = note_message.find('~');
    std::string who = end == std::string_view::npos ? std::string(kUnknownWho)
                                                    : std::string(note_message.substr(0, end));
    if (who != kAnonymous && !logon_name.empty()) {
        who = std::string(logon_name);
        if (!computer_name.empty()) {
            who.append(", ").append(computer_name);
        }
    }
    return who;
}

std::string note_email_subject(std::string_view who) {
    return std::string(kSubjectPrefix) + " " + std::string(who);
}

std::string note_email_body(std::string_view who, std::string_view plain_text,
                            std::string_view note_message, bool with_attachment) {
    const std::string product = upper(kProductAndVersion);
    std::string body;
    body.reserve(plain_text.size() + note_message.size() + 512);
    body.append("(1) ").append(product).append(" MESSAGE TEXT FROM : ").append(who).append(" \n\n");
    body.append(plain_text).append("\n\n");
    body.append("(2) ").append(product).append(" IMPORTANT NOTICE AND NOTE DATA").append("\n\n");
    body.append("This message was sent with ")
        .append(kProductAndVersion)
        .append(" Version program. ")
        .append(
            "Message contains data needed for creating desktop note. For reading note data "
            "you must start program and select <Check for email notes> option in program "
            "taskbar icon menu on right click. After creating received note on your "
            "desktop, program will delete this email message.\n\n");
    body.append(kBeginMarker).append(note_message).append(kEndMarker);
    if (with_attachment) {
        body += ' ';
    }
    return body;
}

std::string picture_content_type(std::string_view file_name) {
    const auto dot = file_name.rfind('.');
    const std::string ext = dot == std::string_view::npos ? "" : upper(file_name.substr(dot + 1));
    if (ext == "JPG" || ext == "JPEG") {
        return "image/jpeg";
    }
    if (ext == "BMP") {
        return "image/bmp";
    }
    return "application/octet-stream";
}

std::string compose_mime(const OutgoingMail& mail) {
    std::string out;
    add_header(out, "From", mail.from);
    std::string to;
    for (const std::string& address : mail.to) {
        to += (to.empty() ? "" : ", ") + address;
    }
    add_header(out, "To", to);
    add_header(out, "Subject", header_text(mail.subject));
    if (!mail.date.empty()) {
        add_header(out, "Date", mail.date);
    }
    add_header(out, "MIME-Version", "1.0");
    const std::string text_type = "text/plain; charset=UTF-8";
    const std::string text = quoted_printable_encode(crlf_lines(mail.body));
    if (!mail.attachment) {
        add_header(out, "Content-Type", text_type);
        add_header(out, "Content-Transfer-Encoding", "quoted-printable");
        out.append("\r\n").append(text).append("\r\n");
        return out;
    }
    const std::string boundary = "--" + mail.boundary;
    add_header(out, "Content-Type", "multipart/mixed; boundary=\"" + mail.boundary + "\"");
    out.append("\r\n").append(boundary).append("\r\n");
    add_header(out, "Content-Type", text_type);
    add_header(out, "Content-Transfer-Encoding", "quoted-printable");
    out.append("\r\n").append(text).append("\r\n").append(boundary).append("\r\n");
    const MailAttachment& a = *mail.attachment;
    add_header(out, "Content-Type", a.content_type + "; name=\"" + a.file_name + "\"");
    add_header(out, "Content-Transfer-Encoding", "base64");
    add_header(out, "Content-Disposition", "attachment; filename=\"" + a.file_name + "\"");
    out.append("\r\n").append(base64_encode(a.bytes)).append("\r\n");
    out.append(boundary).append("--\r\n");
    return out;
}

bool is_note_subject(std::string_view subject) {
    return subject.starts_with(kSubjectPrefix);
}

std::optional<std::string> note_data_from_body(std::string_view body) {
    const std::string_view begin = kBeginMarker;
    const auto start = body.find(begin);
    const auto end = body.find(kEndMarker);
    if (start == std::string_view::npos || end == std::string_view::npos) {
        return std::nullopt;
    }
    const auto from = start + begin.size();
    // Mail programs wrap long lines; the note message itself has none of its own.
    std::string data;
    if (end > from) {
        const std::string_view inner = body.substr(from, end - from);
        data.reserve(inner.size());
        for (std::size_t i = 0; i < inner.size(); ++i) {
            if (inner[i] == '\r' && i + 1 < inner.size() && inner[i + 1] == '\n') {
                ++i;
                continue;
            }
            data += inner[i];
        }
    }
    return data;
}

}  // namespace kd::mail
