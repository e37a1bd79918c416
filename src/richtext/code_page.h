// Windows code pages as RTF uses them: \ansicpg, \fcharset and \'hh bytes. The single-byte
// pages (874, 1250-1258) come from our own tables; the double-byte pages (932 Japanese, 936
// Simplified Chinese, 949 Korean, 950 Traditional Chinese) from the system's converters.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace kd {

inline constexpr int kDefaultCodePage = 1252;

// True for the code pages we have tables for; every other one is read as 1252.
bool is_supported_code_page(int code_page);
bool is_double_byte_code_page(int code_page);

// The code page a font character set number implies (0 and 1 give `ansi_code_page`; the
// symbol set 2 and unknown sets give `ansi_code_page` too).
int code_page_for_charset(int charset, int ansi_code_page);
// The font character set that stands for a code page (0 for 1252 and unknown pages).
int charset_for_code_page(int code_page);

// The pages a character is looked for in when the run's own page lacks it, most likely
// first.
std::span<const int> fallback_code_pages();

// The bytes of one character in a page: one byte, or a lead and a trail byte.
struct CodePageBytes {
    std::uint8_t bytes[2] = {0, 0};
    int size = 0;
};
// Nothing when the page lacks the character. Works for every supported page.
std::optional<CodePageBytes> encode_in_code_page(int code_page, char16_t ch);

// Double-byte pages: whether a byte starts a two-byte character, and the character of a
// byte pair (nothing when the pair is not in the page). Single bytes go through decode_byte.
bool is_lead_byte(int code_page, std::uint8_t byte);
std::optional<char16_t> decode_pair(int code_page, std::uint8_t lead, std::uint8_t trail);

// The UTF-16 code unit of one byte. Bytes a code page leaves unused come back as the byte
// value itself, as Windows does, so nothing is dropped.
char16_t decode_byte(int code_page, std::uint8_t byte);

// The byte of one UTF-16 code unit in the code page, or nothing when the page lacks it.
std::optional<std::uint8_t> encode_char(int code_page, char16_t ch);

namespace detail {
// Double-byte page tables, filled once on first use.
struct DoubleByteTable {
    char16_t single[256] = {};  // characters of single bytes; 0 where there is none
    bool lead[256] = {};
    std::unique_ptr<char16_t[]> pairs;      // by lead << 8 | trail; 0 where there is none
    std::unique_ptr<std::uint16_t[]> back;  // by character: byte, or lead << 8 | trail; 0 none
};
// Nothing for pages that are not double-byte or that the system cannot convert.
const DoubleByteTable* double_byte_table(int code_page);

extern const char16_t kCp874High[128];
extern const char16_t kCp1250High[128];
extern const char16_t kCp1251High[128];
extern const char16_t kCp1252High[128];
extern const char16_t kCp1253High[128];
extern const char16_t kCp1254High[128];
extern const char16_t kCp1255High[128];
extern const char16_t kCp1256High[128];
extern const char16_t kCp1257High[128];
extern const char16_t kCp1258High[128];
}  // namespace detail

}  // namespace kd
