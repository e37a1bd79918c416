// What each RTF control word and control symbol does to the reader's state.
#include <algorithm>
#include <iterator>

#include "richtext/code_page.h"
#include "richtext/rtf_reader_state.h"

namespace kd::rtf_read {

namespace {

// RTF's own limits: font sizes up to 1638 points, indents up to 22 inches.
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxTwips = 31680;
constexpr int kMaxUnicodeSkip = 16;

// Groups that hold no document text and are skipped even without \*.
constexpr std::string_view kSkippedDestinations[] = {
    "stylesheet", "info",         "pict",      "objclass",  "header",    "headerl",
    "headerr",    "headerf",      "footer",    "footerl",   "footerr",   "footerf",
    "footnote",   "annotation",   "atnid",     "atnauthor", "listtable", "listoverridetable",
    "revtbl",     "rsidtbl",      "generator", "xmlnstbl",  "themedata", "colorschememapping",
    "datastore",  "latentstyles", "filetbl",   "fldinst",   "bkmkstart", "bkmkend",
    "txe",        "xe",           "tc",        "template",  "author",    "title",
    "subject",    "operator",     "keywords",  "comment",   "doccomm",   "company",
    "nonshppict", "pgdsctbl",     "pntxta",    "pntxtb",    "listtext",  "pntext"};

constexpr std::string_view kUnderlineWords[] = {"ul",     "uld",  "uldb",  "ulw",
                                                "uldash", "ulth", "ulwave"};

struct SpecialCharacter {
    std::string_view word;
    char16_t character;
};

constexpr SpecialCharacter kSpecialCharacters[] = {
    {"tab", u'\t'},          {"cell", u'\t'},        {"line", u'\u2028'},
    {"emdash", u'\u2014'},   {"endash", u'\u2013'},  {"emspace", u'\u2003'},
    {"enspace", u'\u2002'},  {"qmspace", u'\u2005'}, {"bullet", u'\u2022'},
    {"lquote", u'\u2018'},   {"rquote", u'\u2019'},  {"ldblquote", u'\u201C'},
    {"rdblquote", u'\u201D'}};

template <typename List>
bool listed(const List& list, std::string_view word) {
    return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

bool turns_on(const RtfToken& t) {
    return !t.has_param || t.param != 0;
}

int clamp_twips(int twips) {
    return std::clamp(twips, -kMaxTwips, kMaxTwips);
}

}  // namespace

// The first word of a fresh group may name a destination that holds no document text, or
// the old-style numbering; true when it did.
bool Reader::open_destination(std::string_view word) {
    if (starred_) {
        starred_ = false;
        if (word == "pn" && state_.dest == Dest::Main) {
            state_.dest = Dest::Pn;
            para_.list = RtfListKind::Bullet;  // refined by \pnlvl... below
        } else {
            state_.dest = Dest::Skip;
        }
        return true;
    }
    if (word == "pntext" || word == "listtext") {
        pntext_seen_ = true;
        state_.dest = Dest::Skip;
        return true;
    }
    if (listed(kSkippedDestinations, word)) {
        state_.dest = Dest::Skip;
        return true;
    }
    return false;
}

void Reader::handle_word(const RtfToken& t) {
    if (unicode_word(t)) {
        return;
    }
    switch (state_.dest) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            font_table_word(t);
            return;
        case Dest::ColorTable:
            colour_table_word(t);
            return;
        case Dest::Pn:
            numbering_word(t);
            return;
        case Dest::Main:
            break;
    }
    // Each word belongs to one group at the most.
    if (header_word(t) || character_word(t) || paragraph_word(t)) {
        return;
    }
    special_character_word(t);
}

// Words that mean the same in every destination.
bool Reader::unicode_word(const RtfToken& t) {
    const int p = t.param;
    if (t.word == "uc") {
        state_.uc = std::clamp(p, 0, kMaxUnicodeSkip);
        return true;
    }
    if (t.word == "u" && t.has_param) {
        // Negative values stand for the upper half of the 16-bit range.
        if (p >= -32768 && p <= 65535 && p != 0) {
            put_char(char16_t(p < 0 ? p + 65536 : p));
        }
        skip_ = state_.uc;
        return true;
    }
    return false;
}

void Reader::font_table_word(const RtfToken& t) {
    if (t.word == "f" && t.has_param) {
        font_entry_ = t.param;
        font_name_.clear();
        fonts_[font_entry_];
    } else if (t.word == "fcharset" && t.has_param) {
        fonts_[font_entry_].charset = std::clamp(t.param, 0, 255);
    }
}

void Reader::colour_table_word(const RtfToken& t) {
    const int value = std::clamp(t.param, 0, 255);
    if (t.word == "red") {
        red_ = value, colour_set_ = true;
    }
    if (t.word == "green") {
        green_ = value, colour_set_ = true;
    }
    if (t.word == "blue") {
        blue_ = value, colour_set_ = true;
    }
}

void Reader::numbering_word(const RtfToken& t) {
    if (t.word == "pnlvlblt") {
        para_.list = RtfListKind::Bullet;
    }
    if (t.word == "pnlvlbody" || t.word == "pndec") {
        para_.list = RtfListKind::Decimal;
    }
    if (t.word == "pnlvlcont") {
        para_.list = RtfListKind::None;
    }
}

// The document header: code page, default font, and the tables.
bool Reader::header_word(const RtfToken& t) {
    const std::string_view w = t.word;
    if (w == "ansicpg" && t.has_param) {
        ansi_code_page_ = is_supported_code_page(t.param) ? t.param : kDefaultCodePage;
    } else if (w == "deff" && t.has_param) {
        default_font_ = t.param;
    } else if (w == "fonttbl") {
        state_.dest = Dest::FontTable;
        font_entry_ = 0;
        font_name_.clear();
    } else if (w == "colortbl") {
        state_.dest = Dest::ColorTable;
        colours_.clear();
        red_ = green_ = blue_ = 0;
        colour_set_ = false;
    } else {
        return false;
    }
    return true;
}

bool Reader::character_word(const RtfToken& t) {
    const std::string_view w = t.word;
    const int p = t.param;
    const bool on = turns_on(t);
    if (w == "plain") {
        CharState fresh;
        fresh.uc = state_.uc;
        fresh.dest = state_.dest;
        state_ = fresh;
        format_dirty_ = true;
    } else if (w == "b") {
        set(&CharState::bold, on);
    } else if (w == "i") {
        set(&CharState::italic, on);
    } else if (listed(kUnderlineWords, w)) {
        set(&CharState::underline, on);
    } else if (w == "ulnone") {
        set(&CharState::underline, false);
    } else if (w == "strike" || w == "striked") {
        set(&CharState::strike, on);
    } else if (w == "v") {
        set(&CharState::hidden, on);
    } else if (w == "super") {
        set(&CharState::valign, on ? 1 : 0);
    } else if (w == "sub") {
        set(&CharState::valign, on ? 2 : 0);
    } else if (w == "nosupersub") {
        set(&CharState::valign, 0);
    } else if (w == "fs" && t.has_param) {
        set(&CharState::half_points, std::clamp(p, 1, kMaxHalfPoints));
    } else if (w == "f" && t.has_param) {
        set(&CharState::font, p);
    } else if (w == "cf" && t.has_param) {
        set(&CharState::colour, p);
    } else if ((w == "highlight" || w == "cb" || w == "chcbpat") && t.has_param) {
        set(&CharState::background, p);
    } else {
        return false;
    }
    return true;
}

bool Reader::paragraph_word(const RtfToken& t) {
    const std::string_view w = t.word;
    if (w == "par" || w == "sect" || w == "page" || w == "row") {
        end_paragraph();
    } else if (w == "pard") {
        para_ = RtfParagraphLook{};
    } else if (w == "ql") {
        para_.align = Qt::AlignLeft;
    } else if (w == "qc") {
        para_.align = Qt::AlignHCenter;
    } else if (w == "qr") {
        para_.align = Qt::AlignRight;
    } else if (w == "qj") {
        para_.align = Qt::AlignJustify;
    } else if (w == "li" && t.has_param) {
        para_.left = clamp_twips(t.param);
    } else if (w == "ri" && t.has_param) {
        para_.right = clamp_twips(t.param);
    } else if (w == "fi" && t.has_param) {
        para_.first = clamp_twips(t.param);
    } else if (w == "ls" && t.has_param && t.param > 0) {
        para_.list = RtfListKind::Bullet;  // list tables are not read; show the item as bulleted
    } else {
        return false;
    }
    return true;
}

bool Reader::special_character_word(const RtfToken& t) {
    auto it = std::find_if(std::begin(kSpecialCharacters), std::end(kSpecialCharacters),
                           [&](const SpecialCharacter& s) { return s.word == t.word; });
    if (it == std::end(kSpecialCharacters)) {
        return false;
    }
    put_char(it->character);
    return true;
}

void Reader::handle_symbol(char symbol) {
    switch (symbol) {
        case '\\':
        case '{':
        case '}':
            if (state_.dest == Dest::Main) {
                put_char(char16_t(symbol));
            }
            if (state_.dest == Dest::FontTable) {
                font_name_ += QChar(symbol);
            }
            break;
        case '~':
            put_char(char16_t(0x00A0));
            break;
        case '_':
            put_char(char16_t(0x2011));
            break;
        case '-':
            put_char(char16_t(0x00AD));
            break;
        case '\n':
            if (state_.dest == Dest::Main) {
                end_paragraph();
            }
            break;
        default:
            break;  // \* out of place, \|, \:, a broken \' ...
    }
}

}  // namespace kd::rtf_read
