#include "files/jpeg_file.h"

#include <FreeImage.h>

namespace kd {

bool bmp_to_jpeg(const std::string& bmp, const std::string& jpg) {
    FIBITMAP* picture = FreeImage_Load(FIF_BMP, bmp.c_str(), BMP_DEFAULT);
    if (picture == nullptr) {
        return false;
    }
    const bool saved = FreeImage_Save(FIF_JPEG, picture, jpg.c_str(), JPEG_DEFAULT) != 0;
    FreeImage_Unload(picture);
    return saved;
}

}  // namespace kd
