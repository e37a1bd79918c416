// The rich-text body of a note: a QTextEdit that knows the note's default body look, reads
// and writes its content as RTF, and carries out the body's text and format commands. The
// note window owns it and connects its signals; the body knows nothing of the window.
#pragma once

#include <QPointer>
#include <QTextEdit>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "note/find_dialog.h"
#include "note/paragraph_bullet.h"
#include "note/text_look.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

class QMimeData;

namespace kd {

class BodySpelling;
class SpellHighlighter;

class NoteBody : public QTextEdit {
    Q_OBJECT

public:
    explicit NoteBody(QWidget* parent = nullptr);
    ~NoteBody() override;

    // ---- Default look of the body (the Edit* fields of the note's record).
    const TextLook& look() const { return look_; }
    void set_look(const TextLook& look) { look_ = look; }

    // Full mode: the default character format from the members (size through the screen
    // pixel round trip), then the background; colours-only mode sets the background alone.
    void apply_default_format(bool colours_only = false);

    // The whole content as RTF in the form a rich-edit control writes, and back. Loading
    // clears the undo history.
    std::string get_rtf() const;
    void set_rtf(const std::string& rtf);

    // A long list costs the square of its items to read (the document marks every item
    // changed whenever the list gains one), so a body holding one is read into a document of
    // its own on another thread and shown when it is in; until then the body shows what it
    // showed and get_rtf() gives the body as it was set. Whatever would change or read the
    // text first finishes the reading (finish_reading): the read document if it is in, else
    // the reading is given up and the body loaded at once. Bodies with fewer paragraphs load
    // at once.
    bool reading() const { return reading_ != nullptr; }
    void finish_reading();
    // Waits, at most `limit`, until no reading thread runs any more: the program calls it at
    // its end, after its notes are gone, so that no thread still reads while Qt goes.
    static bool wait_for_readings(std::chrono::milliseconds limit);
    void set_paragraphs_read_aside(int paragraphs) { paragraphs_read_aside_ = paragraphs; }

    // ---- Command states.
    bool redo_available() const;
    bool stay_on_top() const { return stay_on_top_; }
    void set_stay_on_top(bool on) { stay_on_top_ = on; }
    bool reply_available() const { return reply_available_; }
    void set_reply_available(bool on) { reply_available_ = on; }
    const std::string& reply_address() const { return reply_address_; }
    void set_reply_address(const std::string& a) { reply_address_ = a; }
    bool sending() const { return sending_; }
    void set_sending(bool on) { sending_ = on; }
    bool ctrl_down() const { return ctrl_down_; }

    // The process-wide scroll-bar flag (false when ShowScrollBar is "No"); setting it
    // updates every body at once.
    // ShowScrollBar: the vertical scroll bar shows when needed, or never.
    void set_scroll_bar_flag(bool show);
    bool scroll_bar_flag() const { return scroll_bar_flag_; }

    // The dialogs and messages of the body's commands, handed in by whoever shows the body
    // (the note window: the services' dialogs and boxes). Each chooser gives nothing on
    // Cancel; until one is handed in the command does nothing, and the body tells nothing.
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;
    using ColourChooser = std::function<std::optional<QColor>(const QColor& initial)>;
    // The editor sees whether the caret's paragraph has the bullet style in kBulletProperty
    // of the format, and may change it there.
    using ParagraphEditor =
        std::function<std::optional<QTextBlockFormat>(const QTextBlockFormat& current)>;
    void set_font_chooser(FontChooser f) { font_chooser_ = std::move(f); }
    void set_colour_chooser(ColourChooser f) { colour_chooser_ = std::move(f); }
    void set_paragraph_editor(ParagraphEditor f) { paragraph_editor_ = std::move(f); }
    // Tells the user something (a body that is full, pictures left out of a paste).
    void set_notifier(std::function<void(const QString&)> f) { notifier_ = std::move(f); }
    // Opens a detected web address; the desktop's opener by default.
    void set_url_opener(std::function<void(const QUrl&)> f) { url_opener_ = std::move(f); }
    // Asks whether to open a link that is not a web page or an e-mail address; true for yes.
    // No by default.
    void set_link_asker(std::function<bool(const QString& question)> f) {
        link_asker_ = std::move(f);
    }
    // What a click on a detected address does: http, https and mailto open directly, any
    // other scheme only after the question, which names the whole address.
    void open_link(const QString& address);

    // Web addresses found in the text: positions in the document and lengths.
    struct Link {
        int start = 0;
        int length = 0;
        QString address;
    };
    const std::vector<Link>& links() const { return links_; }

    // ---- Spelling. The program's checker; null (the default) checks nothing.
    void set_spelling(BodySpelling* spelling);
    BodySpelling* spelling() const { return spelling_; }
    // A misspelt word in the text and what might have been meant.
    struct MisspeltWord {
        int start = 0;
        int length = 0;
        QString word;
        std::vector<QString> suggestions;
    };
    // The misspelt word at a position of the text (its end included), if any.
    std::optional<MisspeltWord> misspelt_word_at(int position) const;
    // The position of the character under a point of the viewport; -1 off the text.
    int text_position_at(const QPoint& viewport_pos) const;
    // Puts `with` in place of the word, in the word's format, as one undo step; nothing when
    // the text there is no longer the word.
    void replace_word(const MisspeltWord& word, const QString& with);
    // The word is spelt right from now on, in every note: into the personal word list.
    void add_to_dictionary(const QString& word);

