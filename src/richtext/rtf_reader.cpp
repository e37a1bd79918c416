#include "richtext/rtf_reader.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "richtext/code_page.h"
#include "richtext/rtf_document.h"
#include "richtext/rtf_lexer.h"

namespace kd {

namespace {

// Deeper nesting than this is flattened: its braces are counted but keep the state.
constexpr std::size_t kMaxDepth = 200;
// RTF's own limits: font sizes up to 1638 points, indents up to 22 inches.
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxTwips = 31680;
constexpr int kMaxUnicodeSkip = 16;

enum class Dest { Main, FontTable, ColorTable, Pn, Skip };
enum class ListKind { None, Bullet, Decimal };

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

struct CharState {
    int font = -1;        // font table number; -1 the default font
    int half_points = 0;  // 0: the document's default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = 0;      // colour table index; 0 automatic
    int background = 0;  // colour table index; 0 none
    bool hidden = false;
    int valign = 0;  // 0 normal, 1 superscript, 2 subscript
    int uc = 1;      // characters that stand in for each \uN
    Dest dest = Dest::Main;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    ListKind list = ListKind::None;
};

struct FontEntry {
    QString face;
    int charset = 0;
};

class Reader {
public:
    Reader(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options)
        : lexer_(rtf), doc_(doc), cursor_(&doc), options_(options), defaults_(doc.defaultFont()) {}

    void run();

private:
    void handle_word(const RtfToken& t);
    void handle_symbol(char symbol);
    void handle_text(std::string_view bytes);
    void handle_byte(std::uint8_t byte);
    char16_t decode(std::uint8_t byte, int code_page, bool& complete);
    void put_hidden_object();
    void open_group();
    void close_group();

    void put_char(char16_t ch);
    void put_text(const QString& text);
    void flush_text();
    void end_paragraph();
    void finish();
    bool skip_one_unit();

    int current_code_page() const;
    const QTextCharFormat& char_format();
    QTextBlockFormat block_format() const;
    template <typename T, typename V>
    void set(T CharState::*member, V value) {
        state_.*member = value;
        format_dirty_ = true;
    }

    RtfLexer lexer_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    RtfReadOptions options_;
    QFont defaults_;

    CharState state_;
    std::vector<CharState> stack_;
    std::size_t overflow_ = 0;
    bool group_fresh_ = false;  // nothing read yet in the group just opened
    bool starred_ = false;      // the fresh group began with \*
    bool done_ = false;

    int ansi_code_page_ = kDefaultCodePage;
    int default_font_ = 0;
    std::map<int, FontEntry> fonts_;
    int font_entry_ = 0;  // number of the font table entry being read
    QString font_name_;
    std::vector<std::optional<QColor>> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colour_set_ = false;

    ParaState para_;
    bool pntext_seen_ = false;  // this paragraph carries a bullet text of its own
    bool pending_break_ = false;
    bool paragraph_has_content_ = false;
    QTextList* list_ = nullptr;
    ListKind list_kind_ = ListKind::None;
    int skip_ = 0;        // fallback characters still to skip after \uN
    int lead_byte_ = -1;  // first byte of a double-byte character, waiting for its second

    QString hidden_text_;  // hidden text read since the last visible text
    QTextCharFormat hidden_format_;
    int hidden_version_ = -1;

