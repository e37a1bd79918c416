// The sending client against real loopback peers: our own receiving server, and raw servers
// that answer wrongly, late or not at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/loopback_peer.h"
#include "net/note_message.h"
#include "net/note_receiver.h"
#include "net/note_sender.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::RawServer;
using test::read_message;

std::string sample_message() {
    NoteRecord r;
    r.EditText = "{\\rtf1 Hello}";
    r.EditFont = "Tahoma";
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    return build_note_message("PC1", r);
}

RawServer::Serve answering(std::vector<std::string> parts) {
    return [parts](const Socket& c) {
        read_message(c);
        for (const auto& part : parts) {
            c.send_all(part);
            std::this_thread::sleep_for(30ms);
        }
    };
}

const SendTimeouts kQuick{1000ms, 1000ms, 300ms};

TEST(NoteSenderTest, AcknowledgementIsComparedByteExactOverSeveralReads) {
    const std::string ack(kAcknowledgement);
    {
        RawServer split(answering({ack.substr(0, 11), ack.substr(11)}));
        EXPECT_EQ(deliver_message("127.0.0.1", split.port(), sample_message(), kQuick), "");
    }
    const std::string bad =
        "127.0.0.1 : Computer didn't reply correctly. Possible error occurred in receiving "
        "note.\n";
    {
        RawServer extra(answering({ack + "!"}));
        EXPECT_EQ(deliver_message("127.0.0.1", extra.port(), sample_message(), kQuick), bad);
    }
    {
        RawServer lower(answering({"From Server : message received"}));
        EXPECT_EQ(deliver_message("127.0.0.1", lower.port(), sample_message(), kQuick), bad);
    }
    {
        // A cut answer followed by silence is what came: not the acknowledgement.
        RawServer cut(answering({ack.substr(0, 20)}));
        EXPECT_EQ(deliver_message("127.0.0.1", cut.port(), sample_message(), kQuick), bad);
    }
    {
        RawServer closes([](const Socket& c) { read_message(c); });
        EXPECT_EQ(deliver_message("127.0.0.1", closes.port(), sample_message(), kQuick), bad);
    }
}

