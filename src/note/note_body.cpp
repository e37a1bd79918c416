#include "note/note_body.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>
#include <iterator>

#include "note/body_spelling.h"
#include "note/note_body_reading.h"
#include "note/spell_highlighter.h"
#include "richtext/body_metrics.h"
#include "richtext/code_page.h"
#include "richtext/qt_colour.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"
#include "richtext/web_address.h"
#include "store/note_store.h"
#include "store/style_letters.h"

namespace kd {

namespace {

namespace texts {
constexpr const char* kNoteFull =
    "This note is full: it cannot hold more text. The last change was taken back.";
constexpr const char* kPicturesNotKept =
    "Pictures are not kept in notes: only the text was pasted.";
// %1: the whole address as it would be opened.
constexpr const char* kOpenOtherLink =
    "This link is not a web page or an e-mail address:\n\n%1\n\nOpening it may start another "
    "program or open a file. Open it?";
}  // namespace texts

// Links that open on a click; any other scheme asks first.
constexpr const char* kDirectSchemes[] = {"http", "https", "mailto"};
// The address in the question is broken into lines of this many characters, so a long one
// still fits a message box.
constexpr qsizetype kQuestionLineLength = 64;

const QColor kLinkColour(0, 0, 255);

// Text is shown at most this many pixels high. A note is a couple of hundred pixels tall;
// beyond about 250 pixels the font engine stops keeping glyphs, so every layout loads each
// glyph again, and ten thousand lines of much larger text pass the height the text layout
// can address (it then never finishes).
constexpr int kLargestShownFontPixels = 200;

// A paragraph with a longer run that has no place to break a line wraps anywhere: breaking
// at word boundaries looks for the end of the run again on every line, which costs the square
// of its length at each layout.
constexpr qsizetype kLongestRunWrappedAtWords = 256;

qsizetype longest_unbreakable_run(const QString& text) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype longest = 0;
    qsizetype last = 0;
    for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
        longest = std::max(longest, at - last);
        last = at;
    }
    return longest;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// NoteBody

NoteBody::NoteBody(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setTabChangesFocus(false);
    // The body menu is the note's own; the window builds it on this signal.
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);

    font_chooser_ = [](const QFont&) -> std::optional<QFont> { return std::nullopt; };
    colour_chooser_ = [](const QColor&) -> std::optional<QColor> { return std::nullopt; };
    // Alone, the body keeps the paragraph's format.
    paragraph_editor_ = [](const QTextBlockFormat& current) -> std::optional<QTextBlockFormat> {
        return current;
    };
    url_opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    // Without a window to ask from, a link of another scheme stays closed (the answer is No).
    link_asker_ = [](const QString&) { return false; };
    notifier_ = [](const QString&) {};

    connect_document();

    apply_default_format();
    apply_scroll_bar_flag();
}

void NoteBody::connect_document() {
    connect(document(), &QTextDocument::contentsChanged, this, &NoteBody::contents_changed);
    connect(document(), &QTextDocument::contentsChanged, this, &NoteBody::detect_links);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        // Measured once the change is over: going back replaces the whole document.
        if (loading_ || capacity_check_pending_) {
            return;
        }
        capacity_check_pending_ = true;
        QMetaObject::invokeMethod(
            this, [this] { check_capacity(); }, Qt::QueuedConnection);
    });
}

int NoteBody::screen_dpi() const {
    int dpi = logicalDpiY();
    return dpi > 0 ? dpi : 96;
}

int NoteBody::largest_shown_points() const {
    return std::max(1, kLargestShownFontPixels * 72 / screen_dpi());
}

