// The receiving server on real loopback sockets, with the hand-off through a real INI file.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/note_message.h"
#include "net/note_receiver.h"
#include "net/receive_server.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "support/error_recorder.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::uint16_t free_port() {
    SocketStatus status;
    std::string step;
    Socket s = Socket::listen_tcp("127.0.0.1", 0, 1, status, step);
    return s.local_port();
}

std::string note_text(const std::string& sender, const std::string& body) {
    NoteRecord r;
    r.EditText = body;
    r.EditFont = "Tahoma";
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    return build_note_message(sender, r);
}

// A sender as Windows copies behave: connect, send, wait for one reply until the peer closes.
struct Exchange {
    bool connected = false;
    std::string reply;
};

// A socket to 127.0.0.1:port from the loopback address `from`, like another computer.
Socket connect_from(const std::string& from, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(fd);
        return Socket();
    }
    return Socket(fd);
}

Exchange exchange(std::uint16_t port, const std::vector<std::string>& parts,
                  std::chrono::milliseconds pause = 0ms, bool close_after_send = false,
                  const std::string& from = {}) {
    Exchange ex;
    SocketStatus status;
    Socket s = from.empty() ? Socket::connect_tcp("127.0.0.1", port, 2s, status)
                            : connect_from(from, port);
    if (!s.valid()) {
        return ex;
    }
    ex.connected = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(pause);
        }
        s.send_all(parts[i]);
    }
    if (close_after_send) {
        ::shutdown(s.fd(), SHUT_WR);
    }
    char buf[256];
    while (s.wait_readable(15s, nullptr) == WaitResult::Ready) {
        long n = s.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        ex.reply.append(buf, static_cast<std::size_t>(n));
    }
    return ex;
}

class ReceiveServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kd_net_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_ = (dir_ / "Korvadesk.ini").string();
        port_ = free_port();
        set_port(port_);
    }
    void TearDown() override {
        receiver_.reset();
        fs::remove_all(dir_);
    }
    void set_port(std::uint16_t port) {
        ProfileFile::write(ini_, "KORVADESK", "CommunicationPort", std::to_string(port));
    }
    NoteLists lists() const {
        return NoteLists(ini_, (dir_ / "Korvadesk.net").string(), test::store_errors());
    }
    // The spool as the next start finds it.
    ReceivedSpool spool_on_disk() const {
        return ReceivedSpool(received_spool_path(ini_),
                             ProfileFile::read(ini_, spool::kTakenSection, spool::kTakenKey, 64));
    }
    NoteReceiver& start(std::chrono::milliseconds timeout = kReceiveTimeout) {
        NoteReceiver::Options o;
        o.bind_address = "127.0.0.1";
        o.receive_timeout = timeout;
        receiver_ = std::make_unique<NoteReceiver>(lists(), o, Clock::system());
        receiver_->start_server();
        EXPECT_TRUE(test::wait_for([&] { return receiver_->listening_port() == port_; }, 5s, 5ms));
        return *receiver_;
    }

    fs::path dir_;
    std::string ini_;
    std::uint16_t port_ = 0;
    std::unique_ptr<NoteReceiver> receiver_;
};

TEST_F(ReceiveServerTest, WholeMessageIsKeptThenAcknowledgedByteExact) {
    NoteReceiver& r = start();
    const std::string m = note_text("PC17", "hello");
    Exchange ex = exchange(port_, {m});
    ASSERT_TRUE(ex.connected);
    EXPECT_EQ(ex.reply, "From Server : MESSAGE RECEIVED");
    EXPECT_EQ(ex.reply.size(), 30u);
    // Already on disk when the sender read the acknowledgement, from its real address.
    const std::vector<SpoolRecord> kept = spool_on_disk().peek(0, 10);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].message, m);
    EXPECT_EQ(kept[0].from, "127.0.0.1");

    ReceiveTickResult t = r.tick(9, 5);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText, "hello");
    EXPECT_EQ(t.notes[0].record.TitleText, "PC17 09:05");
    EXPECT_EQ(t.notes[0].shown.reply_address, "PC17");
    EXPECT_TRUE(t.play_sound);
    EXPECT_EQ(r.queue().waiting(), 0u);
    EXPECT_TRUE(r.tick(9, 5).notes.empty());
}

