#include "richtext/body_metrics.h"

#include <cstdint>

namespace kd {

int mul_div(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    std::int64_t product = std::int64_t(a) * b;
    bool negative = (product < 0) != (c < 0);
    std::int64_t num = product < 0 ? -product : product;
    std::int64_t den = c < 0 ? -std::int64_t(c) : c;
    std::int64_t q = (num + den / 2) / den;
    return int(negative ? -q : q);
}

int screen_point_size(int points, int dpi) {
    int pixels = -mul_div(points, dpi, 72);
    return mul_div(-pixels, 72, dpi);
}

}  // namespace kd
