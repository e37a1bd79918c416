#include "files/png_file.h"

#include <FreeImage.h>

#include "files/bmp_file.h"

namespace kd {

bool bmp_to_png(const std::string& bmp, const std::string& png) {
    FIBITMAP* picture = FreeImage_Load(FIF_BMP, bmp.c_str(), BMP_DEFAULT);
    if (picture == nullptr) {
        return false;
    }
    const long long width = FreeImage_GetWidth(picture);
    const long long height = FreeImage_GetHeight(picture);
    const bool fits = width > 0 && height > 0 && width <= kLongestBmpSide &&
                      height <= kLongestBmpSide && width * height <= kMostPngPixels;
    const bool saved = fits && FreeImage_Save(FIF_PNG, picture, png.c_str(), PNG_DEFAULT) != 0;
    FreeImage_Unload(picture);
    return saved;
}

}  // namespace kd
