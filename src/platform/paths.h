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
    // The folder of the running executable: programs that come with Korvadesk are taken from
    // here only. "" when unknown.
    std::string ProgramFolder;
};

inline constexpr const char* kIniFileName = "Korvadesk.ini";
inline constexpr const char* kNetListFileName = "Korvadesk.net";
// The personal word list of spell checking, beside the settings file.
inline constexpr const char* kWordListFileName = "Korvadesk.words";

// Per-user configuration folder: $XDG_CONFIG_HOME when set and absolute, else $HOME/.config.
// Either argument may be null. Falls back to `fallback` when neither gives a folder.
std::string config_folder(const char* xdg_config_home, const char* home,
                          const std::string& fallback);

// Builds the values from the environment, the current directory and the executable's place,
// creating the configuration folder (0700, and its missing parents) when it is missing.
AppPaths compute_app_paths();

}  // namespace kd
