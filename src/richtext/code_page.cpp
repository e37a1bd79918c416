#include "richtext/code_page.h"

#include <memory>

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

// Byte of every UTF-16 code unit in a page (0: none), built on first use: the writer looks
// up every character it writes, often in more than one page.
std::unique_ptr<std::uint8_t[]> build_reverse(const char16_t* table) {
    auto bytes = std::make_unique<std::uint8_t[]>(0x10000);
    for (int i = 0; i < 128; ++i) {
        if (table[i] != 0 && bytes[table[i]] == 0) {
            bytes[table[i]] = std::uint8_t(0x80 + i);
        }
    }
    return bytes;
}

const std::uint8_t* reverse_of(int code_page) {
#define KD_REVERSE(page, table)                         \
    case page: {                                        \
        static const auto bytes = build_reverse(table); \
        return bytes.get();                             \
    }
    switch (code_page) {
        KD_REVERSE(874, detail::kCp874High)
        KD_REVERSE(1250, detail::kCp1250High)
        KD_REVERSE(1251, detail::kCp1251High)
        KD_REVERSE(1253, detail::kCp1253High)
        KD_REVERSE(1254, detail::kCp1254High)
        KD_REVERSE(1255, detail::kCp1255High)
        KD_REVERSE(1256, detail::kCp1256High)
        KD_REVERSE(1257, detail::kCp1257High)
        KD_REVERSE(1258, detail::kCp1258High)
        KD_REVERSE(1252, detail::kCp1252High)
        default:
            return reverse_of(1252);
    }
#undef KD_REVERSE
}

}  // namespace

bool is_supported_code_page(int code_page) {
    return table_for(code_page) != nullptr || detail::double_byte_table(code_page) != nullptr;
}

bool is_double_byte_code_page(int code_page) {
    return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
}

int charset_for_code_page(int code_page) {
    switch (code_page) {
        case 874:
            return 222;
        case 932:
            return 128;
        case 936:
            return 134;
        case 949:
            return 129;
        case 950:
            return 136;
        case 1250:
            return 238;
        case 1251:
            return 204;
        case 1253:
            return 161;
        case 1254:
            return 162;
        case 1255:
            return 177;
        case 1256:
            return 178;
        case 1257:
            return 186;
        case 1258:
            return 163;
        default:
            return 0;
    }
}

std::span<const int> fallback_code_pages() {
    static constexpr int kPages[] = {1252, 1251, 1253, 1250, 1254, 1257, 1255,
                                     1256, 1258, 874,  932,  936,  949,  950};
    return kPages;
}

std::optional<CodePageBytes> encode_in_code_page(int code_page, char16_t ch) {
    if (ch < 0x80) {
        return CodePageBytes{{std::uint8_t(ch), 0}, 1};
    }
    if (is_double_byte_code_page(code_page)) {
        const detail::DoubleByteTable* table = detail::double_byte_table(code_page);
        std::uint16_t code = table != nullptr ? table->back[ch] : 0;
        if (code == 0) {
            return std::nullopt;
        }
        if (code < 0x100) {
            return CodePageBytes{{std::uint8_t(code), 0}, 1};
        }
        return CodePageBytes{{std::uint8_t(code >> 8), std::uint8_t(code & 0xFF)}, 2};
    }
    if (auto b = encode_char(code_page, ch)) {
        return CodePageBytes{{*b, 0}, 1};
    }
    return std::nullopt;
}

bool is_lead_byte(int code_page, std::uint8_t byte) {
    const detail::DoubleByteTable* table = detail::double_byte_table(code_page);
    return table != nullptr && table->lead[byte];
}

std::optional<char16_t> decode_pair(int code_page, std::uint8_t lead, std::uint8_t trail) {
    const detail::DoubleByteTable* table = detail::double_byte_table(code_page);
    if (table == nullptr) {
        return std::nullopt;
    }
    char16_t ch = table->pairs[std::size_t(lead << 8 | trail)];
    return ch != 0 ? std::optional<char16_t>(ch) : std::nullopt;
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
        case 128:
            return 932;  // Japanese
        case 129:
            return 949;  // Korean
        case 134:
            return 936;  // Simplified Chinese
        case 136:
            return 950;  // Traditional Chinese
        case 238:
            return 1250;  // Central European
        default:
            return ansi_code_page;
    }
}

char16_t decode_byte(int code_page, std::uint8_t byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (const detail::DoubleByteTable* table = detail::double_byte_table(code_page)) {
        char16_t ch = table->single[byte];
        return ch != 0 ? ch : char16_t(byte);
    }
    char16_t ch = table_or_default(code_page)[byte - 0x80];
    return ch != 0 ? ch : char16_t(byte);
}

std::optional<std::uint8_t> encode_char(int code_page, char16_t ch) {
    if (ch < 0x80) {
        return std::uint8_t(ch);
    }
    std::uint8_t byte = reverse_of(code_page)[ch];
    return byte != 0 ? std::optional<std::uint8_t>(byte) : std::nullopt;
}

}  // namespace kd
