#include "dialogs/send_dialog_service.h"

#include "dialogs/send_dialog.h"
#include "note/note_view.h"

namespace kd {

std::optional<bool> DialogNoteSending::send_dialog(NoteView& note) {
    // No parent: the dialog stands centred on the desktop, not on the note.
    SendDialog dialog(&note, note.services(), identity_);
    dialog.exec();
    if (!dialog.sent()) {
        return std::nullopt;
    }
    return dialog.sent_without_errors();
}

void open_send_manager(NoteServices& services, QWidget* parent) {
    const IdentitySource identity;
    SendDialog dialog(nullptr, services, identity, parent);
    dialog.exec();
}

}  // namespace kd
