#include "note/note_body.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFocusEvent>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QVBoxLayout>
#include <algorithm>

#include "richtext/body_metrics.h"
#include "richtext/rtf_document.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"
#include "richtext/web_address.h"
#include "store/note_store.h"
#include "store/style_letters.h"

namespace kd {

namespace {

namespace texts {
constexpr const char* kFindTitle = "Find";
constexpr const char* kFindWhat = "Fi&nd what:";
constexpr const char* kWholeWord = "Match &whole word only";
constexpr const char* kMatchCase = "Match &case";
constexpr const char* kDirection = "Direction";
constexpr const char* kUp = "&Up";
constexpr const char* kDown = "&Down";
constexpr const char* kFindNext = "&Find Next";
constexpr const char* kCancel = "Cancel";
constexpr const char* kNoteFull =
    "This note is full: it cannot hold more text. The last change was taken back.";
constexpr const char* kPicturesNotKept =
    "Pictures are not kept in notes: only the text was pasted.";
}  // namespace texts

constexpr int kAnsiCodePage = 1252;
const QColor kLinkColour(0, 0, 255);

bool effective_bold(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : d.bold();
}
bool effective_italic(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : d.italic();
}
bool effective_underline(const QTextCharFormat& f, const QFont& d) {
    return (f.hasProperty(QTextFormat::TextUnderlineStyle) ||
            f.hasProperty(QTextFormat::FontUnderline))
               ? f.fontUnderline()
               : d.underline();
}
bool effective_strike(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : d.strikeOut();
}
double effective_points(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : d.pointSizeF();
}
QString effective_family(const QTextCharFormat& f, const QFont& d) {
    QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() || families.first().isEmpty() ? d.family() : families.first();
}

// Calls `visit` with the format of every piece of text between `start` and `end`.
template <typename Visit>
void for_each_format(const QTextDocument& doc, int start, int end, Visit&& visit) {
    for (QTextBlock b = doc.findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment frag = it.fragment();
            int fs = frag.position();
            int fe = fs + frag.length();
            if (fe <= start || fs >= end)
                continue;
            if (!visit(frag.charFormat()))
                return;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// FindDialog

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(texts::kFindTitle);
    setModal(false);

    auto* label = new QLabel(texts::kFindWhat, this);
    what_ = new QLineEdit(this);
    label->setBuddy(what_);
    whole_word_ = new QCheckBox(texts::kWholeWord, this);
    match_case_ = new QCheckBox(texts::kMatchCase, this);
    auto* direction = new QGroupBox(texts::kDirection, this);
    up_ = new QRadioButton(texts::kUp, direction);
    down_ = new QRadioButton(texts::kDown, direction);
    down_->setChecked(true);
    auto* dir_layout = new QHBoxLayout(direction);
    dir_layout->addWidget(up_);
    dir_layout->addWidget(down_);

    auto* find_next_button = new QPushButton(texts::kFindNext, this);
    find_next_button->setDefault(true);
    auto* cancel = new QPushButton(texts::kCancel, this);

    auto* left = new QVBoxLayout;
    auto* what_row = new QHBoxLayout;
    what_row->addWidget(label);
    what_row->addWidget(what_);
    left->addLayout(what_row);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(whole_word_);
    checks->addWidget(match_case_);
    options->addLayout(checks);
    options->addWidget(direction);
    left->addLayout(options);
    auto* right = new QVBoxLayout;
    right->addWidget(find_next_button);
    right->addWidget(cancel);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);

    connect(find_next_button, &QPushButton::clicked, this, &FindDialog::find_next);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    auto enable = [this, find_next_button] {
        find_next_button->setEnabled(!what_->text().isEmpty());
    };
    connect(what_, &QLineEdit::textChanged, this, enable);
    enable();
}

void FindDialog::set_text(const QString& text) {
    what_->setText(text);
}
QString FindDialog::text() const {
    return what_->text();
}
bool FindDialog::whole_word() const {
    return whole_word_->isChecked();
}
bool FindDialog::match_case() const {
    return match_case_->isChecked();
}
bool FindDialog::down() const {
    return down_->isChecked();
}
void FindDialog::set_down(bool down) {
    (down ? down_ : up_)->setChecked(true);
}

// ---------------------------------------------------------------------------------------
// NoteBody

NoteBody::NoteBody(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setTabChangesFocus(false);
    // The body menu is the note's own; the window builds it on this signal.
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);

