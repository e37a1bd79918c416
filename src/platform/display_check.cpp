#include "platform/display_check.h"

#include <cstdlib>
#include <string_view>

#ifdef KD_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace kd {

namespace {

std::string_view env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view{} : std::string_view{value};
}

}  // namespace

std::string display_problem() {
    const std::string_view platform = env("QT_QPA_PLATFORM");
    // Platforms without a display server (offscreen, minimal, vnc) need nothing from us, and
    // on Wayland Qt finds its compositor itself.
    if (!platform.empty() && !platform.starts_with("xcb")) {
        return {};
    }
    if (platform.empty() && !env("WAYLAND_DISPLAY").empty()) {
        return {};
    }
    const std::string_view display = env("DISPLAY");
    if (display.empty()) {
        return "korvadesk: cannot start: no display (DISPLAY is not set); start it from a "
               "graphical session";
    }
#ifdef KD_HAVE_XCB
    xcb_connection_t* connection = xcb_connect(std::string(display).c_str(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) {
        return "korvadesk: cannot start: cannot open display \"" + std::string(display) + "\"";
    }
#endif
    return {};
}

}  // namespace kd
