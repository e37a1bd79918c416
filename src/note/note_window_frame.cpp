// Moving and sizing the frameless note with the mouse (hit zones, the work-area snap),
// keeping it on the screens there are, and the menus the right button opens.
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "note/note_bounds.h"
#include "note/note_menus.h"
#include "note/note_window.h"
#include "platform/window_hints.h"

namespace kd {

namespace {

NoteRect to_note_rect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Corrections of the toolkit's idea of the note's place in a row, before it is left alone.
constexpr int kMaxPlaceCorrections = 3;
// The second look at a reported move.
constexpr int kPlaceSettleMs = 300;

Qt::CursorShape cursor_for(HitZone zone) {
    switch (zone) {
        case HitZone::TopLeft:
        case HitZone::BottomRight:
            return Qt::SizeFDiagCursor;
        case HitZone::TopRight:
        case HitZone::BottomLeft:
            return Qt::SizeBDiagCursor;
        case HitZone::Top:
        case HitZone::Bottom:
            return Qt::SizeVerCursor;
        case HitZone::Left:
        case HitZone::Right:
            return Qt::SizeHorCursor;
        case HitZone::Client:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

HitZone NoteWindow::zone_at(const QPoint& global) const {
    return note_hit_test(to_note_rect(geometry()), {global.x(), global.y()}, note_.rolled_up());
}

std::vector<NoteRect> current_screen_rects(const QScreen* leaving) {
    std::vector<NoteRect> out;
    for (const QScreen* s : QGuiApplication::screens()) {
        if (s != leaving) {
            out.push_back(to_note_rect(s->geometry()));
        }
    }
    return out;
}

void NoteWindow::keep_on_current_screens(const QScreen* leaving) {
    const std::vector<NoteRect> screens = current_screen_rects(leaving);
    const QSize size = note_.rolled_up() ? unrolled_rect_.size() : this->size();
    if (kept_position_) {
        // Its own place is back on a screen: return there.
        const QRect home(*kept_position_, size);
        if (note_reachable(to_note_rect(home), screens)) {
            move(*kept_position_);
            if (window_hints::window_places_known()) {
                kept_position_.reset();
            }
        }
        return;
    }
    if (!note_reachable(to_note_rect(QRect(place(), size)), screens)) {
        kept_position_ = place();
        emit off_screen(this);
    }
}

QPoint NoteWindow::place() const {
    return move_unconfirmed_ ? place_before_report_ : pos();
}

void NoteWindow::confirm_reported_move() {
    if (!move_unconfirmed_) {
        return;
    }
    const std::optional<QPoint> on_screen = window_hints::position_on_screen(this);
    // Compared with the window's own area (the toolkit's pos() may include a frame).
    if (on_screen && *on_screen != geometry().topLeft()) {
        // The toolkit has it wrong: tell it where the note is (a move to where it stands). A
        // toolkit that keeps getting it wrong is not told for ever; the record then keeps the
        // place from before the reports.
        if (corrections_ < kMaxPlaceCorrections) {
            ++corrections_;
            move(pos() + (*on_screen - geometry().topLeft()));
        }
        return;
    }
    // A window manager may still be framing the note, its frame not yet where it goes: the
    // X server is asked once more a moment later before the move counts.
    if (on_screen && !move_settled_) {
        move_settled_ = true;
        move_check_.start(kPlaceSettleMs, this);
        return;
    }
    // Confirmed, or no X server to ask: the window system moved the note.
    corrections_ = 0;
    move_unconfirmed_ = false;
    note_.changed();
}

QRect NoteWindow::work_area() const {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s->availableGeometry();
}

bool NoteWindow::in_title_strip(const QPoint& local) const {
    return local.y() < frame_px() + kTitleHeight;
}

void NoteWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Dragging starts from where the note really is.
    corrections_ = 0;
    confirm_reported_move();
    const QPoint global = event->globalPosition().toPoint();
    drag_zone_ = zone_at(global);
    drag_ = drag_zone_ == HitZone::Client ? Drag::Move : Drag::Size;
    drag_start_global_ = global;
    drag_start_rect_ = geometry();
    event->accept();
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (drag_ == Drag::None || !(event->buttons() & Qt::LeftButton)) {
        drag_ = Drag::None;
        setCursor(cursor_for(zone_at(global)));
        return;
    }
    const QPoint delta = global - drag_start_global_;
    if (drag_ == Drag::Move) {
        if (!delta.isNull() && window_hints::window_places_known()) {
            kept_position_.reset();  // the user chose a new place
        }
        const NoteRect proposed = to_note_rect(drag_start_rect_.translated(delta));
        const NoteRect snapped =
            snap_moving_rect(proposed, to_note_rect(geometry()), to_note_rect(work_area()));
        move(snapped.left, snapped.top);
    } else {
        const NoteRect r =
            resize_rect(to_note_rect(drag_start_rect_), drag_zone_, delta.x(), delta.y());
        if ((r.left != drag_start_rect_.left() || r.top != drag_start_rect_.top()) &&
            window_hints::window_places_known()) {
            kept_position_.reset();
        }
        setGeometry(r.left, r.top, r.width(), r.height());
    }
    event->accept();
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_ = Drag::None;
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton && in_title_strip(event->position().toPoint())) {
        const QPoint at = event->globalPosition().toPoint();
        event->accept();
        emit title_menu_requested(at);
        menus_->open_title_menu(at);  // saves the note first
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void NoteWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && in_title_strip(event->position().toPoint())) {
        drag_ = Drag::None;
        toggle_roll();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

// --- The close button and the body menu ---------------------------------------------------

void NoteWindow::on_close_clicked() {
    if (note_.deleted()) {
        return;
    }
    menus_->close_button_clicked(QCursor::pos());
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event) {
    if (destroying_ || body_ == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    if (watched == body_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            menus_->open_body_menu(mouse->globalPosition().toPoint(),
                                   body_->text_position_at(mouse->position().toPoint()));
            return true;
        }
    }
    if (watched == body_ && event->type() == QEvent::ContextMenu) {
        // The menu key: the menu opens at the text cursor.
        auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Keyboard) {
            menus_->open_body_menu(body_->viewport()->mapToGlobal(body_->cursorRect().bottomLeft()),
                                   body_->textCursor().position());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kd
