// The program's arrival sound, played without waiting; used for received notes, the attack
// warning and alarms. Failure to play (no audio device) is silent.
#pragma once

namespace kd {

void play_arrival_sound();

}  // namespace kd
