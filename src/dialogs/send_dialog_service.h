// The sending side with its send dialog: what the note menus' "Other ..." opens.
#pragma once

#include <optional>

#include "net/identity.h"
#include "net/note_sending.h"

class QWidget;

namespace kd {

class NoteServices;

class DialogNoteSending : public NetworkNoteSending {
public:
    bool has_send_dialog() const override { return true; }
    // Runs the send dialog for the note: nothing when it was closed without sending, else
    // whether every recipient got the note.
    std::optional<bool> send_dialog(NoteView& note) override;

private:
    IdentitySource identity_;
};

// The dialog without a note, as the manager of groups and the neighbourhood.
void open_send_manager(NoteServices& services, QWidget* parent = nullptr);

}  // namespace kd