    font_chooser_ = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        QFont chosen = QFontDialog::getFont(&ok, initial, this);
        return ok ? std::optional<QFont>(chosen) : std::nullopt;
    };
    colour_chooser_ = [this](const QColor& initial) -> std::optional<QColor> {
        QColor chosen = QColorDialog::getColor(initial, this);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
    // Until the paragraph dialog exists the current format is applied unchanged.
    paragraph_editor_ = [](const QTextBlockFormat& current) -> std::optional<QTextBlockFormat> {
        return current;
    };
    url_opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    notifier_ = [this](const QString& text) {
        QMessageBox::information(this, QApplication::applicationName(), text);
    };

    connect(document(), &QTextDocument::undoCommandAdded, this, [this] { step_undone_ = false; });
    connect(document(), &QTextDocument::contentsChanged, this, &NoteBody::detect_links);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        // Measured once the change is over: going back replaces the whole document.
        if (loading_ || capacity_check_pending_)
            return;
        capacity_check_pending_ = true;
        QMetaObject::invokeMethod(
            this, [this] { check_capacity(); }, Qt::QueuedConnection);
    });

    apply_default_format();
    apply_scroll_bar_flag();
}

NoteBody::~NoteBody() = default;

int NoteBody::screen_dpi() const {
    int dpi = logicalDpiY();
    return dpi > 0 ? dpi : 96;
}

void NoteBody::apply_default_format(bool colours_only) {
    QPalette pal = palette();
    if (!colours_only) {
        FontStyle st = parse_font_style(style_);
        QFont f(QString::fromStdString(face_));
        f.setPointSize(std::max(1, screen_point_size(size_, screen_dpi())));
        f.setBold(st.bold);
        f.setItalic(st.italic);
        f.setUnderline(st.underline);
        // The widget font feeds the document's default font, also on later style changes.
        setFont(f);
        document()->setDefaultFont(f);
        pal.setColor(QPalette::Text, colour_from_ref(text_colour_));
    }
    pal.setColor(QPalette::Base, colour_from_ref(back_colour_));
    setPalette(pal);
}

std::string NoteBody::get_rtf() const {
    return write_rtf(*document(), {char_set_, kAnsiCodePage});
}

void NoteBody::set_rtf(const std::string& rtf) {
    // One look for addresses after the load, not one per piece of text put in.
    loading_ = true;
    read_rtf(rtf, *document(), {char_set_});
    loading_ = false;
    document()->clearUndoRedoStacks();
    step_undone_ = false;
    redo_available_ = false;
    detect_links();
    // A body cut short in the file loads as far as it goes and is the new point to go back to.
    fitting_rtf_ = get_rtf();
    fitting_size_ = body_to_stored(fitting_rtf_).size();
    fitting_caret_ = 0;
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
    loading_ = true;
    read_rtf(fitting_rtf_, *document(), {char_set_});
    loading_ = false;
    document()->clearUndoRedoStacks();
    step_undone_ = false;
    redo_available_ = false;
    detect_links();
    QTextCursor c(document());
    c.setPosition(std::clamp(fitting_caret_, 0, document()->characterCount() - 1));
    setTextCursor(c);
    notifier_(QString::fromUtf8(texts::kNoteFull));
}

// ---- Formatting helpers ---------------------------------------------------------------

QTextCharFormat NoteBody::effective_format_at_selection() const {
    QTextCursor c = textCursor();
    if (!c.hasSelection())
        return currentCharFormat();
    // The format of the first selected character.
    QTextCursor first(document());
    first.setPosition(c.selectionStart());
    first.movePosition(QTextCursor::NextCharacter);
    return first.charFormat();
}

