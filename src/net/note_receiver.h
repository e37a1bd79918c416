// Hand-off of received notes from the receiving server (and the e-mail reader) to the window
// side, which takes them one at a time or at the main window's half-second tick. Network messages
// wait in the spool file beside the settings file (store/received_spool.h), so an acknowledged note
// survives a crash and none is overwritten by the next; the e-mail reader hands over one message at
// a time through "EmailNoteData".
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "net/note_message.h"
#include "net/receive_server.h"
#include "platform/clock.h"
#include "store/note_lists.h"
#include "store/note_record.h"
#include "store/note_store.h"
#include "store/received_spool.h"

namespace kd {

inline constexpr int kTicksPerMinute = 120;
inline constexpr std::chrono::milliseconds kTickPeriod{60000 / kTicksPerMinute};
// Waiting messages one tick takes when nothing else says how many (NoteReceiver::Options).
// The window side takes them one at a time instead (NoteReceiving).
inline constexpr std::size_t kMostNotesPerTick = 8;

// One message waiting for the tick: in the spool (id), or in a "NoteData" slot of the settings
// file that an older version left (slot).
struct QueuedMessage {
    int slot = -1;         // a settings-file slot; -1 for a spool record
    std::uint64_t id = 0;  // the spool record
    std::string message;
    std::string from;  // the address it came from; "" unknown
    std::time_t arrived = 0;
};

// What a tick takes from the queue: settings-file slots, and the spool's records up to an id.
struct QueueTaking {
    std::set<int> file_slots;  // "NoteData" slots of the settings file
    std::uint64_t through = 0;
    bool empty() const { return file_slots.empty() && through == 0; }
    void add(const QueuedMessage& m) {
        if (m.slot >= 0) {
            file_slots.insert(m.slot);
        } else {
            through = std::max(through, m.id);
        }
    }
};

// Messages waiting for the tick. They are kept in the spool file beside the settings file
// (ReceivedSpool); notes an older version left in the settings file are taken first. A message
// leaves the queue only with the write of the settings file that stores its note, so after a
// crash at any instant every acknowledged message is either a note record or still waiting.
class ReceivedNoteQueue {
public:
    explicit ReceivedNoteQueue(NoteLists lists, ReceivedSpool::Limits limits = {});

    // Server thread: keeps one whole message behind those waiting, synced to disk.
    ReceivedSpool::Append append(std::string_view message, std::string_view from = {},
                                 std::time_t arrived = 0);
    // Tick: the first `limit` waiting messages in arrival order, leaving out `skip`.
    std::vector<QueuedMessage> peek(const QueueTaking& skip, std::size_t limit);
    // Adds the taking of `taking` to `tx` and commits it; the spool lets the records go after.
    bool commit(StoreTransaction& tx, const QueueTaking& taking);
    // Messages waiting in the spool.
    std::size_t waiting() const { return spool_->waiting(); }

private:
    NoteLists lists_;
    // Shared with the settings file's writer, which lets records go once their mark is on disk.
    std::shared_ptr<ReceivedSpool> spool_;
    // Until the settings file's slots were found empty once: nothing writes them any more.
    bool old_slots_done_ = false;
};

// What the title of a received note shows and where a reply goes, derived from the title the
// parser formed ("PC17 09:05", "ANONYMOUS Shopping", "Name:Anna 09:05").
struct ReceivedTitle {
    std::string title;          // displayed title and window text
    std::string reply_address;  // target of the note's Reply command
    bool can_reply = false;
};
ReceivedTitle derive_received_title(std::string_view parsed_title,
                                    std::string_view title_font_type);

// A received note as the note window takes it.
struct ReceivedNote {
    // As parsed: a new note (NoteID 0), unrolled, visible, no Left/Top; its TitleText is the
    // title to show (shown.title).
    NoteRecord record;
    ReceivedTitle shown;
    // Where it really came from, "Received from 10.0.0.5 at 16:40": not what the sender
    // claims in its title. Kept by the window for the run only.
    std::string received_from;
};

inline constexpr const char* kReceivedFromFormat = "Received from %s at %02d:%02d";
inline constexpr const char* kReceivedByEmailFormat = "Received by e-mail at %02d:%02d";
// The line for a note from `address` that arrived at `hour`:`minute`; by e-mail when the
// address is empty.
std::string received_from_text(std::string_view address, int hour, int minute);

ReceivedNote make_received_note(NoteRecord record);

struct ReceiveTickResult {
    std::vector<ReceivedNote> notes;  // in arrival order: network first, then e-mail
    bool play_sound = false;          // notes arrived and `PlaySound` allows the sound
    bool attack = false;              // a message was rejected: warn once; receiving stopped
    std::string network_error;        // a network error report to show, once
    bool store_failed = false;        // the notes could not be stored; they stay queued
    std::size_t taken = 0;            // queued messages taken, notes or not
};

// The receiving side of the main window: server thread, waiting messages and the tick.
class NoteReceiver {
public:
    struct Options {
        std::string bind_address = "0.0.0.0";
        std::chrono::milliseconds receive_timeout = kReceiveTimeout;
        std::size_t notes_per_tick = kMostNotesPerTick;
        // Notes per computer and minute; unset reads `MaxNotesPerComputerPerMinute`.
        std::optional<int> notes_per_computer;
        ReceivedSpool::Limits queue_limits;
    };

