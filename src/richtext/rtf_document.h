// What the RTF reader and writer agree on about a QTextDocument: where a run keeps its font
// character set, how twips become layout pixels, and the 0x00BBGGRR colour values.
#pragma once

#include <QColor>
#include <QTextFormat>
#include <cmath>
#include <cstdint>

namespace kd {

// Character-set number of a run's font (0 ANSI, 2 symbol, 204 Cyrillic, ...). Set only when
// the run's set differs from the document's default set.
inline constexpr int kCharsetProperty = QTextFormat::UserProperty + 1;

// Hidden text (\v) is one object character that takes no room on screen; the text it hides
// is a property of its format, so it is written back as it came.
inline constexpr int kHiddenTextObject = QTextFormat::UserObject + 1;
inline constexpr int kHiddenTextProperty = QTextFormat::UserProperty + 2;

// Indents: RTF counts twips, the document lays out in pixels at 96 per inch (15 twips each).
inline constexpr double kTwipsPerPixel = 15.0;

inline double twips_to_pixels(int twips) {
    return twips / kTwipsPerPixel;
}
inline int pixels_to_twips(double pixels) {
    return int(std::lround(pixels * kTwipsPerPixel));
}

// Colours as the settings file stores them: 0x00BBGGRR.
inline QColor colour_from_ref(std::uint32_t ref) {
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}
inline std::uint32_t ref_from_colour(const QColor& c) {
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
           (std::uint32_t(c.blue()) << 16);
}

}  // namespace kd
