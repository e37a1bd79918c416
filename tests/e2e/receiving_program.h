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
#include "store/note_record.h"
#include "support/program_runner.h"
#include "support/raw_peer.h"
#include "support/wait_for.h"

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
        port_ = test::free_tcp_port();
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
        for (int i = 0; i < tries * test::kSlowdown; ++i) {
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
