// The window side of receiving notes: plugs the receiving server and the half-second tick into
// the main window, and turns each received message into a note window.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

#include "net/note_receiver.h"
#include "note/note_window.h"

namespace kd {

class MainWindow;

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
    // Note windows for the received notes; their records, and those of notes an earlier tick
    // could not store, go into `tx`.
    void make_notes(const std::vector<ReceivedNote>& notes, StoreTransaction& tx);
    void show_network_error(const std::string& report);

    QList<QPointer<NoteWindow>> unsaved_;
    bool store_error_shown_ = false;

    MainWindow& main_;
    std::unique_ptr<NoteReceiver> receiver_;
};

}  // namespace kd