    QTextCharFormat format_;
    bool format_dirty_ = true;
    int format_version_ = 0;
    QString pending_text_;
    QTextCharFormat pending_format_;
    int pending_version_ = -1;
};

void Reader::run() {
    while (!done_) {
        RtfToken t = lexer_.next();
        if (t.kind == RtfTokenKind::End)
            break;
        if (skip_ > 0 && t.kind != RtfTokenKind::GroupOpen && t.kind != RtfTokenKind::GroupClose) {
            if (t.kind == RtfTokenKind::Text) {
                std::size_t n = std::min<std::size_t>(std::size_t(skip_), t.word.size());
                skip_ -= int(n);
                t.word.remove_prefix(n);
                if (t.word.empty())
                    continue;
            } else {
                --skip_;
                continue;
            }
        } else if (t.kind == RtfTokenKind::GroupOpen || t.kind == RtfTokenKind::GroupClose) {
            skip_ = 0;
        }

        if (t.kind != RtfTokenKind::HexByte && t.kind != RtfTokenKind::Text)
            lead_byte_ = -1;  // a double-byte character cut by a control word is dropped
        bool was_fresh = group_fresh_;
        group_fresh_ = false;
        switch (t.kind) {
            case RtfTokenKind::GroupOpen:
                open_group();
                break;
            case RtfTokenKind::GroupClose:
                close_group();
                break;
            case RtfTokenKind::Word:
                if (was_fresh && state_.dest != Dest::Skip) {
                    if (starred_) {
                        starred_ = false;
                        if (t.word == "pn" && state_.dest == Dest::Main) {
                            state_.dest = Dest::Pn;
                            para_.list = ListKind::Bullet;  // refined by \pnlvl... below
                        } else {
                            state_.dest = Dest::Skip;
                        }
                        break;
                    }
                    if (t.word == "pntext" || t.word == "listtext") {
                        pntext_seen_ = true;
                        state_.dest = Dest::Skip;
                        break;
                    }
                    if (std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations),
                                  t.word) != std::end(kSkippedDestinations)) {
                        state_.dest = Dest::Skip;
                        break;
                    }
                }
                handle_word(t);
                break;
            case RtfTokenKind::Symbol:
                if (was_fresh && t.symbol == '*') {
                    starred_ = true;
                    group_fresh_ = true;  // the destination word still follows
                    break;
                }
                handle_symbol(t.symbol);
                break;
            case RtfTokenKind::HexByte:
                handle_byte(t.byte);
                break;
            case RtfTokenKind::Text:
                handle_text(t.word);
                break;
            case RtfTokenKind::End:
                break;
        }
    }
    finish();
}

void Reader::open_group() {
    starred_ = false;
    if (stack_.size() >= kMaxDepth) {
        ++overflow_;
        return;
    }
    stack_.push_back(state_);
    group_fresh_ = true;
}

void Reader::close_group() {
    starred_ = false;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.empty()) {
        done_ = true;  // a stray closing brace ends the document
        return;
    }
    if (state_.dest == Dest::FontTable && !font_name_.isEmpty()) {
        // An entry whose name lacks the closing ";".
        fonts_[font_entry_].face = font_name_.trimmed();
        font_name_.clear();
    }
    state_ = stack_.back();
    stack_.pop_back();
    format_dirty_ = true;
    if (stack_.empty())
        done_ = true;  // the closing brace of {\rtf1 ...}
}

int Reader::current_code_page() const {
    int font = state_.font >= 0 ? state_.font : default_font_;
    if (state_.dest == Dest::FontTable)
        font = font_entry_;
    auto it = fonts_.find(font);
    if (it == fonts_.end())
        return ansi_code_page_;
    return code_page_for_charset(it->second.charset, ansi_code_page_);
}

