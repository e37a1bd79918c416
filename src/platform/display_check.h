// Saying in one line which display is missing, instead of Qt's abort that only names its
// platform plug-in.
#pragma once

#include <string>
#include <string_view>

namespace kd {

// Asked before Qt starts: empty when a display is named (or not needed); otherwise one line
// saying that none is. Reads QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY.
std::string display_problem();

// Qt said it cannot connect to `display`, then gave up: the line to print instead.
std::string display_refused(std::string_view display);

// True for Qt's warning that it cannot connect to the X display.
bool is_display_refusal(std::string_view qt_message);

}  // namespace kd
