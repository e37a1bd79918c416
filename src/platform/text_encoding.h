// Text that comes from Windows copies of the program: they write their ANSI code page
// (Windows-1252) where we write UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// Every byte read as Windows-1252 and written as UTF-8. The five bytes the code page leaves
// unused keep their own value (U+0081, ...), as Windows does, so nothing is dropped.
std::string windows_1252_to_utf8(std::string_view bytes);

// Valid UTF-8 stays as it is; anything else is read as Windows-1252.
std::string text_as_utf8(std::string_view bytes);

// The UTF-8 text in Windows-1252, or nothing when it is not valid UTF-8 or holds a character
// the code page lacks.
std::optional<std::string> utf8_to_windows_1252(std::string_view utf8);

// The character of `s` at byte `i`, moving `i` past it; `i` must be within `s`. A byte that
// does not start a well-formed sequence (overlong, surrogate, past U+10FFFF, cut short) is one
// U+FFFD, so any bytes decode.
char32_t next_utf8_char(std::string_view s, std::size_t& i);

// Appends the character as UTF-8.
void append_utf8(std::string& out, char32_t c);

}  // namespace kd
