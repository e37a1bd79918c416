#include "app/tray_pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>

#include "app/tray_menu.h"

namespace kd {

namespace {

using Drawing = void (*)(QPainter&);

// Every drawing works on a 16 x 16 grid; the engine scales it to the size asked for.
const QColor kInk(60, 60, 60);
const QColor kNoteYellow(255, 235, 120);
const QColor kNoteEdge(150, 130, 40);
const QColor kGreen(40, 140, 60);
const QColor kBlue(40, 100, 190);
const QColor kRed(200, 50, 40);

QPen pen(const QColor& colour, qreal width = 1.4) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void note_sheet(QPainter& p, const QRectF& r) {
    p.setPen(pen(kNoteEdge, 1.0));
    p.setBrush(kNoteYellow);
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 205, 60));
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 2.5));
}

void draw_new_note(QPainter& p) {
    note_sheet(p, QRectF(1.5, 2.5, 10, 11));
    p.setPen(pen(kGreen, 2.2));
    p.drawLine(QPointF(12, 8.5), QPointF(12, 14.5));
    p.drawLine(QPointF(9, 11.5), QPointF(15, 11.5));
}

void eye(QPainter& p) {
    QPainterPath lids;
    lids.moveTo(1, 8);
    lids.quadTo(8, 1, 15, 8);
    lids.quadTo(8, 15, 1, 8);
    p.setPen(pen(kInk, 1.3));
    p.setBrush(Qt::white);
    p.drawPath(lids);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 2.6, 2.6);
}

void draw_show_all(QPainter& p) {
    eye(p);
}

void draw_hide_all(QPainter& p) {
    eye(p);
    p.setPen(pen(kRed, 1.8));
    p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
}

void draw_find_notes(QPainter& p) {
    note_sheet(p, QRectF(1.5, 1.5, 10, 11));
    p.setPen(pen(kBlue, 1.6));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(8.5, 8.5), 3.6, 3.6);
    p.setPen(pen(kInk, 2.2));
    p.drawLine(QPointF(11.2, 11.2), QPointF(14.5, 14.5));
}

void draw_notes_menu(QPainter& p) {
    note_sheet(p, QRectF(5.5, 1.5, 9, 8));
    note_sheet(p, QRectF(1.5, 6.5, 9, 8));
    p.setPen(pen(kInk, 1.0));
    p.drawLine(QPointF(3.5, 11), QPointF(8.5, 11));
    p.drawLine(QPointF(3.5, 13), QPointF(7.5, 13));
}

void tray_box(QPainter& p) {
    p.setPen(pen(kInk, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(2, 9), QPointF(2, 14), QPointF(14, 14), QPointF(14, 9)}));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    p.setPen(pen(colour, 1.8));
    p.drawLine(from, to);
    const qreal dir = to.y() < from.y() ? 1 : -1;  // the head opens away from the tip
    p.drawPolyline(QPolygonF(
        {QPointF(to.x() - 3, to.y() + 3 * dir), to, QPointF(to.x() + 3, to.y() + 3 * dir)}));
}

void draw_export(QPainter& p) {
    tray_box(p);
    arrow(p, QPointF(8, 11), QPointF(8, 1.5), kGreen);
}

void draw_import(QPainter& p) {
    tray_box(p);
    arrow(p, QPointF(8, 1.5), QPointF(8, 11), kBlue);
}

void draw_mail(QPainter& p) {
    p.setPen(pen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.drawPolyline(QPolygonF({QPointF(1.5, 3.5), QPointF(8, 9), QPointF(14.5, 3.5)}));
}

void draw_settings(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(45.0 * i);
        p.drawRect(QRectF(-1.4, -7.5, 2.8, 4));
        p.restore();
    }
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void draw_about(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 7, 7);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.5), 1.2, 1.2);
    p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 6), 0.8, 0.8);
}

void draw_exit(QPainter& p) {
    p.setPen(pen(kRed, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 3, 11, 11), 120 * 16, 300 * 16);
    p.drawLine(QPointF(8, 1.5), QPointF(8, 8));
}

struct TrayPicture {
    int id;
    const char* theme_name;
    Drawing draw;
};

constexpr std::array<TrayPicture, 11> kPictures{{
    {kCmdNewNote, "document-new", draw_new_note},
    {kCmdShowAll, "view-visible", draw_show_all},
    {kCmdHideAll, "view-hidden", draw_hide_all},
    {kCmdFindNotes, "edit-find", draw_find_notes},
    {kCmdNotesMenu, "view-list-text", draw_notes_menu},
    {kCmdExport, "document-export", draw_export},
    {kCmdImport, "document-import", draw_import},
    {kCmdCheckEmail, "mail-send-receive", draw_mail},
    {kCmdSettings, "preferences-system", draw_settings},
    {kCmdAbout, "help-about", draw_about},
    {kCmdExit, "application-exit", draw_exit},
}};

const TrayPicture* find_picture(int id) {
    for (const TrayPicture& picture : kPictures) {
        if (picture.id == id) {
            return &picture;
        }
    }
    return nullptr;
}

// Paints a drawing at whatever size and pixel ratio the menu asks for.
class DrawnIconEngine : public QIconEngine {
public:
    explicit DrawnIconEngine(Drawing draw) : draw_(draw) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.35);
        }
        draw_(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels already (the logical size times `scale`).
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        {
            QPainter painter(&pm);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(draw_); }
    QString key() const override { return QStringLiteral("kd-drawn"); }

private:
    Drawing draw_;
};

}  // namespace

const char* tray_picture_name(int command_id) {
    const TrayPicture* picture = find_picture(command_id);
    return picture == nullptr ? "" : picture->theme_name;
}

QIcon drawn_tray_picture(int command_id) {
    const TrayPicture* picture = find_picture(command_id);
    return picture == nullptr ? QIcon() : QIcon(new DrawnIconEngine(picture->draw));
}

QIcon note_colour_picture(const QColor& title, const QColor& body) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(QColor(90, 90, 90), 1.0));
    p.setBrush(body);
    p.drawRect(QRect(1, 1, 13, 13));
    p.fillRect(QRect(2, 2, 12, 4), title);
    p.end();
    return QIcon(pm);
}

QIcon tray_picture(int command_id) {
    const TrayPicture* picture = find_picture(command_id);
    if (picture == nullptr) {
        return {};
    }
    return QIcon::fromTheme(QString::fromLatin1(picture->theme_name),
                            drawn_tray_picture(command_id));
}

}  // namespace kd
