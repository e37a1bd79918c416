#include "spelling/spell_words.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <array>

namespace kd {

namespace {

// The C library's Unicode character classes, whatever locale the program runs in; without
// them (a C library with no C.UTF-8), a rough rule of our own.
locale_t unicode_classes() {
    static const locale_t classes = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return classes;
}

struct CodePoint {
    char32_t value = 0;
    std::size_t units = 1;
};

CodePoint code_point_at(std::u16string_view text, std::size_t at) {
    const char16_t unit = text[at];
    if (unit >= 0xD800 && unit < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
        text[at + 1] < 0xE000) {
        return {0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[at + 1]) - 0xDC00), 2};
    }
    if (unit >= 0xD800 && unit < 0xE000) {
        return {0xFFFD, 1};
    }
    return {unit, 1};
}

bool is_combining_mark(char32_t c) {
    return (c >= 0x300 && c < 0x370) || (c >= 0x1AB0 && c < 0x1B00) ||
           (c >= 0x1DC0 && c < 0x1E00) || (c >= 0x20D0 && c < 0x2100) ||
           (c >= 0xFE20 && c < 0xFE30);
}

bool is_letter(char32_t c) {
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    if (is_combining_mark(c)) {
        return true;
    }
    if (const locale_t classes = unicode_classes()) {
        return iswalpha_l(wint_t(c), classes) != 0;
    }
    // Latin, Greek, Cyrillic and the other alphabets, without punctuation and symbols.
    return c >= 0xC0 && c != 0xD7 && c != 0xF7 && !(c >= 0x2000 && c < 0x2C00) &&
           !(c >= 0x3000 && c < 0x3040) && !(c >= 0xFE30 && c < 0xFE50) &&
           !(c >= 0xFF00 && c < 0xFF21) && c < 0x1F000;
}

bool is_digit(char32_t c) {
    if (c < 0x80) {
        return c >= '0' && c <= '9';
    }
    const locale_t classes = unicode_classes();
    return classes != nullptr && iswalnum_l(wint_t(c), classes) != 0 &&
           iswalpha_l(wint_t(c), classes) == 0;
}

bool is_lower(char32_t c) {
    if (c < 0x80) {
        return c >= 'a' && c <= 'z';
    }
    const locale_t classes = unicode_classes();
    return classes != nullptr ? iswlower_l(wint_t(c), classes) != 0 : false;
}

bool is_blank(char32_t c) {
    switch (c) {
        case 0xA0:    // no-break space
        case 0x2007:  // figure space
        case 0x202F:  // narrow no-break space
        case 0x2028:  // line and paragraph separators, as a text document keeps them
        case 0x2029:
        case 0xFFFC:  // an object in the text
            return true;
        default:
            break;
    }
    if (c < 0x80) {
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    const locale_t classes = unicode_classes();
    return classes != nullptr && iswspace_l(wint_t(c), classes) != 0;
}

bool is_apostrophe(char32_t c) {
    return c == '\'' || c == 0x2019;
}

char16_t ascii_lower(char16_t c) {
    return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : c;
}

bool starts_with_folded(std::u16string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (ascii_lower(text[i]) != char16_t(prefix[i])) {
            return false;
        }
    }
    return true;
}

// A stretch without blanks that is an address or a path: its words are no words of a language.
bool is_address(std::u16string_view chunk) {
    // Opening brackets and quotes before an address do not hide it.
    const std::size_t first = chunk.find_first_not_of(u"([{<\"'\u201C\u2018");
    if (first == std::u16string_view::npos) {
        return false;
    }
    const std::u16string_view body = chunk.substr(first);
    return chunk.find(u"://") != std::u16string_view::npos ||
           chunk.find(u'@') != std::u16string_view::npos ||
           chunk.find(u'\\') != std::u16string_view::npos || starts_with_folded(body, "www.") ||
           body.front() == u'/' || body.front() == u'~';
}

