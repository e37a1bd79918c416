// Resident memory of the real korvadesk with 100 stored notes against none (a fresh start
// shows one empty note), read from /proc/<pid>/status (VmRSS) once the X server has mapped
// every note window and the program had a second to paint them. Our floor program runs in the
// same benchmark run with 1 and with 100 plain windows, which gives the floor's cost of a
// window.
//
// Counters: rss_mb per program; on the floor's 100-window run per_window_kb (the growth over
// one window divided by the 99 more); on korvadesk's 100-note run per_note_kb (the growth over
// the empty start divided by the 99 notes more), per_note_x_floor (per_note_kb against the
// floor's per_window_kb) and x_floor (the whole against the floor's 100 windows).
// KD_PROGRAM=/path/to/korvadesk measures another build.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "program_start.h"

namespace {

using kd::bench::MapWatcher;
using kd::bench::StoredNotes;

double g_floor_one_kb = 0;
double g_floor_kb = 0;
double g_floor_per_window_kb = 0;
double g_empty_kb = 0;

// Mean resident size in kB over the iterations, 0 when it could not be measured.
double measure(benchmark::State& state, const std::string& program, int notes, int windows,
               const std::string& argument = {}) {
    StoredNotes folders(notes);
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return 0;
    }
    double total_kb = 0;
    for (auto _ : state) {
        watcher.drain();
        const pid_t pid = kd::bench::start(program, folders, argument);
        const bool shown = watcher.wait_maps(windows);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long kb = kd::bench::resident_kb(pid);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown || kb <= 0) {
            state.SkipWithError("the windows were not shown");
            return 0;
        }
        total_kb += static_cast<double>(kb);
    }
    const double mean = total_kb / static_cast<double>(state.iterations());
    state.counters["rss_mb"] = mean / 1024.0;
    return mean;
}

const std::string& floor_program() {
    static const std::string program = std::string(KD_BENCH_DIR) + "/bench_startup_floor";
    return program;
}

void BM_FloorResident1PlainWindow(benchmark::State& state) {
    g_floor_one_kb = measure(state, floor_program(), 0, 1, "1");
}
void BM_FloorResident100PlainWindows(benchmark::State& state) {
    g_floor_kb = measure(state, floor_program(), 0, 100, "100");
    if (g_floor_kb > 0 && g_floor_one_kb > 0) {
        g_floor_per_window_kb = (g_floor_kb - g_floor_one_kb) / 99.0;
        state.counters["per_window_kb"] = g_floor_per_window_kb;
    }
}
void BM_KorvadeskResidentNoStoredNotes(benchmark::State& state) {
    g_empty_kb = measure(state, kd::bench::korvadesk_program(), 0, 1);
}
void BM_KorvadeskResident100StoredNotes(benchmark::State& state) {
    const double kb = measure(state, kd::bench::korvadesk_program(), 100, 100);
    if (kb > 0 && g_empty_kb > 0) {
        const double per_note_kb = (kb - g_empty_kb) / 99.0;
        state.counters["per_note_kb"] = per_note_kb;
        if (g_floor_per_window_kb > 0) {
            state.counters["per_note_x_floor"] = per_note_kb / g_floor_per_window_kb;
        }
    }
    if (kb > 0 && g_floor_kb > 0) {
        state.counters["x_floor"] = kb / g_floor_kb;
    }
}

// In this order: each one divides by those before it.
BENCHMARK(BM_FloorResident1PlainWindow)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_FloorResident100PlainWindows)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_KorvadeskResidentNoStoredNotes)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_KorvadeskResident100StoredNotes)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
