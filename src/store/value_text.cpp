#include "store/value_text.h"

#include <limits>

namespace kd {

std::int32_t leading_int(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMax + 1) {
            value = kMax + 1;
        }
    }
    if (negative) {
        value = -value;
    } else if (value > kMax) {
        value = kMax;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace kd
