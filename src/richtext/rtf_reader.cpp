#include "richtext/rtf_reader.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>

#include "richtext/code_page.h"
#include "richtext/rtf_document.h"
#include "richtext/rtf_lexer.h"
#include "richtext/rtf_reader_state.h"

namespace kd {

namespace rtf_read {

namespace {

// Deeper nesting than this is flattened: its braces are counted but keep the state.
constexpr std::size_t kMaxDepth = 200;

// A list marks all its items changed whenever it gains one, so a list of n items costs n
// squared to read. Bulleted paragraphs look and write the same in any number of lists, so a
// long run of them is kept in lists of this many; numbered ones count on from one list only.
constexpr int kMostItemsPerBulletList = 64;

}  // namespace

Reader::Reader(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options)
    : lexer_(rtf), doc_(doc), cursor_(&doc), options_(options), defaults_(doc.defaultFont()) {}

void Reader::run() {
    // One edit for the whole document: the cursor does not measure its place on every
    // insertion (which lays the paragraph out each time), and the layout runs once at the end.
    cursor_.beginEditBlock();
    while (!done_) {
        RtfToken t = lexer_.next();
        if (t.kind == RtfTokenKind::End) {
            break;
        }
        if (skip_fallback(t)) {
            continue;
        }
        if (t.kind != RtfTokenKind::HexByte && t.kind != RtfTokenKind::Text) {
            lead_byte_ = -1;  // a double-byte character cut by a control word is dropped
        }
        bool was_fresh = group_fresh_;
        group_fresh_ = false;
        dispatch(t, was_fresh);
    }
    finish();
    cursor_.endEditBlock();
}

// Steps over the fallback characters that follow \uN; true when the whole token went.
bool Reader::skip_fallback(RtfToken& t) {
    if (t.kind == RtfTokenKind::GroupOpen || t.kind == RtfTokenKind::GroupClose) {
        skip_ = 0;
        return false;
    }
    if (skip_ <= 0) {
        return false;
    }
    if (t.kind != RtfTokenKind::Text) {
        --skip_;
        return true;
    }
    std::size_t n = std::min<std::size_t>(std::size_t(skip_), t.word.size());
    skip_ -= int(n);
    t.word.remove_prefix(n);
    return t.word.empty();
}

void Reader::dispatch(const RtfToken& t, bool was_fresh) {
    switch (t.kind) {
        case RtfTokenKind::GroupOpen:
            open_group();
            break;
        case RtfTokenKind::GroupClose:
            close_group();
            break;
        case RtfTokenKind::Word:
            if (was_fresh && state_.dest != Dest::Skip && open_destination(t.word)) {
                break;
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
    if (stack_.empty()) {
        done_ = true;  // the closing brace of {\rtf1 ...}
    }
}

int Reader::current_code_page() const {
    int font = state_.font >= 0 ? state_.font : default_font_;
    if (state_.dest == Dest::FontTable) {
        font = font_entry_;
    }
    auto it = fonts_.find(font);
    if (it == fonts_.end()) {
        return ansi_code_page_;
    }
    return code_page_for_charset(it->second.charset, ansi_code_page_);
}

// One byte of text in the page: sets `complete` when it finished a character (a single
// byte or the second of a pair).
char16_t Reader::decode(std::uint8_t byte, int code_page, bool& complete) {
    complete = true;
    if (lead_byte_ >= 0) {
        auto lead = std::uint8_t(lead_byte_);
        lead_byte_ = -1;
        if (auto ch = decode_pair(code_page, lead, byte)) {
            return *ch;
        }
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
    if (state_.dest == Dest::ColorTable) {
        return;
    }
    bool complete = false;
    char16_t ch = decode(byte, current_code_page(), complete);
    if (complete) {
        put_char(ch);
    }
}

void Reader::handle_text(std::string_view bytes) {
    switch (state_.dest) {
        case Dest::Main:
            put_main_text(bytes);
            return;
        case Dest::FontTable:
            read_font_names(bytes);
            return;
        case Dest::ColorTable:
            read_colour_entries(bytes);
            return;
        case Dest::Pn:
        case Dest::Skip:
            return;
    }
}

void Reader::put_main_text(std::string_view bytes) {
    int cp = current_code_page();
    if (lead_byte_ < 0 && !is_double_byte_code_page(cp)) {
        QString text;
        text.reserve(qsizetype(bytes.size()));
        for (char c : bytes) {
            text += QChar(decode_byte(cp, std::uint8_t(c)));
        }
        put_text(text);
        return;
    }
    // A double-byte page: a pair's second byte may come as plain text.
    QString text;
    for (char c : bytes) {
        bool complete = false;
        char16_t ch = decode(std::uint8_t(c), cp, complete);
        if (complete) {
            text += QChar(ch);
        }
    }
    put_text(text);
}

void Reader::read_font_names(std::string_view bytes) {
    int cp = current_code_page();
    for (char c : bytes) {
        if (c == ';' && lead_byte_ < 0) {
            fonts_[font_entry_].face = font_name_.trimmed();
            font_name_.clear();
        } else {
            bool complete = false;
            char16_t ch = decode(std::uint8_t(c), cp, complete);
            if (complete) {
                font_name_ += QChar(ch);
            }
        }
    }
}

void Reader::read_colour_entries(std::string_view bytes) {
    for (char c : bytes) {
        if (c != ';') {
            continue;
        }
        if (colour_set_) {
            colours_.push_back(QColor(red_, green_, blue_));
        } else {
            colours_.push_back(std::nullopt);  // the automatic colour
        }
        red_ = green_ = blue_ = 0;
        colour_set_ = false;
    }
}

void Reader::put_char(char16_t ch) {
    if (state_.dest == Dest::FontTable) {
        font_name_ += QChar(ch);
        return;
    }
    if (state_.dest != Dest::Main) {
        return;
    }
    put_text(QString(QChar(ch)));
}

void Reader::put_text(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    if (state_.hidden) {
        const QTextCharFormat& f = char_format();
        if (!hidden_text_.isEmpty() && hidden_version_ != format_version_) {
            put_hidden_object();  // hidden text of another look is an object of its own
        }
        if (hidden_text_.isEmpty()) {
            hidden_format_ = f;
            hidden_version_ = format_version_;
        }
        hidden_text_ += text;
        return;
    }
    put_hidden_object();
    open_pending_block();
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
    if (hidden_text_.isEmpty()) {
        return;
    }
    QTextCharFormat f = hidden_format_;
    f.setObjectType(kHiddenTextObject);
    f.setProperty(kHiddenTextProperty, hidden_text_);
    hidden_text_.clear();
    open_pending_block();
    flush_text();
    cursor_.insertText(QString(QChar::ObjectReplacementCharacter), f);
    paragraph_has_content_ = true;
}

// The paragraph break read last is put in once something follows it.
void Reader::open_pending_block() {
    if (!pending_break_) {
        return;
    }
    flush_text();
    cursor_.insertBlock(QTextBlockFormat(), char_format());
    pending_break_ = false;
}

void Reader::flush_text() {
    if (pending_text_.isEmpty()) {
        return;
    }
    cursor_.insertText(pending_text_, pending_format_);
    pending_text_.clear();
}

QTextBlockFormat Reader::block_format() const {
    QTextBlockFormat f;
    f.setAlignment(para_.align);
    if (para_.left != 0) {
        f.setLeftMargin(twips_to_pixels(para_.left));
    }
    if (para_.right != 0) {
        f.setRightMargin(twips_to_pixels(para_.right));
    }
    if (para_.first != 0) {
        f.setTextIndent(twips_to_pixels(para_.first));
    }
    return f;
}

void Reader::end_paragraph() {
    put_hidden_object();
    flush_text();
    open_pending_block();  // the previous paragraph ended and this one may be empty
    cursor_.setBlockFormat(block_format());
    if (!paragraph_has_content_) {
        cursor_.setBlockCharFormat(char_format());
    }

    RtfListKind kind = para_.list;
    if (kind == RtfListKind::None && pntext_seen_) {
        kind = RtfListKind::Bullet;
    }
    if (kind == RtfListKind::None) {
        list_ = nullptr;
    } else if (list_ != nullptr && list_kind_ == kind &&
               (kind != RtfListKind::Bullet || list_->count() < kMostItemsPerBulletList)) {
        list_->add(cursor_.block());
    } else {
        QTextListFormat lf;
        lf.setStyle(kind == RtfListKind::Bullet ? QTextListFormat::ListDisc
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
    if (!pending_break_ && paragraph_has_content_) {
        end_paragraph();
    }
}

const QTextCharFormat& Reader::char_format() {
    if (!format_dirty_) {
        return format_;
    }
    format_dirty_ = false;
    QTextCharFormat f;
    int font = state_.font >= 0 ? state_.font : default_font_;
    auto it = fonts_.find(font);
    if (it != fonts_.end()) {
        const FontEntry& e = it->second;
        if (!e.face.isEmpty() && e.face.compare(defaults_.family(), Qt::CaseInsensitive) != 0) {
            f.setFontFamilies({e.face});
        }
        if (e.charset != options_.default_charset &&
            !(e.charset <= 1 && options_.default_charset <= 1)) {
            f.setProperty(kCharsetProperty, e.charset);
        }
    }
    const int default_half_points = options_.default_half_points > 0
                                        ? options_.default_half_points
                                        : int(std::lround(defaults_.pointSizeF() * 2));
    if (state_.half_points > 0 && state_.half_points != default_half_points) {
        int shown = state_.half_points;
        if (options_.max_half_points > 0 && shown > options_.max_half_points) {
            shown = options_.max_half_points;
            f.setProperty(kReadHalfPointsProperty, state_.half_points);
            f.setProperty(kShownHalfPointsProperty, shown);
        }
        f.setFontPointSize(shown / 2.0);
    }
    if (state_.bold != defaults_.bold()) {
        f.setFontWeight(state_.bold ? QFont::Bold : QFont::Normal);
    }
    if (state_.italic != defaults_.italic()) {
        f.setFontItalic(state_.italic);
    }
    if (state_.underline != defaults_.underline()) {
        f.setFontUnderline(state_.underline);
    }
    if (state_.strike != defaults_.strikeOut()) {
        f.setFontStrikeOut(state_.strike);
    }
    if (state_.valign == 1) {
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    } else if (state_.valign == 2) {
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    }
    auto colour = [&](int index) -> std::optional<QColor> {
        if (index <= 0 || std::size_t(index) >= colours_.size()) {
            return std::nullopt;
        }
        return colours_[std::size_t(index)];
    };
    if (auto c = colour(state_.colour)) {
        f.setForeground(*c);
    }
    if (auto c = colour(state_.background)) {
        f.setBackground(*c);
    }
    if (!(f == format_)) {
        format_ = f;
        ++format_version_;
    }
    return format_;
}

}  // namespace rtf_read

namespace {

bool looks_like_rtf(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\r' || text[i] == '\n' || text[i] == '\t')) {
        ++i;
    }
    return text.substr(i, 5) == "{\\rtf";
}

}  // namespace

bool read_rtf(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options) {
    bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    bool is_rtf = looks_like_rtf(rtf);
    if (is_rtf) {
        rtf_read::Reader(rtf, doc, options).run();
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(QByteArrayView(rtf.data(), qsizetype(rtf.size())));
        if (utf8.hasError()) {
            text.clear();
            for (char c : rtf) {
                text += QChar(decode_byte(kDefaultCodePage, std::uint8_t(c)));
            }
        }
        text.remove(QChar('\r'));
        doc.setPlainText(text);
    }
    doc.setUndoRedoEnabled(undo);
    return is_rtf;
}

}  // namespace kd
