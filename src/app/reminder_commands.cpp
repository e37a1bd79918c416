#include "app/reminder_commands.h"

#include <QPointer>
#include <optional>
#include <string>

#include "dialogs/alarm_dialog.h"
#include "dialogs/expiration_dialog.h"
#include "net/arrival_sound.h"
#include "note/note_menus_model.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "store/note_store.h"

namespace kd {

namespace {

// Runs a reminder dialog over `note`. The note may expire (and take its child dialog with it)
// while the dialog is open: then there is nothing to apply.
template <typename Dialog>
std::optional<std::string> run_dialog(const NoteViewPointer& note, const std::string& value) {
    QPointer<Dialog> dialog =
        new Dialog(value, note->services().store().settings().text(Setting::DefaultDateFormat),
                   note->services().clock(), note->widget());
    const int result = dialog->exec();
    if (!dialog || !note) {
        return std::nullopt;
    }
    const std::string chosen = dialog->value();
    delete dialog.data();
    if (result != QDialog::Accepted || note->note().deleted()) {
        return std::nullopt;
    }
    return chosen;
}

void on_command(int id, NoteView* note) {
    if (note == nullptr) {
        return;
    }
    const NoteViewPointer alive(note);
    if (id == note_menu::kSetAlarm) {
        if (const auto value = run_dialog<AlarmDialog>(alive, note->note().alarm());
            value && alive) {
            alive->note().apply_alarm(*value);
        }
    } else if (id == note_menu::kSetExpiration) {
        if (const auto value = run_dialog<ExpirationDialog>(alive, note->note().expiration());
            value && alive) {
            alive->note().apply_expiration(*value);
        }
    }
}

}  // namespace

void connect_reminders(NoteServices& services, ArrivalSound& sound) {
    services.set_command_enabled(note_menu::kSetAlarm, true);
    services.set_command_enabled(note_menu::kSetExpiration, true);
    QObject::connect(&services, &NoteServices::command_requested, &services, &on_command);
    QObject::connect(&services, &NoteServices::alarm_sound_wanted, &sound, &ArrivalSound::play);
}

}  // namespace kd
