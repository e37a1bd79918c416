// The JPEG form of a note picture, made by FreeImage from a 24-bit BMP file.
#pragma once

#include <string>

namespace kd {

// Loads the BMP file `bmp` and saves it as the JPEG file `jpg` at the library's default
// quality; false when either step fails.
bool bmp_to_jpeg(const std::string& bmp, const std::string& jpg);

}  // namespace kd
