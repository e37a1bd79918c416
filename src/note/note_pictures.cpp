#include "note/note_pictures.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace kd {

namespace {

// A send failure must stand out whatever the theme.
const QColor kFailureRed(210, 30, 30);

void draw_close(QPainter& p, const QColor& ink, int s) {
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1.5, 1.5), QPointF(s - 1.5, s - 1.5));
    p.drawLine(QPointF(s - 1.5, 1.5), QPointF(1.5, s - 1.5));
}

void draw_roll_down(QPainter& p, const QColor& ink, int s) {
    // A bar with a downward arrow under it: "pull the note down".
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(1, 1, s - 2, 1.5));
    QPainterPath arrow;
    arrow.moveTo(1.5, 4.5);
    arrow.lineTo(s - 1.5, 4.5);
    arrow.lineTo(s / 2.0, s - 1.0);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

void draw_received(QPainter& p, const QColor& ink, int s) {
    // An envelope.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::NoBrush);
    const QRectF box(0.5, 2.5, s - 1, s - 5);
    p.drawRect(box);
    p.drawLine(box.topLeft(), QPointF(s / 2.0, s / 2.0 + 0.5));
    p.drawLine(QPointF(s / 2.0, s / 2.0 + 0.5), box.topRight());
}

void draw_sent(QPainter& p, const QColor& ink, int s) {
    // A tick.
    p.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(1.5, s / 2.0);
    tick.lineTo(s / 2.5, s - 2.0);
    tick.lineTo(s - 1.5, 2.0);
    p.drawPath(tick);
}

void draw_send_failed(QPainter& p, int s) {
    p.setPen(Qt::NoPen);
    p.setBrush(kFailureRed);
    p.drawEllipse(QRectF(0, 0, s, s));
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.2, 3.2), QPointF(s - 3.2, s - 3.2));
    p.drawLine(QPointF(s - 3.2, 3.2), QPointF(3.2, s - 3.2));
}

void draw_expiration(QPainter& p, const QColor& ink, int s) {
    // An hourglass.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(1.5, 0.5), QPointF(s - 1.5, 0.5));
    p.drawLine(QPointF(1.5, s - 0.5), QPointF(s - 1.5, s - 0.5));
    QPainterPath glass;
    glass.moveTo(2.5, 1);
    glass.lineTo(s - 2.5, 1);
    glass.lineTo(s / 2.0 + 0.7, s / 2.0);
    glass.lineTo(s - 2.5, s - 1);
    glass.lineTo(2.5, s - 1);
    glass.lineTo(s / 2.0 - 0.7, s / 2.0);
    glass.closeSubpath();
    p.drawPath(glass);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPainterPath sand;
    sand.moveTo(3.5, s - 1.5);
    sand.lineTo(s - 3.5, s - 1.5);
    sand.lineTo(s / 2.0, s / 2.0 + 1.5);
    sand.closeSubpath();
    p.drawPath(sand);
}

void draw_alarm(QPainter& p, const QColor& ink, int s) {
    // A bell.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPainterPath bell;
    bell.moveTo(s / 2.0, 0.5);
    bell.cubicTo(s - 2.0, 0.5, s - 2.0, 3.0, s - 2.0, 6.0);
    bell.lineTo(s - 0.5, s - 2.5);
    bell.lineTo(0.5, s - 2.5);
    bell.lineTo(2.0, 6.0);
    bell.cubicTo(2.0, 3.0, 2.0, 0.5, s / 2.0, 0.5);
    p.drawPath(bell);
    p.drawEllipse(QRectF(s / 2.0 - 1.5, s - 2.5, 3, 2.5));
}

void draw_alarm_ringing(QPainter& p, int s) {
    // The bell in signal red with strokes of sound beside its crown: it must catch the eye on
    // any theme.
    draw_alarm(p, kFailureRed, s);
    p.setPen(QPen(kFailureRed, 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, 4.0));
    p.drawLine(QPointF(s - 0.5, 0.5), QPointF(s - 0.5, 4.0));
}

}  // namespace

static QPixmap draw_note_picture(NotePicture which, const QColor& ink);

QPixmap note_picture(NotePicture which, const QColor& ink) {
    // Every note draws the same few pictures in its title colour; drawing them once per
    // colour keeps the start with many notes short. Pictures are made on the UI thread only.
    static QHash<quint64, QPixmap> drawn;
    const quint64 key = (quint64(static_cast<int>(which)) << 32) | ink.rgba();
    if (const auto it = drawn.constFind(key); it != drawn.constEnd()) {
        return *it;
    }
    if (drawn.size() > 256) {
        drawn.clear();
    }
    QPixmap pm = draw_note_picture(which, ink);
    drawn.insert(key, pm);
    return pm;
}

static QPixmap draw_note_picture(NotePicture which, const QColor& ink) {
    const int s = which == NotePicture::Close ? kCloseButtonSize : kNoteIconSize;
    QPixmap pm(s, s);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
        case NotePicture::Close:
            draw_close(p, ink, s);
            break;
        case NotePicture::RollDown:
            draw_roll_down(p, ink, s);
            break;
        case NotePicture::Received:
            draw_received(p, ink, s);
            break;
        case NotePicture::Sent:
            draw_sent(p, ink, s);
            break;
        case NotePicture::SendFailed:
            draw_send_failed(p, s);
            break;
        case NotePicture::Expiration:
            draw_expiration(p, ink, s);
            break;
        case NotePicture::Alarm:
            draw_alarm(p, ink, s);
            break;
        case NotePicture::AlarmRinging:
            draw_alarm_ringing(p, s);
            break;
    }
    return pm;
}

}  // namespace kd
