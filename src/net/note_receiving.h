// The window side of receiving notes: runs the receiving server and, on each tick of the main
// window's half-second timer, turns the waiting messages into note windows of the note host.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

#include "net/note_receiver.h"
#include "note/note_services.h"
#include "note/note_view.h"

namespace kd {

class NoteReceiving : public QObject {
    Q_OBJECT
public:
    NoteReceiving(NoteHost& host, NoteServices& services, NoteReceiver::Options options = {},
                  QObject* parent = nullptr);
    ~NoteReceiving() override;

    NoteReceiver& receiver() { return *receiver_; }

public slots:
    void start_server();
    void stop_server();
    // The tick of the half-second timer: steps 2 to 6 of the hand-off.
    void tick();

signals:
    // New notes arrived and `PlaySound` allows the arrival sound.
    void arrival_sound_wanted();
    // A message was rejected as an attack; receiving has stopped.
    void attack_detected();

private:
    // Note windows for the received notes; their records, and those of notes an earlier tick
    // could not store, go into `tx`.
    void make_notes(const std::vector<ReceivedNote>& notes, StoreTransaction& tx);

    NoteHost& host_;
    NoteServices& services_;
    std::unique_ptr<NoteReceiver> receiver_;
    QList<NoteViewPointer> unsaved_;
    // The records of unsaved_ as the last tick's transaction holds them.
    std::vector<std::pair<NoteViewPointer, NoteRecord>> written_;
    BurstPace pace_;
    QElapsedTimer since_tick_;
    bool store_error_shown_ = false;
};

}  // namespace kd
