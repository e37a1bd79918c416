// Font styles as stored in EditFontType and TitleFontType: any of "B" (bold), "I" (italic),
// "U" (underline), "S" (strike-out) anywhere in the text, and for titles one of "L", "C", "R"
// for the alignment. Other letters are ignored.
#pragma once

#include <string>
#include <string_view>

namespace kd {

struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    bool operator==(const FontStyle&) const = default;
};

enum class TitleAlign { Left, Center, Right };

inline constexpr int kFontWeightNormal = 400;
inline constexpr int kFontWeightBold = 700;

FontStyle parse_font_style(std::string_view letters);
// Letters in the order B, I, U, S.
std::string font_style_letters(const FontStyle& style);

// "C" centres, else "R" aligns right, else the title is left-aligned.
TitleAlign parse_title_align(std::string_view letters);
char title_align_letter(TitleAlign align);
// Style letters followed by the alignment letter.
std::string title_style_letters(const FontStyle& style, TitleAlign align);

inline int font_weight(const FontStyle& style) {
    return style.bold ? kFontWeightBold : kFontWeightNormal;
}

// Font height in pixels for a size in points: -(points * dpi / 72), rounded to nearest.
int font_height_for_points(int points, int dots_per_inch);

}  // namespace kd
