// libFuzzer target for the RTF reader: any bytes must read without a hang, crash or
// sanitizer report, and whatever was read must write out and read back with the same text.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    QTextDocument doc;
    doc.setDefaultFont(QFont("Arial", 10));
    kd::read_rtf(input, doc);
    std::string rtf = kd::write_rtf(doc);
    QTextDocument again;
    again.setDefaultFont(doc.defaultFont());
    kd::read_rtf(rtf, again);
    // Every character survives, but those the writer leaves out on purpose: control
    // characters and object places.
    auto kept = [](QString text) {
        text.removeIf([](QChar c) {
            return (c.unicode() < 0x20 && c != QChar('\t') && c != QChar('\n')) ||
                   c.unicode() == 0x7F || c == QChar::ObjectReplacementCharacter;
        });
        return text;
    };
    if (kept(again.toPlainText()) != kept(doc.toPlainText()))
        __builtin_trap();
    return 0;
}
