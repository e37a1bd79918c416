// Double-byte code page tables, read once from the system's converters (ICU through Qt), so
// lookups afterwards cost what the single-byte tables cost.
#include <QByteArray>
#include <QStringDecoder>

#include "richtext/code_page.h"

namespace kd::detail {

namespace {

const char* converter_name(int code_page) {
    switch (code_page) {
        case 932:
            return "windows-31j";
        case 936:
            return "windows-936";
        case 949:
            return "windows-949";
        case 950:
            return "windows-950";
        default:
            return nullptr;
    }
}

std::unique_ptr<DoubleByteTable> build(int code_page) {
    const char* name = converter_name(code_page);
    if (name == nullptr) {
        return nullptr;
    }
    QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) {
        return nullptr;
    }
    auto table = std::make_unique<DoubleByteTable>();
    table->pairs = std::make_unique<char16_t[]>(0x10000);
    table->back = std::make_unique<std::uint16_t[]>(0x10000);
    auto one_char = [&](QByteArray bytes) -> char16_t {
        // The line feed ends any sequence the converter still waits on, so no state is left
        // for the next call.
        bytes += '\n';
        QString s = decoder(bytes);
        // Bytes that are no character come back as U+FFFD or as the substitute U+001A.
        if (s.size() != 2 || s[1] != QChar('\n') || s[0] == QChar::ReplacementCharacter ||
            s[0].unicode() < 0x80) {
            return 0;
        }
        return s[0].unicode();
    };
    for (int b = 0x80; b <= 0xFF; ++b) {
        char16_t ch = one_char(QByteArray(1, char(b)));
        if (ch != 0) {
            table->single[b] = ch;
            if (table->back[ch] == 0) {
                table->back[ch] = std::uint16_t(b);
            }
        }
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (table->single[lead] != 0) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            char16_t ch = one_char(QByteArray(pair, 2));
            if (ch == 0) {
                continue;
            }
            table->lead[lead] = true;
            table->pairs[std::size_t(lead << 8 | trail)] = ch;
            // The first pair of a character is the one Windows writes.
            if (ch >= 0x80 && table->back[ch] == 0) {
                table->back[ch] = std::uint16_t(lead << 8 | trail);
            }
        }
    }
    return table;
}

}  // namespace

const DoubleByteTable* double_byte_table(int code_page) {
    // Each page is built on its first use; static initialisation makes that thread-safe.
    switch (code_page) {
        case 932: {
            static const auto table = build(932);
            return table.get();
        }
        case 936: {
            static const auto table = build(936);
            return table.get();
        }
        case 949: {
            static const auto table = build(949);
            return table.get();
        }
        case 950: {
            static const auto table = build(950);
            return table.get();
        }
        default:
            return nullptr;
    }
}

}  // namespace kd::detail
