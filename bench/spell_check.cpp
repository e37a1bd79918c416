// Spell checking a note body of 10 KB with the system's en_US dictionary: the words alone with
// a fresh checker (nothing remembered yet) and with a used one, a whole body checked again
// (as when checking is turned on, the dictionary comes in or a word is added), and one
// keystroke in a body that is one long paragraph, with checking on and off. The promise: a
// 10 KB body is checked again within 20 ms.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "note/body_spelling.h"
#include "note/spell_highlighter.h"
#include "spelling/spell_checker.h"

namespace {

constexpr std::size_t kBodyBytes = 10 * 1024;
const kd::SpellingSetup kSetup{"/usr/share/hunspell", "en_US.UTF-8", "/nonexistent/words"};

// Everyday English with one word in twenty misspelt, in `paragraphs` paragraphs.
QString body_text(int paragraphs) {
    static const char* const kWords[] = {
        "the",     "meeting", "tomorrow", "kitchen",  "plumber", "invoice", "bread",
        "milk",    "call",    "before",   "garden",   "report",  "Friday",  "and",
        "to",      "of",      "a",        "remember", "buy",     "letters", "don't",
        "weather", "station", "because",  "children", "morning", "evening", "window"};
    static const char* const kMisspelt[] = {"recieve", "teh",      "tommorow", "adress",
                                            "wich",    "seperate", "untill",   "freind"};
    std::mt19937 random(7);
    QString text;
    const std::size_t per_paragraph = kBodyBytes / std::size_t(paragraphs);
    for (int p = 0; p < paragraphs; ++p) {
        QString paragraph;
        while (std::size_t(paragraph.size()) < per_paragraph) {
            paragraph += random() % 20 == 0 ? kMisspelt[random() % std::size(kMisspelt)]
                                            : kWords[random() % std::size(kWords)];
            paragraph += QLatin1Char(' ');
        }
        text += paragraph;
        if (p + 1 < paragraphs) {
            text += QLatin1Char('\n');
        }
    }
    return text;
}

// 10 KB of made-up words of 3 to 9 letters, nearly all different and misspelt: the worst
// text for a checker that remembers nothing yet.
QString made_up_words() {
    std::mt19937 random(11);
    QString text;
    while (std::size_t(text.size()) < kBodyBytes) {
        const int letters = 3 + int(random() % 7);
        for (int i = 0; i < letters; ++i) {
            text += QLatin1Char(char('a' + random() % 26));
        }
        text += QLatin1Char(' ');
    }
    return text;
}

std::u16string_view view_of(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

std::unique_ptr<kd::SpellChecker> open_checker() {
    const auto files =
        kd::find_dictionary(kSetup.dictionary_folder, kd::dictionary_names(kSetup.locale));
    return files ? kd::SpellChecker::open(*files) : nullptr;
}

// The program's spelling, loaded as the program loads it.
kd::BodySpelling& spelling() {
    static kd::BodySpelling* loaded = [] {
        auto* s = new kd::BodySpelling(kSetup);
        s->set_enabled(true);
        QElapsedTimer waited;
        waited.start();
        while (!s->loaded() && waited.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return s;
    }();
    return *loaded;
}

int marks_of(const QTextDocument& doc) {
    int marks = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        marks += int(b.layout()->formats().size());
    }
    return marks;
}

// Reading the en_US dictionary: what the loading thread spares the interface thread.
void BM_LoadDictionary(benchmark::State& state) {
    for (auto _ : state) {
        if (!open_checker()) {
            state.SkipWithError("no en_US dictionary (hunspell-en-us)");
            return;
        }
    }
}
BENCHMARK(BM_LoadDictionary)->Iterations(5)->Unit(benchmark::kMillisecond);

// The words of a 10 KB text with a checker that has seen none of them: everyday English (0)
// and made-up words (1).
void BM_CheckTextFreshChecker(benchmark::State& state) {
    const QString text = state.range(0) == 0 ? body_text(1) : made_up_words();
    std::size_t misspelt = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<kd::SpellChecker> checker = open_checker();
        if (!checker) {
            state.SkipWithError("no en_US dictionary (hunspell-en-us)");
            return;
        }
        state.ResumeTiming();
        misspelt = checker->misspelt_words(view_of(text)).size();
        state.PauseTiming();
        checker.reset();
        state.ResumeTiming();
    }
    state.counters["misspelt"] = double(misspelt);
}
BENCHMARK(BM_CheckTextFreshChecker)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

// The same with a checker that has seen the words before, as while typing.
void BM_CheckTextUsedChecker(benchmark::State& state) {
    const QString text = body_text(1);
    std::unique_ptr<kd::SpellChecker> checker = open_checker();
    if (!checker) {
        state.SkipWithError("no en_US dictionary (hunspell-en-us)");
        return;
    }
    checker->misspelt_words(view_of(text));
    for (auto _ : state) {
        benchmark::DoNotOptimize(checker->misspelt_words(view_of(text)));
    }
}
BENCHMARK(BM_CheckTextUsedChecker)->Unit(benchmark::kMillisecond);

// A whole 10 KB body checked again and laid out with its new marks, in 1 or 100 paragraphs.
void BM_RecheckBody(benchmark::State& state) {
    kd::BodySpelling& s = spelling();
    if (s.checker() == nullptr) {
        state.SkipWithError("no en_US dictionary (hunspell-en-us)");
        return;
    }
    QTextDocument doc;
    doc.setPlainText(body_text(int(state.range(0))));
    doc.setTextWidth(400);
    kd::SpellHighlighter marks(doc, s);
    marks.recheck_all();
    for (auto _ : state) {
        state.PauseTiming();
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            b.layout()->clearFormats();
        }
        state.ResumeTiming();
        marks.recheck_all();
        benchmark::DoNotOptimize(doc.size());
    }
    state.counters["marks"] = double(marks_of(doc));
}
BENCHMARK(BM_RecheckBody)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

// One character typed into the middle of a 10 KB body of one paragraph and taken back: two
// changes, each checking the paragraph again, with the layout; checking on (1) and off (0).
void BM_KeystrokeInLongParagraph(benchmark::State& state) {
    kd::BodySpelling& s = spelling();
    if (s.checker() == nullptr) {
        state.SkipWithError("no en_US dictionary (hunspell-en-us)");
        return;
    }
    QTextDocument doc;
    doc.setPlainText(body_text(1));
    doc.setTextWidth(400);
    std::unique_ptr<kd::SpellHighlighter> marks;
    if (state.range(0) == 1) {
        marks = std::make_unique<kd::SpellHighlighter>(doc, s);
        marks->recheck_all();
    }
    const int middle = doc.characterCount() / 2;
    for (auto _ : state) {
        QTextCursor c(&doc);
        c.setPosition(middle);
        c.insertText(QStringLiteral("x"));
        benchmark::DoNotOptimize(doc.size());
        c.deletePreviousChar();
        benchmark::DoNotOptimize(doc.size());
    }
    state.counters["marks"] = double(marks_of(doc));
}
BENCHMARK(BM_KeystrokeInLongParagraph)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Text layout needs fonts, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
