// What the autosave costs: the real korvadesk with 100 stored notes while xdotool types 10
// characters a second into one of them for a minute, against the same program left idle for
// as long. Reported: replaces of the settings file a minute (its inode changes) and the
// program's CPU time a minute (/proc/PID/stat), on an X server of the benchmark's own.
#include <sys/stat.h>

#include <benchmark/benchmark.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "program_start.h"
#include "support/error_recorder.h"

namespace {

using namespace std::chrono_literals;
using kd::bench::MapWatcher;
using kd::bench::StoredNotes;

constexpr int kNotes = 100;
constexpr int kCharsPerSecond = 10;
constexpr auto kTyping = 60s;

// Counts the replaces of the settings file while it lives: each save renames a new file over
// it, so its inode changes (looked at every 20 ms; saves come seconds apart).
class ReplaceCounter {
public:
    explicit ReplaceCounter(std::string path)
        : path_(std::move(path)), watcher_([this] {
              ino_t last = inode();
              while (!stop_) {
                  std::this_thread::sleep_for(20ms);
                  const ino_t now = inode();
                  if (now != 0 && now != last) {
                      last = now;
                      ++count_;
                  }
              }
          }) {}
    ~ReplaceCounter() {
        stop_ = true;
        watcher_.join();
    }
    int take() { return count_.exchange(0); }

private:
    ino_t inode() const {
        struct stat st {};
        return ::stat(path_.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::thread watcher_;
};

void run(benchmark::State& state, bool typing) {
    if (std::getenv("DISPLAY") == nullptr || std::system("command -v xdotool >/dev/null") != 0) {
        state.SkipWithError("needs DISPLAY and xdotool");
        return;
    }
    StoredNotes folders(kNotes);
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    const pid_t pid = kd::bench::start(std::string(KD_BINARY_DIR) + "/korvadesk", folders);
    if (!watcher.wait_maps(kNotes)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        state.SkipWithError("the notes were not shown");
        return;
    }
    std::this_thread::sleep_for(3s);
    if (typing) {
        // Into the body of the last note, which lies on top at 910,710 (200x150); no window
        // manager, so the click gives it the focus.
        std::system("xdotool mousemove 1050 820 click 1");
        std::this_thread::sleep_for(500ms);
    }
    ReplaceCounter replaces(folders.config() + "/" + kd::kIniFileName);
    replaces.take();
    for (auto _ : state) {
        const double cpu_before = kd::bench::cpu_ms(pid);
        const auto begin = std::chrono::steady_clock::now();
        if (typing) {
            // Ten keys each second, paced by the clock (xdotool's own delay is not a rate).
            for (int second = 0; second < kTyping.count(); ++second) {
                std::system("xdotool type --delay 40 'milk bread'");
                std::this_thread::sleep_until(begin + std::chrono::seconds(second + 1));
            }
        } else {
            std::this_thread::sleep_for(kTyping);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        // The last characters are written a quiet time after the typing.
        std::this_thread::sleep_for(2500ms);
        const double cpu = kd::bench::cpu_ms(pid) - cpu_before;
        const int writes = replaces.take();
        state.SetIterationTime(seconds);
        state.counters["writes_a_minute"] = writes * 60.0 / seconds;
        state.counters["cpu_ms_a_minute"] = cpu * 60.0 / seconds;
        state.counters["cpu_percent"] = cpu / (seconds * 10.0);
        state.counters["chars_a_second"] =
            typing ? static_cast<double>(kCharsPerSecond * kTyping.count()) / seconds : 0.0;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (typing) {
        kd::NoteRecord typed;
        kd::ProfileFile::clear_cache();
        kd::NoteStore(kd::app_paths(), kd::test::store_errors()).read_record(kNotes, typed);
        if (typed.EditText.find("milk breadmilk bread") == std::string::npos) {
            state.SkipWithError("the typed text did not reach the note");
        }
    }
}

void BM_Idle100Notes(benchmark::State& state) {
    run(state, false);
}
void BM_Typing10CharsASecondInto1Of100Notes(benchmark::State& state) {
    run(state, true);
}

BENCHMARK(BM_Idle100Notes)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_Typing10CharsASecondInto1Of100Notes)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
