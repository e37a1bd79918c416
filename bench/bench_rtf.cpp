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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