void NoteBody::apply_default_format(bool colours_only) {
    QPalette pal = palette();
    if (!colours_only) {
        // What is being read was read with the default look it had.
        finish_reading();
        FontStyle st = parse_font_style(look_.style);
        QFont f(QString::fromStdString(look_.face));
        // Shown at most so large; the text is read and written at the size itself.
        const int points = std::max(1, screen_point_size(look_.size, screen_dpi()));
        default_half_points_ = points * 2;
        f.setPointSize(std::min(points, largest_shown_points()));
        f.setBold(st.bold);
        f.setItalic(st.italic);
        f.setUnderline(st.underline);
        // The widget font feeds the document's default font, also on later style changes.
        // Each of them lays the whole text out again, so only a change is set.
        if (font() != f) {
            setFont(f);
        }
        if (document()->defaultFont() != f) {
            document()->setDefaultFont(f);
        }
        pal.setColor(QPalette::Text, to_qcolor(look_.text_colour));
    }
    pal.setColor(QPalette::Base, to_qcolor(look_.back_colour));
    setPalette(pal);
    emit look_changed();
}

RtfWriteOptions NoteBody::write_options() const {
    RtfWriteOptions options;
    options.default_charset = look_.char_set;
    options.code_page = kDefaultCodePage;
    options.default_half_points = default_half_points_;
    return options;
}

RtfReadOptions NoteBody::read_options() const {
    RtfReadOptions options;
    options.default_charset = look_.char_set;
    options.default_half_points = default_half_points_;
    options.max_half_points = largest_shown_points() * 2;
    return options;
}

std::string NoteBody::get_rtf() const {
    if (reading_ != nullptr) {
        return reading_rtf();
    }
    return write_rtf(*document(), write_options());
}

void NoteBody::set_rtf(const std::string& rtf) {
    drop_reading();
    if (reads_aside(rtf, paragraphs_read_aside_)) {
        start_reading(rtf);
        return;
    }
    load_at_once(rtf);
}

void NoteBody::load_at_once(const std::string& rtf) {
    load_document(rtf);
    // A body cut short in the file loads as far as it goes and is the new point to go back to.
    fitting_rtf_ = get_rtf();
    fitting_size_ = body_to_stored(fitting_rtf_).size();
    fitting_caret_ = 0;
}

// Fills the document without undo history; addresses are looked for once, at the end. The
// text is laid out once, with the wrapping it needs: on a page of no size the document leaves
// its layout alone.
void NoteBody::load_document(const std::string& rtf) {
    loading_ = true;
    if (spell_marks_ != nullptr) {
        spell_marks_->set_paused(true);
    }
    QTextDocument* doc = document();
    const QSizeF page = doc->pageSize();
    doc->setPageSize(QSizeF(0, 0));
    read_rtf(rtf, *doc, read_options());
    update_wrap_mode(doc->toRawText());
    // A body that was never shown is laid out when its first resize event gives the page its
    // width, which comes with the show whatever the size: laying it out here as well, at the
    // width it had before, was a second layout of every restored note.
    if (!(testAttribute(Qt::WA_PendingResizeEvent) && !isVisible())) {
        doc->setPageSize(page);
    }
    loading_ = false;
    document()->clearUndoRedoStacks();
    detect_links();
    if (spell_marks_ != nullptr) {
        spell_marks_->set_paused(false);
        spell_marks_->recheck_all();
    }
}

void NoteBody::check_capacity() {
    capacity_check_pending_ = false;
    std::string rtf = get_rtf();
    const std::size_t size = body_to_stored(rtf).size();
    // A body that came in longer (a received note) may still be changed, as long as the
    // change does not make it longer.
    if (size <= std::max(kLongestStoredBody, fitting_size_)) {
        fitting_rtf_ = std::move(rtf);
        fitting_size_ = size;
        fitting_caret_ = textCursor().position();
        return;
    }
    // The stored form would be cut at the next start: take the change back, whole, and say
    // so once.
    load_document(fitting_rtf_);
    QTextCursor c(document());
    c.setPosition(std::clamp(fitting_caret_, 0, document()->characterCount() - 1));
    setTextCursor(c);
    notifier_(QString::fromUtf8(texts::kNoteFull));
}

// ---- Edit commands ------------------------------------------------------------------

void NoteBody::undo_command() {
    finish_reading();
    undo();
}

void NoteBody::redo_command() {
    finish_reading();
    redo();
}

bool NoteBody::redo_available() const {
    return document()->isRedoAvailable();
}

