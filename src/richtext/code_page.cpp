#include "richtext/code_page.h"

namespace kd {

namespace {

const char16_t* table_for(int code_page) {
    switch (code_page) {
        case 874:
            return detail::kCp874High;
        case 1250:
            return detail::kCp1250High;
        case 1251:
            return detail::kCp1251High;
        case 1252:
            return detail::kCp1252High;
        case 1253:
            return detail::kCp1253High;
        case 1254:
            return detail::kCp1254High;
        case 1255:
            return detail::kCp1255High;
        case 1256:
            return detail::kCp1256High;
        case 1257:
            return detail::kCp1257High;
        case 1258:
            return detail::kCp1258High;
        default:
            return nullptr;
    }
}

const char16_t* table_or_default(int code_page) {
    const char16_t* table = table_for(code_page);
    return table != nullptr ? table : detail::kCp1252High;
}

}  // namespace

bool is_supported_code_page(int code_page) {
    return table_for(code_page) != nullptr;
}

int code_page_for_charset(int charset, int ansi_code_page) {
    switch (charset) {
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Cyrillic
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Central European
        default:
            return ansi_code_page;
    }
}

char16_t decode_byte(int code_page, std::uint8_t byte) {
    if (byte < 0x80)
        return byte;
    char16_t ch = table_or_default(code_page)[byte - 0x80];
    return ch != 0 ? ch : char16_t(byte);
}

std::optional<std::uint8_t> encode_char(int code_page, char16_t ch) {
    if (ch < 0x80)
        return std::uint8_t(ch);
    const char16_t* table = table_or_default(code_page);
    for (int i = 0; i < 128; ++i) {
        if (table[i] == ch)
            return std::uint8_t(0x80 + i);
    }
    return std::nullopt;
}

}  // namespace kd
