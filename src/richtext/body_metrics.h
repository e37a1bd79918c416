// Arithmetic of the note body's look: the screen-pixel round trip of font sizes.
#pragma once

namespace kd {

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0.
int mul_div(int a, int b, int c);

// The size in points that a font of `points` shows as at `dpi` pixels per inch: the size
// goes to whole pixels and back, so 8 stays 8 at 96 dpi (11 pixels) and 9 stays 9 (12).
int screen_point_size(int points, int dpi);

// "Decrease size" never goes below 1 point.
inline int decreased_size(int points) {
    return points - 1 < 1 ? 1 : points - 1;
}

}  // namespace kd