TEST_F(ReceiveServerTest, MessageSplitIntoThreeSegmentsArrivesWhole) {
    NoteReceiver& r = start();
    const std::string m = note_text("PC1", "a longer body that is split");
    const std::size_t a = m.size() / 3, b = 2 * m.size() / 3;
    Exchange ex = exchange(port_, {m.substr(0, a), m.substr(a, b - a), m.substr(b)}, 150ms);
    EXPECT_EQ(ex.reply, kAcknowledgement);
    ReceiveTickResult t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText, "a longer body that is split");
}

TEST_F(ReceiveServerTest, EmptyOrCutConnectionIsNotAnsweredAndKeepsTheWaitingNote) {
    NoteReceiver& r = start();
    const std::string waiting = note_text("PC1", "waiting");
    ASSERT_EQ(exchange(port_, {waiting}).reply, kAcknowledgement);

    Exchange empty = exchange(port_, {}, 0ms, true);
    EXPECT_TRUE(empty.connected);
    EXPECT_EQ(empty.reply, "");
    Exchange cut = exchange(port_, {"PC2~body~Tahoma"}, 0ms, true);
    EXPECT_EQ(cut.reply, "");
    EXPECT_EQ(r.queue().waiting(), 1u);

    ReceiveTickResult t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText, "waiting");
}

TEST_F(ReceiveServerTest, MessageOfTheFullBufferSizeArrivesAndALongerOneIsRefused) {
    NoteReceiver& r = start();
    const std::string base = note_text("PC1", "");
    const std::string full = note_text("PC1", std::string(kMaxMessageSize - base.size(), 'x'));
    ASSERT_EQ(full.size(), kMaxMessageSize);
    EXPECT_EQ(exchange(port_, {full}).reply, kAcknowledgement);
    ReceiveTickResult t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText.size(), kMaxMessageSize - base.size());

    // Cut at the buffer size it has no final "~": the sender is told it was not delivered.
    const std::string longer = note_text("PC1", std::string(kMaxMessageSize, 'x'));
    EXPECT_EQ(exchange(port_, {longer}).reply, "");
    EXPECT_TRUE(r.tick(1, 1).notes.empty());
}

TEST_F(ReceiveServerTest, SilentPeerIsDroppedAfterTheTimeoutAndTheNextIsServed) {
    NoteReceiver& r = start(300ms);
    SocketStatus status;
    Socket silent = Socket::connect_tcp("127.0.0.1", port_, 1s, status);
    ASSERT_TRUE(silent.valid());
    // Queued behind the silent one in the backlog.
    Exchange next = exchange(port_, {note_text("PC2", "after silence")});
    EXPECT_EQ(next.reply, kAcknowledgement);
    // The silent peer was closed without an answer.
    char c;
    ASSERT_EQ(silent.wait_readable(2s, nullptr), WaitResult::Ready);
    EXPECT_EQ(silent.receive_some(&c, 1, status), 0);
    EXPECT_EQ(r.tick(1, 1).notes.size(), 1u);
}