bool NoteBody::selection_has(Effect effect) const {
    const QFont d = document()->defaultFont();
    auto has = [&](const QTextCharFormat& f) {
        switch (effect) {
            case Effect::Bold:
                return effective_bold(f, d);
            case Effect::Italic:
                return effective_italic(f, d);
            case Effect::Underline:
                return effective_underline(f, d);
            case Effect::Strike:
                return effective_strike(f, d);
        }
        return false;
    };
    QTextCursor c = textCursor();
    if (!c.hasSelection())
        return has(currentCharFormat());
    bool all = true;
    for_each_format(*document(), c.selectionStart(), c.selectionEnd(),
                    [&](const QTextCharFormat& f) {
                        all = has(f);
                        return all;
                    });
    return all;
}

void NoteBody::set_selection_format(const QTextCharFormat& f) {
    // With a selection this formats the selection, without one the insertion point.
    mergeCurrentCharFormat(f);
}

void NoteBody::toggle_effect(Effect effect) {
    bool on = !selection_has(effect);
    QTextCharFormat f;
    switch (effect) {
        case Effect::Bold:
            f.setFontWeight(on ? QFont::Bold : QFont::Normal);
            break;
        case Effect::Italic:
            f.setFontItalic(on);
            break;
        case Effect::Underline:
            f.setFontUnderline(on);
            break;
        case Effect::Strike:
            f.setFontStrikeOut(on);
            break;
    }
    set_selection_format(f);
}

int NoteBody::selection_points() const {
    return int(effective_points(effective_format_at_selection(), document()->defaultFont()));
}

void NoteBody::set_alignment(Qt::Alignment a) {
    QTextCursor c = textCursor();
    QTextBlockFormat f;
    f.setAlignment(a);
    c.mergeBlockFormat(f);
}

// ---- Commands -------------------------------------------------------------------------

void NoteBody::font_command() {
    const QFont d = document()->defaultFont();
    if (textCursor().hasSelection()) {
        QTextCharFormat cur = effective_format_at_selection();
        QFont initial(effective_family(cur, d));
        initial.setPointSizeF(std::max(1.0, effective_points(cur, d)));
        initial.setBold(effective_bold(cur, d));
        initial.setItalic(effective_italic(cur, d));
        initial.setUnderline(effective_underline(cur, d));
        initial.setStrikeOut(effective_strike(cur, d));
        auto chosen = font_chooser_(initial);
        if (!chosen)
            return;
        QTextCharFormat f;
        f.setFontFamilies({chosen->family()});
        // The chosen size is taken in whole points, as the dialog hands back tenths.
        f.setFontPointSize(std::max(1, int(chosen->pointSizeF() * 10) / 10));
        f.setProperty(kCharsetProperty, int(char_set_));
        f.setFontWeight(chosen->weight() == QFont::Bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(chosen->italic());
        f.setFontUnderline(chosen->underline());
        f.setFontStrikeOut(chosen->strikeOut());
        set_selection_format(f);
        return;
    }
    FontStyle st = parse_font_style(style_);
    QFont initial(QString::fromStdString(face_));
    initial.setPointSize(std::max(1, size_));
    initial.setBold(st.bold);
    initial.setItalic(st.italic);
    initial.setUnderline(st.underline);
    initial.setStrikeOut(st.strikeout);
    auto chosen = font_chooser_(initial);
    if (!chosen)
        return;
    face_ = chosen->family().toStdString();
    size_ = std::max(1, int(chosen->pointSizeF()));
    st.bold = chosen->weight() == QFont::Bold;
    st.italic = chosen->italic();
    st.underline = chosen->underline();
    st.strikeout = chosen->strikeOut();
    style_ = font_style_letters(st);
    apply_default_format(false);
}

void NoteBody::text_colour_command() {
    if (textCursor().hasSelection()) {
        QTextCharFormat cur = effective_format_at_selection();
        QColor initial = cur.hasProperty(QTextFormat::ForegroundBrush)
                             ? cur.foreground().color()
                             : colour_from_ref(text_colour_);
        auto chosen = colour_chooser_(initial);
        if (!chosen)
            return;
        QTextCharFormat f;
        f.setForeground(*chosen);
        set_selection_format(f);
        return;
    }
    auto chosen = colour_chooser_(colour_from_ref(text_colour_));
    if (!chosen)
        return;
    text_colour_ = ref_from_colour(*chosen);
    apply_default_format(false);
}

void NoteBody::note_colour_command() {
    auto chosen = colour_chooser_(colour_from_ref(back_colour_));
    if (!chosen)
        return;
    back_colour_ = ref_from_colour(*chosen);
    apply_default_format(true);
    emit back_colour_changed();
}

void NoteBody::bold_command() {
    toggle_effect(Effect::Bold);
}
void NoteBody::italic_command() {
    toggle_effect(Effect::Italic);
}
void NoteBody::underline_command() {
    toggle_effect(Effect::Underline);
}
void NoteBody::strikeout_command() {
    toggle_effect(Effect::Strike);
}

void NoteBody::regular_command() {
    QTextCharFormat f;
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    set_selection_format(f);
}

void NoteBody::increase_size_command() {
    QTextCharFormat f;
    f.setFontPointSize(std::max(1, screen_point_size(selection_points() + 1, screen_dpi())));
    set_selection_format(f);
}

void NoteBody::decrease_size_command() {
    QTextCharFormat f;
    int points = decreased_size(selection_points());
    f.setFontPointSize(std::max(1, screen_point_size(points, screen_dpi())));
    set_selection_format(f);
}

void NoteBody::left_command() {
    set_alignment(Qt::AlignLeft);
}
void NoteBody::center_command() {
    set_alignment(Qt::AlignHCenter);
}
void NoteBody::right_command() {
    set_alignment(Qt::AlignRight);
}

void NoteBody::paragraph_command() {
    QTextCursor c = textCursor();
    auto edited = paragraph_editor_(c.blockFormat());
    if (!edited)
        return;
    c.mergeBlockFormat(*edited);
}

void NoteBody::bullet_command() {
    QTextCursor c = textCursor();
    QTextList* list = c.currentList();
    bool is_bullet = list != nullptr && list->format().style() == QTextListFormat::ListDisc;
    c.beginEditBlock();
    if (is_bullet) {
        QTextBlock last = document()->findBlock(c.selectionEnd());
        for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid(); b = b.next()) {
            if (QTextList* l = b.textList())
                l->remove(b);
            QTextBlockFormat f = b.blockFormat();
            f.setIndent(0);
            QTextCursor bc(b);
            bc.setBlockFormat(f);
            if (b == last)
                break;
        }
    } else {
        QTextListFormat f;
        f.setStyle(QTextListFormat::ListDisc);
        c.createList(f);
    }
    c.endEditBlock();
}

