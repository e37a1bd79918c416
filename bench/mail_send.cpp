// A note e-mail to a mail server that takes the connection and never answers, cancelled
// from the busy window: the longest pause of the UI's event loop while it waits (a 5 ms
// timer's pulse), and the time from the click on Cancel until the send has returned.
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "mail/mail_access.h"
#include "mail/note_emailer.h"
#include "net/loopback_peer.h"
#include "net/note_sending.h"
#include "note/note_window.h"
#include "platform/busy_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "support/app_paths_in.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace {

using namespace kd;
using namespace std::chrono_literals;

struct AnsweringAccess : mail::MailAccess {
    using MailAccess::MailAccess;
    mail::MailAccount account;
    bool online() const override { return true; }
    std::optional<mail::MailLogon> ask_logon(QWidget*, const mail::MailAccount&) override {
        return mail::MailLogon{account, "secret"};
    }
};

// Cancel is clicked this long after the busy window showed.
constexpr qint64 kCancelAfterMs = 300;

void BM_CancelSilentMailServer(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kd_bench_mail_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    set_app_paths(test::app_paths_in(dir.string()));
    ProfileFile::write(app_paths().IniPath, "KORVADESK", "IncludePictureAttachment", "No");
    test::RawServer silent([](const Socket& c) {
        char buffer[512];
        SocketStatus status;
        while (c.wait_readable(30s, nullptr) == WaitResult::Ready &&
               c.receive_some(buffer, sizeof buffer, status) > 0) {
        }
    });
    test::TestServices ts{Clock::system()};
    ts.boxes.answer_all(QMessageBox::Ok);
    AnsweringAccess access(ts.store);
    access.account = {"smtp://127.0.0.1:" + std::to_string(silent.port()), "imap://127.0.0.1", "u",
                      "u@example.org"};
    mail::NoteEmailer emailer(access);
    ts.services.set_email_sending(&emailer);
    auto note = std::make_unique<NoteWindow>(nullptr, 1, ts.services);
    note->create_from_record(test::sample_note_record(1), false, false);
    note->save_state();

    qint64 longest_gap = 0, longest_cancel = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, busy_since = -1, clicked_at = -1;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest_gap = std::max(longest_gap, now - last);
            last = now;
            BusyWindow* busy = emailer.busy_window();
            if (busy == nullptr || clicked_at >= 0)
                return;
            if (busy_since < 0)
                busy_since = now;
            if (now - busy_since >= kCancelAfterMs) {
                clicked_at = clock.elapsed();
                busy->cancel_button()->click();
            }
        });
        probe.start(5);
        send_to_recipients(*note, {"anna@example.org"}, "pc17");
        longest_cancel = std::max(longest_cancel, clock.elapsed() - clicked_at);
    }
    state.counters["longest_event_loop_gap_ms"] = static_cast<double>(longest_gap);
    state.counters["longest_cancel_ms"] = static_cast<double>(longest_cancel);
    note.reset();
    set_app_paths({});
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CancelSilentMailServer)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