TEST_F(ReceiveServerTest, IdlePeersDoNotDelayAGoodOneAndTheLongestSilentMakesRoom) {
    NoteReceiver& r = start();
    SocketStatus status;
    std::vector<Socket> idle;
    for (std::size_t i = 0; i < kMaxOpenConnections; ++i) {
        idle.push_back(Socket::connect_tcp("127.0.0.1", port_, 2s, status));
        ASSERT_TRUE(idle.back().valid()) << i << " " << status.message();
    }
    // Every peer but the first has been heard from since: the first is the one to go when the
    // table is full, and the second is half-way through its message.
    const std::string slow = note_text("PC1", "sent in two halves");
    std::this_thread::sleep_for(50ms);
    idle[1].send_all(slow.substr(0, 10));
    for (std::size_t i = 2; i < idle.size(); ++i) {
        idle[i].send_all("x");
    }
    std::this_thread::sleep_for(100ms);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(exchange(port_, {note_text("PC2", "through the crowd")}).reply, kAcknowledgement);
    // Idle peers would hold it for their receive time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - before, kReceiveTimeout / 4)
        << "held up by the idle peers";
    char c;
    ASSERT_EQ(idle[0].wait_readable(2s, nullptr), WaitResult::Ready);
    EXPECT_EQ(idle[0].receive_some(&c, 1, status), 0) << "dropped unanswered";
    EXPECT_EQ(idle[1].wait_readable(50ms, nullptr), WaitResult::TimedOut) << "still served";

    idle[1].send_all(slow.substr(10));
    std::string reply(kAcknowledgement.size(), '\0');
    ASSERT_EQ(idle[1].wait_readable(2s, nullptr), WaitResult::Ready);
    reply.resize(static_cast<std::size_t>(
        std::max(0L, idle[1].receive_some(reply.data(), reply.size(), status))));
    EXPECT_EQ(reply, kAcknowledgement);
    EXPECT_EQ(r.tick(1, 1).notes.size(), 2u);
}

TEST_F(ReceiveServerTest, PartialMessageOfAStalledPeerIsDropped) {
    NoteReceiver& r = start(300ms);
    SocketStatus status;
    Socket stalled = Socket::connect_tcp("127.0.0.1", port_, 1s, status);
    ASSERT_TRUE(stalled.valid());
    stalled.send_all("PC1~body~Tahoma~");
    char c;
    ASSERT_EQ(stalled.wait_readable(2s, nullptr), WaitResult::Ready);
    EXPECT_EQ(stalled.receive_some(&c, 1, status), 0);  // closed unanswered
    EXPECT_TRUE(r.tick(1, 1).notes.empty());
    // A short message that the peer ends itself is its whole message.
    EXPECT_EQ(exchange(port_, {"PC1~body~Tahoma~"}, 0ms, true).reply, kAcknowledgement);
    EXPECT_EQ(r.tick(1, 1).notes.size(), 1u);
}

TEST_F(ReceiveServerTest, PartOfAMessageEndedByAResetIsDropped) {
    NoteReceiver& r = start();
    SocketStatus status;
    Socket peer = Socket::connect_tcp("127.0.0.1", port_, 1s, status);
    ASSERT_TRUE(peer.valid());
    // Ends with "~" like a whole message, but the sender gave up and will send it again.
    peer.send_all("PC1~body~Tahoma~");
    std::this_thread::sleep_for(50ms);
    linger hard{1, 0};
    ::setsockopt(peer.fd(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    peer.close();
    // The reset is handled before the next peer is, so one tick sees both outcomes.
    EXPECT_EQ(exchange(port_, {note_text("PC1", "next")}).reply, kAcknowledgement);
    ReceiveTickResult t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText, "next");
}

TEST_F(ReceiveServerTest, ConcurrentSendersAreAllAcknowledgedAndNoneLost) {
    NoteReceiver& r = start();
    constexpr int kSenders = 5;
    std::vector<std::thread> senders;
    std::atomic<int> acknowledged{0};
    for (int i = 0; i < kSenders; ++i) {
        senders.emplace_back([&, i] {
            if (exchange(port_, {note_text("PC" + std::to_string(i), "note " + std::to_string(i))})
                    .reply == kAcknowledgement) {
                ++acknowledged;
            }
        });
    }
    // Ticks run while the notes arrive: the take-and-clear must not lose any.
    std::set<std::string> bodies;
    for (auto& s : senders) {
        s.join();
    }
    EXPECT_EQ(acknowledged.load(), kSenders);
    for (const auto& n : r.tick(1, 1).notes) {
        bodies.insert(n.record.EditText);
    }
    EXPECT_EQ(bodies.size(), static_cast<std::size_t>(kSenders));
}

TEST_F(ReceiveServerTest, TicksDuringABurstTakeEveryNoteExactlyOnce) {
    NoteReceiver& r = start();
    constexpr int kSenders = 24;
    std::atomic<bool> done{false};
    std::vector<std::string> seen;
    std::thread ui([&] {
        while (!done) {
            for (auto& n : r.tick(1, 1).notes) {
                seen.push_back(n.record.EditText);
            }
            std::this_thread::sleep_for(2ms);
        }
    });
    std::vector<std::thread> senders;
    std::atomic<int> acknowledged{0};
    for (int i = 0; i < kSenders; ++i) {
        senders.emplace_back([&, i] {
            if (exchange(port_, {note_text("PC", "burst " + std::to_string(i))}).reply ==
                kAcknowledgement) {
                ++acknowledged;
            }
        });
    }
    for (auto& s : senders) {
        s.join();
    }
    done = true;
    ui.join();
    // What still waits comes over the next ticks, a share at a time.
    for (ReceiveTickResult t = r.tick(1, 1); !t.notes.empty(); t = r.tick(1, 1)) {
        for (auto& n : t.notes) {
            seen.push_back(n.record.EditText);
        }
    }
    EXPECT_EQ(acknowledged.load(), kSenders);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kSenders));
    EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), seen.size());
}