void NoteBody::change_case(bool upper) {
    QTextCursor c = textCursor();
    QString text = c.selectedText();
    if (text.isEmpty())
        return;
    QTextCharFormat start_format = effective_format_at_selection();
    QString converted = upper ? text.toUpper() : text.toLower();
    c.beginEditBlock();
    c.insertText(converted, start_format);
    c.endEditBlock();
    setTextCursor(c);
}

void NoteBody::uppercase_command() {
    change_case(true);
}
void NoteBody::lowercase_command() {
    change_case(false);
}

void NoteBody::control_undo() {
    // One undo step, as the control keeps: undoing twice puts the step back.
    if (step_undone_) {
        if (document()->isRedoAvailable())
            redo();
        step_undone_ = false;
    } else if (document()->isUndoAvailable()) {
        undo();
        step_undone_ = true;
    }
}

void NoteBody::undo_command() {
    control_undo();
    redo_available_ = true;
}

void NoteBody::redo_command() {
    control_undo();
    redo_available_ = false;
}

void NoteBody::cut_command() {
    cut();
}
void NoteBody::copy_command() {
    copy();
}
void NoteBody::paste_command() {
    paste();
}

void NoteBody::delete_command() {
    QTextCursor c = textCursor();
    c.removeSelectedText();
    setTextCursor(c);
}

void NoteBody::select_all_command() {
    selectAll();
}

void NoteBody::find_command() {
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
    if (what.isEmpty())
        return false;
    QTextDocument::FindFlags flags;
    if (whole_word)
        flags |= QTextDocument::FindWholeWords;
    if (match_case)
        flags |= QTextDocument::FindCaseSensitively;
    QTextCursor sel = textCursor();
    QTextCursor found;
    if (down) {
        found = document()->find(what, sel.selectionEnd(), flags);
    } else {
        // The first match between the start of the text and the selection, not the nearest.
        found = document()->find(what, 0, flags);
        if (!found.isNull() && found.selectionEnd() > sel.selectionStart())
            found = QTextCursor();
    }
    if (found.isNull())
        return false;
    setTextCursor(found);
    return true;
}

