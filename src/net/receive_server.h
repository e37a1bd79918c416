// The receiving server: a background thread that takes one note message per TCP connection,
// hands each whole message to a sink that keeps it, and then acknowledges it. It never touches
// a window; it reports through callbacks that the program turns into queued calls.
#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/socket.h"

namespace kd {

inline constexpr std::uint16_t kDefaultCommunicationPort = 2000;
// As many as are served at once, so a burst of peers waits in the queue instead of retrying.
inline constexpr int kListenBacklog = 64;
// Each connection has this long to deliver its message, counted from its accept.
inline constexpr std::chrono::milliseconds kReceiveTimeout{10000};
// Connections served at once; beyond that the one silent the longest is dropped.
inline constexpr std::size_t kMaxOpenConnections = 64;

// Notes one computer may deliver at once, and then again every minute; `MaxNotesPerComputer
// PerMinute` sets it, 0 lifts the limit.
inline constexpr int kDefaultNotesPerComputerPerMinute = 30;
// Senders whose allowance is remembered at once; beyond that the longest unheard one goes.
inline constexpr std::size_t kMostAllowanceSenders = 1024;
// One line on standard error per refused sender and minute.
inline constexpr const char* kAllowanceRefusedFormat =
    "korvadesk: notes from %s not accepted: more than %d a minute\n";

inline constexpr const char* kNetworkErrorFormat =
    "%s\nSorry but network support is not avaiable ...";
inline constexpr const char* kSocketErrorText =
    "Error in Server socket() function.\nCan not create TCP/IP stream socket to listen with ...";
inline constexpr const char* kBindErrorText =
    "Error in Server bind() function.\nCan not bind the name to the socket ...";
inline constexpr const char* kListenErrorText =
    "Error in Server listen() function.\nListening on port failed ...";
inline constexpr const char* kAcceptErrorText =
    "Error in Server accept() function.\nError accepting Client data ...";

// The text of the network error report for one failure text.
std::string network_error_report_text(std::string_view failure);

// The port a `CommunicationPort` value names: 2000 when empty or not a usable port.
std::uint16_t communication_port_from_text(std::string_view text);

// The allowance a `MaxNotesPerComputerPerMinute` value names: 30 when empty or not a number,
// 0 (no limit) for "0".
int notes_per_computer_from_text(std::string_view text);

// How many notes each computer may deliver: a bucket per source address that holds at most
// `per_minute` notes and fills again at `per_minute` a minute. Server thread only.
class NoteAllowance {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit NoteAllowance(int per_minute, std::size_t most_senders = kMostAllowanceSenders);

    bool limited() const { return per_minute_ > 0; }
    // Whether the sender has a note left now.
    bool has_room(const std::string& sender, TimePoint now);
    // Uses one note of the sender's allowance; false when none was left.
    bool take(const std::string& sender, TimePoint now);
    // True at the first refusal of a sender in a minute: the one to tell.
    bool tell_refusal(const std::string& sender, TimePoint now);
    std::size_t senders() const { return buckets_.size(); }

private:
    struct Bucket {
        double notes = 0;
        TimePoint filled;
        TimePoint heard;
        std::optional<TimePoint> told;
    };
    Bucket& bucket(const std::string& sender, TimePoint now);
    void make_room(TimePoint now);

    int per_minute_;
    std::size_t most_senders_;
    std::unordered_map<std::string, Bucket> buckets_;
};

class ReceiveServer {
public:
    struct Options {
        std::string bind_address = "0.0.0.0";
        // Read afresh before every connection; the socket is bound anew when it changes.
        std::function<std::uint16_t()> port;
        std::chrono::milliseconds receive_timeout = kReceiveTimeout;
        int backlog = kListenBacklog;
        std::size_t max_connections = kMaxOpenConnections;
        // Notes per computer and minute (NoteAllowance); 0 for no limit.
        int notes_per_minute = 0;
        // Where a refusal is told (standard error when empty).
        std::function<void(const std::string& line)> tell;
        // Called after each acknowledgement of a kept message (server thread), off the
        // acknowledgement's path.
        std::function<void()> acknowledged;
    };
    // Keeps one whole message from the address `from` (server thread). False when it could not
    // be kept: the sender then gets no acknowledgement and counts the note as not delivered.
    using Sink = std::function<bool(std::string message, const std::string& from)>;
    // The network error report text (server thread).
    using ErrorHandler = std::function<void(const std::string& report)>;
    // A message failed the parser's checks; receiving has stopped (server thread).
    using AttackHandler = std::function<void()>;

    ReceiveServer(Options options, Sink sink, ErrorHandler on_error, AttackHandler on_attack);
    ~ReceiveServer();
    ReceiveServer(const ReceiveServer&) = delete;
    ReceiveServer& operator=(const ReceiveServer&) = delete;

    // Starts the thread once; later calls do nothing.
    void start();
    // Wakes the thread wherever it waits and joins it: never waits for a peer.
    void stop();

    bool running() const { return running_.load(); }
    // Port of the listening socket, 0 while none is open.
    std::uint16_t listening_port() const { return listening_port_.load(); }

private:
    struct Connection;

    void run();
    bool open_listener(std::uint16_t port, Socket& listener);
    // Milliseconds until the nearest peer's deadline; -1 (no limit) when none is served.
    static int poll_timeout_ms(const std::vector<Connection>& open);
    // Reads the readable peers and finishes those done or past their deadline. False when
    // receiving must stop.
    bool serve_peers(std::vector<Connection>& open, const std::vector<pollfd>& fds,
                     std::chrono::steady_clock::time_point now);
    // Takes every waiting connection, dropping the longest-silent peer when the table is full.
    // False on an accept failure that is not about one connection only.
    bool accept_waiting(Socket& listener, std::vector<Connection>& open,
                        std::chrono::steady_clock::time_point now);
    // Reads what a readable connection has; true when its message is complete or it ended.
    static bool read_some(Connection& c);
    // What a finished connection delivered: kept and acknowledged, or dropped.
    void finish(Connection& c, bool timed_out, bool& stop_receiving);
    void fail(const char* text);
    // A sender past its allowance: told once a minute.
    void refuse(const std::string& from, std::chrono::steady_clock::time_point now);

    Options options_;
    Sink sink_;
    ErrorHandler on_error_;
    AttackHandler on_attack_;
    NoteAllowance allowance_;
    WakeSignal wake_;
    std::thread thread_;
    std::mutex start_stop_;
    bool started_ = false;
    std::atomic<bool> running_{false};
    std::atomic<std::uint16_t> listening_port_{0};
};

}  // namespace kd
