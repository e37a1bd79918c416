// The note menus' "Set alarm" and "Set expiration": enabled, each opening its dialog for the
// note it was chosen on; a ringing alarm with sound plays the program's sound.
#pragma once

namespace kd {

class ArrivalSound;
class NoteServices;

void connect_reminders(NoteServices& services, ArrivalSound& sound);

}  // namespace kd
