// How numbers are stored as text in the settings file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kd {

// The leading signed decimal integer of the text, after leading blanks; 0 when there is none.
// Values beyond the 32-bit range saturate.
std::int32_t leading_int(std::string_view text);

// Decimal text of the number, as "%d" writes it.
inline std::string format_int(std::int64_t value) {
    return std::to_string(value);
}

}  // namespace kd
