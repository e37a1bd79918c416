// A raw peer on the loopback address, as the benchmarks that send notes to the running program
// use it: connect with send and receive time-outs, send a message, wait for the acknowledgement.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "net/note_message.h"

namespace kd::bench {

// A connected socket, or -1.
inline int connect_loopback(std::uint16_t port, int timeout_seconds) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval tv{timeout_seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the whole message went out and the acknowledgement came back.
inline bool send_and_wait_ack(int fd, const std::string& message) {
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(message.size())) {
        return false;
    }
    std::string reply;
    char buf[64];
    while (reply.size() < kAcknowledgement.size()) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply == kAcknowledgement;
}

}  // namespace kd::bench
