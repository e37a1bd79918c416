// The program's paths and operating-system label, worked out once at start by the application
// and handed to the store, which gives them to whoever needs them.
#pragma once

#include <string>

namespace kd {

struct AppPaths {
    std::string StartFolder;  // current directory at start, no trailing "/"
    std::string IniPath;      // <config folder>/Korvadesk.ini
    std::string NetListPath;  // <config folder>/Korvadesk.net
    std::string OsLabel;
};

inline constexpr const char* kIniFileName = "Korvadesk.ini";
inline constexpr const char* kNetListFileName = "Korvadesk.net";

// Per-user configuration folder: $XDG_CONFIG_HOME when set and absolute, else $HOME/.config.
// Either argument may be null. Falls back to `fallback` when neither gives a folder.
std::string config_folder(const char* xdg_config_home, const char* home,
                          const std::string& fallback);

// Builds all four values from the environment and the current directory, creating the
// configuration folder when it is missing.
AppPaths compute_app_paths();

}  // namespace kd
