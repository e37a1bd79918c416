// Copies of the settings file kept from earlier starts, so a damaged or unwanted file can be
// put back by hand.
#pragma once

#include <string>

namespace kd {

inline constexpr int kSettingsBackups = 3;

// Keeps the file at `path` as "<path>.bak.1" and moves the older copies one number up, so
// "<path>.bak.1" .. "<path>.bak.<count>" hold the file as the last `count` starts found it.
// Nothing is rotated when the file is missing or empty (a failed write must not push the good
// copies out), or when it equals "<path>.bak.1" (restarting unchanged keeps older copies).
// Each copy is written under a temporary name and renamed, so a copy is always whole. The
// temporaries of the file and of its copies that writers killed half-way left are removed.
// Returns false when a copy could not be written; the program runs on regardless.
bool keep_backups(const std::string& path, int count = kSettingsBackups);

// "<path>.bak.<n>"
std::string backup_path(const std::string& path, int n);

}  // namespace kd