void NoteBody::cut_command() {
    finish_reading();
    cut();
}
void NoteBody::copy_command() {
    finish_reading();
    copy();
}
void NoteBody::paste_command() {
    finish_reading();
    paste();
}

void NoteBody::delete_command() {
    finish_reading();
    QTextCursor c = textCursor();
    c.removeSelectedText();
    setTextCursor(c);
}

void NoteBody::select_all_command() {
    finish_reading();
    selectAll();
}

void NoteBody::find_command() {
    finish_reading();
    if (!find_dialog_) {
        find_dialog_ = new FindDialog(this);
        find_dialog_->setWindowFlag(Qt::Window);
        connect(find_dialog_, &FindDialog::find_next, this, [this] {
            find_next(find_dialog_->text(), find_dialog_->whole_word(), find_dialog_->match_case(),
                      find_dialog_->down());
        });
    }
    find_dialog_->set_text(textCursor().selectedText());
    find_dialog_->set_down(true);
    find_dialog_->show();
    find_dialog_->raise();
    find_dialog_->activateWindow();
}

bool NoteBody::find_next(const QString& what, bool whole_word, bool match_case, bool down) {
    if (what.isEmpty()) {
        return false;
    }
    QTextDocument::FindFlags flags;
    if (whole_word) {
        flags |= QTextDocument::FindWholeWords;
    }
    if (match_case) {
        flags |= QTextDocument::FindCaseSensitively;
    }
    QTextCursor sel = textCursor();
    QTextCursor found;
    if (down) {
        found = document()->find(what, sel.selectionEnd(), flags);
    } else {
        // The first match between the start of the text and the selection, not the nearest.
        found = document()->find(what, 0, flags);
        if (!found.isNull() && found.selectionEnd() > sel.selectionStart()) {
            found = QTextCursor();
        }
    }
    if (found.isNull()) {
        return false;
    }
    setTextCursor(found);
    return true;
}

// ---- Keyboard, focus, scroll bar ------------------------------------------------------

void NoteBody::keyPressEvent(QKeyEvent* e) {
    // Typed into the body as it is set, not into what it showed before.
    finish_reading();
    const int key = e->key();
    track_ctrl_key(key);
    if (key == Qt::Key_Escape) {
        e->accept();
        return;
    }
    // The real modifier state decides, so a Ctrl pressed while another window had the focus
    // still counts and AltGr (Ctrl+Alt) types its characters.
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) && !(e->modifiers() & Qt::AltModifier);
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (ctrl) {
            insertPlainText(QStringLiteral("\t"));
        }
        e->accept();
        return;
    }
    if ((ctrl && ctrl_shortcut(key)) || undo_key(e)) {
        e->accept();
        return;
    }
    close_typing_step(e->text());
    QTextEdit::keyPressEvent(e);
}

// Ctrl down is remembered for the window; Alt clears it.
void NoteBody::track_ctrl_key(int key) {
    if (key == Qt::Key_Control) {
        if (!ctrl_down_) {
            ctrl_down_ = true;
            emit ctrl_changed(true);
        }
    } else if (key == Qt::Key_Alt) {
        release_ctrl();
    }
}

void NoteBody::release_ctrl() {
    if (ctrl_down_) {
        ctrl_down_ = false;
        emit ctrl_changed(false);
    }
}

// The body's own Ctrl+letter commands; true when the key was one.
bool NoteBody::ctrl_shortcut(int key) {
    switch (key) {
        case Qt::Key_B:
            bold_command();
            return true;
        case Qt::Key_I:
            italic_command();
            return true;
        case Qt::Key_U:
            underline_command();
            return true;
        case Qt::Key_S:
            strikeout_command();
            return true;
        case Qt::Key_F:
            release_ctrl();
            find_command();
            return true;
        default:
            return false;
    }
}