void Reader::handle_word(const RtfToken& t) {
    const std::string_view w = t.word;
    const int p = t.param;
    const bool on = !t.has_param || p != 0;

    // Words that mean the same in every destination.
    if (w == "uc") {
        state_.uc = std::clamp(p, 0, kMaxUnicodeSkip);
        return;
    }
    if (w == "u" && t.has_param) {
        // Negative values stand for the upper half of the 16-bit range.
        if (p >= -32768 && p <= 65535 && p != 0)
            put_char(char16_t(p < 0 ? p + 65536 : p));
        skip_ = state_.uc;
        return;
    }

    switch (state_.dest) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            if (w == "f" && t.has_param) {
                font_entry_ = p;
                font_name_.clear();
                fonts_[font_entry_];
            } else if (w == "fcharset" && t.has_param) {
                fonts_[font_entry_].charset = std::clamp(p, 0, 255);
            }
            return;
        case Dest::ColorTable:
            if (w == "red")
                red_ = std::clamp(p, 0, 255), colour_set_ = true;
            if (w == "green")
                green_ = std::clamp(p, 0, 255), colour_set_ = true;
            if (w == "blue")
                blue_ = std::clamp(p, 0, 255), colour_set_ = true;
            return;
        case Dest::Pn:
            if (w == "pnlvlblt")
                para_.list = ListKind::Bullet;
            if (w == "pnlvlbody" || w == "pndec")
                para_.list = ListKind::Decimal;
            if (w == "pnlvlcont")
                para_.list = ListKind::None;
            return;
        case Dest::Main:
            break;
    }

    // Header and tables.
    if (w == "ansicpg" && t.has_param) {
        ansi_code_page_ = is_supported_code_page(p) ? p : kDefaultCodePage;
    } else if (w == "deff" && t.has_param) {
        default_font_ = p;
    } else if (w == "fonttbl") {
        state_.dest = Dest::FontTable;
        font_entry_ = 0;
        font_name_.clear();
    } else if (w == "colortbl") {
        state_.dest = Dest::ColorTable;
        colours_.clear();
        red_ = green_ = blue_ = 0;
        colour_set_ = false;
    }
    // Character formatting.
    else if (w == "plain") {
        CharState fresh;
        fresh.uc = state_.uc;
        fresh.dest = state_.dest;
        state_ = fresh;
        format_dirty_ = true;
    } else if (w == "b") {
        set(&CharState::bold, on);
    } else if (w == "i") {
        set(&CharState::italic, on);
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" ||
               w == "ulth" || w == "ulwave") {
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
    }
    // Paragraphs.
    else if (w == "par" || w == "sect" || w == "page" || w == "row") {
        end_paragraph();
    } else if (w == "pard") {
        para_ = ParaState{};
    } else if (w == "ql") {
        para_.align = Qt::AlignLeft;
    } else if (w == "qc") {
        para_.align = Qt::AlignHCenter;
    } else if (w == "qr") {
        para_.align = Qt::AlignRight;
    } else if (w == "qj") {
        para_.align = Qt::AlignJustify;
    } else if (w == "li" && t.has_param) {
        para_.left = std::clamp(p, -kMaxTwips, kMaxTwips);
    } else if (w == "ri" && t.has_param) {
        para_.right = std::clamp(p, -kMaxTwips, kMaxTwips);
    } else if (w == "fi" && t.has_param) {
        para_.first = std::clamp(p, -kMaxTwips, kMaxTwips);
    } else if (w == "ls" && t.has_param && p > 0) {
        para_.list = ListKind::Bullet;  // list tables are not read; show the item as bulleted
    }
    // Special characters.
    else if (w == "tab" || w == "cell") {
        put_char(u'\t');
    } else if (w == "line") {
        put_char(char16_t(0x2028));
    } else if (w == "emdash") {
        put_char(char16_t(0x2014));
    } else if (w == "endash") {
        put_char(char16_t(0x2013));
    } else if (w == "emspace") {
        put_char(char16_t(0x2003));
    } else if (w == "enspace") {
        put_char(char16_t(0x2002));
    } else if (w == "qmspace") {
        put_char(char16_t(0x2005));
    } else if (w == "bullet") {
        put_char(char16_t(0x2022));
    } else if (w == "lquote") {
        put_char(char16_t(0x2018));
    } else if (w == "rquote") {
        put_char(char16_t(0x2019));
    } else if (w == "ldblquote") {
        put_char(char16_t(0x201C));
    } else if (w == "rdblquote") {
        put_char(char16_t(0x201D));
    }
}

void Reader::handle_symbol(char symbol) {
    switch (symbol) {
        case '\\':
        case '{':
        case '}':
            if (state_.dest == Dest::Main)
                put_char(char16_t(symbol));
            if (state_.dest == Dest::FontTable)
                font_name_ += QChar(symbol);
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
            if (state_.dest == Dest::Main)
                end_paragraph();
            break;
        default:
            break;  // \* out of place, \|, \:, a broken \' ...
    }
}

// One byte of text in the page: sets `complete` when it finished a character (a single
// byte or the second of a pair).
char16_t Reader::decode(std::uint8_t byte, int code_page, bool& complete) {
    complete = true;
    if (lead_byte_ >= 0) {
        auto lead = std::uint8_t(lead_byte_);
        lead_byte_ = -1;
        if (auto ch = decode_pair(code_page, lead, byte))
            return *ch;
        // Not a pair of the page: the lead byte stands alone and this one starts afresh.
        put_char(decode_byte(code_page, lead));
        return decode(byte, code_page, complete);
    }
    if (byte >= 0x80 && is_lead_byte(code_page, byte)) {
        lead_byte_ = byte;
        complete = false;
        return 0;
    }
    return decode_byte(code_page, byte);
}

