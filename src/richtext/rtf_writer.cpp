#include "richtext/rtf_writer.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "richtext/char_look.h"
#include "richtext/code_page.h"
#include "richtext/rtf_document.h"

namespace kd {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kSymbolCharset = 2;

struct FontKey {
    QString face;
    int charset = 0;
    bool operator==(const FontKey&) const = default;
};

// The effective look of one run, every property resolved against the document defaults.
struct RunLook {
    int font = 0;
    int half_points = 20;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int colour = 0;
    int background = 0;
    int valign = 0;  // 0 normal, 1 superscript, 2 subscript
};

class Writer {
public:
    Writer(const QTextDocument& doc, const RtfWriteOptions& options)
        : doc_(doc), options_(options), defaults_(doc.defaultFont()) {
        fonts_.push_back({defaults_.family(), options.default_charset});
    }

    std::string run();

private:
    RunLook look_of(const QTextCharFormat& f);
    int font_index(const FontKey& key);
    int colour_index(const QColor& c);
    RtfParagraphLook para_of(const QTextBlock& block) const;

    void word(const char* text, int param);
    void word(const char* text);
    void raw(const char* text) {
        body_ += text;
        need_space_ = false;
    }
    void put_look(const RunLook& look);
    void put_text(const QString& text);
    void put_chunk(QStringView chunk);
    void put_hidden(const QTextCharFormat& f);
    int page_of_font(int font) const;
    std::optional<int> best_page_from(QStringView chunk, qsizetype from) const;
    void put_paragraph_start(const QTextBlock& block, const RtfParagraphLook& para, bool changed);
    void choose_bullet_font();
    void put_block_text(const QTextBlock& block);
    void put_hidden_run(const QString& text, const QTextCharFormat& format);
    std::string header() const;
    void escape_into(std::string& out, const QString& text, int code_page) const;

    const QTextDocument& doc_;
    RtfWriteOptions options_;
    QFont defaults_;
    std::vector<FontKey> fonts_;
    std::vector<QColor> colours_;  // table entries after the automatic one
    int bullet_font_ = -1;

    std::string body_;
    bool need_space_ = false;  // the last thing written was a control word
    RunLook current_;
    int run_font_ = 0;  // the font of the run being written, before any change of code page
    bool first_run_ = true;
};

int Writer::font_index(const FontKey& key) {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i] == key) {
            return int(i);
        }
    }
    fonts_.push_back(key);
    return int(fonts_.size() - 1);
}

int Writer::colour_index(const QColor& c) {
    QRgb rgb = c.rgb();
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        if (colours_[i].rgb() == rgb) {
            return int(i + 1);
        }
    }
    colours_.push_back(c);
    return int(colours_.size());
}

RunLook Writer::look_of(const QTextCharFormat& f) {
    RunLook look;
    FontKey key{effective_family(f, defaults_), options_.default_charset};
    if (f.hasProperty(kCharsetProperty)) {
        key.charset = f.intProperty(kCharsetProperty) & 0xFF;
    }
    look.font = font_index(key);

    double points = options_.default_half_points > 0 ? options_.default_half_points / 2.0
                                                     : defaults_.pointSizeF();
    if (f.hasProperty(QTextFormat::FontPointSize)) {
        points = f.fontPointSize();
        // Shown smaller than it was read, and not given a size since: the size it came with.
        if (f.hasProperty(kReadHalfPointsProperty) &&
            std::lround(points * 2) == f.intProperty(kShownHalfPointsProperty)) {
            points = f.intProperty(kReadHalfPointsProperty) / 2.0;
        }
    } else if (f.hasProperty(QTextFormat::FontPixelSize)) {
        points = f.intProperty(QTextFormat::FontPixelSize) * 72.0 / 96.0;  // pasted web text
    }
    if (points <= 0) {
        points = 10;
    }
    look.half_points = std::max(1, int(std::lround(points * 2)));

    look.bold = effective_bold(f, defaults_);
    look.italic = effective_italic(f, defaults_);
    look.underline = effective_underline(f, defaults_);
    look.strike = effective_strike(f, defaults_);
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        look.colour = colour_index(f.foreground().color());
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush) {
        look.background = colour_index(f.background().color());
    }
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
        look.valign = 1;
    } else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        look.valign = 2;
    }
    return look;
}