// Ctrl+Z undoes one step; Ctrl+Shift+Z and Ctrl+Y redo it, whatever the desktop's own key
// bindings say. True when the key was one of them.
bool NoteBody::undo_key(QKeyEvent* e) {
    const QKeyCombination key = e->keyCombination();
    if (e->matches(QKeySequence::Undo)) {
        undo_command();
        return true;
    }
    if (e->matches(QKeySequence::Redo) || key == (Qt::ControlModifier | Qt::Key_Y) ||
        key == (Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z)) {
        redo_command();
        return true;
    }
    return false;
}

// The document joins all typing up to a new paragraph into one undo step. A word typed after a
// space starts a step of its own, so undo goes back a word at a time: the document only
// joins an insertion to the step before while it counts itself modified.
void NoteBody::close_typing_step(const QString& typed) {
    if (typed.isEmpty() || typed.front().isSpace() || !typed.front().isPrint()) {
        return;
    }
    const int at = textCursor().selectionStart();
    if (at > 0 && document()->characterAt(at - 1).isSpace()) {
        document()->setModified(false);
    }
}

void NoteBody::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Control) {
        release_ctrl();
    }
    QTextEdit::keyReleaseEvent(e);
}

void NoteBody::focusOutEvent(QFocusEvent* e) {
    QTextEdit::focusOutEvent(e);
    // The key release goes elsewhere once the focus has left.
    release_ctrl();
    // An input method ends its composing with the focus; one that never says so must not
    // hold the note's saves back for good.
    if (composing_ && e->reason() != Qt::PopupFocusReason) {
        composing_ = false;
        emit composing_changed(false);
    }
    if (e->reason() != Qt::PopupFocusReason) {
        emit focus_lost();
    }
}

void NoteBody::inputMethodEvent(QInputMethodEvent* e) {
    finish_reading();
    const bool composing = !e->preeditString().isEmpty();
    QTextEdit::inputMethodEvent(e);
    // Told after the event, so a committed text is in the document when composing ends.
    if (composing != composing_) {
        composing_ = composing;
        emit composing_changed(composing);
    }
    // The input method's formats replaced the paragraph's marks.
    if (!composing && spell_marks_ != nullptr) {
        const int at = textCursor().position();
        spell_marks_->recheck(at, at);
    }
}

void NoteBody::set_scroll_bar_flag(bool show) {
    scroll_bar_flag_ = show;
    apply_scroll_bar_flag();
}

// The policy holds through every move and resize, so it is set when it changes only: setting
// it, even to the same value, lays the scroll area out again.
void NoteBody::apply_scroll_bar_flag() {
    const Qt::ScrollBarPolicy policy =
        scroll_bar_flag_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (verticalScrollBarPolicy() != policy) {
        setVerticalScrollBarPolicy(policy);
    }
}

void NoteBody::update_wrap_mode(const QString& text) {
    const QTextOption::WrapMode mode = longest_unbreakable_run(text) > kLongestRunWrappedAtWords
                                           ? QTextOption::WrapAnywhere
                                           : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode) {
        setWordWrapMode(mode);
    }
}

// ---- Web addresses --------------------------------------------------------------------

void NoteBody::detect_links() {
    if (loading_) {
        return;
    }
    QString text = document()->toRawText();
    update_wrap_mode(text);
    std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                             std::size_t(text.size()));
    links_.clear();
    for (const WebAddress& a : find_web_addresses(view)) {
        links_.push_back(
            {int(a.start), int(a.length), text.mid(qsizetype(a.start), qsizetype(a.length))});
    }
    // The marks are text cursors of the edit control. Replacing them from inside a change of
    // the document frees cursors that QTextDocument::clear() still holds and restores
    // afterwards, so they are replaced once the change is over.
    if (!marks_pending_) {
        marks_pending_ = true;
        QMetaObject::invokeMethod(
            this, [this] { update_link_marks(); }, Qt::QueuedConnection);
    }
}

void NoteBody::update_link_marks() {
    marks_pending_ = false;
    QList<ExtraSelection> marks;
    const int end = document()->characterCount();
    for (const Link& link : links_) {
        if (link.start + link.length >= end) {
            continue;
        }
        ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(link.start);
        mark.cursor.setPosition(link.start + link.length, QTextCursor::KeepAnchor);
        mark.format.setForeground(kLinkColour);
        mark.format.setFontUnderline(true);
        marks.push_back(mark);
    }
    setExtraSelections(marks);
}

