// A ringing alarm also goes to the desktop's notifications, where a note on another
// workspace or behind other windows is not missed; clicking the notice brings the note up.
#pragma once

namespace kd {

class DesktopNotifier;
class MainWindow;

// Each alarm that rings sends a notice for its note (keyed by the note's number, so a note's
// next alarm replaces its notice) with the note's title and the first line of its text. An
// activated notice shows the note when hidden, unrolls it and raises it with the keyboard; a
// deleted note's notice closes and its activation does nothing.
void connect_alarm_notices(MainWindow& main, DesktopNotifier& notifier);

}  // namespace kd