// Appends the words of one stretch without blanks.
void split_chunk(std::u16string_view text, std::size_t from, std::size_t to, std::size_t most,
                 std::vector<WordSpan>& words) {
    std::size_t at = from;
    while (at < to && words.size() < most) {
        CodePoint c = code_point_at(text, at);
        if (!is_letter(c.value) && !is_digit(c.value)) {
            at += c.units;
            continue;
        }
        const std::size_t start = at;
        bool digits = false;
        bool lower = false;
        std::size_t letters = 0;
        while (at < to) {
            c = code_point_at(text, at);
            if (is_letter(c.value)) {
                lower = lower || is_lower(c.value);
                letters += is_combining_mark(c.value) ? 0 : 1;
            } else if (is_digit(c.value)) {
                digits = true;
            } else if (is_apostrophe(c.value) && at > start && at + 1 < to &&
                       is_letter(code_point_at(text, at + 1).value)) {
                // Inside a word ("don't"), never at its ends.
            } else {
                break;
            }
            at += c.units;
        }
        const std::size_t length = at - start;
        const bool acronym = !lower && letters > 1;
        if (!digits && !acronym && length <= kLongestCheckedWord) {
            words.push_back({start, length});
        }
    }
}

}  // namespace

std::vector<WordSpan> words_to_check(std::u16string_view text, std::size_t most) {
    std::vector<WordSpan> words;
    std::size_t at = 0;
    while (at < text.size() && words.size() < most) {
        CodePoint c = code_point_at(text, at);
        if (is_blank(c.value)) {
            at += c.units;
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && !is_blank((c = code_point_at(text, at)).value)) {
            at += c.units;
        }
        if (!is_address(text.substr(start, at - start))) {
            split_chunk(text, start, at, most, words);
        }
    }
    return words;
}

std::string to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint c = code_point_at(text, at);
        at += c.units;
        const char32_t v = c.value;
        if (v < 0x80) {
            out += char(v);
        } else if (v < 0x800) {
            out += char(0xC0 | (v >> 6));
            out += char(0x80 | (v & 0x3F));
        } else if (v < 0x10000) {
            out += char(0xE0 | (v >> 12));
            out += char(0x80 | ((v >> 6) & 0x3F));
            out += char(0x80 | (v & 0x3F));
        } else {
            out += char(0xF0 | (v >> 18));
            out += char(0x80 | ((v >> 12) & 0x3F));
            out += char(0x80 | ((v >> 6) & 0x3F));
            out += char(0x80 | (v & 0x3F));
        }
    }
    return out;
}

std::optional<std::u16string> from_utf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t extra = 0;
        char32_t v = 0;
        char32_t lowest = 0;
        if (lead < 0x80) {
            v = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            v = lead & 0x1F;
            lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            v = lead & 0x0F;
            lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            v = lead & 0x07;
            lowest = 0x10000;
        } else {
            return std::nullopt;
        }
        if (extra > text.size() - at - 1) {
            return std::nullopt;
        }
        for (std::size_t i = 1; i <= extra; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            v = (v << 6) | (next & 0x3F);
        }
        if (v < lowest || v > 0x10FFFF || (v >= 0xD800 && v < 0xE000)) {
            return std::nullopt;
        }
        if (v >= 0x10000) {
            out += char16_t(0xD800 + ((v - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((v - 0x10000) & 0x3FF));
        } else {
            out += char16_t(v);
        }
        at += extra + 1;
    }
    return out;
}

std::vector<std::string> dictionary_names(std::string_view locale) {
    const std::size_t end = std::min(locale.find('.'), locale.find('@'));
    const std::string_view name = locale.substr(0, end);
    std::vector<std::string> names;
    // Only names of letters, digits and '_': a name becomes part of a path.
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
    if (name.empty() || !plain || name == "C" || name == "POSIX") {
        return names;
    }
    names.emplace_back(name);
    const std::size_t country = name.find('_');
    if (country != std::string_view::npos && country > 0) {
        names.emplace_back(name.substr(0, country));
    }
    return names;
}

std::string messages_locale(const char* lc_all, const char* lc_messages, const char* lang) {
    for (const char* value : std::array{lc_all, lc_messages, lang}) {
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

}  // namespace kd