    FindDialog* find_dialog() const { return find_dialog_; }
    // One find-next request: direction down searches from the end of the selection to the
    // end of the text; up takes the first match between the start of the text and the
    // start of the selection. Returns whether something was found (and selected).
    bool find_next(const QString& what, bool whole_word, bool match_case, bool down);

public slots:
    void font_command();
    void text_colour_command();
    void note_colour_command();
    void bold_command();
    void italic_command();
    void underline_command();
    void strikeout_command();
    void regular_command();
    void increase_size_command();
    void decrease_size_command();
    void left_command();
    void center_command();
    void right_command();
    void paragraph_command();
    void bullet_command();
    void uppercase_command();
    void lowercase_command();
    void undo_command();
    void redo_command();
    void cut_command();
    void copy_command();
    void paste_command();
    void delete_command();
    void select_all_command();
    void find_command();

signals:
    // The body lost the keyboard focus: the note window saves itself.
    void focus_lost();
    // The Ctrl key went down or up (or Alt cleared it).
    void ctrl_changed(bool down);
    // "Note color" changed the background: the window repaints its margins.
    void back_colour_changed();
    // The default look was applied anew (font, colours): the note has something to save.
    void look_changed();
    // An input method started (true) or ended (false) composing text that is not in the
    // document yet.
    void composing_changed(bool composing);
    // The text changed: the document's contentsChanged, whichever document the body shows,
    // and a body read aside that came out otherwise than it was set.
    void contents_changed();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    enum class Effect { Bold, Italic, Underline, Strike };
    void toggle_effect(Effect effect);
    bool selection_has(Effect effect) const;
    QTextCharFormat effective_format_at_selection() const;
    int selection_points() const;
    void set_selection_format(const QTextCharFormat& f);
    void change_case(bool upper);
    void set_alignment(Qt::Alignment a);
    void track_ctrl_key(int key);
    void release_ctrl();
    bool ctrl_shortcut(int key);
    bool undo_key(QKeyEvent* e);
    void close_typing_step(const QString& typed);
    void insert_pasted(const QMimeData* source);
    int screen_dpi() const;
    // The largest font size shown, in points at this screen's resolution.
    int largest_shown_points() const;
    void apply_scroll_bar_flag();
    void update_wrap_mode(const QString& text);
    void detect_links();
    void update_link_marks();
    const Link* link_at(const QPoint& viewport_pos) const;
    void load_document(const std::string& rtf);
    void load_at_once(const std::string& rtf);
    void connect_document();
    RtfReadOptions read_options() const;
    RtfWriteOptions write_options() const;
    struct Reading;
    static bool reads_aside(std::string_view rtf, int paragraphs);
    const std::string& reading_rtf() const;
    void start_reading(const std::string& rtf);
    void reading_done(std::uint64_t serial);
    void take_read_document();
    void drop_reading();
    void spelling_changed();
    void queue_spell_recheck();
    void check_capacity();

    TextLook look_{0, 0xFFFFFF, "Arial", "", 10, 0};
    // The default size last applied, in half points at this screen's resolution, which the
    // shown default font may fall short of (0: the font's own).
    int default_half_points_ = 0;

    bool stay_on_top_ = false;
    bool scroll_bar_flag_ = true;
    bool reply_available_ = false;
    std::string reply_address_;
    bool sending_ = false;
    bool ctrl_down_ = false;

    FontChooser font_chooser_;
    ColourChooser colour_chooser_;
    ParagraphEditor paragraph_editor_;
    std::function<void(const QUrl&)> url_opener_;
    std::function<bool(const QString&)> link_asker_;
    std::function<void(const QString&)> notifier_;
    // The last content whose stored form fits the record, and where the caret was in it: a
    // change that does not fit goes back to it.
    std::string fitting_rtf_;
    std::size_t fitting_size_ = 0;  // its stored size
    int fitting_caret_ = 0;
    bool capacity_check_pending_ = false;
    QPointer<FindDialog> find_dialog_;
    std::vector<Link> links_;
    bool loading_ = false;        // set_rtf is filling the document
    bool marks_pending_ = false;  // the address marks wait for the change to end
    QPoint press_pos_;
    bool press_on_link_ = false;
    bool composing_ = false;
    BodySpelling* spelling_ = nullptr;
    SpellHighlighter* spell_marks_ = nullptr;
    bool spell_stale_ = false;  // the marks wait for the body to be shown
    bool spell_recheck_queued_ = false;
    // A body being read on another thread, and the number of the last one started.
    std::shared_ptr<Reading> reading_;
    std::uint64_t reading_serial_ = 0;
    int paragraphs_read_aside_ = 400;
};

}  // namespace kd