const NoteBody::Link* NoteBody::link_at(const QPoint& viewport_pos) const {
    if (links_.empty()) {
        return nullptr;
    }
    QPointF doc_pos(viewport_pos.x() + horizontalScrollBar()->value(),
                    viewport_pos.y() + verticalScrollBar()->value());
    int pos = document()->documentLayout()->hitTest(doc_pos, Qt::ExactHit);
    if (pos < 0) {
        return nullptr;
    }
    for (const Link& link : links_) {
        if (pos >= link.start && pos < link.start + link.length) {
            return &link;
        }
    }
    return nullptr;
}

void NoteBody::mousePressEvent(QMouseEvent* e) {
    press_pos_ = e->position().toPoint();
    press_on_link_ = e->button() == Qt::LeftButton &&
                     !(e->modifiers() & (Qt::ShiftModifier | Qt::AltModifier)) &&
                     link_at(press_pos_) != nullptr;
    QTextEdit::mousePressEvent(e);
}

void NoteBody::mouseReleaseEvent(QMouseEvent* e) {
    QTextEdit::mouseReleaseEvent(e);
    if (!press_on_link_ || e->button() != Qt::LeftButton) {
        return;
    }
    press_on_link_ = false;
    QPoint pos = e->position().toPoint();
    // A drag over an address selects it instead of opening it.
    if ((pos - press_pos_).manhattanLength() >= QApplication::startDragDistance()) {
        return;
    }
    if (const Link* link = link_at(pos)) {
        open_link(link->address);
    }
}

void NoteBody::open_link(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid()) {
        return;
    }
    const QString scheme = url.scheme().toLower();
    const bool direct = std::any_of(std::begin(kDirectSchemes), std::end(kDirectSchemes),
                                    [&](const char* s) { return scheme == QLatin1String(s); });
    if (!direct) {
        // Encoded, the address shows every character it holds: nothing in it can hide or
        // turn around the rest.
        const QString whole = QString::fromLatin1(url.toEncoded());
        QString lines;
        for (qsizetype at = 0; at < whole.size(); at += kQuestionLineLength) {
            if (at > 0) {
                lines += QLatin1Char('\n');
            }
            lines += whole.mid(at, kQuestionLineLength);
        }
        if (!link_asker_(QString::fromUtf8(texts::kOpenOtherLink).arg(lines))) {
            return;
        }
    }
    url_opener_(url);
}

// ---- Spelling ---------------------------------------------------------------------------

void NoteBody::set_spelling(BodySpelling* spelling) {
    if (spelling_ != nullptr) {
        spelling_->disconnect(this);
    }
    delete spell_marks_;
    spell_marks_ = nullptr;
    spelling_ = spelling;
    if (spelling == nullptr) {
        return;
    }
    spell_marks_ = new SpellHighlighter(*document(), *spelling, this);
    connect(spelling, &BodySpelling::changed, this, &NoteBody::spelling_changed);
    spell_marks_->recheck_all();
}

// A hidden note is checked again when it is shown; the shown ones one by one.
void NoteBody::spelling_changed() {
    spell_stale_ = true;
    if (isVisible()) {
        queue_spell_recheck();
    }
}

void NoteBody::queue_spell_recheck() {
    if (spell_recheck_queued_ || spelling_ == nullptr) {
        return;
    }
    spell_recheck_queued_ = true;
    spelling_->recheck_later(this, [this] {
        spell_recheck_queued_ = false;
        spell_stale_ = false;
        if (spell_marks_ != nullptr) {
            spell_marks_->recheck_all();
        }
    });
}

void NoteBody::showEvent(QShowEvent* e) {
    QTextEdit::showEvent(e);
    if (spell_stale_) {
        queue_spell_recheck();
    }
}

