// The RTF reader's inside, shared by its two source files: rtf_reader.cpp (groups, text and
// output into the document) and rtf_reader_words.cpp (what each control word does). Not for
// use outside the reader.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "richtext/code_page.h"
#include "richtext/rtf_document.h"
#include "richtext/rtf_lexer.h"
#include "richtext/rtf_reader.h"

class QTextDocument;
class QTextList;

namespace kd::rtf_read {

enum class Dest { Main, FontTable, ColorTable, Pn, Skip };

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

struct FontEntry {
    QString face;
    int charset = 0;
};

class Reader {
public:
    Reader(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options);

    void run();

private:
    // rtf_reader.cpp: tokens, groups and text.
    bool skip_fallback(RtfToken& t);
    void dispatch(const RtfToken& t, bool was_fresh);
    void handle_byte(std::uint8_t byte);
    void handle_text(std::string_view bytes);
    void put_main_text(std::string_view bytes);
    void read_font_names(std::string_view bytes);
    void read_colour_entries(std::string_view bytes);
    char16_t decode(std::uint8_t byte, int code_page, bool& complete);
    void open_group();
    void close_group();
    int current_code_page() const;

    // rtf_reader.cpp: output into the document.
    void put_char(char16_t ch);
    void put_text(const QString& text);
    void put_hidden_object();
    void open_pending_block();
    void flush_text();
    void end_paragraph();
    void finish();
    const QTextCharFormat& char_format();
    QTextBlockFormat block_format() const;

    // rtf_reader_words.cpp: control words and symbols, one group of words each.
    bool open_destination(std::string_view word);
    void handle_word(const RtfToken& t);
    bool unicode_word(const RtfToken& t);
    void font_table_word(const RtfToken& t);
    void colour_table_word(const RtfToken& t);
    void numbering_word(const RtfToken& t);
    bool header_word(const RtfToken& t);
    bool character_word(const RtfToken& t);
    bool paragraph_word(const RtfToken& t);
    bool special_character_word(const RtfToken& t);
    void handle_symbol(char symbol);

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

    RtfParagraphLook para_;
    bool pntext_seen_ = false;  // this paragraph carries a bullet text of its own
    bool pending_break_ = false;
    bool paragraph_has_content_ = false;
    QTextList* list_ = nullptr;
    RtfListKind list_kind_ = RtfListKind::None;
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

}  // namespace kd::rtf_read