RtfParagraphLook Writer::para_of(const QTextBlock& block) const {
    RtfParagraphLook p;
    QTextBlockFormat f = block.blockFormat();
    Qt::Alignment h = f.alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter) {
        p.align = Qt::AlignHCenter;
    } else if (h & Qt::AlignJustify) {
        p.align = Qt::AlignJustify;
    } else if (h & (Qt::AlignRight | Qt::AlignTrailing)) {
        p.align = Qt::AlignRight;
    }
    p.left = pixels_to_twips(f.leftMargin());
    p.right = pixels_to_twips(f.rightMargin());
    p.first = pixels_to_twips(f.textIndent());
    if (QTextList* list = block.textList()) {
        switch (list->format().style()) {
            case QTextListFormat::ListDisc:
            case QTextListFormat::ListCircle:
            case QTextListFormat::ListSquare:
                p.list = RtfListKind::Bullet;
                break;
            default:
                p.list = RtfListKind::Decimal;
                break;
        }
    }
    return p;
}

void Writer::word(const char* text, int param) {
    body_ += '\\';
    body_ += text;
    body_ += std::to_string(param);
    need_space_ = true;
}

void Writer::word(const char* text) {
    body_ += '\\';
    body_ += text;
    need_space_ = true;
}

void Writer::put_look(const RunLook& look) {
    // Same order and the same "only what changed" as a rich-edit control.
    if (first_run_ ? look.colour != 0 : look.colour != current_.colour) {
        word("cf", look.colour);
    }
    if (first_run_ ? look.background != 0 : look.background != current_.background) {
        word("highlight", look.background);
    }
    if (first_run_ ? look.bold : look.bold != current_.bold) {
        look.bold ? word("b") : word("b", 0);
    }
    if (first_run_ ? look.italic : look.italic != current_.italic) {
        look.italic ? word("i") : word("i", 0);
    }
    if (first_run_ ? look.underline : look.underline != current_.underline) {
        look.underline ? word("ul") : word("ulnone");
    }
    if (first_run_ ? look.strike : look.strike != current_.strike) {
        look.strike ? word("strike") : word("strike", 0);
    }
    if (first_run_ ? look.valign != 0 : look.valign != current_.valign) {
        word(look.valign == 1 ? "super" : look.valign == 2 ? "sub" : "nosupersub");
    }
    if (first_run_ || look.font != current_.font) {
        word("f", look.font);
    }
    if (first_run_ || look.half_points != current_.half_points) {
        word("fs", look.half_points);
    }
    current_ = look;
    run_font_ = look.font;
    first_run_ = false;
}

void Writer::escape_into(std::string& out, const QString& text, int code_page) const {
    char buf[16];
    for (QChar qc : text) {
        char16_t ch = qc.unicode();
        if (ch == '\\' || ch == '{' || ch == '}') {
            out += '\\';
            out += char(ch);
        } else if (ch == '|' || ch == '~') {
            // Separators of the settings file and of the note message.
            std::snprintf(buf, sizeof buf, "\\'%02x", unsigned(ch));
            out += buf;
        } else if (ch >= 0x20 && ch < 0x7F) {
            out += char(ch);
        } else if (ch < 0x20 || ch == 0x7F || ch == 0xFFFC) {
            // Control characters and embedded objects have no place in the text.
        } else if (auto b = encode_in_code_page(code_page, ch)) {
            for (int i = 0; i < b->size; ++i) {
                auto byte = b->bytes[i];
                // A second byte in the ASCII letters and digits goes as itself, as office
                // suites write it: a quarter of the size.
                if (i == 1 && ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                               (byte >= 'a' && byte <= 'z'))) {
                    out += char(byte);
                    continue;
                }
                std::snprintf(buf, sizeof buf, "\\'%02x", unsigned(byte));
                out += buf;
            }
        } else {
            std::snprintf(buf, sizeof buf, "\\u%d?", int(std::int16_t(ch)));
            out += buf;
        }
    }
}

int Writer::page_of_font(int font) const {
    return code_page_for_charset(fonts_[std::size_t(font)].charset, options_.code_page);
}

// Characters that any page writes the same way, or that are not written as text at all.
bool page_neutral(char16_t ch) {
    return ch < 0x80 || ch == 0xFFFC || (ch >= 0xD800 && ch <= 0xDFFF);
}

