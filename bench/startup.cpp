// Start-up of the real korvadesk with stored notes, until the X server has mapped every note
// window, against our floor program that maps as many plain windows. Both run on an Xvfb of the
// benchmark's own, interleaved: each iteration starts the floor and korvadesk once each (which
// goes first alternates), so that a machine that gets busier or quieter during the run moves
// both alike. Each start is timed from fork to the last MapNotify on the root window, seen
// through xcb.
//
// Counters: floor_ms and korvadesk_ms, the medians of the iterations, and x_floor, the one
// divided by the other. The iteration time reported is korvadesk's.
//
// Without the benchmark, `bench_startup --make-store=N DIR` leaves a settings file with N
// stored notes in DIR/config (XDG_CONFIG_HOME), so that a start can be looked at from outside
// (strace, perf). KD_PROGRAM=/path/to/korvadesk measures another build.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "program_start.h"

namespace {

using kd::bench::MapWatcher;
using kd::bench::StoredNotes;

// Seconds from fork to the `windows`th map, or a negative number when they were not shown.
double time_one_start(MapWatcher& watcher, const std::string& program, const StoredNotes& folders,
                      int windows, const std::string& argument) {
    watcher.drain();
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = kd::bench::start(program, folders, argument);
    const bool shown = watcher.wait_maps(windows);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return shown ? seconds : -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

void BM_StartAgainstFloor(benchmark::State& state) {
    const int notes = static_cast<int>(state.range(0));
    const std::string floor = std::string(KD_BENCH_DIR) + "/bench_startup_floor";
    const std::string korvadesk = kd::bench::korvadesk_program();
    StoredNotes folders(notes);
    StoredNotes nothing(0);  // the floor reads no settings; it runs in a folder of its own
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    std::vector<double> floor_s;
    std::vector<double> korvadesk_s;
    bool floor_first = true;
    for (auto _ : state) {
        double f = 0;
        double k = 0;
        if (floor_first) {
            f = time_one_start(watcher, floor, nothing, notes, std::to_string(notes));
            k = time_one_start(watcher, korvadesk, folders, notes, {});
        } else {
            k = time_one_start(watcher, korvadesk, folders, notes, {});
            f = time_one_start(watcher, floor, nothing, notes, std::to_string(notes));
        }
        floor_first = !floor_first;
        if (f < 0 || k < 0) {
            state.SkipWithError("the windows were not shown");
            return;
        }
        state.SetIterationTime(k);
        floor_s.push_back(f);
        korvadesk_s.push_back(k);
    }
    const double floor_median = median(floor_s);
    const double korvadesk_median = median(korvadesk_s);
    state.counters["floor_ms"] = floor_median * 1000;
    state.counters["korvadesk_ms"] = korvadesk_median * 1000;
    state.counters["x_floor"] = floor_median > 0 ? korvadesk_median / floor_median : 0;
}

// 100 notes against 100 windows (target within 1.5x), 1 against 1 (within 1.3x); 9 runs each.
BENCHMARK(BM_StartAgainstFloor)
    ->Arg(100)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kMakeStore = "--make-store=";
    if (argc == 3 && std::strncmp(argv[1], kMakeStore, std::strlen(kMakeStore)) == 0) {
        const StoredNotes kept(std::atoi(argv[1] + std::strlen(kMakeStore)), argv[2]);
        std::printf("XDG_CONFIG_HOME=%s XDG_RUNTIME_DIR=%s\n", kept.config().c_str(),
                    kept.runtime().c_str());
        return 0;
    }
    return kd::bench::run_on_own_display(argc, argv);
}