TEST_F(ReceiveServerTest, AcknowledgedNotesWaitInOrderAcrossARestart) {
    start();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(exchange(port_, {note_text("PC", "n" + std::to_string(i))}).reply,
                  kAcknowledgement);
    }
    receiver_.reset();  // the program ends before its timer ran
    EXPECT_EQ(spool_on_disk().waiting(), 3u);
    // Nothing of the queue is in the settings file.
    EXPECT_FALSE(ProfileFile::has_section(ini_, "NOTE_RECEIVED"));

    NoteReceiver again(lists(), {}, Clock::system());
    ReceiveTickResult t = again.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.notes[static_cast<std::size_t>(i)].record.EditText, "n" + std::to_string(i));
    }
    EXPECT_EQ(again.queue().waiting(), 0u);
    EXPECT_EQ(NoteReceiver(lists(), {}, Clock::system()).tick(1, 1).notes.size(), 0u)
        << "taken once only";
}

TEST_F(ReceiveServerTest, NotesAnOlderVersionLeftInTheSettingsFileComeFirst) {
    lists().write_network_mailbox(note_text("PC", "old0"), 0);
    lists().write_network_mailbox(note_text("PC", "old1"), 1);
    NoteReceiver::Options o;
    o.notes_per_tick = 3;
    NoteReceiver r(lists(), o, Clock::system());
    ASSERT_EQ(r.queue().append(note_text("PC", "new"), "10.0.0.9", 0), ReceivedSpool::Append::Kept);
    std::vector<std::string> seen;
    for (const auto& n : r.tick(1, 1).notes) {
        seen.push_back(n.record.EditText);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"old0", "old1", "new"}));
    EXPECT_TRUE(lists().network_mailbox_slots().empty());
    EXPECT_EQ(r.queue().waiting(), 0u);
}

TEST_F(ReceiveServerTest, NotesAStoreFailureKeptAreTakenOnceByTheNextStart) {
    {
        NoteReceiver r(lists(), {}, Clock::system());
        ASSERT_EQ(r.queue().append(note_text("PC", "a"), "10.0.0.9", 0),
                  ReceivedSpool::Append::Kept);
        // The settings file cannot be replaced: the note is shown but stays queued.
        fs::remove(ini_);
        fs::create_directory(ini_);
        const ReceiveTickResult t = r.tick(1, 1);
        EXPECT_TRUE(t.store_failed);
        EXPECT_EQ(t.notes.size(), 1u);
        EXPECT_EQ(r.queue().waiting(), 1u);
        fs::remove(ini_);
    }
    EXPECT_EQ(NoteReceiver(lists(), {}, Clock::system()).tick(1, 1).notes.size(), 1u);
    EXPECT_EQ(NoteReceiver(lists(), {}, Clock::system()).tick(1, 1).notes.size(), 0u);
}

