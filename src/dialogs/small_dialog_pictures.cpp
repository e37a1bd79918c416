#include "dialogs/small_dialog_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "dialogs/small_dialog_rules.h"

namespace kd {

namespace {

QPixmap blank(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

}  // namespace

QPixmap key_picture(int size) {
    QPixmap pm = blank(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(120, 90, 10), 2));
    p.setBrush(QColor(230, 190, 60));
    p.drawEllipse(QRectF(3, 9, 13, 13));
    p.drawRect(QRectF(15, 13.5, 14, 4));
    p.drawRect(QRectF(23, 17.5, 3, 5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(7, 13, 5, 5));
    return pm;
}

QPixmap pen_picture(int size) {
    QPixmap pm = blank(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(40, 40, 120), 1.5));
    p.setBrush(QColor(250, 240, 150));
    p.drawRect(QRectF(3, 5, 22, 24));
    p.setBrush(QColor(70, 110, 200));
    QPainterPath pen;
    pen.moveTo(12, 22);
    pen.lineTo(27, 4);
    pen.lineTo(30, 7);
    pen.lineTo(15, 25);
    pen.lineTo(11, 26);
    pen.closeSubpath();
    p.drawPath(pen);
    return pm;
}

QIcon alignment_picture(int alignment) {
    QPixmap pm = blank(16);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    const int widths[] = {14, 9, 12, 7};
    for (int i = 0; i < 4; ++i) {
        const int w = widths[i];
        int x = 1;
        if (alignment == small_dialogs::kAlignCenter) {
            x = (16 - w) / 2;
        } else if (alignment == small_dialogs::kAlignRight) {
            x = 15 - w;
        }
        p.drawLine(x, 3 + i * 3, x + w - 1, 3 + i * 3);
    }
    return QIcon(pm);
}

}  // namespace kd
