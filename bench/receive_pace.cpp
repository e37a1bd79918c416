// A burst of received notes into the real korvadesk, as the user and the senders see it: 100
// notes from 10 computers (the loopback addresses 127.0.0.2 to 127.0.0.11, ten senders side by
// side, each sending its ten one after another) on an X server of the benchmark's own.
//
// - shown_after_last_ack_ms: from the last acknowledgement until the X server has mapped all
//   100 note windows (0 when they were all mapped before it);
// - longest_stall_ms: the longest time the program left a _NET_WM_PING unanswered, from the
//   first note sent until a second after the last was shown;
// - ack_p50_ms, ack_p99_ms: connect to acknowledgement, against the same figures of a floor
//   measured in the same run with the same senders: a loopback server that accepts, reads the
//   message, appends it to a file with fdatasync and answers the same bytes (floor_p50_ms,
//   floor_p99_ms, and the ratios).
//
// The settings file is read afterwards: every acknowledged note stored once. Run it against
// another build with KD_PROGRAM=/path/to/korvadesk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/message_assembler.h"
#include "net/note_message.h"
#include "platform/socket.h"
#include "program_start.h"
#include "support/raw_peer.h"
#include "ui_stall_probe.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kComputers = 10;
constexpr int kNotesEach = 10;
constexpr int kNotes = kComputers * kNotesEach;

std::string computer(int k) {
    return "127.0.0." + std::to_string(2 + k);
}

