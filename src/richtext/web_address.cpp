#include "richtext/web_address.h"

namespace kd {

namespace {

constexpr std::u16string_view kPrefixes[] = {
    u"http://", u"https://",  u"ftp://",    u"file:",   u"mailto:",     u"news:",
    u"nntp://", u"telnet://", u"gopher://", u"wais://", u"prospero://", u"www."};

char16_t lower(char16_t c) {
    return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
}

bool starts_with_ci(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool is_word_char(char16_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           (c >= 0xC0 && !(c >= 0x2000 && c <= 0x206F) && c != 0x3000);
}

bool ends_address(char16_t c) {
    return c <= 0x20 || c == '"' || c == '<' || c == '>' || c == '{' || c == '}' || c == 0x00A0 ||
           c == 0x2028 || c == 0x2029 || c == 0xFFFC;
}

bool trailing_punctuation(char16_t c) {
    return c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?' || c == ')' ||
           c == ']' || c == '\'';
}

}  // namespace

std::vector<WebAddress> find_web_addresses(std::u16string_view text) {
    std::vector<WebAddress> found;
    std::size_t i = 0;
    while (i < text.size()) {
        if (i > 0 && is_word_char(text[i - 1])) {
            ++i;
            continue;
        }
        std::size_t prefix = 0;
        for (auto p : kPrefixes) {
            if (starts_with_ci(text.substr(i), p)) {
                prefix = p.size();
                break;
            }
        }
        if (prefix == 0) {
            ++i;
            continue;
        }
        std::size_t end = i + prefix;
        while (end < text.size() && !ends_address(text[end])) {
            ++end;
        }
        while (end > i + prefix && trailing_punctuation(text[end - 1])) {
            --end;
        }
        if (end > i + prefix) {
            found.push_back({i, end - i});
            i = end;
        } else {
            i += prefix;
        }
    }
    return found;
}

}  // namespace kd