// ---- Keyboard, focus, scroll bar ------------------------------------------------------

void NoteBody::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Control) {
        if (!ctrl_down_) {
            ctrl_down_ = true;
            emit ctrl_changed(true);
        }
    } else if (key == Qt::Key_Alt) {
        if (ctrl_down_) {
            ctrl_down_ = false;
            emit ctrl_changed(false);
        }
    }
    if (key == Qt::Key_Escape) {
        e->accept();
        return;
    }
    // The real modifier state decides, so a Ctrl pressed while another window had the focus
    // still counts and AltGr (Ctrl+Alt) types its characters.
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) && !(e->modifiers() & Qt::AltModifier);
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (ctrl)
            insertPlainText(QStringLiteral("\t"));
        e->accept();
        return;
    }
    if (ctrl) {
        switch (key) {
            case Qt::Key_B:
                bold_command();
                e->accept();
                return;
            case Qt::Key_I:
                italic_command();
                e->accept();
                return;
            case Qt::Key_U:
                underline_command();
                e->accept();
                return;
            case Qt::Key_S:
                strikeout_command();
                e->accept();
                return;
            case Qt::Key_F:
                if (ctrl_down_) {
                    ctrl_down_ = false;
                    emit ctrl_changed(false);
                }
                find_command();
                e->accept();
                return;
            default:
                break;
        }
    }
    if (e->matches(QKeySequence::Undo)) {
        control_undo();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Redo)) {
        if (step_undone_)
            control_undo();
        e->accept();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void NoteBody::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Control && ctrl_down_) {
        ctrl_down_ = false;
        emit ctrl_changed(false);
    }
    QTextEdit::keyReleaseEvent(e);
}

void NoteBody::focusOutEvent(QFocusEvent* e) {
    QTextEdit::focusOutEvent(e);
    // The key release goes elsewhere once the focus has left.
    if (ctrl_down_) {
        ctrl_down_ = false;
        emit ctrl_changed(false);
    }
    if (e->reason() != Qt::PopupFocusReason)
        emit focus_lost();
}

void NoteBody::set_scroll_bar_flag(bool show) {
    scroll_bar_flag_ = show;
    apply_scroll_bar_flag();
}

void NoteBody::apply_scroll_bar_flag() {
    setVerticalScrollBarPolicy(scroll_bar_flag_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void NoteBody::moveEvent(QMoveEvent* e) {
    QTextEdit::moveEvent(e);
    apply_scroll_bar_flag();
}

void NoteBody::resizeEvent(QResizeEvent* e) {
    QTextEdit::resizeEvent(e);
    apply_scroll_bar_flag();
}

// ---- Web addresses --------------------------------------------------------------------

void NoteBody::detect_links() {
    if (loading_)
        return;
    QString text = document()->toRawText();
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
        if (link.start + link.length >= end)
            continue;
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
    if (links_.empty())
        return nullptr;
    QPointF doc_pos(viewport_pos.x() + horizontalScrollBar()->value(),
                    viewport_pos.y() + verticalScrollBar()->value());
    int pos = document()->documentLayout()->hitTest(doc_pos, Qt::ExactHit);
    if (pos < 0)
        return nullptr;
    for (const Link& link : links_) {
        if (pos >= link.start && pos < link.start + link.length)
            return &link;
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
    if (!press_on_link_ || e->button() != Qt::LeftButton)
        return;
    press_on_link_ = false;
    QPoint pos = e->position().toPoint();
    // A drag over an address selects it instead of opening it.
    if ((pos - press_pos_).manhattanLength() >= QApplication::startDragDistance())
        return;
    if (const Link* link = link_at(pos))
        url_opener_(QUrl::fromUserInput(link->address));
}

// ---- Paste ----------------------------------------------------------------------------

bool NoteBody::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() || source->hasHtml() || source->hasImage() ||
           QTextEdit::canInsertFromMimeData(source);
}

void NoteBody::insertFromMimeData(const QMimeData* source) {
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
            if (find.charFormat().isImageFormat())
                find.removeSelectedText();
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