TEST_F(ReceiveServerTest, OneComputerPastItsAllowanceGetsNoAnswerAndOthersStillDo) {
    NoteReceiver::Options o;
    o.bind_address = "127.0.0.1";
    o.notes_per_computer = 3;
    receiver_ = std::make_unique<NoteReceiver>(lists(), o, Clock::system());
    receiver_->start_server();
    ASSERT_TRUE(test::wait_for([&] { return receiver_->listening_port() == port_; }, 5s, 5ms));
    int acknowledged = 0;
    for (int i = 0; i < 6; ++i) {
        acknowledged +=
            exchange(port_, {note_text("PC", "n" + std::to_string(i))}).reply == kAcknowledgement;
    }
    EXPECT_EQ(acknowledged, 3);
    // Another computer (another loopback address) is not held back by the first.
    EXPECT_EQ(exchange(port_, {note_text("PC2", "other")}, 0ms, false, "127.0.0.2").reply,
              kAcknowledgement);
    ReceiveTickResult t = receiver_->tick(1, 1);
    ASSERT_EQ(t.notes.size(), 4u);
    EXPECT_EQ(t.notes[3].received_from.substr(0, 27), "Received from 127.0.0.2 at ");
}

TEST_F(ReceiveServerTest, AFullQueueAcknowledgesNothingUntilTheTickTookNotes) {
    NoteReceiver::Options o;
    o.bind_address = "127.0.0.1";
    o.notes_per_computer = 0;
    o.queue_limits = {2, spool::kMostWaitingBytes};
    receiver_ = std::make_unique<NoteReceiver>(lists(), o, Clock::system());
    receiver_->start_server();
    ASSERT_TRUE(test::wait_for([&] { return receiver_->listening_port() == port_; }, 5s, 5ms));
    EXPECT_EQ(exchange(port_, {note_text("PC", "a")}).reply, kAcknowledgement);
    EXPECT_EQ(exchange(port_, {note_text("PC", "b")}).reply, kAcknowledgement);
    EXPECT_EQ(exchange(port_, {note_text("PC", "c")}).reply, "");
    EXPECT_EQ(receiver_->tick(1, 1).notes.size(), 2u);
    EXPECT_EQ(exchange(port_, {note_text("PC", "c")}).reply, kAcknowledgement);
}

TEST(NoteAllowance, ThirtyAtOnceThenThirtyAMinuteForEachSenderInABoundedTable) {
    using namespace std::chrono;
    const auto t0 = steady_clock::now();
    NoteAllowance a(30, 4);
    int taken = 0;
    for (int i = 0; i < 40; ++i) {
        taken += a.take("10.0.0.1", t0);
    }
    EXPECT_EQ(taken, 30);
    EXPECT_FALSE(a.has_room("10.0.0.1", t0 + 1s));
    EXPECT_TRUE(a.take("10.0.0.1", t0 + 2s)) << "one note every two seconds";
    EXPECT_FALSE(a.take("10.0.0.1", t0 + 2s));
    EXPECT_TRUE(a.has_room("10.0.0.2", t0)) << "each computer has its own";
    // Told once a minute.
    EXPECT_TRUE(a.tell_refusal("10.0.0.1", t0 + 2s));
    EXPECT_FALSE(a.tell_refusal("10.0.0.1", t0 + 50s));
    EXPECT_TRUE(a.tell_refusal("10.0.0.1", t0 + 63s));
    int after_a_minute = 0;
    for (int i = 0; i < 40; ++i) {
        after_a_minute += a.take("10.0.0.1", t0 + 200s);
    }
    EXPECT_EQ(after_a_minute, 30);
    // Many senders: the table keeps its bound.
    for (int i = 0; i < 100; ++i) {
        a.take("10.1.0." + std::to_string(i), t0 + 300s + milliseconds(i));
    }
    EXPECT_LE(a.senders(), 4u);

    NoteAllowance unlimited(0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(unlimited.take("10.0.0.1", t0));
    }
    EXPECT_EQ(notes_per_computer_from_text(""), 30);
    EXPECT_EQ(notes_per_computer_from_text("0"), 0);
    EXPECT_EQ(notes_per_computer_from_text(" 12x"), 12);
    EXPECT_EQ(notes_per_computer_from_text("-5"), 30);
    EXPECT_EQ(notes_per_computer_from_text("many"), 30);
}

