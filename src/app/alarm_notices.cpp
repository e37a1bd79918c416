#include "app/alarm_notices.h"

#include "app/main_window.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "platform/desktop_notifier.h"

namespace kd {

void connect_alarm_notices(MainWindow& main, DesktopNotifier& notifier) {
    QObject::connect(&main.services(), &NoteServices::alarm_rang, &notifier,
                     [&notifier](NoteView* note) {
                         // Notes are numbered once a run and numbers are never handed out
                         // again in it, so the number names the note and nothing else.
                         if (note != nullptr && note->note().number() > 0) {
                             notifier.notify(note->note().number(), note->note().title_text(),
                                             note->body_plain_text());
                         }
                     });
    QObject::connect(&main, &MainWindow::note_deleted, &notifier, &DesktopNotifier::forget);
    QObject::connect(&notifier, &DesktopNotifier::activated, &main, [&main](int number) {
        if (main.is_closed()) {
            return;
        }
        for (NoteWindow* note : main.notes()) {
            if (note->note().number() == number) {
                if (note->note().rolled_up()) {
                    note->toggle_roll();
                }
                main.show_note(note);
                return;
            }
        }
    });
}

}  // namespace kd
