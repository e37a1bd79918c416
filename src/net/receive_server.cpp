#include "net/receive_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "net/message_assembler.h"
#include "net/note_message.h"

namespace kd {

namespace {

// Failures that concern one connection only; the next accept may well succeed.
bool transient_accept_error(int error) {
    switch (error) {
        case ECONNABORTED:
        case EPROTO:
        case EAGAIN:
        case ENETDOWN:
        case ENOPROTOOPT:
        case EHOSTDOWN:
        case ENONET:
        case EHOSTUNREACH:
        case EOPNOTSUPP:
        case ENETUNREACH:
        case EPERM:
            return true;
        default:
            return false;
    }
}

// The address the connection really comes from, as text; "" when it cannot be told.
std::string peer_address(int fd) {
    sockaddr_storage addr{};
    socklen_t size = sizeof addr;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    const void* where = nullptr;
    if (addr.ss_family == AF_INET) {
        where = &reinterpret_cast<const sockaddr_in*>(&addr)->sin_addr;
    } else if (addr.ss_family == AF_INET6) {
        where = &reinterpret_cast<const sockaddr_in6*>(&addr)->sin6_addr;
    }
    if (where == nullptr || ::inet_ntop(addr.ss_family, where, text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

}  // namespace

int notes_per_computer_from_text(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return kDefaultNotesPerComputerPerMinute;
    }
    const long long v = leading_integer(text);
    return static_cast<int>(std::min<long long>(v, 1000000));
}

NoteAllowance::NoteAllowance(int per_minute, std::size_t most_senders)
    : per_minute_(std::max(per_minute, 0)), most_senders_(std::max<std::size_t>(most_senders, 1)) {}

void NoteAllowance::make_room(TimePoint now) {
    // Full buckets that told nothing this minute are what a new one would be: they go first.
    std::erase_if(buckets_, [&](const auto& entry) {
        const Bucket& b = entry.second;
        const double minutes = std::chrono::duration<double>(now - b.filled).count() / 60.0;
        const bool full = b.notes + minutes * per_minute_ >= per_minute_;
        const bool quiet = !b.told || now - *b.told >= std::chrono::minutes(1);
        return full && quiet;
    });
    if (buckets_.size() >= most_senders_) {
        auto oldest = std::min_element(
            buckets_.begin(), buckets_.end(),
            [](const auto& a, const auto& b) { return a.second.heard < b.second.heard; });
        buckets_.erase(oldest);
    }
}

NoteAllowance::Bucket& NoteAllowance::bucket(const std::string& sender, TimePoint now) {
    auto it = buckets_.find(sender);
    if (it == buckets_.end()) {
        if (buckets_.size() >= most_senders_) {
            make_room(now);
        }
        Bucket fresh;
        fresh.notes = per_minute_;
        fresh.filled = now;
        it = buckets_.emplace(sender, fresh).first;
    }
    Bucket& b = it->second;
    const double minutes = std::chrono::duration<double>(now - b.filled).count() / 60.0;
    if (minutes > 0) {
        b.notes = std::min<double>(per_minute_, b.notes + minutes * per_minute_);
        b.filled = now;
    }
    b.heard = now;
    return b;
}

bool NoteAllowance::has_room(const std::string& sender, TimePoint now) {
    return !limited() || bucket(sender, now).notes >= 1.0;
}

bool NoteAllowance::take(const std::string& sender, TimePoint now) {
    if (!limited()) {
        return true;
    }
    Bucket& b = bucket(sender, now);
    if (b.notes < 1.0) {
        return false;
    }
    b.notes -= 1.0;
    return true;
}

bool NoteAllowance::tell_refusal(const std::string& sender, TimePoint now) {
    Bucket& b = bucket(sender, now);
    if (b.told && now - *b.told < std::chrono::minutes(1)) {
        return false;
    }
    b.told = now;
    return true;
}

std::string network_error_report_text(std::string_view failure) {
    std::string format = kNetworkErrorFormat;
    std::string out;
    auto at = format.find("%s");
    out = format.substr(0, at);
    out.append(failure);
    out += format.substr(at + 2);
    return out;
}

std::uint16_t communication_port_from_text(std::string_view text) {
    if (text.empty()) {
        return kDefaultCommunicationPort;
    }
    long long v = leading_integer(text);
    if (v < 1 || v > 65535) {
        return kDefaultCommunicationPort;
    }
    return static_cast<std::uint16_t>(v);
}

ReceiveServer::ReceiveServer(Options options, Sink sink, ErrorHandler on_error,
                             AttackHandler on_attack)
    : options_(std::move(options)),
      sink_(std::move(sink)),
      on_error_(std::move(on_error)),
      on_attack_(std::move(on_attack)),
      allowance_(options_.notes_per_minute) {
    if (!options_.port) {
        options_.port = [] { return kDefaultCommunicationPort; };
    }
}

ReceiveServer::~ReceiveServer() {
    stop();
}

void ReceiveServer::start() {
    std::lock_guard lock(start_stop_);
    if (started_) {
        return;
    }
    started_ = true;
    running_ = true;
    thread_ = std::thread([this] { run(); });
}

void ReceiveServer::stop() {
    std::lock_guard lock(start_stop_);
    wake_.signal();
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = false;
}

void ReceiveServer::refuse(const std::string& from, std::chrono::steady_clock::time_point now) {
    if (!allowance_.tell_refusal(from, now)) {
        return;
    }
    char line[160];
    std::snprintf(line, sizeof line, kAllowanceRefusedFormat,
                  from.empty() ? "an unknown address" : from.c_str(), options_.notes_per_minute);
    if (options_.tell) {
        options_.tell(line);
    } else {
        std::fputs(line, stderr);
    }
}

void ReceiveServer::fail(const char* text) {
    if (on_error_) {
        on_error_(network_error_report_text(text));
    }
}

bool ReceiveServer::open_listener(std::uint16_t port, Socket& listener) {
    listener.close();
    listening_port_ = 0;
    SocketStatus status;
    std::string step;
    Socket s = Socket::listen_tcp(options_.bind_address, port, options_.backlog, status, step);
    if (!s.valid()) {
        fail(step == "socket" ? kSocketErrorText
             : step == "bind" ? kBindErrorText
                              : kListenErrorText);
        return false;
    }
    // A peer that gives up between the wake-up and the accept must not block the loop.
    ::fcntl(s.fd(), F_SETFL, ::fcntl(s.fd(), F_GETFL) | O_NONBLOCK);
    listener = std::move(s);
    listening_port_ = listener.local_port();
    return true;
}

// One peer being served: its socket, what it sent so far and its deadline.
struct ReceiveServer::Connection {
    Socket socket;
    std::string from;  // the peer's address
    MessageAssembler message;
    std::chrono::steady_clock::time_point deadline;
    std::chrono::steady_clock::time_point last_heard;
};

void ReceiveServer::run() {
    Socket listener;
    std::uint16_t bound_port = 0;
    std::vector<Connection> open;
    std::vector<pollfd> fds;
    while (!wake_.signalled()) {
        // The port is read afresh whenever no peer is being served, and the socket is bound
        // anew when it changed.
        if (open.empty()) {
            const std::uint16_t port = options_.port();
            if (!listener.valid() || port != bound_port) {
                if (!open_listener(port, listener)) {
                    break;
                }
                bound_port = port;
            }
        }
        fds.clear();
        fds.push_back({wake_.wait_fd(), POLLIN, 0});
        fds.push_back({listener.fd(), POLLIN, 0});
        for (const Connection& c : open) {
            fds.push_back({c.socket.fd(), POLLIN, 0});
        }
        const int n = ::poll(fds.data(), fds.size(), poll_timeout_ms(open));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(kAcceptErrorText);
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) {
            fail(kAcceptErrorText);
            break;
        }
        // Peers first, in the order they came; the listener after, so a full table makes room
        // only for connections that are really waiting.
        const auto now = std::chrono::steady_clock::now();
        if (!serve_peers(open, fds, now)) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0 && !accept_waiting(listener, open, now)) {
            fail(kAcceptErrorText);
            break;
        }
    }
    open.clear();
    listener.close();
    listening_port_ = 0;
    running_ = false;
}

int ReceiveServer::poll_timeout_ms(const std::vector<Connection>& open) {
    const auto now = std::chrono::steady_clock::now();
    int wait_ms = -1;
    for (const Connection& c : open) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(c.deadline - now).count();
        const int ms = left > 0 ? static_cast<int>(std::min<long long>(left, INT32_MAX)) : 0;
        wait_ms = wait_ms < 0 ? ms : std::min(wait_ms, ms);
    }
    return wait_ms;
}

