// Reading and writing a full-size note body (about 10 KB of RTF, the most the settings file
// keeps): both run on every save and every load of a note.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace {

QTextDocument* make_full_note() {
    auto* doc = new QTextDocument;
    doc->setDefaultFont(QFont("Arial", 10));
    QTextCursor c(doc);
    int n = 0;
    while (kd::write_rtf(*doc).size() < 10000) {
        QTextCharFormat f;
        f.setFontWeight(n % 3 == 0 ? QFont::Bold : QFont::Normal);
        f.setForeground(QColor(n % 7 * 30, 0, 0));
        c.insertText(QString::fromUtf8("Einkaufsliste für die Woche: café, crème | ~ "), f);
        if (++n % 4 == 0)
            c.insertBlock();
    }
    return doc;
}

void BM_WriteRtf(benchmark::State& state) {
    QTextDocument* doc = make_full_note();
    for (auto _ : state)
        benchmark::DoNotOptimize(kd::write_rtf(*doc));
    delete doc;
}
BENCHMARK(BM_WriteRtf);

void BM_ReadRtf(benchmark::State& state) {
    QTextDocument* doc = make_full_note();
    std::string rtf = kd::write_rtf(*doc);
    QTextDocument target;
    target.setDefaultFont(doc->defaultFont());
    for (auto _ : state)
        kd::read_rtf(rtf, target);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(rtf.size()));
    delete doc;
}
BENCHMARK(BM_ReadRtf);

// 2,000 Cyrillic letters in words, typed into a default note: the body the code-page runs
// keep within the record, and the one that checks the capacity after every change measures.
QTextDocument* make_cyrillic_note() {
    auto* doc = new QTextDocument;
    doc->setDefaultFont(QFont("Arial", 10));
    QString text;
    for (int i = 0; i < 2000; ++i) {
        text += QChar(char16_t(0x0430 + (i * 7) % 32));
        if (i % 7 == 6)
            text += ' ';
    }
    QTextCursor(doc).insertText(text);
    return doc;
}

void BM_WriteCyrillic(benchmark::State& state) {
    QTextDocument* doc = make_cyrillic_note();
    std::string rtf;
    for (auto _ : state)
        benchmark::DoNotOptimize(rtf = kd::write_rtf(*doc));
    state.counters["bytes"] = double(rtf.size());
    delete doc;
}
BENCHMARK(BM_WriteCyrillic);

void BM_ReadCyrillic(benchmark::State& state) {
    QTextDocument* doc = make_cyrillic_note();
    std::string rtf = kd::write_rtf(*doc);
    QTextDocument target;
    target.setDefaultFont(doc->defaultFont());
    for (auto _ : state)
        kd::read_rtf(rtf, target);
    state.counters["bytes"] = double(rtf.size());
    delete doc;
}
BENCHMARK(BM_ReadCyrillic);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