// The page to write chunk[from] in when the current one lacks it: the run's own page, the
// document's, or the first single-byte page that has it; a character only double-byte pages
// have goes to the one that holds the longest stretch from there (Japanese, Chinese and
// Korean share many characters). Nothing when no page has it.
std::optional<int> Writer::best_page_from(QStringView chunk, qsizetype from) const {
    const char16_t ch = chunk[from].unicode();
    auto usable = [&](int page) {
        // Charset 0 means the document's page, so 1252 is only reachable when that is it.
        return (page != 1252 || options_.code_page == 1252) &&
               encode_in_code_page(page, ch).has_value();
    };
    const int own = page_of_font(run_font_);
    if (usable(own)) {
        return own;
    }
    if (usable(options_.code_page)) {
        return options_.code_page;
    }
    for (int page : fallback_code_pages()) {
        if (!is_double_byte_code_page(page) && usable(page)) {
            return page;
        }
    }
    // Kana are Japanese and Hangul Korean, though the Chinese and Korean pages hold kana too.
    auto hangul = [](char16_t c) {
        return (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x1100 && c <= 0x11FF) ||
               (c >= 0x3130 && c <= 0x318F);
    };
    if (ch >= 0x3040 && ch <= 0x30FF && usable(932)) {
        return 932;
    }
    if (hangul(ch) && usable(949)) {
        return 949;
    }
    std::optional<int> best;
    qsizetype best_length = 0;
    for (int page : fallback_code_pages()) {
        if (!is_double_byte_code_page(page)) {
            continue;
        }
        // Ideographs are weighed up to the next Hangul, which settles the page by itself.
        qsizetype i = from;
        while (
            i < chunk.size() && !hangul(chunk[i].unicode()) &&
            (page_neutral(chunk[i].unicode()) || encode_in_code_page(page, chunk[i].unicode()))) {
            ++i;
        }
        if (i - from > best_length) {
            best_length = i - from;
            best = page;
        }
    }
    return best;
}

void Writer::put_chunk(QStringView chunk) {
    std::string escaped;
    auto flush = [&] {
        if (escaped.empty()) {
            return;
        }
        // A space ends a control word; text that starts with anything but a backslash needs
        // it.
        if (need_space_ && escaped.front() != '\\') {
            body_ += ' ';
        }
        body_ += escaped;
        need_space_ = false;
        escaped.clear();
    };
    qsizetype start = 0;  // first character not yet escaped
    int page = page_of_font(current_.font);
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        char16_t ch = chunk[i].unicode();
        if (page_neutral(ch) || encode_in_code_page(page, ch)) {
            continue;
        }
        // The current page lacks the character: the text so far goes out in it, and the run
        // moves to the font entry of a page that has it, so it is written as bytes and not
        // as \uN (four to seven times the size).
        escape_into(escaped, chunk.mid(start, i - start).toString(), page);
        start = i;
        std::optional<int> best = best_page_from(chunk, i);
        if (!best) {
            continue;  // no page has it: \uN
        }
        flush();
        FontKey key{fonts_[std::size_t(run_font_)].face, charset_for_code_page(*best)};
        current_.font = font_index(key);
        word("f", current_.font);
        page = *best;
    }
    escape_into(escaped, chunk.mid(start).toString(), page);
    flush();
}

void Writer::put_text(const QString& text) {
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        QChar c = i < text.size() ? text[i] : QChar();
        bool tab = c == QChar('\t');
        bool line = c == QChar::LineSeparator || c == QChar(0x2029);
        if (!tab && !line && i < text.size()) {
            continue;
        }
        if (i > start) {
            put_chunk(QStringView(text).mid(start, i - start));
        }
        if (tab) {
            word("tab");
        }
        if (line) {
            word("line");
        }
        start = i + 1;
    }
}

void Writer::put_hidden(const QTextCharFormat& f) {
    QString text = f.property(kHiddenTextProperty).toString();
    if (text.isEmpty()) {
        return;
    }
    // The group ends the hidden look, and every change of font inside it with it.
    RunLook outside = current_;
    int run_font = run_font_;
    raw("{");
    word("v");
    put_text(text);
    raw("}");
    current_ = outside;
    run_font_ = run_font;
}

