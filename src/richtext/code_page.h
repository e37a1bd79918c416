// Windows single-byte code pages as RTF uses them: \ansicpg, \fcharset and \'hh bytes.
#pragma once

#include <cstdint>
#include <optional>

namespace kd {

inline constexpr int kDefaultCodePage = 1252;

// True for the code pages we have tables for; every other one is read as 1252.
bool is_supported_code_page(int code_page);

// The code page a font character set number implies (0 and 1 give `ansi_code_page`; the
// symbol set 2 and unknown sets give `ansi_code_page` too).
int code_page_for_charset(int charset, int ansi_code_page);

// The UTF-16 code unit of one byte. Bytes a code page leaves unused come back as the byte
// value itself, as Windows does, so nothing is dropped.
char16_t decode_byte(int code_page, std::uint8_t byte);

// The byte of one UTF-16 code unit in the code page, or nothing when the page lacks it.
std::optional<std::uint8_t> encode_char(int code_page, char16_t ch);

namespace detail {
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
