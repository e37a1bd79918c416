#include "platform/autostart.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/private_files.h"

namespace kd {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAutostartFileName = "korvadesk.desktop";

// Exec values are split at blanks and read with escapes: quote the path when it needs it.
std::string exec_argument(const std::string& program) {
    if (program.find_first_of(" \t\"'\\`$;&|<>()*?#~=%") == std::string::npos) {
        return program;
    }
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        if (c == '%') {
            quoted += '%';  // field codes
        }
        quoted += c;
    }
    quoted += '"';
    // The whole value is then read as a string value, whose own escape is the backslash.
    std::string value;
    for (char c : quoted) {
        if (c == '\\') {
            value += '\\';
        }
        value += c;
    }
    return value;
}

}  // namespace

std::string autostart_file(const std::string& config_folder) {
    return config_folder + "/autostart/" + kAutostartFileName;
}

std::string autostart_entry(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvadesk\n"
           "Comment=Sticky notes on the desktop\n"
           "Exec=" +
           exec_argument(program) +
           "\n"
           "Icon=korvadesk\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool autostart_enabled(const std::string& config_folder) {
    std::error_code ec;
    return fs::exists(autostart_file(config_folder), ec);
}

bool set_autostart(const std::string& config_folder, bool on, const std::string& program,
                   std::string& error) {
    const std::string file = autostart_file(config_folder);
    std::error_code ec;
    if (!on) {
        fs::remove(file, ec);
        if (ec) {
            error = "cannot remove " + file + ": " + ec.message();
            return false;
        }
        return true;
    }
    const std::string folder = fs::path(file).parent_path().string();
    if (!make_private_folders(folder)) {
        error = "cannot make " + folder;
        return false;
    }
    if (!replace_file_contents(file, autostart_entry(program))) {
        error = "cannot write " + file + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kd
