#include "net/arrival_sound.h"

#include "platform/library_modules.h"

namespace kd {

void play_arrival_sound(const LibraryModules& modules) {
    // Looked for once: a missing module is said once, not at every note that arrives.
    static const SoundModuleTable* const sound = static_cast<const SoundModuleTable*>(
        modules.table(kSoundModule, kSoundModuleSymbol, kSoundFeature));
    if (sound != nullptr) {
        sound->play_arrival();
    }
}

}  // namespace kd
