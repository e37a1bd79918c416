// A note's record round trip: the window built from a stored, received or imported record,
// and the record it writes back at its save moments.
#include "note/note_bounds.h"
#include "note/note_settings.h"
#include "note/note_window.h"
#include "platform/window_hints.h"

namespace kd {

bool NoteWindow::create_from_record(const NoteRecord& from, bool placed_as_new, bool imported) {
    // Whatever the record came from, the window is built from numbers it can hold.
    const NoteRecord record = bounded_note_record(from, desktop_bounds(current_screen_rects()));
    note_.begin_filling(!placed_as_new);
    take_record_look(record);

    // A restored note that has expired meanwhile goes before anyone sees it.
    bool show_when_alive = false;
    if (placed_as_new) {
        emit placement_requested(this);
        if (record.Width > 0 && record.Height > 0) {
            resize(record.Width, record.Height);
        }
    } else {
        move(record.Left, record.Top);
        resize(record.Width, record.Height);
        keep_on_current_screens();
        if (!window_hints::window_places_known() && !kept_position_) {
            // Where the window's place cannot be known, the stored one is kept, not 0,0.
            kept_position_ = QPoint(record.Left, record.Top);
        }
        if (record.Minimized == note_settings::kYes) {
            roll_up();
        }
        if (record.Hidden == note_settings::kYes) {
            note_.set_hidden(true);
            emit restored_hidden();
        } else {
            show_when_alive = true;
        }
    }
    if (record.Border == note_settings::kYes) {
        note_.set_border(true);
    }
    relayout();
    // The text is laid out as it loads: once the body has its size, that is the only time.
    body_->set_rtf(record.EditText);

    const bool alive = take_reminders(record, placed_as_new, imported);
    if (alive && show_when_alive && !isVisible()) {
        show_with_opacity_rule();
    }
    note_.end_filling();
    return alive;
}

void NoteWindow::take_record_look(const NoteRecord& record) {
    NoteRecord shown = record;
    // The title as the title strip shows it: what is no UTF-8 is kept as shown.
    shown.TitleText = QString::fromStdString(record.TitleText).toStdString();
    note_.take_record_look(shown);
}

void NoteWindow::apply_record_look(const NoteRecord& record) {
    take_record_look(record);
    body_->set_rtf(record.EditText);
}

void NoteWindow::import_record(const NoteRecord& from) {
    if (note_.deleted()) {
        return;
    }
    const NoteRecord record = bounded_note_record(from, desktop_bounds(current_screen_rects()));
    apply_record_look(record);
    // The note keeps its place, and a rolled-up note stays rolled up with the new size kept
    // for unrolling.
    if (note_.rolled_up()) {
        unrolled_rect_.setSize(QSize(record.Width, record.Height));
        resize(record.Width, height());
    } else {
        resize(record.Width, record.Height);
    }
    note_.set_border(record.Border == note_settings::kYes);
    relayout();
    update();
    // Imported notes never carry an expiration; the alarm comes along and is tested at once.
    note_.set_expiration({});
    note_.set_alarm(record.Alarm);
    refresh_reminder_texts();
    place_reminder_icons();
    check_alarm();
}

bool NoteWindow::take_reminders(const NoteRecord& record, bool placed_as_new, bool imported) {
    if (imported) {
        setWindowOpacity(1.0);
    } else {
        if (placed_as_new) {
            bring_to_front();
            note_.set_status(NoteStatus::Received);
            setWindowOpacity(1.0);
        }
        note_.set_expiration(record.Expiration);
        place_reminder_icons();
        refresh_reminder_texts();
        if (check_expiration()) {
            return false;
        }
    }
    note_.set_alarm(record.Alarm);
    refresh_reminder_texts();
    place_reminder_icons();
    check_alarm();
    return true;
}

NoteFrame NoteWindow::record_frame() const {
    // A note shown away from its place (its screen is gone) keeps that place until moved.
    const QPoint at = kept_position_.value_or(place());
    return {at.x(), at.y(), width(), note_.rolled_up() ? unrolled_rect_.height() : height()};
}

bool NoteWindow::save_state(const std::string& target_file) {
    if (target_file.empty()) {
        return note_.save();
    }
    if (!note_.saves_state() || note_.restoring()) {
        return true;
    }
    NoteExportWriter* writer = services_.export_writer();
    return writer != nullptr && writer->write(note_.to_record(), target_file);
}

}  // namespace kd
