// What the costliest received bodies cost the interface thread by themselves: a note body of a
// received note's size filled with each of them, as a new note and as a note on screen. No
// program, store or network: the figure is the body's own, and steadier than a whole
// program's stall on a busy machine.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>
#include <string>

#include "note/note_body.h"
#include "support/test_display.h"
#include "worst_bodies.h"

namespace {

// A body as a received note's window sets it up.
void set_up(kd::NoteBody& body, const kd::NoteRecord& record) {
    body.setFrameShape(QFrame::NoFrame);
    body.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    body.document()->setDocumentMargin(0);
    body.set_scroll_bar_flag(false);
    kd::TextLook look = body.look();
    look.face = record.EditFont;
    look.size = record.EditFontSize;
    body.set_look(look);
    body.apply_default_format();
}

bool show(kd::NoteBody& body, const kd::NoteRecord& record) {
    body.setGeometry(100, 100, record.Width, record.Height - 20);
    body.show();
    QElapsedTimer waited;
    waited.start();
    while (!(body.windowHandle() && body.windowHandle()->isExposed()) && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return body.windowHandle()->isExposed();
}

// A body with a long list is read on another thread: until the body has it, the time to show
// the note goes on (the interface thread's own share is what bench_ui_stall's stall shows).
bool read_in(kd::NoteBody& body) {
    QElapsedTimer waited;
    waited.start();
    while (body.reading() && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return !body.reading();
}

// A new note's body: made, filled, shown, painted and written back.
void BM_ShowReceivedBody(benchmark::State& state) {
    const kd::NoteRecord record = kd::bench::worst_record(kd::bench::kBodies[state.range(0)]);
    std::size_t written = 0;
    for (auto _ : state) {
        kd::NoteBody body;
        set_up(body, record);
        body.set_rtf(record.EditText);
        if (!show(body, record) || !read_in(body)) {
            state.SkipWithError("the body was not shown");
            return;
        }
        body.repaint();
        written = body.get_rtf().size();
    }
    state.counters["rtf_bytes_in"] = static_cast<double>(record.EditText.size());
    state.counters["rtf_bytes_out"] = static_cast<double>(written);
}
BENCHMARK(BM_ShowReceivedBody)
    ->DenseRange(0, kd::bench::kBodyKinds - 1)
    ->MinTime(0.5)
    ->Unit(benchmark::kMillisecond);

// The same body put into a note already on screen, as an import or a change taken back does.
void BM_FillShownBody(benchmark::State& state) {
    const kd::NoteRecord record = kd::bench::worst_record(kd::bench::kBodies[state.range(0)]);
    kd::NoteBody body;
    set_up(body, record);
    if (!show(body, record)) {
        state.SkipWithError("the body was not shown");
        return;
    }
    for (auto _ : state) {
        body.set_rtf(record.EditText);
        if (!read_in(body)) {
            state.SkipWithError("the body was not read");
            return;
        }
        body.repaint();
        body.clear();
    }
}
BENCHMARK(BM_FillShownBody)
    ->DenseRange(0, kd::bench::kBodyKinds - 1)
    ->MinTime(0.5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // A display of the benchmark's own, so nothing else on the machine's is measured.
    std::string why;
    const auto display = kd::test::TestDisplay::start(why);
    if (!display) {
        std::fprintf(stderr, "no X server for the benchmark: %s\n", why.c_str());
        return 1;
    }
    const kd::test::DisplayVariable variable(display->name());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
