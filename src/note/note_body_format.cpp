// The body's character and paragraph format commands, and the helpers that read the look
// of the selection against the document's default font.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>

#include "note/note_body.h"
#include "richtext/body_metrics.h"
#include "richtext/char_look.h"
#include "richtext/qt_colour.h"
#include "richtext/rtf_document.h"
#include "store/style_letters.h"

namespace kd {

namespace {

double effective_points(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : d.pointSizeF();
}
// Calls `visit` with the format of every piece of text between `start` and `end`.
template <typename Visit>
void for_each_format(const QTextDocument& doc, int start, int end, Visit&& visit) {
    for (QTextBlock b = doc.findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment frag = it.fragment();
            int fs = frag.position();
            int fe = fs + frag.length();
            if (fe <= start || fs >= end) {
                continue;
            }
            if (!visit(frag.charFormat())) {
                return;
            }
        }
    }
}

bool is_bullet_list(const QTextList* list) {
    return list != nullptr && list->format().style() == QTextListFormat::ListDisc;
}

}  // namespace

// ---- Formatting helpers ---------------------------------------------------------------

QTextCharFormat NoteBody::effective_format_at_selection() const {
    QTextCursor c = textCursor();
    if (!c.hasSelection()) {
        return currentCharFormat();
    }
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
    if (!c.hasSelection()) {
        return has(currentCharFormat());
    }
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
    finish_reading();
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
        if (!chosen) {
            return;
        }
        QTextCharFormat f;
        f.setFontFamilies({chosen->family()});
        // The chosen size is taken in whole points, as the dialog hands back tenths.
        f.setFontPointSize(std::max(1, int(chosen->pointSizeF() * 10) / 10));
        f.setProperty(kCharsetProperty, int(look_.char_set));
        f.setFontWeight(chosen->weight() == QFont::Bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(chosen->italic());
        f.setFontUnderline(chosen->underline());
        f.setFontStrikeOut(chosen->strikeOut());
        set_selection_format(f);
        return;
    }
    FontStyle st = parse_font_style(look_.style);
    QFont initial(QString::fromStdString(look_.face));
    initial.setPointSize(std::max(1, look_.size));
    initial.setBold(st.bold);
    initial.setItalic(st.italic);
    initial.setUnderline(st.underline);
    initial.setStrikeOut(st.strikeout);
    auto chosen = font_chooser_(initial);
    if (!chosen) {
        return;
    }
    look_.face = chosen->family().toStdString();
    look_.size = std::max(1, int(chosen->pointSizeF()));
    st.bold = chosen->weight() == QFont::Bold;
    st.italic = chosen->italic();
    st.underline = chosen->underline();
    st.strikeout = chosen->strikeOut();
    look_.style = font_style_letters(st);
    apply_default_format(false);
}

void NoteBody::text_colour_command() {
    finish_reading();
    if (textCursor().hasSelection()) {
        QTextCharFormat cur = effective_format_at_selection();
        QColor initial = cur.hasProperty(QTextFormat::ForegroundBrush)
                             ? cur.foreground().color()
                             : to_qcolor(look_.text_colour);
        auto chosen = colour_chooser_(initial);
        if (!chosen) {
            return;
        }
        QTextCharFormat f;
        f.setForeground(*chosen);
        set_selection_format(f);
        return;
    }
    auto chosen = colour_chooser_(to_qcolor(look_.text_colour));
    if (!chosen) {
        return;
    }
    look_.text_colour = to_colorref(*chosen);
    apply_default_format(false);
}

void NoteBody::note_colour_command() {
    finish_reading();
    auto chosen = colour_chooser_(to_qcolor(look_.back_colour));
    if (!chosen) {
        return;
    }
    look_.back_colour = to_colorref(*chosen);
    apply_default_format(true);
    emit back_colour_changed();
}

void NoteBody::bold_command() {
    finish_reading();
    toggle_effect(Effect::Bold);
}
void NoteBody::italic_command() {
    finish_reading();
    toggle_effect(Effect::Italic);
}
void NoteBody::underline_command() {
    finish_reading();
    toggle_effect(Effect::Underline);
}
void NoteBody::strikeout_command() {
    finish_reading();
    toggle_effect(Effect::Strike);
}

void NoteBody::regular_command() {
    finish_reading();
    QTextCharFormat f;
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    set_selection_format(f);
}

void NoteBody::increase_size_command() {
    finish_reading();
    QTextCharFormat f;
    f.setFontPointSize(std::max(1, screen_point_size(selection_points() + 1, screen_dpi())));
    set_selection_format(f);
}

void NoteBody::decrease_size_command() {
    finish_reading();
    QTextCharFormat f;
    int points = decreased_size(selection_points());
    f.setFontPointSize(std::max(1, screen_point_size(points, screen_dpi())));
    set_selection_format(f);
}

void NoteBody::left_command() {
    finish_reading();
    set_alignment(Qt::AlignLeft);
}
void NoteBody::center_command() {
    finish_reading();
    set_alignment(Qt::AlignHCenter);
}
void NoteBody::right_command() {
    finish_reading();
    set_alignment(Qt::AlignRight);
}

void NoteBody::paragraph_command() {
    finish_reading();
    QTextCursor c = textCursor();
    const bool bullet = is_bullet_list(c.currentList());
    QTextBlockFormat current = c.blockFormat();
    current.setProperty(kBulletProperty, bullet);
    auto edited = paragraph_editor_(current);
    if (!edited) {
        return;
    }
    const bool wanted =
        edited->hasProperty(kBulletProperty) ? edited->boolProperty(kBulletProperty) : bullet;
    edited->clearProperty(kBulletProperty);
    c.beginEditBlock();
    c.mergeBlockFormat(*edited);
    if (wanted != bullet) {
        bullet_command();
    }
    c.endEditBlock();
}

void NoteBody::bullet_command() {
    finish_reading();
    QTextCursor c = textCursor();
    bool is_bullet = is_bullet_list(c.currentList());
    c.beginEditBlock();
    if (is_bullet) {
        QTextBlock last = document()->findBlock(c.selectionEnd());
        for (QTextBlock b = document()->findBlock(c.selectionStart()); b.isValid(); b = b.next()) {
            if (QTextList* l = b.textList()) {
                l->remove(b);
            }
            QTextBlockFormat f = b.blockFormat();
            f.setIndent(0);
            QTextCursor bc(b);
            bc.setBlockFormat(f);
            if (b == last) {
                break;
            }
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
    if (text.isEmpty()) {
        return;
    }
    QTextCharFormat start_format = effective_format_at_selection();
    QString converted = upper ? text.toUpper() : text.toLower();
    c.beginEditBlock();
    c.insertText(converted, start_format);
    c.endEditBlock();
    setTextCursor(c);
}

void NoteBody::uppercase_command() {
    finish_reading();
    change_case(true);
}
void NoteBody::lowercase_command() {
    finish_reading();
    change_case(false);
}

}  // namespace kd
