// The window side of receiving notes: plugs the receiving server and the half-second tick into
// the main window, and turns each received message into a note window.
#pragma once

#include <QObject>

#include <memory>

#include "net/note_receiver.h"

namespace kd {

class MainWindow;
class NoteWindow;

// Derives the title and reply address of a received note window from the title its record
// gave it. Installed once for the whole program.
void install_received_note_hook();
void apply_received_title(NoteWindow& note);

class NoteReceiving : public QObject {
    Q_OBJECT
public:
    // Owned by `main`. Create and install it before the main window starts; the tick takes the
    // e-mail and neighbourhood intervals the main window read at start.
    NoteReceiving(MainWindow& main, NoteReceiver::Options options = {});
    ~NoteReceiving() override;

    // Fills the main window's start_server, stop_server and receive_tick hooks.
    void install();

    // The tick of the half-second timer: steps 2 to 6 of the hand-off.
    void tick();

    NoteReceiver& receiver() { return *receiver_; }

private:
    void show_network_error(const std::string& report);

    MainWindow& main_;
    std::unique_ptr<NoteReceiver> receiver_;
};

}  // namespace kd