bool ReceiveServer::serve_peers(std::vector<Connection>& open, const std::vector<pollfd>& fds,
                                std::chrono::steady_clock::time_point now) {
    bool stop_receiving = false;
    std::vector<bool> done(open.size(), false);
    for (std::size_t i = 0; i < open.size() && !stop_receiving; ++i) {
        Connection& c = open[i];
        bool finished = false;
        bool timed_out = false;
        if (fds[i + 2].revents != 0) {
            finished = read_some(c);
            c.last_heard = now;
        }
        if (!finished && now >= c.deadline) {
            finished = true;
            timed_out = true;
        }
        if (finished) {
            finish(c, timed_out, stop_receiving);
            done[i] = true;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < open.size(); ++i) {
        if (!done[i]) {
            if (kept != i) {
                open[kept] = std::move(open[i]);
            }
            ++kept;
        }
    }
    open.resize(kept);
    return !stop_receiving;
}

bool ReceiveServer::accept_waiting(Socket& listener, std::vector<Connection>& open,
                                   std::chrono::steady_clock::time_point now) {
    // Every connection waiting is taken now, so a burst never overflows the backlog.
    for (std::size_t taken = 0; taken < options_.max_connections; ++taken) {
        SocketStatus status;
        Socket connection = listener.accept(status);
        if (!connection.valid()) {
            return transient_accept_error(status.error);
        }
        std::string from = peer_address(connection.fd());
        if (!allowance_.has_room(from, now)) {
            // Past its allowance: closed at once, unanswered, before it costs anything.
            refuse(from, now);
            continue;
        }
        if (open.size() >= std::max<std::size_t>(1, options_.max_connections)) {
            // The peer silent the longest goes, unanswered, to make room.
            auto idle = std::min_element(open.begin(), open.end(),
                                         [](const Connection& a, const Connection& b) {
                                             return a.last_heard < b.last_heard;
                                         });
            open.erase(idle);
        }
        Connection c;
        c.socket = std::move(connection);
        c.from = std::move(from);
        c.deadline = now + options_.receive_timeout;
        c.last_heard = now;
        open.push_back(std::move(c));
    }
    return true;
}

bool ReceiveServer::read_some(Connection& c) {
    char buffer[4096];
    const std::size_t room = std::min(sizeof buffer, c.message.room());
    SocketStatus status;
    const long n = c.socket.receive_some(buffer, room, status);
    if (n <= 0) {
        // A reset or an orderly close: what came so far is all there is.
        c.message.end(n < 0 ? StreamEnd::Reset : StreamEnd::Closed);
        return true;
    }
    c.message.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    return c.message.status() != MessageAssembler::Status::NeedMore;
}

void ReceiveServer::finish(Connection& c, bool timed_out, bool& stop_receiving) {
    if (timed_out) {
        c.message.end(StreamEnd::TimedOut);
    }
    if (c.message.status() != MessageAssembler::Status::Complete) {
        // Nothing whole arrived, or the sender stopped half-way and sends the note again: no
        // note, no acknowledgement, and a waiting note stays.
        return;
    }
    std::string message = c.message.message();
    const auto now = std::chrono::steady_clock::now();
    if (!allowance_.take(c.from, now)) {
        // Several connections of one sender were open at once: the ones past its allowance
        // go unanswered.
        refuse(c.from, now);
        return;
    }
    if (parse_note_message(message, 0, 0).rejected()) {
        c.socket.send_all(kAcknowledgement);
        c.socket.close();
        stop_receiving = true;
        if (on_attack_) {
            on_attack_();
        }
        return;
    }
    // Kept first, acknowledged after: an acknowledged note survives a crash. The sink sees one
    // message at a time, always from this thread. The peer is let go at once, not after the
    // other peers of this pass were served.
    if (sink_ && sink_(std::move(message), c.from)) {
        c.socket.send_all(kAcknowledgement);
        c.socket.close();
        if (options_.acknowledged) {
            options_.acknowledged();
        }
    }
}

}  // namespace kd