void Writer::put_paragraph_start(const QTextBlock& block, const RtfParagraphLook& para,
                                 bool changed) {
    if (changed) {
        word("pard");
    }
    if (para.list == RtfListKind::Bullet) {
        raw("{\\pntext\\f");
        body_ += std::to_string(bullet_font_);
        body_ += "\\'b7\\tab}";
    } else if (para.list == RtfListKind::Decimal) {
        int number = block.textList()->itemNumber(block) + 1;
        raw("{\\pntext\\f0 ");
        body_ += std::to_string(number);
        body_ += ".\\tab}";
    }
    if (!changed) {
        return;
    }
    if (para.list == RtfListKind::Bullet) {
        raw("{\\*\\pn\\pnlvlblt\\pnf");
        body_ += std::to_string(bullet_font_);
        body_ += "\\pnindent0{\\pntxtb\\'b7}}";
    } else if (para.list == RtfListKind::Decimal) {
        raw("{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}");
    }
    if (para.first != 0) {
        word("fi", para.first);
    }
    if (para.left != 0) {
        word("li", para.left);
    }
    if (para.right != 0) {
        word("ri", para.right);
    }
    if (para.align == Qt::AlignHCenter) {
        word("qc");
    }
    if (para.align == Qt::AlignRight) {
        word("qr");
    }
    if (para.align == Qt::AlignJustify) {
        word("qj");
    }
}

std::string Writer::run() {
    choose_bullet_font();
    word("viewkind", 4);
    word("uc", 1);
    std::optional<RtfParagraphLook> last_para;
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
        RtfParagraphLook para = para_of(block);
        bool changed = !last_para || !(*last_para == para);
        put_paragraph_start(block, para, changed);
        last_para = para;
        put_block_text(block);
        word("par");
        raw(kLineEnd);
    }
    return header() + body_ + '}' + kLineEnd;
}

// The bullet font has to be known before the first paragraph is written.
void Writer::choose_bullet_font() {
    for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
        if (para_of(b).list == RtfListKind::Bullet) {
            bullet_font_ = font_index({QStringLiteral("Symbol"), kSymbolCharset});
            break;
        }
    }
}

void Writer::put_block_text(const QTextBlock& block) {
    bool any_text = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        QTextFragment frag = it.fragment();
        if (!frag.isValid()) {
            continue;
        }
        QTextCharFormat format = frag.charFormat();
        RunLook look = look_of(format);
        put_look(look);
        if (format.objectType() == kHiddenTextObject) {
            put_hidden_run(frag.text(), format);
        } else {
            put_text(frag.text());
        }
        any_text = true;
    }
    if (!any_text) {
        put_look(look_of(block.charFormat()));
    }
}

// Text typed next to hidden text may take its format; only the object characters stand for
// the hidden text.
void Writer::put_hidden_run(const QString& text, const QTextCharFormat& format) {
    qsizetype start = 0;
    for (qsizetype n = 0; n <= text.size(); ++n) {
        if (n < text.size() && text[n] != QChar::ObjectReplacementCharacter) {
            continue;
        }
        put_text(text.mid(start, n - start));
        if (n < text.size()) {
            put_hidden(format);
        }
        start = n + 1;
    }
}

// The document header with the font and colour tables, known once the body is written.
std::string Writer::header() const {
    std::string out = "{\\rtf1\\ansi\\ansicpg" + std::to_string(options_.code_page) +
                      "\\deff0\\deflang1033{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset" + std::to_string(fonts_[i].charset) +
               ' ';
        QString face = fonts_[i].face;
        face.remove(QChar(';'));  // the entry terminator
        escape_into(out, face, code_page_for_charset(fonts_[i].charset, options_.code_page));
        out += ";}";
    }
    out += '}';
    out += kLineEnd;
    if (!colours_.empty()) {
        out += "{\\colortbl ;";
        for (const QColor& c : colours_) {
            out += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) +
                   "\\blue" + std::to_string(c.blue()) + ';';
        }
        out += '}';
        out += kLineEnd;
    }
    return out;
}

}  // namespace

std::string write_rtf(const QTextDocument& doc, const RtfWriteOptions& options) {
    int code_page =
        is_supported_code_page(options.code_page) ? options.code_page : kDefaultCodePage;
    RtfWriteOptions fixed = options;
    fixed.code_page = code_page;
    return Writer(doc, fixed).run();
}

}  // namespace kd
