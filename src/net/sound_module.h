// What the sound module (korvadesk-sound.so) exports, shared by the program that opens it and the
// module itself; without Qt, so the windowless side can name it.
#pragma once

namespace kd {

// What the module exports. A change of the layout is a new symbol name.
struct SoundModuleTable {
    // On the UI thread only.
    void (*play_arrival)();
};
inline constexpr const char* kSoundModule = "sound";
inline constexpr const char* kSoundModuleSymbol = "korvadesk_sound_module_1";
// The feature named when the module is missing.
inline constexpr const char* kSoundFeature = "play its sounds";

}  // namespace kd