TEST(NoteSenderTest, ResetOrSilenceInsteadOfAReplyIsAReceiveError) {
    const std::string line = "LOCALHOST : Error receiving reply from computer.\n";
    RawServer resets([](const Socket& c) {
        read_message(c);
        linger hard{1, 0};
        ::setsockopt(c.fd(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    });
    EXPECT_EQ(deliver_message("localhost", resets.port(), sample_message(), kQuick), line);

    WakeSignal release;
    RawServer silent([&](const Socket& c) {
        read_message(c);
        c.wait_readable(5s, &release);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver_message("localhost", silent.port(), sample_message(), kQuick), line);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    release.signal();
}

TEST(NoteSenderTest, UnreachableRecipientsGiveTheirLinesInUpperCase) {
    std::uint16_t closed_port;
    {
        RawServer gone([](const Socket&) {});
        closed_port = gone.port();
    }
    EXPECT_EQ(deliver_message("localhost", closed_port, sample_message(), kQuick),
              "LOCALHOST : Korvadesk program must be installed and started on computer.\n");
    EXPECT_EQ(deliver_message("no-such-host.invalid", closed_port, sample_message(), kQuick),
              "NO-SUCH-HOST.INVALID : Can't find computer with that name or IP address.\n");
}

TEST(NoteSenderTest, NoSocketLeftGivesTheSocketLine) {
    // Every descriptor the process may open is taken, so socket() fails.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        taken.push_back(fd);
    }
    const std::string line = deliver_message("127.0.0.1", 9, sample_message(), kQuick);
    for (int fd : taken) {
        ::close(fd);
    }
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(line, "127.0.0.1 : Can't create TCP/IP stream socket with computer.\n");
}

TEST(NoteSenderTest, ConnectThatHangsEndsAtOurTimeout) {
    // A listener that never accepts: once its queue is full the kernel drops further attempts,
    // so a connect only ends by our own time-out.
    SocketStatus status;
    std::string step;
    Socket full = Socket::listen_tcp("127.0.0.1", 0, 0, status, step);
    const std::uint16_t port = full.local_port();
    std::vector<Socket> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(Socket::connect_tcp("127.0.0.1", port, 200ms, status));
    }
    SendTimeouts quick{300ms, 1000ms, 1000ms};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(deliver_message("127.0.0.1", port, sample_message(), quick),
              "127.0.0.1 : Korvadesk program must be installed and started on computer.\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(NoteSenderTest, LongMessageIsWrittenWholeAndAPeerThatNeverReadsTimesOut) {
    // Far more than the socket buffers take at once: the writes come back short.
    std::string big(3 * 1024 * 1024, 'x');
    big.back() = '~';
    std::string got;
    RawServer slow([&](const Socket& c) {
        char buf[4096];
        SocketStatus st;
        while (got.size() < big.size() && c.wait_readable(3s, nullptr) == WaitResult::Ready) {
            long n = c.receive_some(buf, sizeof buf, st);
            if (n <= 0) {
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        c.send_all(kAcknowledgement);
    });
    EXPECT_EQ(deliver_message("127.0.0.1", slow.port(), big, {1000ms, 5000ms, 1000ms}), "");
    EXPECT_EQ(got.size(), big.size());

    WakeSignal release;
    RawServer deaf([&](const Socket& c) { c.wait_readable(5s, &release); });
    std::string huge(64 * 1024 * 1024, 'y');
    EXPECT_EQ(deliver_message("127.0.0.1", deaf.port(), huge, {1000ms, 300ms, 1000ms}),
              "127.0.0.1 : Can't send note to computer.\n");
    release.signal();
}

class StoredNoteSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        AppPaths p;
        p.IniPath = dir_.file("Korvadesk.ini");
        p.NetListPath = dir_.file("Korvadesk.net");
        p.OsLabel = "Linux";
        set_app_paths(p);
    }
    void TearDown() override { set_app_paths({}); }

    void store_note(const std::string& body) {
        NoteRecord r;
        r.NoteID = 1;
        r.EditText = body;
        r.EditFont = "Tahoma";
        r.EditFontSize = 11;
        r.EditBackColor = 0x00C0FFFF;
        r.EditTextColor = 0x00400000;
        r.TitleText = "Shopping";
        r.TitleBackColor = 0x0080FFFF;
        r.Width = 321;
        r.Height = 234;
        r.Left = 50;
        r.Top = 60;
        ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
    }
    void set_port(std::uint16_t port) {
        ProfileFile::write(app_paths().IniPath, "KORVADESK", "CommunicationPort",
                           std::to_string(port));
    }

    test::TempDir dir_;
};

TEST_F(StoredNoteSendTest, RoundTripThroughOurReceivingServer) {
    store_note("{\\rtf1 Milk\\par Bread}");
    NoteReceiver::Options o;
    o.bind_address = "127.0.0.1";
    NoteReceiver receiver(NoteLists(app_paths(), test::store_errors()), o, Clock::system());
    SocketStatus status;
    std::string step;
    const std::uint16_t port = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
    set_port(port);
    receiver.start_server();
    test::wait_for([&] { return receiver.listening_port() == port; }, 2500ms, 5ms);

    EXPECT_EQ(
        send_to_computer(NoteStore(app_paths(), test::store_errors()), "127.0.0.1", 1, "pc17"), "");
    ReceiveTickResult tick = receiver.tick(9, 5);
    receiver.stop_server();
    ASSERT_EQ(tick.notes.size(), 1u);
    const NoteRecord& got = tick.notes[0].record;
    EXPECT_EQ(got.EditText, "{\\rtf1 Milk\\par Bread}");
    EXPECT_EQ(got.EditFontSize, 11);
    EXPECT_EQ(got.EditBackColor, 0x00C0FFFFu);
    EXPECT_EQ(got.EditTextColor, 0x00400000u);
    EXPECT_EQ(got.TitleBackColor, 0x0080FFFFu);
    EXPECT_EQ(got.Width, 321);
    EXPECT_EQ(got.Height, 234);
    // A computer-name identity travels in upper case.
    EXPECT_EQ(tick.notes[0].shown.title, "PC17 09:05");
    EXPECT_EQ(tick.notes[0].shown.reply_address, "PC17");
}

TEST_F(StoredNoteSendTest, PortAndRecordAreReadAfreshAndAnOverlongNoteIsStillSent) {
    std::string received;
    RawServer server([&](const Socket& c) {
        received = read_message(c);
        c.send_all(kAcknowledgement);
    });
    set_port(server.port());
    store_note(std::string(12000, 'z'));
    int warnings = 0;
    EXPECT_EQ(send_to_computer(NoteStore(app_paths(), test::store_errors()), "localhost", 1,
                               "Name:anna", [&] { ++warnings; }),
              "");
    EXPECT_EQ(warnings, 1);
    EXPECT_GT(received.size(), kMaxMessageSize);
    EXPECT_TRUE(received.starts_with("Name:anna~zzz"));

    store_note("short");
    EXPECT_EQ(send_to_computer(NoteStore(app_paths(), test::store_errors()), "localhost", 1, "",
                               [&] { ++warnings; }),
              "");
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(received.starts_with(own_computer_name() + "~short~"));

    // Empty means the default port, where nobody listens in this test.
    ProfileFile::write(app_paths().IniPath, "KORVADESK", "CommunicationPort", "");
    EXPECT_EQ(prepare_message(NoteStore(app_paths(), test::store_errors()), 1, "x").port, 2000);
}

TEST(NoteSenderTest, IdentityKeepsTheCaseOnlyOfNamesAndEmailAddresses) {
    EXPECT_EQ(sending_identity("pc17"), "PC17");
    EXPECT_EQ(sending_identity("192.168.0.7"), "192.168.0.7");
    EXPECT_EQ(sending_identity("Name:anna"), "Name:anna");
    EXPECT_EQ(sending_identity("anna@example.org"), "anna@example.org");
    EXPECT_EQ(sending_identity("anonymous"), "ANONYMOUS");
    const std::string own = own_computer_name();
    EXPECT_EQ(sending_identity(""), own);
    EXPECT_FALSE(own.empty());
    EXPECT_EQ(own, recipient_display_name(own));
}

}  // namespace
}  // namespace kd
