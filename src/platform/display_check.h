// Saying in one line which display is missing, instead of Qt's abort that only names its
// platform plug-in; and choosing the X display (XWayland) on a Wayland desktop.
#pragma once

#include <chrono>
#include <functional>
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

// What decides Qt's platform at start; an unset variable is empty.
struct DisplayEnvironment {
    std::string qt_platform;      // QT_QPA_PLATFORM
    std::string wayland_display;  // WAYLAND_DISPLAY
    std::string session_type;     // XDG_SESSION_TYPE
    std::string display;          // DISPLAY

    static DisplayEnvironment of_process();
};

// Qt's Wayland plug-in cannot place windows: notes would not come back where they were left,
// and frameless ones could not be moved by the program. On a Wayland desktop whose X display
// (XWayland) answers, the start therefore asks Qt for "xcb;wayland" (X first, Wayland if X
// refuses after all). Empty leaves the choice to Qt: a platform the user set, a desktop that
// is not Wayland, or no X display that answers. `x_display_answers` is asked only on a
// Wayland desktop with DISPLAY set, and must itself be bounded in time.
std::string qt_platform_choice(const DisplayEnvironment& env,
                               const std::function<bool(const std::string&)>& x_display_answers);

// How long the start waits for the X display to answer. A desktop that starts XWayland on the
// first connection (GNOME) takes about a second to; a stuck server costs this once.
inline constexpr std::chrono::milliseconds kXDisplayAnswerLimit{4000};

// Whether the local X server of `display` (":N", ":N.S", "unix:N") accepts a connection on its
// socket in `socket_folder` (or the abstract one of that name) and answers the connection
// set-up within `limit`; any answer counts, a refusal for lack of authorisation too. Remote
// displays count as not answering: a name lookup could not be bounded.
bool x_display_answers(const std::string& display, std::chrono::milliseconds limit,
                       const std::string& socket_folder = "/tmp/.X11-unix");

}  // namespace kd
