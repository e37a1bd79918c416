#include "platform/notification_text.h"

#include "platform/text_encoding.h"

namespace kd {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026

bool is_line_end(char32_t c) {
    return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029;
}

bool is_space(char32_t c) {
    return c == ' ' || c == '\t' || c == 0xA0 || is_line_end(c);
}

// Control characters, and the direction marks and overrides that would turn the rest of the
// bubble around.
bool is_dropped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

}  // namespace

std::string notice_line(std::string_view utf8, std::size_t length) {
    std::string out;
    std::size_t count = 0;
    bool pending_space = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = next_utf8_char(utf8, i);
        if (is_space(c)) {
            pending_space = count > 0;
            continue;
        }
        if (is_dropped(c)) {
            continue;
        }
        const std::size_t needed = pending_space ? 2 : 1;
        if (count + needed > length) {
            // Cut: the last character kept makes room for the ellipsis.
            while (!out.empty() && count + 1 > length) {
                std::size_t start = out.size() - 1;
                while (start > 0 && (static_cast<unsigned char>(out[start]) & 0xC0) == 0x80) {
                    --start;
                }
                out.erase(start);
                --count;
            }
            while (!out.empty() && out.back() == ' ') {
                out.pop_back();
                --count;
            }
            if (length > 0) {
                out += kEllipsis;
            }
            return out;
        }
        if (pending_space) {
            out += ' ';
            ++count;
            pending_space = false;
        }
        append_utf8(out, c);
        ++count;
    }
    return out;
}

std::string notice_first_line(std::string_view text) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size();) {
        std::size_t at = i;
        const bool end = i == text.size() || is_line_end(next_utf8_char(text, at));
        if (end) {
            std::string line = notice_line(text.substr(begin, i - begin), kNoticeBodyLength);
            if (!line.empty() || i == text.size()) {
                return line;
            }
            begin = at;
            i = at;
            continue;
        }
        i = at;
    }
    return {};
}

std::string escape_notice_markup(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (const char c : line) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::uint32_t NoticeIds::replaces(int key) const {
    const auto it = by_key_.find(key);
    return it == by_key_.end() ? 0 : it->second;
}

void NoticeIds::shown(int key, std::uint32_t id) {
    if (id == 0) {
        return;
    }
    forget(key);
    // A service may hand out an id again once its notice closed; the newest owner has it.
    if (const auto old = by_id_.find(id); old != by_id_.end()) {
        by_key_.erase(old->second);
    }
    by_key_[key] = id;
    by_id_[id] = key;
}

std::optional<int> NoticeIds::key_of(std::uint32_t id) const {
    const auto it = by_id_.find(id);
    if (it == by_id_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<int> NoticeIds::closed(std::uint32_t id) {
    const auto it = by_id_.find(id);
    if (it == by_id_.end()) {
        return std::nullopt;
    }
    const int key = it->second;
    by_key_.erase(key);
    by_id_.erase(it);
    return key;
}

std::optional<std::uint32_t> NoticeIds::forget(int key) {
    const auto it = by_key_.find(key);
    if (it == by_key_.end()) {
        return std::nullopt;
    }
    const std::uint32_t id = it->second;
    by_id_.erase(id);
    by_key_.erase(it);
    return id;
}

}  // namespace kd
