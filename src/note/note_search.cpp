#include "note/note_search.h"

#include <algorithm>
#include <functional>

#include "note/note.h"
#include "platform/text_encoding.h"

namespace kd {

namespace {

// Base letters of U+00C0..U+00FF and U+0100..U+017F; '.' marks a character kept as it is (or
// handled before the table), '*' one that folds to two letters.
constexpr std::string_view kLatin1 =
    "aaaaaa*ceeeeiiii"
    "dnooooo.ouuuuy.."
    "aaaaaa*ceeeeiiii"
    "dnooooo.ouuuuy.y";
constexpr std::string_view kLatinA =
    "aaaaaaccccccccdd"
    "ddeeeeeeeeeegggg"
    "gggghhhhiiiiiiii"
    "ii**jjkkklllllll"
    "lllnnnnnnnnnoooo"
    "oo**rrrrrrssssss"
    "ssttttttuuuuuuuu"
    "uuuuwwyyyzzzzzzs";

bool is_combining_mark(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

char32_t fold_greek(char32_t c) {
    switch (c) {
        case 0x0386:
        case 0x03AC:
            return 0x03B1;  // alpha
        case 0x0388:
        case 0x03AD:
            return 0x03B5;  // epsilon
        case 0x0389:
        case 0x03AE:
            return 0x03B7;  // eta
        case 0x038A:
        case 0x0390:
        case 0x03AA:
        case 0x03AF:
        case 0x03CA:
            return 0x03B9;
        case 0x038C:
        case 0x03CC:
            return 0x03BF;  // omicron
        case 0x038E:
        case 0x03AB:
        case 0x03B0:
        case 0x03CB:
        case 0x03CD:
            return 0x03C5;
        case 0x038F:
        case 0x03CE:
            return 0x03C9;  // omega
        case 0x03C2:
            return 0x03C3;  // final sigma
        default:
            break;
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) {
        return c + 0x20;
    }
    return c;
}

char32_t fold_cyrillic(char32_t c) {
    if (c >= 0x0400 && c <= 0x040F) {
        c += 0x50;
    } else if (c >= 0x0410 && c <= 0x042F) {
        c += 0x20;
    }
    switch (c) {
        case 0x0450:
        case 0x0451:
            return 0x0435;  // e with grave or diaeresis
        case 0x045D:
            return 0x0438;  // i with grave
        default:
            return c;
    }
}

// Appends what `c` folds to (nothing for a combining mark).
void fold_code_point(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        return;
    }
    if (is_combining_mark(c)) {
        return;
    }
    if (c >= 0xC0 && c <= 0x17F) {
        switch (c) {
            case 0xC6:
            case 0xE6:
                out += "ae";
                return;
            case 0xDF:
                out += "ss";
                return;
            case 0xDE:
                append_utf8(out, 0xFE);
                return;  // thorn
            case 0x132:
            case 0x133:
                out += "ij";
                return;
            case 0x152:
            case 0x153:
                out += "oe";
                return;
            default:
                break;
        }
        const char base = c < 0x100 ? kLatin1[c - 0xC0] : kLatinA[c - 0x100];
        if (base != '.') {
            out += base;
            return;
        }
    } else if (c >= 0x0386 && c <= 0x03CE) {
        c = fold_greek(c);
    } else if (c >= 0x0400 && c <= 0x045F) {
        c = fold_cyrillic(c);
    } else if (c >= 0x1E00 && c <= 0x1EFF && (c < 0x1E96 || c > 0x1E9F) && c % 2 == 0) {
        c += 1;  // Latin Extended Additional: lower case follows upper
    } else if (c >= 0xFF21 && c <= 0xFF3A) {
        c += 0x20;  // full-width Latin
    } else if (c >= 0xFB00 && c <= 0xFB02) {
        out += c == 0xFB00 ? "ff" : c == 0xFB01 ? "fi" : "fl";
        return;
    }
    append_utf8(out, c);
}

// Folds `text`; with `starts` and `ends`, records for every folded byte the UTF-16 span of the
// character it came from.
std::string fold(std::string_view text, std::vector<std::size_t>* starts,
                 std::vector<std::size_t>* ends) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    std::size_t unit = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
            ++i;
        } else {
            c = next_utf8_char(text, i);
        }
        const std::size_t before = out.size();
        fold_code_point(c, out);
        const std::size_t width = c >= 0x10000 ? 2 : 1;
        if (starts != nullptr) {
            starts->resize(out.size(), unit);
            ends->resize(out.size(), unit + width);
            // A mark that folded to nothing belongs to the letter before it.
            if (before == out.size() && !ends->empty()) {
                ends->back() = unit + width;
            }
        }
        unit += width;
    }
    return out;
}

bool is_direction_mark(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF || (c >= 0x200B && c <= 0x200D);
}

bool is_blank_or_control(char32_t c) {
    return c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0xA0) || c == 0x2028 || c == 0x2029 ||
           c == 0x85;
}

}  // namespace

std::string fold_for_search(std::string_view utf8) {
    return fold(utf8, nullptr, nullptr);
}

std::optional<TextSpan> find_in_text(std::string_view text, std::string_view query) {
    const std::string folded_query = fold_for_search(query);
    if (folded_query.empty()) {
        return std::nullopt;
    }
    std::vector<std::size_t> starts;
    std::vector<std::size_t> ends;
    const std::string folded = fold(text, &starts, &ends);
    const std::size_t at = folded.find(folded_query);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return TextSpan{starts[at], ends[at + folded_query.size() - 1]};
}

std::string display_title(std::string_view utf8, std::size_t max_chars) {
    std::string out;
    std::size_t chars = 0;
    bool blank_pending = false;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t c = next_utf8_char(utf8, i);
        if (is_direction_mark(c)) {
            continue;
        }
        if (is_blank_or_control(c)) {
            blank_pending = chars > 0;
            continue;
        }
        if (chars + (blank_pending ? 1 : 0) >= max_chars) {
            out += "...";
            return out;
        }
        if (blank_pending) {
            out += ' ';
            ++chars;
            blank_pending = false;
        }
        append_utf8(out, c);
        ++chars;
    }
    return out;
}

void NoteSearchIndex::refresh(const std::vector<const Note*>& notes, const BodyText& body_text) {
    std::unordered_map<const Note*, Entry> kept;
    kept.reserve(notes.size());
    for (const Note* note : notes) {
        auto old = entries_.find(note);
        if (old != entries_.end() && old->second.revision == note->revision()) {
            kept.emplace(note, std::move(old->second));
            continue;
        }
        Entry entry;
        entry.revision = note->revision();
        entry.title = fold_for_search(note->title_text());
        entry.body = fold_for_search(body_text(*note));
        kept.insert_or_assign(note, std::move(entry));
        ++folds_;
    }
    entries_ = std::move(kept);
    order_ = notes;
}

std::vector<SearchHit> NoteSearchIndex::find(std::string_view query) const {
    const std::string folded = fold_for_search(query);
    const std::boyer_moore_horspool_searcher searcher(folded.begin(), folded.end());
    std::vector<SearchHit> hits;
    for (const Note* note : order_) {
        const auto entry = entries_.find(note);
        if (entry == entries_.end()) {
            continue;
        }
        const Entry& e = entry->second;
        SearchHit hit{note, true, true};
        if (!folded.empty()) {
            hit.in_title = std::search(e.title.begin(), e.title.end(), searcher) != e.title.end();
            hit.in_body = std::search(e.body.begin(), e.body.end(), searcher) != e.body.end();
        }
        if (hit.in_title || hit.in_body) {
            hits.push_back(hit);
        }
    }
    return hits;
}

}  // namespace kd
