#include "files/note_print.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "files/file_texts.h"
#include "note/note_view.h"
#include "richtext/qt_colour.h"
#include "store/style_letters.h"

namespace kd {

namespace {

// The body starts three title heights down on every page, as the title's space on the first.
constexpr int kBodyTopInTitleHeights = 3;

void draw_title(QPainter& painter, const Note& note, const QFont& font, int width, int height) {
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     QString::fromStdString(note.title_text()));
    painter.restore();
}

// The page stays white: a note's background fill on every page would cost a page of ink or
// toner each and many printers drop it anyway. So the body prints in its own colours where
// they read on the paper, and text that the note shows light on a dark background (a dark
// theme's white) prints dark instead of vanishing. The threshold is the contrast ratio that
// large text needs to be legible; red on white (4:1) keeps its colour, yellow (1.1:1) does not.
constexpr double kLeastContrastOnPaper = 3.0;

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour that prints for `text` on `paper`: the text's own, or black or white, whichever
// reads better, when the own one does not read.
QColor readable_on(const QColor& text, const QColor& paper) {
    if (contrast(text, paper) >= kLeastContrastOnPaper) {
        return text;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrast(black, paper) >= contrast(white, paper) ? black : white;
}

// Gives every piece of text of the printed copy a colour that reads on white paper or on its
// own highlight colour. Returns the default text colour to print with.
QColor make_readable_on_paper(QTextDocument& body, const QColor& default_text) {
    const QColor paper(Qt::white);
    std::vector<std::pair<std::pair<int, int>, QColor>> changes;
    for (QTextBlock block = body.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment piece = it.fragment();
            const QTextCharFormat format = piece.charFormat();
            const bool own_text = format.foreground().style() != Qt::NoBrush;
            const bool own_paper = format.background().style() != Qt::NoBrush;
            if (!own_text && !own_paper) {
                continue;  // prints with the default colour, made readable below
            }
            const QColor text = own_text ? format.foreground().color() : default_text;
            const QColor under = own_paper ? format.background().color() : paper;
            const QColor printed = readable_on(text, under);
            if (printed != text || !own_text) {
                changes.push_back({{piece.position(), piece.length()}, printed});
            }
        }
    }
    for (const auto& [range, colour] : changes) {
        QTextCursor cursor(&body);
        cursor.setPosition(range.first);
        cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(colour);
        cursor.mergeCharFormat(format);
    }
    return readable_on(default_text, paper);
}

}  // namespace

QFont print_title_font(const TextLook& look, int dots_per_inch) {
    const FontStyle style = parse_font_style(look.style);
    QFont font(QString::fromStdString(look.face));
    font.setPixelSize(std::max(1, -font_height_for_points(look.size, dots_per_inch)));
    font.setWeight(style.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strikeout);
    return font;
}

int print_note(const NoteView& view, QPrinter& printer) {
    const Note& note = view.note();
    printer.setDocName(QString::fromUtf8(file_texts::kPrintDocumentName));
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    const int width = printer.width();
    const int height = printer.height();
    const QFont title_font = print_title_font(note.title_look(), printer.logicalDpiY());
    const int title_height = QFontMetrics(title_font, &printer).height();
    draw_title(painter, note, title_font, width, title_height);

    // A title too large for the page still leaves the body half of it, so the body always
    // goes on.
    const int body_top = std::min(kBodyTopInTitleHeights * title_height, height / 2);
    const int body_height = height - body_top;
    std::unique_ptr<QTextDocument> body = view.body_document();
    const QColor text = make_readable_on_paper(*body, to_qcolor(note.body_look().text_colour));
    body->documentLayout()->setPaintDevice(&printer);
    body->setPageSize(QSizeF(width, body_height));
    const int pages = std::max(1, body->pageCount());

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, text);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) {
            printer.newPage();
        }
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
