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

#include "loopback_peer.h"
#include "net/note_message.h"
#include "platform/socket.h"
#include "program_start.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Five seconds at most for the connection and the acknowledgement.
int connect_loopback(std::uint16_t port) {
    return kd::bench::connect_loopback(port, 5);
}
using kd::bench::send_and_wait_ack;

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
