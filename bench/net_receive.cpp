// Receiving notes over loopback: connect-to-acknowledgement latency of one sender, alone and
// beside 50 idle peers that hold their connections open, and how long
// a burst of concurrent senders takes until every note is acknowledged and taken by the tick.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "loopback_receiver.h"
#include "net/note_message.h"
#include "net/note_receiver.h"
#include "platform/socket.h"

namespace {

using namespace kd;
using namespace std::chrono_literals;

struct Setup : bench::LoopbackReceiver {
    Setup() : LoopbackReceiver("kd_bench_net_") { start(); }
};

std::string sample_message(int i) {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 Note number " +
                 std::to_string(i) + " with a line\\par and another\\par}";
    r.EditFont = "Tahoma";
    r.TitleText = "Bench";
    r.TitleFont = "Verdana";
    r.Width = 240;
    r.Height = 180;
    return build_note_message("PC17", r);
}

bool send_one(std::uint16_t port, const std::string& message) {
    SocketStatus status;
    Socket s = Socket::connect_tcp("127.0.0.1", port, 5s, status);
    if (!s.valid() || !s.send_all(message).ok()) {
        return false;
    }
    std::string reply;
    char buf[64];
    while (s.wait_readable(10s, nullptr) == WaitResult::Ready) {
        long n = s.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply == kAcknowledgement;
}

// Argument: idle peers that connect first and never send a byte.
void BM_ConnectToAcknowledgement(benchmark::State& state) {
    Setup setup;
    std::vector<Socket> idle;
    for (int i = 0; i < state.range(0); ++i) {
        SocketStatus status;
        idle.push_back(Socket::connect_tcp("127.0.0.1", setup.port, 5s, status));
    }
    const std::string message = sample_message(1);
    std::vector<double> micros;
    int failures = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        failures += send_one(setup.port, message) ? 0 : 1;
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        state.PauseTiming();
        if (micros.size() % 8 == 0) {
            setup.receiver->tick(1, 1);  // keep the waiting list as short as the timer would
        }
        state.ResumeTiming();
    }
    std::sort(micros.begin(), micros.end());
    auto pct = [&](double p) {
        return micros.empty() ? 0.0 : micros[static_cast<std::size_t>(p * (micros.size() - 1))];
    };
    state.counters["p50_us"] = pct(0.50);
    state.counters["p99_us"] = pct(0.99);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_ConnectToAcknowledgement)
    ->Arg(0)
    ->Arg(50)
    ->ArgName("idle_peers")
    ->Iterations(400)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void BM_BurstAcknowledgedAndTaken(benchmark::State& state) {
    Setup setup;
    const int senders = static_cast<int>(state.range(0));
    int lost = 0;
    for (auto _ : state) {
        std::atomic<int> acknowledged{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < senders; ++i) {
            threads.emplace_back([&, i] {
                if (send_one(setup.port, sample_message(i))) {
                    ++acknowledged;
                }
            });
        }
        int taken = 0;
        // The tick runs on its own cadence meanwhile, as the UI timer would.
        while (taken < senders) {
            taken += static_cast<int>(setup.receiver->tick(1, 1).notes.size());
            if (taken < senders) {
                std::this_thread::sleep_for(1ms);
            }
            if (acknowledged.load() == senders && taken < senders) {
                taken += static_cast<int>(setup.receiver->tick(1, 1).notes.size());
                break;
            }
        }
        for (auto& t : threads) {
            t.join();
        }
        lost += senders - std::min(taken, acknowledged.load());
    }
    state.counters["lost"] = lost;
}
BENCHMARK(BM_BurstAcknowledgedAndTaken)
    ->Arg(16)
    ->Arg(64)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
