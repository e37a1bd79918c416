#include "platform/display_check.h"

#include <cstdlib>

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
    if (env("DISPLAY").empty()) {
        return "korvadesk: cannot start: no display (DISPLAY is not set); start it from a "
               "graphical session";
    }
    // Whether the display answers is left to Qt: a probe of our own would be one more
    // connection for a busy X server to refuse.
    return {};
}

std::string display_refused(std::string_view display) {
    return "korvadesk: cannot start: cannot open display \"" + std::string(display) + "\"";
}

bool is_display_refusal(std::string_view qt_message) {
    return qt_message.find("could not connect to display") != std::string_view::npos;
}

}  // namespace kd
