// The title strip's widgets: the title label and the small pictures on the strip (roll-down,
// close button, status, alarm and expiration icons). The window lays them out and handles
// the strip's mouse input; its title methods live in note_title_strip.cpp.
#pragma once

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <functional>

#include "note/note_pictures.h"

namespace kd {

// The title a note has until its default title is applied.
inline constexpr const char* kInitialTitle = "Note Title";

// A text label of the title strip; the window handles its mouse input (dragging, rolling).
class NoteTitleLabel : public QLabel {
public:
    explicit NoteTitleLabel(QWidget* parent) : QLabel(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAutoFillBackground(true);
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setWordWrap(false);
    }
};

// A small picture on the title strip, optionally clickable.
class NoteIcon : public QLabel {
public:
    NoteIcon(QWidget* parent, NotePicture picture) : QLabel(parent), picture_(picture) {
        setAutoFillBackground(true);
        setAlignment(Qt::AlignCenter);
    }
    void set_picture(NotePicture picture, const QColor& ink) {
        picture_ = picture;
        set_ink(ink);
    }
    void set_ink(const QColor& ink) {
        const QPixmap pm = note_picture(picture_, ink);
        setPixmap(pm);
        setFixedSize(pm.size());
    }
    NotePicture picture() const { return picture_; }
    std::function<void()> on_click;
    // The style of the icon's tips, applied when its tip is first asked for: a style sheet
    // costs a polish through it, every received note shows its mark, and few tips are read.
    void set_tip_style(const char* style) { tip_style_ = style; }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && tip_style_ != nullptr) {
            setStyleSheet(QString::fromUtf8(tip_style_));
            tip_style_ = nullptr;
        }
        return QLabel::event(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && on_click) {
            event->accept();
            // The handler may delete the window (and this icon) after a question box.
            QTimer::singleShot(0, parentWidget(), on_click);
            return;
        }
        QLabel::mousePressEvent(event);
    }

private:
    NotePicture picture_;
    const char* tip_style_ = nullptr;
};

}  // namespace kd
