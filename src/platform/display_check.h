// Whether the window system the program would use can be reached, asked before Qt starts (Qt
// itself aborts with a plug-in message that does not say what is missing).
#pragma once

#include <string>

namespace kd {

// Empty when the program can open its windows; otherwise one line that names the missing
// display. Reads QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY; tries the X display itself.
std::string display_problem();

}  // namespace kd
