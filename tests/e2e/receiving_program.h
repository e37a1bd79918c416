// The real korvadesk listening on a free loopback port, and raw peers that talk to it the way
// another computer (or an attacker) would.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "net/note_message.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "store/note_record.h"
#include "support/program_runner.h"

namespace kd::test {

using namespace std::chrono_literals;

// A note message whose body carries `text`.
inline std::string note_message_with(const std::string& text) {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi " + text + "}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    return build_note_message("PEER", r);
}

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

// One whole note over a fresh connection; true when it was acknowledged.
inline bool send_note(std::uint16_t port, const std::string& message,
                      std::chrono::milliseconds limit = 10s, const std::string& from = {}) {
    const int fd = raw_connect(port, limit, from);
    if (fd < 0) {
        return false;
    }
    const bool acknowledged = raw_send(fd, message) && raw_reply(fd) == kAcknowledgement;
    ::close(fd);
    return acknowledged;
}

class ReceivingProgramTest : public ProgramTest {
protected:
    explicit ReceivingProgramTest(std::string folder_template)
        : ProgramTest(std::move(folder_template), false) {}

    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        SocketStatus status;
        std::string step;
        port_ = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
        ASSERT_NE(port_, 0);
        ASSERT_TRUE(
            ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort", std::to_string(port_)));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "PlaySound", "No"));
        // The tests' notes all come from this computer; a test of the allowance sets its own.
        ASSERT_TRUE(
            ProfileFile::write(dirs_.ini, "KORVADESK", "MaxNotesPerComputerPerMinute", "0"));
    }

    // Waits until the program accepts connections.
    bool wait_listening() {
        for (int i = 0; i < 200; ++i) {
            const int fd = raw_connect(port_, 1s);
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    int note_count() {
        const std::string text = ProfileFile::read(dirs_.ini, "KORVADESK", "NumberOfNotes", 16);
        return text.empty() ? 0 : std::atoi(text.c_str());
    }

    // Waits until the file counts `count` notes: a minute by default, since a loaded machine
    // running other tests beside this one may show a burst of notes slowly.
    bool wait_for_notes(int count, int tries = 1200) {
        for (int i = 0; i < tries; ++i) {
            if (note_count() == count) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    std::uint16_t port_ = 0;
};

}  // namespace kd::test
