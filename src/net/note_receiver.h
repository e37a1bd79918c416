// Hand-off of received notes from the receiving server (and the e-mail reader) to the main
// window's half-second tick. Messages wait in the settings file: "NoteData" of "NOTE_RECEIVED"
// first, then "NoteData1", "NoteData2", ... for notes that arrived while it was full, so an
// acknowledged note survives a crash and none is overwritten by the next.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/note_message.h"
#include "net/receive_server.h"
#include "store/note_lists.h"
#include "store/note_record.h"

namespace kd {

inline constexpr int kTicksPerMinute = 120;

// Messages waiting for the tick, kept in the settings file. append and take_all exclude each
// other, so a message written while the tick takes is either taken now or waits for the next.
class ReceivedNoteQueue {
public:
    explicit ReceivedNoteQueue(NoteLists lists);

    // Server thread: keeps one whole message behind those waiting. False when it could not be
    // written.
    bool append(std::string_view message);
    // Tick: every waiting message in arrival order, and the mailbox emptied. A message that
    // is not whole (left by an older version) is dropped.
    std::vector<std::string> take_all();

private:
    int first_free_slot() const;

    std::mutex mutex_;
    NoteLists lists_;
    int next_slot_ = -1;  // -1: not known yet, read from the file
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
    NoteRecord record;  // as parsed: a new note (NoteID 0), unrolled, visible, no Left/Top
    ReceivedTitle shown;
};

ReceivedNote make_received_note(NoteRecord record);

struct ReceiveTickResult {
    std::vector<ReceivedNote> notes;  // in arrival order: network first, then e-mail
    bool play_sound = false;          // notes arrived and `PlaySound` allows the sound
    bool attack = false;              // a message was rejected: warn once; receiving stopped
    std::string network_error;        // a network error report to show, once
    bool start_email_check = false;
    bool read_network = false;
};

// The receiving side of the main window: server thread, waiting messages and the tick.
class NoteReceiver {
public:
    struct Options {
        std::string bind_address = "0.0.0.0";
        std::chrono::milliseconds receive_timeout = kReceiveTimeout;
        int check_email_minutes = 0;   // `CheckEmailInterval` read at start
        int read_network_minutes = 0;  // `ReadNetworkInterval` read at start
    };

    NoteReceiver(NoteLists lists, Options options);
    ~NoteReceiver();

    void start_server();
    void stop_server();
    bool server_running() const { return server_.running(); }
    std::uint16_t listening_port() const { return server_.listening_port(); }

    // The tick of the main window's 500 ms timer (UI thread); the clock gives received titles
    // their time.
    ReceiveTickResult tick();
    ReceiveTickResult tick(int hour, int minute);

    // The intervals in minutes (0 disables); the main window reads them at start.
    void set_intervals(int check_email_minutes, int read_network_minutes) {
        options_.check_email_minutes = check_email_minutes;
        options_.read_network_minutes = read_network_minutes;
    }

    ReceivedNoteQueue& queue() { return queue_; }

private:
    std::optional<ReceivedNote> receive(std::string_view message, int hour, int minute,
                                        bool& rejected);

    NoteLists lists_;
    Options options_;
    ReceivedNoteQueue queue_;
    std::atomic<bool> attack_pending_{false};
    std::mutex error_mutex_;
    std::string error_pending_;
    ReceiveServer server_;
    int email_ticks_ = 0;
    int network_ticks_ = 0;
};

}  // namespace kd
