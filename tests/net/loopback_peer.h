// Loopback peers for the sending tests: a server that runs a given behaviour for each
// connection, and a reader of one whole note message.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "net/note_message.h"
#include "platform/socket.h"

namespace kd::test {

using namespace std::chrono_literals;

// Reads a whole message (22 separators) or until the peer stops sending.
inline std::string read_message(const Socket& s) {
    std::string in;
    char buf[65536];
    SocketStatus status;
    while (std::count(in.begin(), in.end(), '~') < kMessageFieldCount &&
           s.wait_readable(3s, nullptr) == WaitResult::Ready) {
        long n = s.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        in.append(buf, static_cast<std::size_t>(n));
    }
    return in;
}

// A loopback server that runs `serve` for each connection it accepts, one after the other.
class RawServer {
public:
    using Serve = std::function<void(const Socket&)>;
    explicit RawServer(Serve serve, int backlog = 4) : serve_(std::move(serve)) {
        SocketStatus status;
        std::string step;
        listener_ = Socket::listen_tcp("127.0.0.1", 0, backlog, status, step);
        port_ = listener_.local_port();
        thread_ = std::thread([this] {
            for (;;) {
                if (listener_.wait_readable(-1ms, &stop_) != WaitResult::Ready) {
                    return;
                }
                SocketStatus st;
                Socket c = listener_.accept(st);
                if (!c.valid()) {
                    return;
                }
                ++connections_;
                serve_(c);
            }
        });
    }
    ~RawServer() {
        stop_.signal();
        thread_.join();
    }
    std::uint16_t port() const { return port_; }
    int connections() const { return connections_.load(); }

private:
    Serve serve_;
    Socket listener_;
    std::uint16_t port_ = 0;
    WakeSignal stop_;
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace kd::test
