// The interface of the real korvadesk while a peer sends ten notes with the costliest bodies
// a 10 KB message can carry, back to back over raw TCP: the longest time the program's event
// loop did not answer (a _NET_WM_PING probe on its first note), and how long until all ten
// notes were made. One program run per kind of body. Run it against another build with
// KD_PROGRAM=/path/to/korvadesk.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "net/note_message.h"
#include "platform/socket.h"
#include "program_start.h"
#include "ui_stall_probe.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kNotes = 10;

int connect_loopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval tv{10, 0};
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

bool deliver(std::uint16_t port, const std::string& message) {
    const int fd = connect_loopback(port);
    if (fd < 0) {
        return false;
    }
    std::string reply;
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(message.size())) {
        char buf[64];
        while (reply.size() < kd::kAcknowledgement.size()) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            reply.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return reply == kd::kAcknowledgement;
}

bool wait_note_count(const std::string& ini, int count, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (std::atoi(kd::ProfileFile::read(ini, "KORVADESK", "NumberOfNotes", 16).c_str()) >=
            count) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// A body: what comes before the repeated part, the part, and what closes it.
struct Body {
    const char* head;
    const char* unit;
};

constexpr const char* kRtfHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0";

const Body kBodies[] = {
    // One word at 100 points: no place to break the line.
    {"\\fs200 ", "W"},
    // One word at the largest size RTF can say.
    {"\\fs3276 ", "W"},
    // Empty paragraphs, two thousand of them.
    {"\\fs20 ", "\\par "},
    // A letter per paragraph at the largest size.
    {"\\fs3276 ", "x\\par "},
    // Indents wider than any note: every letter on a line of its own.
    {"\\li31680\\ri31680\\fs200 ", "W"},
    // A thousand changes of format.
    {"\\fs24 ", "\\b x\\b0 y"},
    // Tabs at 100 points.
    {"\\fs200 ", "\\tab "},
    // A bulleted list of a thousand items at 100 points.
    {"{\\*\\pn\\pnlvlblt}\\fs200 ", "x\\par "},
};

// A note message of at most kMaxMessageSize bytes whose body repeats `body.unit` as often as
// fits.
std::string worst_message(const Body& body) {
    kd::NoteRecord r;
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    auto message_with = [&](int units) {
        std::string rtf = std::string(kRtfHead) + body.head;
        for (int i = 0; i < units; ++i) {
            rtf += body.unit;
        }
        r.EditText = rtf + "}";
        return kd::build_note_message("PEER", r);
    };
    const std::size_t empty = message_with(0).size();
    const std::size_t unit = std::string(body.unit).size();
    return message_with(static_cast<int>((kd::kMaxMessageSize - empty) / unit));
}

void BM_InterfaceStallWhileReceiving(benchmark::State& state) {
    const std::string message = worst_message(kBodies[state.range(0)]);
    for (auto _ : state) {
        kd::bench::StoredNotes folders(0);
        kd::SocketStatus status;
        std::string step;
        const std::uint16_t port =
            kd::Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
        const std::string ini = folders.config() + "/Korvadesk.ini";
        kd::ProfileFile::write(ini, "KORVADESK", "CommunicationPort", std::to_string(port));
        // One peer sends them all.
        kd::ProfileFile::write(ini, "KORVADESK", "MaxNotesPerComputerPerMinute", "0");
        // The notice about the missing tray would be the first window.
        kd::ProfileFile::write(ini, "KORVADESK", "NoTrayNoticeShown", "Yes");
        kd::bench::MapWatcher watcher;
        kd::bench::PingProbe probe;
        if (!watcher.ok() || !probe.ok() || port == 0) {
            state.SkipWithError("no X server or no free port");
            return;
        }
        const char* program = std::getenv("KD_PROGRAM");
        const pid_t pid = kd::bench::start(
            program != nullptr ? program : std::string(KD_BINARY_DIR) + "/korvadesk", folders);
        bool ready = watcher.wait_maps(1);  // the empty first note
        const xcb_window_t first_note = watcher.last_mapped();
        for (int i = 0; ready && i < 100; ++i) {
            const int fd = connect_loopback(port);
            if (fd >= 0) {
                ::close(fd);
                break;
            }
            std::this_thread::sleep_for(50ms);
        }
        // Let the start settle, so only the notes are measured.
        std::this_thread::sleep_for(1s);
        probe.start(first_note, 5ms);
        const auto begin = Clock::now();
        bool delivered = ready;
        for (int i = 0; delivered && i < kNotes; ++i) {
            delivered = deliver(port, message);
        }
        // Past five such notes the settings file is over its size limit and the delete list
        // opens; notes go on arriving behind it, so they are counted in the file.
        const bool shown = delivered && wait_note_count(ini, 1 + kNotes, 120s);
        const auto all_shown = Clock::now();
        // What follows the last map (painting, activation) counts too.
        std::this_thread::sleep_for(1s);
        probe.stop();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown) {
            state.SkipWithError(delivered ? "the notes were not shown" : "a note was refused");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(all_shown - begin).count());
        state.counters["longest_stall_ms"] = probe.longest().count();
        state.counters["pings_answered"] = static_cast<double>(probe.answered());
        state.counters["message_bytes"] = static_cast<double>(message.size());
    }
}
BENCHMARK(BM_InterfaceStallWhileReceiving)
    ->DenseRange(0, static_cast<int>(std::size(kBodies)) - 1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
