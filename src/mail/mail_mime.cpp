// Transfer encodings and the reading of an inbox message.
#include <algorithm>
#include <cctype>

#include "mail/note_email.h"

namespace kd::mail {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kQpLine = 76;

int base64_value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return -1;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// Header block and body of a message or part.
struct Split {
    std::string_view headers, body;
};

Split split_message(std::string_view message) {
    if (message.starts_with("\r\n")) {
        return {{}, message.substr(2)};
    }
    if (message.starts_with("\n")) {
        return {{}, message.substr(1)};
    }
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\n') {
            continue;
        }
        std::size_t next = i + 1;
        if (next < message.size() && message[next] == '\r') {
            ++next;
        }
        if (next < message.size() && message[next] == '\n') {
            return {message.substr(0, i + 1), message.substr(next + 1)};
        }
    }
    return {message, {}};
}

// The unfolded value of the first header called `name` (compared without regard to case).
std::string header_value(std::string_view headers, std::string_view name) {
    const std::string wanted = lower(name) + ":";
    std::size_t pos = 0;
    while (pos < headers.size()) {
        auto end = headers.find('\n', pos);
        if (end == std::string_view::npos) {
            end = headers.size();
        }
        const std::string_view line = headers.substr(pos, end - pos);
        if (lower(line.substr(0, std::min(line.size(), wanted.size()))) == wanted) {
            std::string value(line.substr(wanted.size()));
            // Continuation lines begin with a blank or a tab.
            while (end + 1 < headers.size() &&
                   (headers[end + 1] == ' ' || headers[end + 1] == '\t')) {
                const auto next = std::min(headers.find('\n', end + 1), headers.size());
                value += headers.substr(end + 1, next - end - 1);
                end = next;
            }
            value.erase(std::remove(value.begin(), value.end(), '\r'), value.end());
            return trim(value);
        }
        pos = end + 1;
    }
    return {};
}

// A parameter of a structured header ("boundary", "charset"), quotes removed.
std::string header_parameter(std::string_view value, std::string_view name) {
    const std::string low = lower(value);
    const std::string wanted = lower(name) + "=";
    auto at = low.find(wanted);
    while (at != std::string::npos && at > 0 && low[at - 1] != ';' && low[at - 1] != ' ' &&
           low[at - 1] != '\t') {
        at = low.find(wanted, at + 1);
    }
    if (at == std::string::npos) {
        return {};
    }
    std::string_view rest = value.substr(at + wanted.size());
    if (rest.starts_with('"')) {
        rest.remove_prefix(1);
        return std::string(rest.substr(0, rest.find('"')));
    }
    return trim(rest.substr(0, rest.find_first_of("; \t")));
}

std::string decode_transfer(std::string_view body, std::string_view encoding) {
    const std::string kind = lower(trim(encoding));
    if (kind == "quoted-printable") {
        return quoted_printable_decode(body);
    }
    if (kind == "base64") {
        return base64_decode(body);
    }
    return std::string(body);
}

// One encoded word's text ("Q" or "B" form).
std::string decode_word(char form, std::string_view text) {
    if (form == 'B' || form == 'b') {
        return base64_decode(text);
    }
    std::string underscores(text);
    std::replace(underscores.begin(), underscores.end(), '_', ' ');
    return quoted_printable_decode(underscores);
}

// The first text part of a message or part, `depth` bounding nested multiparts.
std::optional<std::string> text_of(std::string_view part, int depth) {
    const Split split = split_message(part);
    const std::string type = header_value(split.headers, "Content-Type");
    const std::string low = lower(type);
    if (low.starts_with("multipart/")) {
        const std::string boundary = header_parameter(type, "boundary");
        if (boundary.empty() || depth > 8) {
            return std::nullopt;
        }
        const std::string delimiter = "--" + boundary;
        std::size_t at = split.body.find(delimiter);
        while (at != std::string_view::npos) {
            std::size_t start = split.body.find('\n', at);
            if (start == std::string_view::npos ||
                split.body.substr(at + delimiter.size()).starts_with("--")) {
                break;
            }
            ++start;
            const std::size_t next = split.body.find(delimiter, start);
            std::string_view inner = split.body.substr(
                start, next == std::string_view::npos ? std::string_view::npos : next - start);
            // The line break before the delimiter belongs to the delimiter.
            if (inner.ends_with("\r\n")) {
                inner.remove_suffix(2);
            } else if (inner.ends_with('\n')) {
                inner.remove_suffix(1);
            }
            if (auto text = text_of(inner, depth + 1)) {
                return text;
            }
            at = next;
        }
        return std::nullopt;
    }
    if (!low.empty() && !low.starts_with("text/plain")) {
        return std::nullopt;
    }
    return decode_transfer(split.body, header_value(split.headers, "Content-Transfer-Encoding"));
}

}  // namespace

std::string base64_encode(std::string_view bytes, std::size_t line_length) {
    std::string out;
    out.reserve(bytes.size() * 4 / 3 + bytes.size() / 38 + 8);
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1) {
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        if (n > 2) {
            value |= static_cast<unsigned char>(bytes[i + 2]);
        }
        if (line_length != 0 && column + 4 > line_length) {
            out += "\r\n";
            column = 0;
        }
        out += kBase64[(value >> 18) & 63];
        out += kBase64[(value >> 12) & 63];
        out += n > 1 ? kBase64[(value >> 6) & 63] : '=';
        out += n > 2 ? kBase64[value & 63] : '=';
        column += 4;
    }
    return out;
}

std::string base64_decode(std::string_view text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        const int v = base64_value(c);
        if (v < 0) {
            continue;  // line breaks, padding, stray bytes
        }
        value = (value << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

std::string quoted_printable_encode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        const bool line_end = i + 1 == text.size() || text[i + 1] == '\r';
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !line_end);
        const std::size_t width = literal ? 1 : 3;
        // A soft break keeps every line within the limit.
        if (column + width > kQpLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        column += width;
    }
    return out;
}

std::string quoted_printable_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        // A soft line break (with blanks some servers leave before it).
        std::size_t j = i + 1;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) {
            ++j;
        }
        if (j < text.size() && (text[j] == '\r' || text[j] == '\n')) {
            i = (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ? j + 1 : j;
            continue;
        }
        if (i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
            continue;
        }
        out += '=';
    }
    return out;
}

std::string subject_of(std::string_view message) {
    const std::string raw = header_value(split_message(message).headers, "Subject");
    std::string out;
    std::size_t pos = 0;
    bool after_word = false;
    while (pos < raw.size()) {
        const auto start = raw.find("=?", pos);
        const auto q1 = start == std::string::npos ? start : raw.find('?', start + 2);
        const auto q2 = q1 == std::string::npos ? q1 : raw.find('?', q1 + 1);
        const auto close = q2 == std::string::npos ? q2 : raw.find("?=", q2 + 1);
        if (close == std::string::npos || q2 != q1 + 2) {
            out += raw.substr(pos);
            break;
        }
        const std::string between = raw.substr(pos, start - pos);
        // Blanks between two encoded words are not part of the text.
        if (!(after_word && trim(between).empty())) {
            out += between;
        }
        out += decode_word(raw[q1 + 1], std::string_view(raw).substr(q2 + 1, close - q2 - 1));
        after_word = true;
        pos = close + 2;
    }
    return out;
}

ReadMail read_mail(std::string_view message) {
    ReadMail mail;
    mail.subject = subject_of(message);
    mail.body = text_of(message, 0).value_or(std::string());
    return mail;
}

}  // namespace kd::mail
