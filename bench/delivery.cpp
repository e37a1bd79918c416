// Delivery to the real korvadesk on loopback, as a peer sees it and as the user sees it:
// connect-to-acknowledgement, and send-to-note-shown (until the X server maps the new note
// window; the half-second tick that takes notes over bounds it from above). p50 and p99 over
// 60 notes, one at a time.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/note_message.h"
#include "platform/socket.h"
#include "program_start.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int connect_loopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval tv{5, 0};
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

bool send_and_wait_ack(int fd, const std::string& message) {
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(message.size())) {
        return false;
    }
    std::string reply;
    char buf[64];
    while (reply.size() < kd::kAcknowledgement.size()) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply == kd::kAcknowledgement;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

void BM_DeliveryToRunningProgram(benchmark::State& state) {
    kd::bench::StoredNotes folders(0);
    kd::SocketStatus status;
    std::string step;
    const std::uint16_t port = kd::Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
    kd::ProfileFile::write(folders.config() + "/Korvadesk.ini", "KORVADESK", "CommunicationPort",
                           std::to_string(port));
    // Every note comes from this one computer.
    kd::ProfileFile::write(folders.config() + "/Korvadesk.ini", "KORVADESK",
                           "MaxNotesPerComputerPerMinute", "0");
    kd::bench::MapWatcher watcher;
    if (!watcher.ok() || port == 0) {
        state.SkipWithError("no X server or no free port");
        return;
    }
    const pid_t pid = kd::bench::start(std::string(KD_BINARY_DIR) + "/korvadesk", folders);
    bool ready = watcher.wait_maps(1);  // the empty first note
    for (int i = 0; ready && i < 100; ++i) {
        const int fd = connect_loopback(port);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        std::this_thread::sleep_for(50ms);
    }
    std::vector<double> ack_ms, shown_ms;
    kd::NoteRecord r;
    r.EditText = "{\\rtf1\\ansi Delivered}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    const std::string message = kd::build_note_message("PEER", r);
    std::minstd_rand random(17);
    for (auto _ : state) {
        // A send right after the note shown would always meet the tick at the same phase:
        // a random pause spreads the sends over the half second, as real peers are.
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 500));
        watcher.drain();
        const auto begin = Clock::now();
        const int fd = connect_loopback(port);
        const bool acknowledged = fd >= 0 && send_and_wait_ack(fd, message);
        const auto acked = Clock::now();
        if (fd >= 0) {
            ::close(fd);
        }
        const bool shown = acknowledged && watcher.wait_maps(1, 5s);
        const auto mapped = Clock::now();
        if (!shown) {
            state.SkipWithError("a note was not acknowledged or not shown");
            break;
        }
        ack_ms.push_back(std::chrono::duration<double, std::milli>(acked - begin).count());
        shown_ms.push_back(std::chrono::duration<double, std::milli>(mapped - begin).count());
        state.SetIterationTime(std::chrono::duration<double>(mapped - begin).count());
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    state.counters["ack_p50_ms"] = percentile(ack_ms, 0.50);
    state.counters["ack_p99_ms"] = percentile(ack_ms, 0.99);
    state.counters["shown_p50_ms"] = percentile(shown_ms, 0.50);
    state.counters["shown_p99_ms"] = percentile(shown_ms, 0.99);
}
BENCHMARK(BM_DeliveryToRunningProgram)
    ->Iterations(60)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
