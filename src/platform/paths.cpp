#include "platform/paths.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/os_label.h"
#include "platform/private_files.h"

namespace kd {

std::string config_folder(const char* xdg_config_home, const char* home,
                          const std::string& fallback) {
    // Relative values of XDG_CONFIG_HOME are invalid by the base-directory rules.
    if (xdg_config_home != nullptr && xdg_config_home[0] == '/') {
        return xdg_config_home;
    }
    if (home != nullptr && home[0] != '\0') {
        std::string h = home;
        while (h.size() > 1 && h.back() == '/') {
            h.pop_back();
        }
        return h == "/" ? "/.config" : h + "/.config";
    }
    return fallback;
}

AppPaths compute_app_paths() {
    AppPaths p;
    std::error_code ec;
    p.StartFolder = std::filesystem::current_path(ec).string();
    while (p.StartFolder.size() > 1 && p.StartFolder.back() == '/') {
        p.StartFolder.pop_back();
    }
    // Without any folder to hold the file, the start folder is the best place left.
    std::string folder = config_folder(getenv("XDG_CONFIG_HOME"), getenv("HOME"), p.StartFolder);
    // The notes are the user's alone: a folder we make is 0700. One that exists keeps its mode.
    make_private_folders(folder);
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    p.IniPath = folder + "/" + kIniFileName;
    p.NetListPath = folder + "/" + kNetListFileName;
    p.OsLabel = current_os_label();
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && self.is_absolute()) {
        p.ProgramFolder = self.parent_path().string();
    }
    return p;
}

}  // namespace kd
