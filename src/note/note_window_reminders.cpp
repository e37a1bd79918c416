// A note's alarm and expiration on the window: the two title-strip icons with their texts,
// the checks of the 20-second timer and the results of the two dialogs. The rules themselves
// live in reminders/; the window only carries out what they decide.
#include <QPointer>

#include "note/note_title_strip.h"
#include "note/note_window.h"
#include "note/note_window_fade.h"
#include "platform/clock.h"
#include "reminders/reminder_check.h"
#include "richtext/qt_colour.h"
#include "store/note_store.h"

namespace kd {

namespace {

constexpr int kReminderIconY = 4;

}  // namespace

void NoteWindow::place_reminder_icons() {
    const bool rolled = note_.rolled_up();
    const bool any = note_.any_status();
    const bool has_expiration = expiration_is_set(note_.expiration());
    const bool has_alarm = alarm_is_set(note_.alarm());
    const bool ringing = note_.alarm_ring_ticks() > 0;
    // An icon never shown is never made.
    const bool making = (has_expiration && expiration_icon_ == nullptr) ||
                        ((has_alarm || ringing) && alarm_icon_ == nullptr);
    if (has_expiration || expiration_icon_ != nullptr) {
        NoteIcon* icon = made_icon(expiration_icon_);
        place_child(icon, expiration_icon_x(rolled, any), kReminderIconY);
        icon->setVisible(has_expiration);
        icon->raise();
    }
    if (has_alarm || ringing || alarm_icon_ != nullptr) {
        NoteIcon* icon = made_icon(alarm_icon_);
        // A ringing alarm keeps its picture through rolling and layout until its counter ends.
        icon->set_picture(ringing ? NotePicture::AlarmRinging : NotePicture::Alarm,
                          to_qcolor(note_.title_look().text_colour));
        place_child(icon, alarm_icon_x(rolled, any, has_expiration), kReminderIconY);
        icon->setVisible(has_alarm);
        icon->raise();
    }
    if (making) {
        refresh_reminder_texts();
    }
    update();
}

void NoteWindow::refresh_reminder_texts() {
    const std::string format = services_.store().settings().text(Setting::DefaultDateFormat);
    if (expiration_icon_ != nullptr) {
        expiration_icon_->setToolTip(
            QString::fromStdString(expiration_tooltip(note_.expiration(), format)));
    }
    if (alarm_icon_ != nullptr) {
        alarm_icon_->setToolTip(QString::fromStdString(alarm_tooltip(note_.alarm(), format)));
    }
}

bool NoteWindow::alarm_icon_ringing() const {
    return alarm_icon_ != nullptr && alarm_icon_->picture() == NotePicture::AlarmRinging;
}

// --- Checks ---------------------------------------------------------------------------------

bool NoteWindow::check_expiration() {
    if (note_.deleted() || !expiration_due(note_.expiration(), services_.clock().now())) {
        return false;
    }
    delete_note(false);
    return true;
}

void NoteWindow::check_alarm() {
    if (note_.deleted()) {
        return;
    }
    carry_out(check_alarm_at(note_.alarm(), note_.alarm_ring_ticks(), services_.clock().now()));
}

bool NoteWindow::reminder_tick() {
    if (note_.deleted()) {
        return true;
    }
    const ReminderCheck check = check_reminders(note_.expiration(), note_.alarm(),
                                                note_.alarm_ring_ticks(), services_.clock());
    if (check.delete_note) {
        delete_note(false);
        return true;
    }
    carry_out(check.alarm);
    return false;
}

void NoteWindow::on_timer() {
    reminder_tick();
}

void NoteWindow::carry_out(const AlarmCheck& check) {
    note_.set_alarm_ring_ticks(check.ring_ticks);
    if (check.restore_icon || check.place_icons) {
        place_reminder_icons();
    }
    if (check.clear_alarm) {
        // The icon goes at the next check; until then it shows that the alarm rang.
        note_.set_alarm({});
    }
    if (check.save_state) {
        save_state();
    }
    if (check.ring) {
        ring_alarm(check.play_sound);
    }
}

void NoteWindow::ring_alarm(bool sound) {
    made_icon(alarm_icon_)
        ->set_picture(NotePicture::AlarmRinging, to_qcolor(note_.title_look().text_colour));
    if (!isVisible()) {
        // Shown for the alarm only: the note stays hidden in its record and for "Show all
        // notes".
        fade_->cancel();
        setWindowOpacity(1.0);
        show();
    }
    bring_to_front();
    emit services_.alarm_rang(this);
    if (sound) {
        emit services_.alarm_sound_wanted();
    }
}

}  // namespace kd
