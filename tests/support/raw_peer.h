// A raw peer of the program's receiving port on the loopback interface, as another computer
// (or an attacker) would talk to it; used by the program tests and the benchmarks.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/note_message.h"

namespace kd::test {

// A plain blocking TCP socket to 127.0.0.1:port with send and receive time limits, so a peer
// never hangs the test; -1 when the connection failed. With `from` (a loopback address such as
// 127.0.0.7) it comes from there, as from another computer.
inline int raw_connect(std::uint16_t port, std::chrono::milliseconds io_limit,
                       const std::string& from = {}) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (!from.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd);
            return -1;
        }
    }
    timeval tv{};
    tv.tv_sec = io_limit.count() / 1000;
    tv.tv_usec = (io_limit.count() % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
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

// Sends as much of `bytes` as the peer takes; false when it stopped taking them.
inline bool raw_send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// What the program answers before it closes or the socket's receive limit passes.
inline std::string raw_reply(int fd) {
    std::string reply;
    char buf[256];
    while (reply.size() < kAcknowledgement.size()) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply;
}

}  // namespace kd::test
