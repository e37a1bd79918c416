// Sending one note to our own receiving server over loopback: the whole send to one computer
// (port and record read afresh from the settings file, message built, lookup, connect, send,
// acknowledgement) and the network exchange alone.
#include <benchmark/benchmark.h>

#include <string>

#include "loopback_receiver.h"
#include "net/note_message.h"
#include "net/note_receiver.h"
#include "net/note_sender.h"
#include "platform/paths.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace {

using namespace kd;

// The record and port are read through the process-wide paths, as the program's send does.
struct Setup : bench::LoopbackReceiver {
    Setup() : LoopbackReceiver("kd_bench_send_") {
        AppPaths paths;
        paths.IniPath = ini;
        paths.NetListPath = net_list;
        set_app_paths(paths);
        NoteRecord r;
        r.NoteID = 1;
        r.EditText =
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 A note with a line\\par "
            "and another\\par}";
        r.EditFont = "Tahoma";
        r.TitleText = "Bench";
        r.Width = 240;
        r.Height = 180;
        NoteStore(app_paths(), kd::test::store_errors()).write_record(r);
        start();
    }
    ~Setup() { set_app_paths({}); }
};

void BM_SendToComputer(benchmark::State& state) {
    Setup setup;
    int failures = 0;
    int sent = 0;
    for (auto _ : state) {
        failures += send_to_computer(NoteStore(app_paths(), kd::test::store_errors()), "127.0.0.1",
                                     1, "PC17")
                            .empty()
                        ? 0
                        : 1;
        if (++sent % 8 == 0) {
            state.PauseTiming();
            setup.receiver->tick(1, 1);  // keep the waiting list as short as the timer would
            state.ResumeTiming();
        }
    }
    state.counters["failures"] = failures;
}
BENCHMARK(BM_SendToComputer)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_DeliverMessage(benchmark::State& state) {
    Setup setup;
    const std::string message =
        build_stored_note_message(NoteStore(app_paths(), kd::test::store_errors()), "PC17", 1);
    int failures = 0;
    int sent = 0;
    for (auto _ : state) {
        failures += deliver_message("127.0.0.1", setup.port, message).empty() ? 0 : 1;
        if (++sent % 8 == 0) {
            state.PauseTiming();
            setup.receiver->tick(1, 1);
            state.ResumeTiming();
        }
    }
    state.counters["failures"] = failures;
}
BENCHMARK(BM_DeliverMessage)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_PrepareMessage(benchmark::State& state) {
    Setup setup;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            prepare_message(NoteStore(app_paths(), kd::test::store_errors()), 1, "PC17"));
    }
}
BENCHMARK(BM_PrepareMessage)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
