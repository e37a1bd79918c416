// The title strip of a note: its text, the date title, font, size, alignment and colours.
#include <QFont>
#include <algorithm>
#include <ctime>

#include "note/note_geometry.h"
#include "note/note_settings.h"
#include "note/note_title_strip.h"
#include "note/note_window.h"
#include "platform/clock.h"
#include "richtext/qt_colour.h"
#include "store/note_store.h"

namespace kd {

// --- Title ------------------------------------------------------------------------------

void NoteWindow::apply_default_title() {
    const std::string value = services_.store().settings().text(Setting::DefaultTitle);
    if (!value.empty() && value != note_settings::kDateTitleWord) {
        set_title_text(value);
        return;
    }
    set_date_title();
    if (value.empty())
        services_.store().settings().set_text(Setting::DefaultTitle, note_settings::kDateTitleWord);
}

void NoteWindow::set_date_title() {
    const std::string format = services_.store().settings().text(Setting::DefaultDateFormat);
    const std::tm local = services_.clock().local_now();
    set_title_text(
        format_date_title(format, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

void NoteWindow::set_title_text(const std::string& text) {
    const QString q = QString::fromStdString(text);
    title_label_->setText(q);
    setWindowTitle(q);
    title_label_->update();
    note_changed();
}

std::string NoteWindow::title_text() const {
    return title_label_->text().toStdString();
}

void NoteWindow::rebuild_title_font() {
    const StyleLetters s = parse_style_letters(title_.style);
    QFont font(QString::fromStdString(title_.face));
    font.setPixelSize(std::max(1, -font_height_for_points(title_.size, logicalDpiY())));
    font.setWeight(s.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(s.italic);
    font.setUnderline(s.underline);
    font.setStrikeOut(s.strikeout);
    title_label_->setFont(font);
    title_label_->update();
    note_changed();
}

void NoteWindow::apply_title_font() {
    const StyleLetters s = parse_style_letters(title_.style);
    if (s.align != 0)
        set_title_alignment(s.align);
    rebuild_title_font();
}

void NoteWindow::set_title_alignment(char letter) {
    Qt::Alignment h = Qt::AlignLeft;
    if (letter == 'C')
        h = Qt::AlignHCenter;
    if (letter == 'R')
        h = Qt::AlignRight;
    title_label_->setAlignment(h | Qt::AlignVCenter);
    set_title_text(aligned_title_text(title_text(), letter));
    title_.style = with_alignment_letter(title_.style, letter);
}

void NoteWindow::increase_title_size() {
    title_.size = title_size_increased(title_.size);
    rebuild_title_font();
}

void NoteWindow::decrease_title_size() {
    title_.size = title_size_decreased(title_.size);
    rebuild_title_font();
}

void NoteWindow::set_title_look(const TitleLook& look) {
    title_ = look;
}

void NoteWindow::set_title_colours(ColorRef text, ColorRef back) {
    title_.text_colour = text;
    title_.back_colour = back;
    QPalette pal;
    pal.setColor(QPalette::Window, to_qcolor(back));
    pal.setColor(QPalette::WindowText, to_qcolor(text));
    pal.setColor(QPalette::Base, to_qcolor(back));
    const QColor ink = to_qcolor(text);
    title_label_->setPalette(pal);
    for (NoteIcon* icon :
         {roll_down_icon_, close_button_, status_icon_, expiration_icon_, alarm_icon_}) {
        icon->setPalette(pal);
        icon->set_ink(ink);
    }
    update();
    note_changed();
}

}  // namespace kd
