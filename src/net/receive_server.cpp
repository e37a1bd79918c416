#include "net/receive_server.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "net/note_message.h"

namespace kd {

namespace {

std::atomic<bool>& network_flag() {
    static std::atomic<bool> flag{true};
    return flag;
}

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

}  // namespace

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

bool network_available() {
    return network_flag().load();
}

void set_network_available(bool available) {
    network_flag().store(available);
}

ReceivedBytes receive_message(const Socket& connection, std::size_t limit,
                              std::chrono::milliseconds timeout, const WakeSignal* wake) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    ReceivedBytes result;
    std::vector<char> buffer(limit);
    std::size_t got = 0;
    int separators = 0;
    while (got < limit) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            break;
        }
        WaitResult w = connection.wait_readable(left, wake);
        if (w == WaitResult::Woken) {
            result.woken = true;
            break;
        }
        if (w == WaitResult::TimedOut) {
            result.timed_out = true;
            break;
        }
        if (w == WaitResult::Failed) {
            result.peer_closed = true;
            break;
        }
        SocketStatus status;
        long n = connection.receive_some(buffer.data() + got, limit - got, status);
        if (n <= 0) {
            // A reset or an orderly close: what came so far is all there is.
            result.peer_closed = true;
            break;
        }
        separators += static_cast<int>(
            std::count(buffer.data() + got, buffer.data() + got + n, kFieldSeparator));
        got += static_cast<std::size_t>(n);
        if (separators >= kMessageFieldCount && buffer[got - 1] == kFieldSeparator) {
            break;
        }
    }
    result.bytes.assign(buffer.data(), got);
    return result;
}

std::string whole_message_from_bytes(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (!is_complete_message(bytes)) {
        return {};
    }
    std::string text = decode_received_text(bytes);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

ReceiveServer::ReceiveServer(Options options, Sink sink, ErrorHandler on_error,
                             AttackHandler on_attack)
    : options_(std::move(options)),
      sink_(std::move(sink)),
      on_error_(std::move(on_error)),
      on_attack_(std::move(on_attack)) {
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

void ReceiveServer::fail(const char* text) {
    set_network_available(false);
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
    listener = std::move(s);
    listening_port_ = listener.local_port();
    return true;
}

void ReceiveServer::run() {
    Socket listener;
    std::uint16_t bound_port = 0;
    for (;;) {
        if (wake_.signalled()) {
            break;
        }
        const std::uint16_t port = options_.port();
        if (!listener.valid() || port != bound_port) {
            if (!open_listener(port, listener)) {
                break;
            }
            bound_port = port;
        }
        WaitResult w = listener.wait_readable(std::chrono::milliseconds(-1), &wake_);
        if (w == WaitResult::Woken) {
            break;
        }
        if (w != WaitResult::Ready) {
            fail(kAcceptErrorText);
            break;
        }
        SocketStatus status;
        Socket connection = listener.accept(status);
        if (!connection.valid()) {
            if (transient_accept_error(status.error)) {
                continue;
            }
            fail(kAcceptErrorText);
            break;
        }
        bool stop_receiving = false;
        serve(connection, stop_receiving);
        connection.close();
        ++handled_;
        if (stop_receiving) {
            break;
        }
    }
    listener.close();
    listening_port_ = 0;
    running_ = false;
}

void ReceiveServer::serve(const Socket& connection, bool& stop_receiving) {
    ReceivedBytes got =
        receive_message(connection, kMaxMessageSize, options_.receive_timeout, &wake_);
    if (got.woken) {
        stop_receiving = true;
        return;
    }
    if (got.timed_out &&
        std::count(got.bytes.begin(), got.bytes.end(), kFieldSeparator) < kMessageFieldCount) {
        // The sender stopped half-way and is not waiting for an answer that makes sense.
        return;
    }
    std::string message = whole_message_from_bytes(got.bytes);
    if (message.empty()) {
        // Nothing whole arrived: no note, no acknowledgement, and a waiting note stays.
        return;
    }
    if (parse_note_message(message, 0, 0).rejected()) {
        connection.send_all(kAcknowledgement);
        attack_ = true;
        stop_receiving = true;
        if (on_attack_) {
            on_attack_();
        }
        return;
    }
    // Kept first, acknowledged after: an acknowledged note survives a crash.
    if (sink_ && sink_(std::move(message))) {
        connection.send_all(kAcknowledgement);
    }
}

}  // namespace kd
