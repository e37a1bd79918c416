// What the RTF reader and writer agree on about a QTextDocument: where a run keeps its font
// character set, how twips become layout pixels, and the paragraph properties RTF carries.
#pragma once

#include <QTextFormat>
#include <cmath>

namespace kd {

// Character-set number of a run's font (0 ANSI, 2 symbol, 204 Cyrillic, ...). Set only when
// the run's set differs from the document's default set.
inline constexpr int kCharsetProperty = QTextFormat::UserProperty + 1;

// Hidden text (\v) is one object character that takes no room on screen; the text it hides
// is a property of its format, so it is written back as it came.
inline constexpr int kHiddenTextObject = QTextFormat::UserObject + 1;
inline constexpr int kHiddenTextProperty = QTextFormat::UserProperty + 2;

// A run read at a size larger than the reader may show (RtfReadOptions::max_half_points) is
// shown at that most; it keeps the size it was read with and the size it was shown at, both in
// half points, so that the writer gives it back as it came for as long as it is shown so.
inline constexpr int kReadHalfPointsProperty = QTextFormat::UserProperty + 3;
inline constexpr int kShownHalfPointsProperty = QTextFormat::UserProperty + 4;

// Indents: RTF counts twips, the document lays out in pixels at 96 per inch (15 twips each).
inline constexpr double kTwipsPerPixel = 15.0;

inline double twips_to_pixels(int twips) {
    return twips / kTwipsPerPixel;
}
inline int pixels_to_twips(double pixels) {
    return int(std::lround(pixels * kTwipsPerPixel));
}

enum class RtfListKind { None, Bullet, Decimal };

// A paragraph's look as RTF states it: alignment, indents in twips, and its list.
struct RtfParagraphLook {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0;
    int right = 0;
    int first = 0;
    RtfListKind list = RtfListKind::None;
    bool operator==(const RtfParagraphLook&) const = default;
};

}  // namespace kd
