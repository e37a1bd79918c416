#include "store/style_letters.h"

#include <cstdint>

namespace kd {

namespace {
bool has(std::string_view text, char letter) {
    return text.find(letter) != std::string_view::npos;
}
}  // namespace

FontStyle parse_font_style(std::string_view letters) {
    return {has(letters, 'B'), has(letters, 'I'), has(letters, 'U'), has(letters, 'S')};
}

std::string font_style_letters(const FontStyle& style) {
    std::string out;
    if (style.bold) {
        out += 'B';
    }
    if (style.italic) {
        out += 'I';
    }
    if (style.underline) {
        out += 'U';
    }
    if (style.strikeout) {
        out += 'S';
    }
    return out;
}

TitleAlign parse_title_align(std::string_view letters) {
    if (has(letters, 'C')) {
        return TitleAlign::Center;
    }
    if (has(letters, 'R')) {
        return TitleAlign::Right;
    }
    return TitleAlign::Left;
}

char title_align_letter(TitleAlign align) {
    switch (align) {
        case TitleAlign::Center:
            return 'C';
        case TitleAlign::Right:
            return 'R';
        case TitleAlign::Left:
            break;
    }
    return 'L';
}

std::string title_style_letters(const FontStyle& style, TitleAlign align) {
    return font_style_letters(style) + title_align_letter(align);
}

int font_height_for_points(int points, int dots_per_inch) {
    // Multiply in 64 bits and round half away from zero.
    const std::int64_t product = static_cast<std::int64_t>(points) * dots_per_inch;
    const std::int64_t rounded = product >= 0 ? (product + 36) / 72 : -((-product + 36) / 72);
    return static_cast<int>(-rounded);
}

}  // namespace kd
