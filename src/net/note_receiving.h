// The window side of receiving notes: runs the receiving server and turns the waiting messages
// into note windows of the note host, one per pass of the event loop, started by an
// acknowledgement or the main window's half-second tick.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <memory>

#include "net/note_receiver.h"
#include "net/pass_hold.h"
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
    // The tick of the half-second timer: steps 2 to 6 of the hand-off. It takes e-mail notes,
    // stores again what an earlier pass could not, and starts taking waiting notes when no
    // passes are at it.
    void tick();

signals:
    // New notes arrived and `PlaySound` allows the arrival sound.
    void arrival_sound_wanted();
    // A message was rejected as an attack; receiving has stopped.
    void attack_detected();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Note windows for the received notes; their records, and those of notes an earlier tick
    // could not store, go into `tx`.
    void make_notes(const std::vector<ReceivedNote>& notes, StoreTransaction& tx);
    // Waiting notes are made in passes of the event loop, each note stored on its own, until
    // the queue is empty: a pass takes the next notes once the last one is painted, so input
    // and painting get their turn between two passes. A pass takes one note, and more while
    // they come cheap, for a few milliseconds at most. An acknowledgement or a tick starts the
    // passes when none are running; while notes still come in, they wait for a quiet moment.
    void start_passes();
    void pass();
    void go_on_or_stop(const ReceiveTickResult& last);
    void post_pass();
    void stop_waiting_for_paint();
    // What every pass does with what it took: the store's outcome, the error, the attack.
    void after_pass(const ReceiveTickResult& result);

    NoteHost& host_;
    NoteServices& services_;
    std::unique_ptr<NoteReceiver> receiver_;
    QList<NoteViewPointer> unsaved_;
    // The records of unsaved_ as the last tick's transaction holds them.
    std::vector<std::pair<NoteViewPointer, NoteRecord>> written_;
    bool store_error_shown_ = false;
    // Passes take the queue: one is posted, or waits for the last note's paint.
    bool passing_ = false;
    bool pass_posted_ = false;
    // The window of the last note made, and the one whose first paint the next pass waits for.
    QPointer<QWidget> last_made_;
    QPointer<QWindow> painting_;
    QTimer paint_limit_;
    // One sound for the notes of a burst.
    bool burst_sounded_ = false;
    // Set by the server thread when it posted a start of the passes not yet run.
    std::atomic<bool> wake_posted_{false};
    // While notes still come in, the passes wait on `settle_`.
    PassHold hold_;
    QTimer settle_;
};

}  // namespace kd