void Reader::handle_byte(std::uint8_t byte) {
    if (state_.dest == Dest::ColorTable)
        return;
    bool complete = false;
    char16_t ch = decode(byte, current_code_page(), complete);
    if (complete)
        put_char(ch);
}

void Reader::handle_text(std::string_view bytes) {
    switch (state_.dest) {
        case Dest::Main: {
            int cp = current_code_page();
            if (lead_byte_ < 0 && !is_double_byte_code_page(cp)) {
                QString text;
                text.reserve(qsizetype(bytes.size()));
                for (char c : bytes)
                    text += QChar(decode_byte(cp, std::uint8_t(c)));
                put_text(text);
                return;
            }
            // A double-byte page: a pair's second byte may come as plain text.
            QString text;
            for (char c : bytes) {
                bool complete = false;
                char16_t ch = decode(std::uint8_t(c), cp, complete);
                if (complete)
                    text += QChar(ch);
            }
            put_text(text);
            return;
        }
        case Dest::FontTable: {
            int cp = current_code_page();
            for (char c : bytes) {
                if (c == ';' && lead_byte_ < 0) {
                    fonts_[font_entry_].face = font_name_.trimmed();
                    font_name_.clear();
                } else {
                    bool complete = false;
                    char16_t ch = decode(std::uint8_t(c), cp, complete);
                    if (complete)
                        font_name_ += QChar(ch);
                }
            }
            return;
        }
        case Dest::ColorTable:
            for (char c : bytes) {
                if (c != ';')
                    continue;
                if (colour_set_) {
                    colours_.push_back(QColor(red_, green_, blue_));
                } else {
                    colours_.push_back(std::nullopt);  // the automatic colour
                }
                red_ = green_ = blue_ = 0;
                colour_set_ = false;
            }
            return;
        case Dest::Pn:
        case Dest::Skip:
            return;
    }
}

void Reader::put_char(char16_t ch) {
    if (state_.dest == Dest::FontTable) {
        font_name_ += QChar(ch);
        return;
    }
    if (state_.dest != Dest::Main)
        return;
    put_text(QString(QChar(ch)));
}

void Reader::put_text(const QString& text) {
    if (text.isEmpty())
        return;
    if (state_.hidden) {
        const QTextCharFormat& f = char_format();
        if (!hidden_text_.isEmpty() && hidden_version_ != format_version_)
            put_hidden_object();  // hidden text of another look is an object of its own
        if (hidden_text_.isEmpty()) {
            hidden_format_ = f;
            hidden_version_ = format_version_;
        }
        hidden_text_ += text;
        return;
    }
    put_hidden_object();
    if (pending_break_) {
        flush_text();
        cursor_.insertBlock(QTextBlockFormat(), char_format());
        pending_break_ = false;
    }
    const QTextCharFormat& f = char_format();
    // Text of one look is gathered and put in at once; one insertion per token is slow.
    if (pending_text_.isEmpty() || format_version_ != pending_version_) {
        flush_text();
        pending_format_ = f;
        pending_version_ = format_version_;
    }
    pending_text_ += text;
    paragraph_has_content_ = true;
}

void Reader::put_hidden_object() {
    if (hidden_text_.isEmpty())
        return;
    QTextCharFormat f = hidden_format_;
    f.setObjectType(kHiddenTextObject);
    f.setProperty(kHiddenTextProperty, hidden_text_);
    hidden_text_.clear();
    if (pending_break_) {
        flush_text();
        cursor_.insertBlock(QTextBlockFormat(), char_format());
        pending_break_ = false;
    }
    flush_text();
    cursor_.insertText(QString(QChar::ObjectReplacementCharacter), f);
    paragraph_has_content_ = true;
}

void Reader::flush_text() {
    if (pending_text_.isEmpty())
        return;
    cursor_.insertText(pending_text_, pending_format_);
    pending_text_.clear();
}

