// Starting Korvadesk when the user logs in: a desktop entry in the user's autostart folder
// (freedesktop autostart), written or removed on request. Nothing is kept in the settings file.
#pragma once

#include <string>

namespace kd {

// "<config folder>/autostart/korvadesk.desktop"
std::string autostart_file(const std::string& config_folder);

// The desktop entry that starts `program` (an absolute path; quoted where it needs it).
std::string autostart_entry(const std::string& program);

// True when the entry exists.
bool autostart_enabled(const std::string& config_folder);

// Writes the entry (creating the folder) or removes it. Returns false with a one-line reason
// in `error` when that failed; removing an entry that is not there succeeds.
bool set_autostart(const std::string& config_folder, bool on, const std::string& program,
                   std::string& error);

}  // namespace kd