TEST_F(ReceiveServerTest, ATickTakesAtMostItsShareAndTheRestWaitsInOrder) {
    NoteReceiver::Options o;
    o.notes_per_tick = 4;
    NoteReceiver r(lists(), o, Clock::system());
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(r.queue().append(note_text("PC", "n" + std::to_string(i))),
                  ReceivedSpool::Append::Kept);
    }
    std::vector<std::string> seen;
    for (std::size_t expected : {4u, 4u, 2u, 0u}) {
        ReceiveTickResult t = r.tick(1, 1);
        ASSERT_EQ(t.notes.size(), expected);
        for (const auto& n : t.notes) {
            seen.push_back(n.record.EditText);
        }
        // Whatever the tick left is still queued on disk.
        EXPECT_EQ(spool_on_disk().waiting(), 10 - seen.size());
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], "n" + std::to_string(i));
    }
    // A message that arrives while others wait goes behind them.
    r.queue().append(note_text("PC", "a"));
    r.queue().append(note_text("PC", "b"));
    r.set_notes_per_tick(0);  // one at least
    EXPECT_EQ(r.tick(1, 1).notes.at(0).record.EditText, "a");
    EXPECT_EQ(r.queue().waiting(), 1u);
    EXPECT_EQ(r.tick(1, 1).notes.at(0).record.EditText, "b");
}

TEST_F(ReceiveServerTest, RejectedMessageStopsReceivingAndMakesNoNote) {
    NoteReceiver& r = start();
    std::string bad = note_text("PC1", "x");
    bad.replace(bad.find("~x~"), 3, "~ ~");  // blank body
    EXPECT_EQ(exchange(port_, {bad}).reply, kAcknowledgement);
    ASSERT_TRUE(test::wait_for([&] { return !r.server_running(); }, 5s, 5ms));
    EXPECT_FALSE(exchange(port_, {note_text("PC1", "later")}).connected);

    ReceiveTickResult t = r.tick(1, 1);
    EXPECT_TRUE(t.attack);
    EXPECT_TRUE(t.notes.empty());
    EXPECT_FALSE(r.tick(1, 1).attack);  // reported once
    EXPECT_TRUE(r.network_available());
}

TEST_F(ReceiveServerTest, RejectedMessageWaitingInTheMailboxStopsTheServer) {
    NoteReceiver& r = start();
    std::string font(300, 'F');
    lists().write_network_mailbox("PC1~body~" + font + "~");
    lists().write_network_mailbox(note_text("PC1", "fine"), 1);
    ReceiveTickResult t = r.tick(1, 1);
    EXPECT_TRUE(t.attack);
    ASSERT_EQ(t.notes.size(), 1u);  // the good note behind it is still shown
    EXPECT_FALSE(r.server_running());
    EXPECT_FALSE(exchange(port_, {note_text("PC1", "later")}).connected);
}

TEST_F(ReceiveServerTest, PortIsReadAfreshAfterEveryConnection) {
    NoteReceiver& r = start();
    const std::uint16_t second = free_port();
    set_port(second);
    // The socket of the old port waits for one more connection.
    EXPECT_EQ(exchange(port_, {note_text("PC", "old port")}).reply, kAcknowledgement);
    ASSERT_TRUE(test::wait_for([&] { return r.listening_port() == second; }, 5s, 5ms));
    EXPECT_EQ(exchange(second, {note_text("PC", "new port")}).reply, kAcknowledgement);
    EXPECT_FALSE(exchange(port_, {note_text("PC", "refused")}).connected);
    EXPECT_EQ(r.tick(1, 1).notes.size(), 2u);
}

