// The module's side: korvadesk-pictures.so is built from this file, jpeg_file.cpp and
// png_file.cpp, and only it links FreeImage.
#include "files/picture_module.h"

#include "files/jpeg_file.h"
#include "files/png_file.h"
#include "platform/library_modules.h"

namespace {

const kd::PictureModuleTable kTable{&kd::bmp_to_jpeg, &kd::bmp_to_png};

}  // namespace

KD_MODULE_TABLE(kd::PictureModuleTable, korvadesk_picture_module_1) {
    return &kTable;
}
