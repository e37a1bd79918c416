#include "net/note_sender.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "net/note_message.h"
#include "net/receive_server.h"
#include "platform/socket.h"
#include "store/note_store.h"

namespace kd {

namespace {

using Clock = std::chrono::steady_clock;

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

int millis_left(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on the socket until the deadline: true when they came.
bool wait_for(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, millis_left(deadline));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n > 0;
    }
}

// First IPv4 address of the name as typed, false when the lookup fails.
bool lookup_ipv4(const std::string& name, in_addr& address) {
    if (name.empty()) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

bool connect_within(const Socket& s, const in_addr& address, std::uint16_t port,
                    std::chrono::milliseconds timeout) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = address;
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        return true;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        return false;
    }
    if (!wait_for(s.fd(), POLLOUT, Clock::now() + timeout)) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Writes every byte; a short write only means the rest goes in the next round.
bool send_within(const Socket& s, std::string_view data, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!data.empty()) {
        ssize_t n = ::send(s.fd(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        if (Clock::now() >= deadline || !wait_for(s.fd(), POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

enum class ReplyRead { Text, Failed };

// Reads until the acknowledgement's length is in, the peer closes or the time is up, so a
// reply in two segments still counts and extra bytes in the same read still spoil it. A
// failure or time-out before the first byte is a failed receive; after it, what came is the
// reply.
ReplyRead read_reply(const Socket& s, std::chrono::milliseconds timeout, std::string& reply) {
    std::vector<char> buffer(kMaxMessageSize, '\0');
    std::size_t total = 0;
    const auto deadline = Clock::now() + timeout;
    while (total < kAcknowledgement.size()) {
        if (!wait_for(s.fd(), POLLIN, deadline)) {
            if (total == 0) {
                return ReplyRead::Failed;
            }
            break;
        }
        ssize_t n = ::recv(s.fd(), buffer.data() + total, buffer.size() - total, MSG_DONTWAIT);
        if (n > 0) {
            total += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
            continue;
        } else if (total == 0) {
            return ReplyRead::Failed;
        } else {
            break;
        }
    }
    reply.assign(buffer.data(), total);
    return ReplyRead::Text;
}

}  // namespace

std::string own_computer_name() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return std::string(kUnknownComputerName);
    }
    return to_upper_ascii(name);
}

std::string recipient_display_name(std::string_view recipient) {
    return to_upper_ascii(recipient);
}

std::string send_error_line(const char* format, std::string_view display_name) {
    std::string_view text(format);
    std::string line;
    const auto at = text.find("%s");
    if (at == std::string_view::npos) {
        line.assign(text);
    } else {
        line.append(text.substr(0, at));
        line.append(display_name);
        line.append(text.substr(at + 2));
    }
    line.push_back('\n');
    return line;
}

std::string sending_identity(std::string_view identity) {
    if (identity.empty()) {
        return own_computer_name();
    }
    return wire_sender_identity(identity);
}

std::string deliver_message(std::string_view recipient, std::uint16_t port,
                            std::string_view message, const SendTimeouts& timeouts) {
    const std::string display = recipient_display_name(recipient);
    in_addr address{};
    if (!lookup_ipv4(std::string(recipient), address)) {
        return send_error_line(kCantFindComputerFormat, display);
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP));
    if (!s.valid()) {
        return send_error_line(kCantCreateSocketFormat, display);
    }
    if (!connect_within(s, address, port, timeouts.connect)) {
        return send_error_line(kNotInstalledFormat, display);
    }
    if (!send_within(s, message, timeouts.send)) {
        return send_error_line(kCantSendFormat, display);
    }
    std::string reply;
    if (read_reply(s, timeouts.reply, reply) == ReplyRead::Failed) {
        return send_error_line(kReplyErrorFormat, display);
    }
    if (reply != kAcknowledgement) {
        return send_error_line(kBadReplyFormat, display);
    }
    return {};
}

PreparedMessage prepare_message(const NoteStore& store, int note_number,
                                std::string_view sender_identity) {
    PreparedMessage prepared;
    prepared.port = static_cast<std::uint16_t>(store.settings().number(Setting::CommunicationPort));
    prepared.message =
        build_stored_note_message(store, sending_identity(sender_identity), note_number);
    prepared.too_big = prepared.message.size() > kMaxMessageSize;
    return prepared;
}

std::string send_to_computer(const NoteStore& store, std::string_view recipient, int note_number,
                             std::string_view sender_identity,
                             const std::function<void()>& on_too_big,
                             const SendTimeouts& timeouts) {
    PreparedMessage prepared = prepare_message(store, note_number, sender_identity);
    if (prepared.too_big && on_too_big) {
        on_too_big();
    }
    return deliver_message(recipient, prepared.port, prepared.message, timeouts);
}

}  // namespace kd