TEST_F(ReceiveServerTest, StopWhileWaitingInAcceptIsPrompt) {
    NoteReceiver& r = start();
    auto before = std::chrono::steady_clock::now();
    r.stop_server();
    auto took = std::chrono::steady_clock::now() - before;
    // Prompt: it does not wait for a connection that may never come.
    EXPECT_LT(took, kReceiveTimeout / 4);
    EXPECT_FALSE(r.server_running());
    EXPECT_FALSE(exchange(port_, {note_text("PC", "x")}).connected);
}

TEST_F(ReceiveServerTest, StopWhileAPeerIsSilentIsPrompt) {
    NoteReceiver& r = start();
    SocketStatus status;
    Socket silent = Socket::connect_tcp("127.0.0.1", port_, 1s, status);
    ASSERT_TRUE(silent.valid());
    std::this_thread::sleep_for(50ms);
    auto before = std::chrono::steady_clock::now();
    r.stop_server();
    // Prompt means it does not wait out the peer's receive time-out; a busy machine may take a
    // while to schedule the server's thread, so the bound is far from both.
    EXPECT_LT(std::chrono::steady_clock::now() - before, kReceiveTimeout / 4);
}

TEST_F(ReceiveServerTest, BindFailureIsReportedOnceAndClearsTheNetworkFlag) {
    SocketStatus status;
    std::string step;
    Socket holder = Socket::listen_tcp("127.0.0.1", port_, 1, status, step);
    ASSERT_TRUE(holder.valid());
    NoteReceiver::Options o;
    o.bind_address = "127.0.0.1";
    NoteReceiver r(lists(), o, Clock::system());
    r.start_server();
    ASSERT_TRUE(test::wait_for([&] { return !r.server_running(); }, 5s, 5ms));
    ReceiveTickResult t = r.tick(1, 1);
    EXPECT_EQ(t.network_error,
              std::string(kBindErrorText) + "\nSorry but network support is not avaiable ...");
    EXPECT_FALSE(r.network_available());
    EXPECT_EQ(r.tick(1, 1).network_error, "");
}

TEST_F(ReceiveServerTest, WindowsCodePageMessageBecomesUtf8) {
    NoteReceiver& r = start();
    std::string m = note_text("PC1", "caf\xE9 \x80");
    EXPECT_EQ(exchange(port_, {m}).reply, kAcknowledgement);
    ReceiveTickResult t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_EQ(t.notes[0].record.EditText, "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST_F(ReceiveServerTest, LineEndsInAMessageCannotBreakTheSettingsFile) {
    NoteReceiver& r = start();
    std::string m = note_text("PC1", "x");
    m.insert(m.find("~T~") + 1, "\r\n[KORVADESK]\r\nPlaySound=No\r\n");
    EXPECT_EQ(exchange(port_, {m}).reply, kAcknowledgement);
    EXPECT_EQ(ProfileFile::read(ini_, "KORVADESK", "PlaySound", 10), "");
    EXPECT_EQ(r.tick(1, 1).notes.size(), 1u);
}

TEST_F(ReceiveServerTest, EmailMailboxIsAlwaysEmptiedAndSoundFollowsTheSetting) {
    NoteReceiver r(lists(), {}, Clock::system());
    lists().write_email_mailbox("cut message");
    ReceiveTickResult t = r.tick(1, 1);
    EXPECT_TRUE(t.notes.empty());
    EXPECT_FALSE(t.play_sound);
    EXPECT_EQ(lists().read_email_mailbox(), "");

    ProfileFile::write(ini_, "KORVADESK", "PlaySound", "No");
    lists().write_email_mailbox(note_text("anna@example.com", "mail"));
    t = r.tick(1, 1);
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_FALSE(t.play_sound);
    EXPECT_TRUE(t.notes[0].shown.can_reply);
}

}  // namespace
}  // namespace kd