// A short note whose body names it, so the settings file tells which notes it holds.
std::string message_for(int k, int n) {
    kd::NoteRecord r;
    r.EditText = "{\\rtf1\\ansi pace" + std::to_string(k) + "n" + std::to_string(n) + "x}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    return kd::build_note_message("PC" + std::to_string(k), r);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// What the senders saw: connect-to-acknowledgement of every acknowledged note, and when the
// last acknowledgement came.
struct Sending {
    std::vector<double> latencies_ms;
    int refused = 0;
    Clock::time_point last_ack{};
};

// Ten senders side by side, one per computer, each note over a connection of its own.
Sending send_all(std::uint16_t port) {
    Sending out;
    std::mutex mutex;
    std::vector<std::thread> senders;
    for (int k = 0; k < kComputers; ++k) {
        senders.emplace_back([&, k] {
            for (int n = 0; n < kNotesEach; ++n) {
                const std::string message = message_for(k, n);
                const auto begin = Clock::now();
                const int fd = kd::test::raw_connect(port, 10s, computer(k));
                const bool acknowledged = fd >= 0 && kd::test::raw_send(fd, message) &&
                                          kd::test::raw_reply(fd) == kd::kAcknowledgement;
                const auto end = Clock::now();
                if (fd >= 0) {
                    ::close(fd);
                }
                std::lock_guard lock(mutex);
                if (acknowledged) {
                    out.latencies_ms.push_back(ms(end - begin));
                    out.last_ack = std::max(out.last_ack, end);
                } else {
                    ++out.refused;
                }
            }
        });
    }
    for (std::thread& t : senders) {
        t.join();
    }
    return out;
}

// The floor: the work an acknowledgement needs and nothing else, on one thread as the
// program's server does it.
class FloorServer {
public:
    explicit FloorServer(const std::string& file) {
        kd::SocketStatus status;
        std::string step;
        listener_ = kd::Socket::listen_tcp("127.0.0.1", 0, 64, status, step);
        fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        thread_ = std::thread([this] { run(); });
    }
    ~FloorServer() {
        stop_ = true;
        thread_.join();
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    std::uint16_t port() const { return listener_.local_port(); }
    bool ok() const { return listener_.valid() && fd_ >= 0; }

private:
    struct Peer {
        kd::Socket socket;
        kd::MessageAssembler message;
    };

    void run() {
        std::vector<Peer> peers;
        std::vector<pollfd> fds;
        while (!stop_) {
            fds.clear();
            fds.push_back({listener_.fd(), POLLIN, 0});
            for (const Peer& p : peers) {
                fds.push_back({p.socket.fd(), POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0) {
                continue;
            }
            for (std::size_t i = 0; i < peers.size(); ++i) {
                if (fds[i + 1].revents == 0) {
                    continue;
                }
                char buffer[4096];
                kd::SocketStatus status;
                const long n = peers[i].socket.receive_some(buffer, sizeof buffer, status);
                if (n <= 0) {
                    peers[i].message.end(kd::StreamEnd::Closed);
                } else {
                    peers[i].message.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
                }
                if (peers[i].message.status() == kd::MessageAssembler::Status::Complete) {
                    const std::string record = peers[i].message.message() + '\n';
                    if (::write(fd_, record.data(), record.size()) ==
                            static_cast<ssize_t>(record.size()) &&
                        ::fdatasync(fd_) == 0) {
                        peers[i].socket.send_all(kd::kAcknowledgement);
                    }
                }
                if (peers[i].message.status() != kd::MessageAssembler::Status::NeedMore) {
                    peers[i].socket.close();
                }
            }
            std::erase_if(peers, [](const Peer& p) { return !p.socket.valid(); });
            if ((fds[0].revents & POLLIN) != 0) {
                kd::SocketStatus status;
                kd::Socket s = listener_.accept(status);
                if (s.valid()) {
                    peers.push_back({std::move(s), {}});
                }
            }
        }
    }

    kd::Socket listener_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// How many of the 100 notes the settings file holds, and how many of them more than once.
void count_stored(const std::string& ini, int& stored, int& twice) {
    std::ifstream in(ini, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    stored = twice = 0;
    for (int k = 0; k < kComputers; ++k) {
        for (int n = 0; n < kNotesEach; ++n) {
            const std::string mark = "pace" + std::to_string(k) + "n" + std::to_string(n) + "x";
            const auto first = text.find(mark);
            stored += first != std::string::npos ? 1 : 0;
            twice += first != std::string::npos &&
                             text.find(mark, first + mark.size()) != std::string::npos
                         ? 1
                         : 0;
        }
    }
}

void BM_ReceivedBurstShownAndAcknowledged(benchmark::State& state) {
    for (auto _ : state) {
        kd::bench::StoredNotes folders(0);
        // The floor first, on the same disk as the program's spool.
        Sending floor;
        {
            FloorServer server(folders.config() + "/floor.spool");
            if (!server.ok()) {
                state.SkipWithError("no floor server");
                return;
            }
            floor = send_all(server.port());
        }
        // Each computer sends ten at once: within an allowance of 60 a minute.
        const std::uint16_t port = kd::bench::receiving_settings(folders, "60");
        kd::bench::MapWatcher watcher;
        kd::bench::PingProbe probe;
        if (!watcher.ok() || !probe.ok() || port == 0) {
            state.SkipWithError("no X server or no free port");
            return;
        }
        const pid_t pid = kd::bench::start_program_under_test(folders);
        const bool started = watcher.wait_maps(1);  // the empty first note
        const xcb_window_t first_note = watcher.last_mapped();
        bool ready = false;
        for (int i = 0; started && !ready && i < 100; ++i) {
            const int fd = kd::test::raw_connect(port, 1s);
            ready = fd >= 0;
            if (fd >= 0) {
                ::close(fd);
            } else {
                std::this_thread::sleep_for(50ms);
            }
        }
        // Let the start settle, so only the notes are measured.
        std::this_thread::sleep_for(1s);
        const double cpu_before = kd::bench::cpu_ms(pid);
        probe.start(first_note, 5ms);
        Clock::time_point all_mapped{};
        bool mapped = false;
        std::thread maps([&] {
            mapped = watcher.wait_maps(kNotes, 60s);
            all_mapped = Clock::now();
        });
        const Sending sent = ready ? send_all(port) : Sending{};
        maps.join();
        std::this_thread::sleep_for(1s);
        probe.stop();
        const double cpu_used = kd::bench::cpu_ms(pid) - cpu_before;
        int stored = 0;
        int twice = 0;
        for (int i = 0; i < 50 && stored < kNotes; ++i) {
            std::this_thread::sleep_for(100ms);
            count_stored(folders.config() + "/Korvadesk.ini", stored, twice);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!ready || sent.refused > 0 || floor.refused > 0 || !mapped) {
            state.SkipWithError(!ready ? "the program did not start"
                                : sent.refused > 0 || floor.refused > 0
                                    ? "a note was not acknowledged"
                                    : "not every note was shown");
            return;
        }
        const double shown_after = std::max(0.0, ms(all_mapped - sent.last_ack));
        state.SetIterationTime(shown_after / 1000.0);
        state.counters["shown_after_last_ack_ms"] = shown_after;
        state.counters["longest_stall_ms"] = probe.longest().count();
        const double p50 = percentile(sent.latencies_ms, 0.5);
        const double p99 = percentile(sent.latencies_ms, 0.99);
        const double floor50 = percentile(floor.latencies_ms, 0.5);
        const double floor99 = percentile(floor.latencies_ms, 0.99);
        state.counters["ack_p50_ms"] = p50;
        state.counters["ack_p99_ms"] = p99;
        state.counters["floor_p50_ms"] = floor50;
        state.counters["floor_p99_ms"] = floor99;
        state.counters["ack_p50_x_floor"] = floor50 > 0 ? p50 / floor50 : 0;
        state.counters["ack_p99_x_floor"] = floor99 > 0 ? p99 / floor99 : 0;
        state.counters["program_cpu_ms_per_note"] = cpu_used / kNotes;
        state.counters["stored"] = stored;
        state.counters["stored_twice"] = twice;
        if (stored != kNotes || twice != 0) {
            state.SkipWithError("the settings file does not hold every note once");
        }
    }
}
BENCHMARK(BM_ReceivedBurstShownAndAcknowledged)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kd::bench::run_on_own_display(argc, argv);
}
