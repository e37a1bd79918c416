// Start-up of the real korvadesk with 100 stored notes, until the X server has mapped all 100
// note windows, against our floor program that maps 100 plain windows. Both run in the same
// benchmark run on an Xvfb of the benchmark's own; the second benchmark reports its time as a
// multiple of the floor's ("x_floor").
//
// Each run is timed from fork to the 100th MapNotify on the root window, seen through xcb.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <string>

#include "program_start.h"

namespace {

using kd::bench::MapWatcher;
using kd::bench::StoredNotes;

constexpr int kNotes = 100;
double g_floor_seconds = 0;

void time_start(benchmark::State& state, const std::string& program) {
    StoredNotes folders(kNotes);
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    double total = 0;
    for (auto _ : state) {
        watcher.drain();
        const auto begin = std::chrono::steady_clock::now();
        const pid_t pid = kd::bench::start(program, folders);
        const bool shown = watcher.wait_maps(kNotes);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown) {
            state.SkipWithError("the windows were not shown");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double mean = total / static_cast<double>(state.iterations());
    if (program.ends_with("bench_startup_floor")) {
        g_floor_seconds = mean;
    } else if (g_floor_seconds > 0) {
        state.counters["x_floor"] = mean / g_floor_seconds;
    }
}

void BM_Floor100PlainWindows(benchmark::State& state) {
    time_start(state, std::string(KD_BENCH_DIR) + "/bench_startup_floor");
}
void BM_Korvadesk100StoredNotes(benchmark::State& state) {
    time_start(state, std::string(KD_BINARY_DIR) + "/korvadesk");
}

// The floor first: the second benchmark divides by it.
BENCHMARK(BM_Floor100PlainWindows)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Korvadesk100StoredNotes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