QTextBlockFormat Reader::block_format() const {
    QTextBlockFormat f;
    f.setAlignment(para_.align);
    if (para_.left != 0)
        f.setLeftMargin(twips_to_pixels(para_.left));
    if (para_.right != 0)
        f.setRightMargin(twips_to_pixels(para_.right));
    if (para_.first != 0)
        f.setTextIndent(twips_to_pixels(para_.first));
    return f;
}

void Reader::end_paragraph() {
    put_hidden_object();
    flush_text();
    if (pending_break_) {
        // The previous paragraph ended and this one is empty.
        cursor_.insertBlock(QTextBlockFormat(), char_format());
        pending_break_ = false;
    }
    cursor_.setBlockFormat(block_format());
    if (!paragraph_has_content_)
        cursor_.setBlockCharFormat(char_format());

    ListKind kind = para_.list;
    if (kind == ListKind::None && pntext_seen_)
        kind = ListKind::Bullet;
    if (kind == ListKind::None) {
        list_ = nullptr;
    } else if (list_ != nullptr && list_kind_ == kind) {
        list_->add(cursor_.block());
    } else {
        QTextListFormat lf;
        lf.setStyle(kind == ListKind::Bullet ? QTextListFormat::ListDisc
                                             : QTextListFormat::ListDecimal);
        list_ = cursor_.createList(lf);
        list_kind_ = kind;
    }
    pntext_seen_ = false;
    paragraph_has_content_ = false;
    pending_break_ = true;
}

void Reader::finish() {
    put_hidden_object();
    flush_text();
    // Text after the last \par is a paragraph of its own; a final \par adds none.
    if (!pending_break_ && paragraph_has_content_)
        end_paragraph();
}

const QTextCharFormat& Reader::char_format() {
    if (!format_dirty_)
        return format_;
    format_dirty_ = false;
    QTextCharFormat f;
    int font = state_.font >= 0 ? state_.font : default_font_;
    auto it = fonts_.find(font);
    if (it != fonts_.end()) {
        const FontEntry& e = it->second;
        if (!e.face.isEmpty() && e.face.compare(defaults_.family(), Qt::CaseInsensitive) != 0)
            f.setFontFamilies({e.face});
        if (e.charset != options_.default_charset &&
            !(e.charset <= 1 && options_.default_charset <= 1))
            f.setProperty(kCharsetProperty, e.charset);
    }
    if (state_.half_points > 0) {
        double points = state_.half_points / 2.0;
        if (points != defaults_.pointSizeF())
            f.setFontPointSize(points);
    }
    if (state_.bold != defaults_.bold())
        f.setFontWeight(state_.bold ? QFont::Bold : QFont::Normal);
    if (state_.italic != defaults_.italic())
        f.setFontItalic(state_.italic);
    if (state_.underline != defaults_.underline())
        f.setFontUnderline(state_.underline);
    if (state_.strike != defaults_.strikeOut())
        f.setFontStrikeOut(state_.strike);
    if (state_.valign == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (state_.valign == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    auto colour = [&](int index) -> std::optional<QColor> {
        if (index <= 0 || std::size_t(index) >= colours_.size())
            return std::nullopt;
        return colours_[std::size_t(index)];
    };
    if (auto c = colour(state_.colour))
        f.setForeground(*c);
    if (auto c = colour(state_.background))
        f.setBackground(*c);
    if (!(f == format_)) {
        format_ = f;
        ++format_version_;
    }
    return format_;
}

bool looks_like_rtf(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\r' || text[i] == '\n' || text[i] == '\t'))
        ++i;
    return text.substr(i, 5) == "{\\rtf";
}

}  // namespace

bool read_rtf(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options) {
    bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    bool is_rtf = looks_like_rtf(rtf);
    if (is_rtf) {
        Reader(rtf, doc, options).run();
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(QByteArrayView(rtf.data(), qsizetype(rtf.size())));
        if (utf8.hasError()) {
            text.clear();
            for (char c : rtf)
                text += QChar(decode_byte(kDefaultCodePage, std::uint8_t(c)));
        }
        text.remove(QChar('\r'));
        doc.setPlainText(text);
    }
    doc.setUndoRedoEnabled(undo);
    return is_rtf;
}

}  // namespace kd
