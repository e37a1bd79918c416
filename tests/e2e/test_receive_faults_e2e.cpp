// The real korvadesk's receiving server against peers that misbehave: one megabyte at once, a
// reset half-way through a message, a sender of one byte a second, and 200 connections at
// once. None of them may stop it, bring a note, or keep a good peer from being served.
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>
#include <vector>

#include "receiving_program.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::note_message_with;
using test::raw_connect;
using test::raw_reply;
using test::raw_send;
using test::send_note;

class ReceiveFaults : public test::ReceivingProgramTest {
protected:
    ReceiveFaults() : ReceivingProgramTest("/tmp/kd-e2e-faults-XXXXXX") {}

    // The program still serves: a good note is acknowledged and stored as note `expected`.
    void expect_serving(int expected) {
        EXPECT_TRUE(send_note(port_, note_message_with("still serving"), 5s));
        EXPECT_TRUE(wait_for_notes(expected)) << "notes: " << note_count();
    }

    void end(pid_t pid) {
        ASSERT_EQ(::kill(pid, 0), 0) << "the program is still running";
        ::kill(pid, SIGTERM);
        EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    }
};

TEST_F(ReceiveFaults, OneMegabytePeerIsCutOffWithoutANote) {
    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1)) << "the first empty note";
    // A well-formed start whose body never ends within the message limit.
    std::string huge = note_message_with(std::string(1 << 20, 'x'));
    const int fd = raw_connect(port_, 5s);
    ASSERT_GE(fd, 0);
    raw_send(fd, huge);  // stops being read at the limit; a refusal here is expected
    EXPECT_NE(raw_reply(fd), std::string(kAcknowledgement));
    ::close(fd);
    expect_serving(2);
    end(pid);
}

TEST_F(ReceiveFaults, ResetMidMessageLeavesNoNote) {
    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    const std::string message = note_message_with("cut short");
    // Cut right after a field: the part ends with "~" like a whole message does.
    std::size_t cut = 0;
    for (int field = 0; field < 10; ++field) {
        cut = message.find('~', cut) + 1;
    }
    for (int i = 0; i < 5; ++i) {
        const int fd = raw_connect(port_, 5s);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(raw_send(fd, message.substr(0, cut)));
        std::this_thread::sleep_for(50ms);
        linger hard{1, 0};  // close with RST instead of FIN
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd);
    }
    std::this_thread::sleep_for(1200ms);  // more than two ticks
    EXPECT_EQ(note_count(), 1);
    expect_serving(2);
    end(pid);
}

TEST_F(ReceiveFaults, OneByteASecondSenderDoesNotHoldUpOthers) {
    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    const std::string slow_message = note_message_with("slow");
    std::atomic<bool> slow_done{false};
    std::thread slow([&] {
        const int fd = raw_connect(port_, 5s);
        // Four seconds, one byte each: the server must serve others meanwhile.
        for (int i = 0; fd >= 0 && i < 4; ++i) {
            raw_send(fd, slow_message.substr(static_cast<std::size_t>(i), 1));
            std::this_thread::sleep_for(1s);
        }
        if (fd >= 0) {
            ::close(fd);
        }
        slow_done = true;
    });
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(send_note(port_, note_message_with("fast one"), 5s));
    EXPECT_FALSE(slow_done.load()) << "served while the slow sender was still sending";
    slow.join();
    EXPECT_TRUE(wait_for_notes(2));
    expect_serving(3);
    end(pid);
}

TEST_F(ReceiveFaults, TwoHundredConnectionsAtOnceAndServingGoesOn) {
    const pid_t pid = launch();
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    // 200 peers connect at the same moment; each sends a third of a note and waits.
    const std::string message = note_message_with("crowd");
    std::vector<int> crowd(200, -1);
    {
        std::vector<std::thread> starters;
        for (int t = 0; t < 8; ++t) {
            starters.emplace_back([&, t] {
                for (std::size_t i = static_cast<std::size_t>(t); i < crowd.size(); i += 8) {
                    crowd[i] = raw_connect(port_, 3s);
                    if (crowd[i] >= 0) {
                        raw_send(crowd[i], message.substr(0, message.size() / 3));
                    }
                }
            });
        }
        for (auto& s : starters) {
            s.join();
        }
    }
    int connected = 0;
    for (int fd : crowd) {
        connected += fd >= 0 ? 1 : 0;
    }
    EXPECT_GT(connected, 100) << "the backlog takes the burst";
    // A good peer gets through while they are all still open.
    EXPECT_TRUE(send_note(port_, note_message_with("through the crowd"), 10s));
    for (int fd : crowd) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    EXPECT_TRUE(wait_for_notes(2));
    expect_serving(3);
    end(pid);
}

}  // namespace
}  // namespace kd
