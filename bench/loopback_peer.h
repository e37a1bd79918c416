// A raw peer on the loopback address, as the benchmarks that send notes to the running program
// use it: connect with send and receive time-outs, send a message, wait for the acknowledgement.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "support/raw_peer.h"

namespace kd::bench {

// A connected socket, or -1.
inline int connect_loopback(std::uint16_t port, int timeout_seconds) {
    return test::raw_connect(port, std::chrono::seconds(timeout_seconds));
}

// True when the whole message went out and the acknowledgement came back.
inline bool send_and_wait_ack(int fd, const std::string& message) {
    return test::raw_send(fd, message) && test::raw_reply(fd) == kAcknowledgement;
}

}  // namespace kd::bench
