// A note's record round trip: the window built from a stored, received or imported record,
// and the record it writes back at its save moments.
#include "note/note_bounds.h"
#include "note/note_settings.h"
#include "note/note_window.h"

namespace kd {

bool NoteWindow::create_from_record(const NoteRecord& from, bool placed_as_new, bool imported) {
    // Whatever the record came from, the window is built from numbers it can hold.
    const NoteRecord record = bounded_note_record(from, desktop_bounds(current_screen_rects()));
    restoring_ = !placed_as_new;
    filling_ = true;
    apply_record_look(record);

    // A restored note that has expired meanwhile goes before anyone sees it.
    bool show_when_alive = false;
    if (placed_as_new) {
        emit placement_requested(this);
        if (record.Width > 0 && record.Height > 0)
            resize(record.Width, record.Height);
    } else {
        move(record.Left, record.Top);
        resize(record.Width, record.Height);
        keep_on_current_screens();
        if (record.Minimized == note_settings::kYes)
            roll_up();
        if (record.Hidden == note_settings::kYes) {
            hidden_ = true;
            emit restored_hidden();
        } else {
            show_when_alive = true;
        }
    }
    if (record.Border == note_settings::kYes)
        set_border(true);
    relayout();

    const bool alive = take_reminders(record, placed_as_new, imported);
    if (alive && show_when_alive && !isVisible())
        show_with_opacity_rule();
    restoring_ = false;
    filling_ = false;
    return alive;
}

void NoteWindow::apply_record_look(const NoteRecord& record) {
    store_body_look({record.EditTextColor, record.EditBackColor, record.EditFont,
                     record.EditFontType, record.EditFontSize, record.EditCharSet});
    title_ = {record.TitleTextColor, record.TitleBackColor, record.TitleFont,
              record.TitleFontType,  record.TitleFontSize,  record.TitleCharSet};
    set_title_text(record.TitleText);
    apply_body_format();
    set_title_colours(title_.text_colour, title_.back_colour);
    apply_title_font();
    body_->set_rtf(record.EditText);
}

void NoteWindow::import_record(const NoteRecord& from) {
    if (deleted_)
        return;
    const NoteRecord record = bounded_note_record(from, desktop_bounds(current_screen_rects()));
    apply_record_look(record);
    // The note keeps its place, and a rolled-up note stays rolled up with the new size kept
    // for unrolling.
    if (rolled_up_) {
        unrolled_rect_.setSize(QSize(record.Width, record.Height));
        resize(record.Width, height());
    } else {
        resize(record.Width, record.Height);
    }
    set_border(record.Border == note_settings::kYes);
    relayout();
    update();
    // Imported notes never carry an expiration; the alarm comes along and is tested at once.
    expiration_.clear();
    alarm_ = record.Alarm;
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
            set_status(NoteStatus::Received);
            setWindowOpacity(1.0);
        }
        expiration_ = record.Expiration;
        place_reminder_icons();
        refresh_reminder_texts();
        if (check_expiration())
            return false;
    }
    alarm_ = record.Alarm;
    refresh_reminder_texts();
    place_reminder_icons();
    check_alarm();
    return true;
}

NoteRecord NoteWindow::to_record() const {
    NoteRecord r;
    r.EditTextColor = body_->text_colour();
    r.EditBackColor = body_->back_colour();
    r.EditFont = body_->face();
    r.EditFontType = body_->style();
    r.EditFontSize = body_->size();
    r.EditCharSet = body_->char_set();
    r.EditText = body_->get_rtf();
    r.TitleTextColor = title_.text_colour;
    r.TitleBackColor = title_.back_colour;
    r.TitleFont = title_.face;
    r.TitleFontType = title_.style;
    r.TitleFontSize = title_.size;
    r.TitleCharSet = title_.char_set;
    r.TitleText = title_text();
    r.NoteID = number_;
    // A note shown away from its place (its screen is gone) keeps that place until moved.
    const QPoint at = kept_position_.value_or(place());
    r.Top = at.y();
    r.Left = at.x();
    r.Width = width();
    r.Height = rolled_up_ ? unrolled_rect_.height() : height();
    r.Minimized = rolled_up_ ? note_settings::kYes : note_settings::kNo;
    r.Border = border_ ? note_settings::kYes : note_settings::kNo;
    r.Hidden = hidden_ ? note_settings::kYes : note_settings::kNo;
    r.Expiration = expiration_;
    r.Alarm = alarm_;
    return r;
}

bool NoteWindow::save_state(const std::string& target_file) {
    if (!saves_state() || restoring_)
        return true;
    if (target_file.empty()) {
        NoteRecord record = to_record();
        if (!note_settings::write_note(services_.store(), record, {}))
            return false;
        record_written(record);
        return true;
    }
    NoteExportWriter* writer = services_.export_writer();
    return writer != nullptr && writer->write(to_record(), target_file);
}

}  // namespace kd
