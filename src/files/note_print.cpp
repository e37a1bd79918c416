#include "files/note_print.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>
#include <memory>

#include "files/file_texts.h"
#include "note/note_window.h"
#include "richtext/qt_colour.h"
#include "store/style_letters.h"

namespace kd {

namespace {

// The body starts three title heights down on every page, as the title's space on the first.
constexpr int kBodyTopInTitleHeights = 3;

void draw_title(QPainter& painter, const NoteWindow& note, const QFont& font, int width,
                int height) {
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     QString::fromStdString(note.title_text()));
    painter.restore();
}

}  // namespace

QFont print_title_font(const TitleLook& look, int dots_per_inch) {
    const FontStyle style = parse_font_style(look.style);
    QFont font(QString::fromStdString(look.face));
    font.setPixelSize(std::max(1, -font_height_for_points(look.size, dots_per_inch)));
    font.setWeight(style.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strikeout);
    return font;
}

int print_note(const NoteWindow& note, QPrinter& printer) {
    printer.setDocName(QString::fromUtf8(file_texts::kPrintDocumentName));
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const int width = printer.width();
    const int height = printer.height();
    const QFont title_font = print_title_font(note.title_look(), printer.logicalDpiY());
    const int title_height = QFontMetrics(title_font, &printer).height();
    draw_title(painter, note, title_font, width, title_height);

    // A title too large for the page still leaves the body half of it, so the body always
    // goes on.
    const int body_top = std::min(kBodyTopInTitleHeights * title_height, height / 2);
    const int body_height = height - body_top;
    std::unique_ptr<QTextDocument> body(note.body()->document()->clone());
    body->documentLayout()->setPaintDevice(&printer);
    body->setPageSize(QSizeF(width, body_height));
    const int pages = std::max(1, body->pageCount());

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, to_qcolor(note.body()->text_colour()));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer.newPage();
        painter.save();
        painter.setClipRect(QRect(0, body_top, width, body_height));
        painter.translate(0, body_top - page * body_height);
        context.clip = QRectF(0, page * body_height, width, body_height);
        body->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    painter.end();
    return pages;
}

}  // namespace kd
