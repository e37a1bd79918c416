// The picture conversions through FreeImage live in the module "pictures"
// (korvadesk-pictures.so), loaded the first time a note picture is made as JPEG or PNG.
#pragma once

#include <string>

namespace kd {

class LibraryModules;

// What the module exports. A change of the layout is a new symbol name.
struct PictureModuleTable {
    bool (*bmp_to_jpeg)(const std::string& bmp, const std::string& jpg);
    bool (*bmp_to_png)(const std::string& bmp, const std::string& png);
};
inline constexpr const char* kPictureModule = "pictures";
inline constexpr const char* kPictureModuleSymbol = "korvadesk_picture_module_1";
// The feature named when the module is missing.
inline constexpr const char* kPictureFeature = "save note pictures as JPEG or PNG";

// The module's table; null when it cannot be loaded (reported through `modules`).
const PictureModuleTable* picture_module(const LibraryModules& modules);

}  // namespace kd