std::optional<NoteBody::MisspeltWord> NoteBody::misspelt_word_at(int position) const {
    SpellChecker* checker = spelling_ != nullptr ? spelling_->checker() : nullptr;
    if (checker == nullptr || position < 0) {
        return std::nullopt;
    }
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) {
        return std::nullopt;
    }
    const QString text = block.text().left(kLongestCheckedParagraph);
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                                   std::size_t(text.size()));
    const std::size_t at = std::size_t(position - block.position());
    for (const WordSpan& w : words_to_check(view, kMostCheckedWordsPerParagraph)) {
        if (at < w.start || at > w.start + w.length) {
            continue;
        }
        const std::u16string_view word = view.substr(w.start, w.length);
        if (checker->is_correct(word)) {
            return std::nullopt;
        }
        MisspeltWord found;
        found.start = block.position() + int(w.start);
        found.length = int(w.length);
        found.word = text.mid(qsizetype(w.start), qsizetype(w.length));
        for (const std::u16string& s : checker->suggestions(word)) {
            found.suggestions.push_back(QString::fromUtf16(s.data(), qsizetype(s.size())));
        }
        return found;
    }
    return std::nullopt;
}

int NoteBody::text_position_at(const QPoint& viewport_pos) const {
    const QPointF doc_pos(viewport_pos.x() + horizontalScrollBar()->value(),
                          viewport_pos.y() + verticalScrollBar()->value());
    return document()->documentLayout()->hitTest(doc_pos, Qt::ExactHit);
}

void NoteBody::replace_word(const MisspeltWord& word, const QString& with) {
    finish_reading();
    QTextCursor c(document());
    c.setPosition(word.start);
    c.setPosition(word.start + word.length, QTextCursor::KeepAnchor);
    if (c.selectedText() != word.word || with.isEmpty()) {
        return;
    }
    // The format of the word's first letter, not of what comes before it.
    QTextCursor first(document());
    first.setPosition(word.start);
    first.setPosition(word.start + 1, QTextCursor::KeepAnchor);
    const QTextCharFormat format = first.charFormat();
    c.beginEditBlock();
    c.insertText(with, format);
    c.endEditBlock();
    setTextCursor(c);
    // Typing after it is a step of its own (see close_typing_step).
    document()->setModified(false);
}

void NoteBody::add_to_dictionary(const QString& word) {
    if (spelling_ != nullptr) {
        spelling_->add_word(word);
    }
}

// ---- Paste ----------------------------------------------------------------------------

bool NoteBody::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() || source->hasHtml() || source->hasImage() ||
           QTextEdit::canInsertFromMimeData(source);
}

void NoteBody::insertFromMimeData(const QMimeData* source) {
    finish_reading();
    insert_pasted(source);
    // Typing after a paste is a step of its own (see close_typing_step).
    document()->setModified(false);
}

void NoteBody::insert_pasted(const QMimeData* source) {
    // A picture cannot fit the record (a body is at most ten kilobytes): the text of the
    // paste goes in, and the user hears once that the pictures were left out.
    bool pictures = source->hasImage();
    QString html = source->hasHtml() ? source->html() : QString();
    if (!pictures && !html.contains(QLatin1String("<img"), Qt::CaseInsensitive)) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextCursor c = textCursor();
    if (!html.isEmpty()) {
        QTextDocument pasted;
        pasted.setHtml(html);
        QTextCursor find(&pasted);
        while (!(find = pasted.find(QString(QChar::ObjectReplacementCharacter), find)).isNull()) {
            if (find.charFormat().isImageFormat()) {
                find.removeSelectedText();
            }
        }
        c.insertFragment(QTextDocumentFragment(&pasted));
    } else if (source->hasText()) {
        c.insertText(source->text());
    }
    setTextCursor(c);
    notifier_(QString::fromUtf8(texts::kPicturesNotKept));
}

void NoteBody::mouseMoveEvent(QMouseEvent* e) {
    QTextEdit::mouseMoveEvent(e);
    viewport()->setCursor(link_at(e->position().toPoint()) ? Qt::PointingHandCursor
                                                           : Qt::IBeamCursor);
}

}  // namespace kd
