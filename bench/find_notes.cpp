// Find as you type over 300 notes of 10 KB each: what one keystroke costs. The index alone
// (the folded texts kept, nothing changed, and one note changed between keystrokes), and the
// "Find in notes" window over real note windows, from the typed character to the filled list.
// The promise: under 50 ms a keystroke.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/find_notes_window.h"
#include "note/note.h"
#include "note/note_search.h"
#include "note/note_window.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/test_display.h"
#include "support/test_services.h"

namespace {

constexpr int kNotes = 300;
constexpr std::size_t kBodyBytes = 10 * 1024;

// Ordinary words, some with accents, and now and then a rare one that few notes hold.
std::string body_text(int n, std::size_t bytes = kBodyBytes) {
    static const char* const kWords[] = {
        "bread",   "milk",    "Café",   "crème",  "plumber",  "kitchen", "meeting", "Friday",
        "straße",  "garden",  "über",   "naïve",  "tomorrow", "call",    "the",     "and",
        "invoice", "Ålesund", "résumé", "report", "a",        "to",      "of",      "ПРИВЕТ"};
    std::mt19937 random(static_cast<unsigned>(n));
    std::string text;
    while (text.size() < bytes) {
        text += kWords[random() % std::size(kWords)];
        text += random() % 12 == 0 ? "\n" : " ";
    }
    if (n % 30 == 0) {
        text += " zanzibar";
    }
    return text;
}

// What the user types, one character a keystroke; the search starts over after each word.
const std::vector<std::string>& keystrokes() {
    static const std::vector<std::string> queries = [] {
        std::vector<std::string> out;
        for (const std::string word : {"zanzibar", "plumber kit", "resume", "e"}) {
            for (std::size_t i = 1; i <= word.size(); ++i) {
                out.push_back(word.substr(0, i));
            }
        }
        return out;
    }();
    return queries;
}

struct Surface : kd::NoteSurface {
    std::string body_rtf() const override { return {}; }
    kd::NoteFrame record_frame() const override { return {}; }
};

// The index alone; with state.range(0), one note changes between keystrokes (a note edited
// while the window is open) and is folded again.
void BM_IndexKeystroke(benchmark::State& state) {
    QTemporaryDir dir;
    kd::set_app_paths(kd::test::app_paths_in(dir.path().toStdString()));
    kd::NoteStore store(kd::app_paths(), kd::test::store_errors());
    Surface surface;
    std::vector<std::unique_ptr<kd::Note>> notes;
    std::vector<std::string> bodies;
    std::vector<const kd::Note*> list;
    for (int n = 1; n <= kNotes; ++n) {
        notes.push_back(std::make_unique<kd::Note>(store, surface, n));
        notes.back()->set_title_text("Note " + std::to_string(n));
        bodies.push_back(body_text(n));
        list.push_back(notes.back().get());
    }
    const auto body_of = [&](const kd::Note& note) { return bodies[note.number() - 1]; };
    kd::NoteSearchIndex index;
    index.refresh(list, body_of);
    std::size_t key = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        if (state.range(0) != 0) {
            notes[key % kNotes]->changed();
        }
        index.refresh(list, body_of);
        found += index.find(keystrokes()[key % keystrokes().size()]).size();
        ++key;
    }
    benchmark::DoNotOptimize(found);
    state.counters["folded_bytes"] = static_cast<double>(kNotes * kBodyBytes);
}
BENCHMARK(BM_IndexKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole window: the character typed, the notes looked through, the list filled.
struct Host : kd::NoteHost {
    kd::NoteView* create_note() override { return nullptr; }
    int note_count() const override { return static_cast<int>(views.size()); }
    std::vector<kd::NoteView*> note_views() const override { return views; }
    std::vector<kd::NoteView*> views;
};

void BM_WindowKeystroke(benchmark::State& state) {
    QTemporaryDir dir;
    kd::set_app_paths(kd::test::app_paths_in(dir.path().toStdString()));
    kd::test::TestServices ts(kd::Clock::system());
    std::vector<std::unique_ptr<kd::NoteWindow>> windows;
    Host host;
    std::size_t text_bytes = 0;
    for (int n = 1; n <= kNotes; ++n) {
        windows.push_back(std::make_unique<kd::NoteWindow>(nullptr, n, ts.services));
        // The notes are not stored: what is measured is the search, not the autosave.
        windows.back()->note().stop_saving();
        windows.back()->note().set_title_text("Note " + std::to_string(n));
        // As long as the store keeps a body: its rich text at most kLongestStoredBody bytes.
        for (std::size_t bytes = kBodyBytes;; bytes -= 256) {
            windows.back()->set_body_text(body_text(n, bytes));
            if (windows.back()->body_rtf().size() + 64 <= kd::kLongestStoredBody) {
                break;
            }
        }
        text_bytes += windows.back()->body_plain_text().size();
        host.views.push_back(windows.back().get());
    }
    kd::FindNotesWindow window(host, nullptr);
    window.show();
    QApplication::processEvents();  // the first look folds every note
    std::size_t key = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        window.query_line()->setText(
            QString::fromStdString(keystrokes()[key % keystrokes().size()]));
        QApplication::processEvents();
        rows += static_cast<std::size_t>(window.results()->count());
        ++key;
    }
    state.counters["rows_per_key"] = static_cast<double>(rows) / static_cast<double>(key);
    state.counters["text_bytes_per_note"] = static_cast<double>(text_bytes) / kNotes;
}
BENCHMARK(BM_WindowKeystroke)->Unit(benchmark::kMillisecond);

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
