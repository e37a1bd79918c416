// The program's arrival sound, played without waiting; used for received notes, the attack
// warning and alarms. Failure to play (no audio device) is silent. The sound is played by the
// module "sound" (korvadesk-sound.so, Qt Multimedia), loaded at the first sound: the program
// does not load Qt Multimedia and the sound server's libraries at start.
#pragma once

namespace kd {

class LibraryModules;

// What the module exports. A change of the layout is a new symbol name.
struct SoundModuleTable {
    // On the UI thread only.
    void (*play_arrival)();
};
inline constexpr const char* kSoundModule = "sound";
inline constexpr const char* kSoundModuleSymbol = "korvadesk_sound_module_1";
// The feature named when the module is missing.
inline constexpr const char* kSoundFeature = "play its sounds";

// On the UI thread. Without the module the first sound reports it, and the rest of the run is
// silent.
void play_arrival_sound(const LibraryModules& modules);

}  // namespace kd
