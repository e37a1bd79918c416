// The window side of receiving notes: runs the receiving server and, on each tick of the main
// window's half-second timer, turns the waiting messages into note windows of the note host.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>

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
    // The notes of a burst are made one per pass of the event loop, each stored on its own:
    // between two notes the interface paints and answers. A tick takes the first; the passes
    // after it take the rest of what the pace allows for this tick.
    void next_note(unsigned burst);
    void go_on_or_end_burst(const ReceiveTickResult& last);
    void end_burst();
    // What every pass does with what it took: the store's outcome, the error, the attack.
    void after_pass(const ReceiveTickResult& result);

    NoteHost& host_;
    NoteServices& services_;
    std::unique_ptr<NoteReceiver> receiver_;
    QList<NoteViewPointer> unsaved_;
    // The records of unsaved_ as the last tick's transaction holds them.
    std::vector<std::pair<NoteViewPointer, NoteRecord>> written_;
    BurstPace pace_;
    QElapsedTimer since_tick_;
    bool store_error_shown_ = false;
    // The burst of the current tick: passes run, notes made, time spent in them, whether its
    // sound was asked for; `burst_` tells a pass queued for an earlier tick to do nothing.
    unsigned burst_ = 0;
    bool burst_open_ = false;
    std::size_t burst_passes_ = 0;
    std::size_t burst_notes_ = 0;
    std::chrono::milliseconds burst_spent_{0};
    bool burst_sounded_ = false;
};

}  // namespace kd