    NoteReceiver(NoteLists lists, Options options, const Clock& clock);
    ~NoteReceiver();

    void start_server();
    void stop_server();
    bool server_running() const { return server_.running(); }
    // Cleared when the server stops on an error; while clear, sending to other computers is
    // offered greyed.
    bool network_available() const { return network_available_; }
    std::uint16_t listening_port() const { return server_.listening_port(); }

    // Called by the tick with the new notes (possibly none) and the transaction that takes
    // them from the mailboxes: it makes the note windows and adds their records (and the note
    // count) to the transaction. Notes of an earlier tick whose store failed are not given
    // again; the caller adds their records itself.
    using NoteMaker = std::function<void(std::vector<ReceivedNote>& notes, StoreTransaction& tx)>;

    // The tick of the main window's 500 ms timer (UI thread); the clock gives received titles
    // their time. Without a maker the messages are only parsed and taken.
    ReceiveTickResult tick(const NoteMaker& make_notes = {});
    ReceiveTickResult tick(int hour, int minute, const NoteMaker& make_notes = {});
    // More of a burst between two ticks: the next waiting messages as the tick takes them,
    // without the e-mail mailbox and the interval counts. Nothing taken when an earlier store
    // failed: the next tick tries that again first.
    ReceiveTickResult take_next(const NoteMaker& make_notes);
    ReceiveTickResult take_next(int hour, int minute, const NoteMaker& make_notes);
    // The tick without the waiting messages, while passes of their own take them: the e-mail
    // mailbox, and the store of an earlier tick that failed.
    ReceiveTickResult tick_without_queue(const NoteMaker& make_notes);
    ReceiveTickResult tick_without_queue(int hour, int minute, const NoteMaker& make_notes);

    // Called on the server thread after each acknowledged message, so the window side need
    // not wait for its tick. Set before start_server.
    void set_arrival_handler(std::function<void()> handler) { arrival_ = std::move(handler); }

    // How many waiting messages the next tick takes (at least one).
    void set_notes_per_tick(std::size_t count) {
        options_.notes_per_tick = std::max<std::size_t>(count, 1);
    }

    ReceivedNoteQueue& queue() { return queue_; }

private:
    std::optional<ReceivedNote> receive(std::string_view message, int hour, int minute,
                                        bool& rejected);
    // Server thread: keeps a message, telling once a minute when the queue is full.
    bool keep(const std::string& message, const std::string& from);
    // The tick's steps: the waiting messages parsed into notes (how many were taken); the
    // e-mail mailbox, true when it is to be emptied; then stored together with the emptying
    // of their slots (false when that failed); then what the server and the attack guard have
    // to tell.
    ReceiveTickResult tick_taking(int hour, int minute, std::size_t most_queued,
                                  const NoteMaker& make_notes);
    std::size_t take_queued(int hour, int minute, std::size_t most,
                            std::vector<ReceivedNote>& notes, QueueTaking& taking, bool& rejected);
    bool take_email(int hour, int minute, std::vector<ReceivedNote>& notes, bool& rejected);
    void after_taking(bool rejected, ReceiveTickResult& result);
    bool store_taken(std::vector<ReceivedNote>& notes, const QueueTaking& taking,
                     bool empty_mailbox, const NoteMaker& make_notes);

    NoteLists lists_;
    Options options_;
    const Clock& clock_;
    ReceivedNoteQueue queue_;
    QueueTaking in_flight_;  // shown as notes but not yet taken from the queue
    std::chrono::steady_clock::time_point full_told_;  // the last "queue full" line
    bool email_in_flight_ = false;
    std::atomic<bool> attack_pending_{false};
    std::atomic<bool> network_available_{true};
    std::mutex error_mutex_;
    std::string error_pending_;
    std::function<void()> arrival_;
    ReceiveServer server_;
};

}  // namespace kd
