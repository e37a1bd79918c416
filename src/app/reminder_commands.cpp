#include "app/reminder_commands.h"

#include <QPointer>
#include <optional>
#include <string>

#include "dialogs/alarm_dialog.h"
#include "dialogs/expiration_dialog.h"
#include "net/arrival_sound.h"
#include "note/note_menus_model.h"
#include "note/note_services.h"
#include "note/note_window.h"
#include "store/note_store.h"

namespace kd {

namespace {

// Runs a reminder dialog over `note`. The note may expire (and take its child dialog with it)
// while the dialog is open: then there is nothing to apply.
template <typename Dialog>
std::optional<std::string> run_dialog(const QPointer<NoteWindow>& note, const std::string& value) {
    QPointer<Dialog> dialog =
        new Dialog(value, note->services().store().settings().text(Setting::DefaultDateFormat),
                   note->services().clock(), note.data());
    const int result = dialog->exec();
    if (!dialog || !note)
        return std::nullopt;
    const std::string chosen = dialog->value();
    delete dialog.data();
    if (result != QDialog::Accepted || note->is_deleted())
        return std::nullopt;
    return chosen;
}

void on_command(int id, NoteWindow* note) {
    if (note == nullptr)
        return;
    const QPointer<NoteWindow> alive(note);
    if (id == note_menu::kSetAlarm) {
        if (const auto value = run_dialog<AlarmDialog>(alive, note->alarm()); value && alive)
            alive->apply_alarm(*value);
    } else if (id == note_menu::kSetExpiration) {
        if (const auto value = run_dialog<ExpirationDialog>(alive, note->expiration());
            value && alive)
            alive->apply_expiration(*value);
    }
}

}  // namespace

void connect_reminders(NoteServices& services) {
    services.set_command_enabled(note_menu::kSetAlarm, true);
    services.set_command_enabled(note_menu::kSetExpiration, true);
    QObject::connect(&services, &NoteServices::command_requested, &services, &on_command);
    QObject::connect(&services, &NoteServices::alarm_sound_wanted, &services, &play_arrival_sound);
}

}  // namespace kd
