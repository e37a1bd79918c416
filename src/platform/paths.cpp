#include "platform/paths.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/os_label.h"

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
    std::filesystem::create_directories(folder, ec);
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    p.IniPath = folder + "/" + kIniFileName;
    p.NetListPath = folder + "/" + kNetListFileName;
    p.OsLabel = current_os_label();
    return p;
}

}  // namespace kd
