// The PNG form of a note picture, made by FreeImage from a 24-bit BMP file. PNG keeps every
// pixel as it is, so the file shows the note exactly as drawn.
#pragma once

#include <string>

namespace kd {

// More pixels than this are no note: the largest screens have about a third as many.
inline constexpr long long kMostPngPixels = 1LL << 26;

// Loads the BMP file `bmp` and saves it as the PNG file `png`; false when either step fails
// or the picture is empty or larger than kMostPngPixels.
bool bmp_to_png(const std::string& bmp, const std::string& png);

}  // namespace kd
