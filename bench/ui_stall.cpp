// The interface of the real korvadesk while a peer sends ten notes with the costliest bodies
// a 10 KB message can carry, back to back over raw TCP: the longest time the program's event
// loop did not answer (a _NET_WM_PING probe on its first note), and how long until all ten
// notes were made, and the CPU time the program spent per note. One program run per kind of
// body. Run it against another build with KD_PROGRAM=/path/to/korvadesk.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "loopback_peer.h"
#include "net/note_message.h"
#include "platform/socket.h"
#include "program_start.h"
#include "ui_stall_probe.h"
#include "worst_bodies.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kNotes = 10;

// Ten seconds at most for the connection and the acknowledgement: a costly body may take a
// while to be taken.
int connect_loopback(std::uint16_t port) {
    return kd::bench::connect_loopback(port, 10);
}

bool deliver(std::uint16_t port, const std::string& message) {
    const int fd = connect_loopback(port);
    if (fd < 0) {
        return false;
    }
    const bool acknowledged = kd::bench::send_and_wait_ack(fd, message);
    ::close(fd);
    return acknowledged;
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

void BM_InterfaceStallWhileReceiving(benchmark::State& state) {
    const std::string message = kd::bench::worst_message(kd::bench::kBodies[state.range(0)]);
    for (auto _ : state) {
        kd::bench::StoredNotes folders(0);
        // One peer sends them all.
        const std::uint16_t port = kd::bench::receiving_settings(folders, "0");
        kd::bench::MapWatcher watcher;
        kd::bench::PingProbe probe;
        if (!watcher.ok() || !probe.ok() || port == 0) {
            state.SkipWithError("no X server or no free port");
            return;
        }
        const pid_t pid = kd::bench::start_program_under_test(folders);
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
        const double cpu_before = kd::bench::cpu_ms(pid);
        probe.start(first_note, 5ms);
        const auto begin = Clock::now();
        bool delivered = ready;
        for (int i = 0; delivered && i < kNotes; ++i) {
            delivered = deliver(port, message);
        }
        // Past five such notes the settings file is over its size limit and the delete list
        // opens; notes go on arriving behind it, so they are counted in the file.
        const bool shown =
            delivered && wait_note_count(folders.config() + "/Korvadesk.ini", 1 + kNotes, 120s);
        const auto all_shown = Clock::now();
        // What follows the last map (painting, activation) counts too.
        std::this_thread::sleep_for(1s);
        probe.stop();
        const double cpu_used = kd::bench::cpu_ms(pid) - cpu_before;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown) {
            state.SkipWithError(delivered ? "the notes were not shown" : "a note was refused");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(all_shown - begin).count());
        state.counters["longest_stall_ms"] = probe.longest().count();
        // What the program itself spent per note, whatever else the machine was doing.
        state.counters["program_cpu_ms_per_note"] = cpu_used / kNotes;
        state.counters["pings_answered"] = static_cast<double>(probe.answered());
        state.counters["message_bytes"] = static_cast<double>(message.size());
    }
}
BENCHMARK(BM_InterfaceStallWhileReceiving)
    ->DenseRange(0, kd::bench::kBodyKinds - 1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
