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
        // As the title strip shows it: what is no UTF-8 is kept as shown.
        note_.set_title_text(QString::fromStdString(value).toStdString());
        return;
    }
    set_date_title();
    if (value.empty()) {
        services_.store().settings().set_text(Setting::DefaultTitle, note_settings::kDateTitleWord);
    }
}

void NoteWindow::set_date_title() {
    const std::string format = services_.store().settings().text(Setting::DefaultDateFormat);
    const std::tm local = services_.clock().local_now();
    note_.set_title_text(
        format_date_title(format, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

void NoteWindow::show_title_text() {
    const QString q = QString::fromStdString(note_.title_text());
    title_label_->setText(q);
    setWindowTitle(q);
    title_label_->update();
}

void NoteWindow::show_title_look() {
    const TextLook& look = note_.title_look();
    if (shown_title_look_ == look) {
        return;
    }
    shown_title_look_ = look;
    QPalette pal;
    pal.setColor(QPalette::Window, to_qcolor(look.back_colour));
    pal.setColor(QPalette::WindowText, to_qcolor(look.text_colour));
    pal.setColor(QPalette::Base, to_qcolor(look.back_colour));
    const QColor ink = to_qcolor(look.text_colour);
    title_label_->setPalette(pal);
    for (NoteIcon* icon :
         {roll_down_icon_, close_button_, status_icon_, expiration_icon_, alarm_icon_}) {
        if (icon != nullptr) {
            icon->setPalette(pal);
            icon->set_ink(ink);
        }
    }

    const StyleLetters s = parse_style_letters(look.style);
    QFont font(QString::fromStdString(look.face));
    font.setPixelSize(std::max(1, -font_height_for_points(look.size, logicalDpiY())));
    font.setWeight(s.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(s.italic);
    font.setUnderline(s.underline);
    font.setStrikeOut(s.strikeout);
    title_label_->setFont(font);

    if (s.align != 0) {
        Qt::Alignment h = Qt::AlignLeft;
        if (s.align == 'C') {
            h = Qt::AlignHCenter;
        }
        if (s.align == 'R') {
            h = Qt::AlignRight;
        }
        title_label_->setAlignment(h | Qt::AlignVCenter);
    }
    title_label_->update();
    update();
}

}  // namespace kd
