// What a start costs before any note is stored: the real korvadesk with no stored note (a fresh
// start shows one empty note) against our floor program with one plain window, both read once
// the window is mapped and the program had a second to paint it. Per program: resident memory
// (VmRSS of /proc/<pid>/status) and the shared libraries it mapped (distinct ".so" files of
// /proc/<pid>/maps). The pictures, mail and sound libraries belong to modules loaded at first
// use; `first_use_libraries` counts those a start mapped anyway (0 when the split holds).
//
// Counters: rss_mb and libraries per program; on korvadesk also x_floor_rss (target within 1.4)
// and libraries_over_floor.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "program_start.h"

namespace {

using kd::bench::MapWatcher;
using kd::bench::StoredNotes;

struct Reading {
    double rss_kb = 0;
    std::set<std::string> libraries;
};
Reading g_floor;

std::set<std::string> mapped_libraries(pid_t pid) {
    std::set<std::string> found;
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(in, line);) {
        const auto slash = line.find('/');
        if (slash == std::string::npos) {
            continue;
        }
        const std::string path = line.substr(slash);
        if (path.find(".so") != std::string::npos) {
            found.insert(path);
        }
    }
    return found;
}

// The libraries that only the modules may bring in.
int first_use_libraries(const std::set<std::string>& libraries) {
    int n = 0;
    for (const std::string& path : libraries) {
        for (const char* name :
             {"libfreeimage", "libcurl", "libQt6Multimedia", "libpulse", "korvadesk-"}) {
            if (path.find(name) != std::string::npos) {
                ++n;
                break;
            }
        }
    }
    return n;
}

// Means over the iterations; the libraries of the last one.
Reading measure(benchmark::State& state, const std::string& program, const std::string& argument) {
    StoredNotes folders(0);
    MapWatcher watcher;
    Reading reading;
    if (!watcher.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return reading;
    }
    double total_kb = 0;
    for (auto _ : state) {
        watcher.drain();
        const pid_t pid = kd::bench::start(program, folders, argument);
        const bool shown = watcher.wait_maps(1);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long kb = kd::bench::resident_kb(pid);
        reading.libraries = mapped_libraries(pid);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown || kb <= 0) {
            state.SkipWithError("the window was not shown");
            return {};
        }
        total_kb += static_cast<double>(kb);
    }
    reading.rss_kb = total_kb / static_cast<double>(state.iterations());
    state.counters["rss_mb"] = reading.rss_kb / 1024.0;
    state.counters["libraries"] = static_cast<double>(reading.libraries.size());
    return reading;
}

void BM_FloorOnePlainWindow(benchmark::State& state) {
    g_floor = measure(state, std::string(KD_BENCH_DIR) + "/bench_startup_floor", "1");
}

void BM_KorvadeskNoStoredNote(benchmark::State& state) {
    const Reading k = measure(state, kd::bench::korvadesk_program(), {});
    if (k.rss_kb <= 0) {
        return;
    }
    state.counters["first_use_libraries"] = first_use_libraries(k.libraries);
    if (g_floor.rss_kb > 0) {
        state.counters["x_floor_rss"] = k.rss_kb / g_floor.rss_kb;
        state.counters["libraries_over_floor"] =
            static_cast<double>(k.libraries.size()) - static_cast<double>(g_floor.libraries.size());
    }
    // KD_BENCH_LIST=1 names the libraries the floor does not map.
    if (const char* list = std::getenv("KD_BENCH_LIST"); list != nullptr && *list == '1') {
        for (const std::string& path : k.libraries) {
            if (!g_floor.libraries.contains(path)) {
                std::fprintf(stderr, "  %s\n", path.c_str());
            }
        }
    }
}

// In this order: the second divides by the first.
BENCHMARK(BM_FloorOnePlainWindow)->Iterations(5)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_KorvadeskNoStoredNote)->Iterations(5)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
