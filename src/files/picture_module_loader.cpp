#include "files/picture_module.h"
#include "platform/library_modules.h"

namespace kd {

const PictureModuleTable* picture_module(const LibraryModules& modules) {
    return static_cast<const PictureModuleTable*>(
        modules.table(kPictureModule, kPictureModuleSymbol, kPictureFeature));
}

}  // namespace kd
