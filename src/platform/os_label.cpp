#include "platform/os_label.h"

namespace kd {

std::string os_label_for_version(int major, int minor) {
    if (major >= 1 && major <= 4) {
        return kLabel9x;
    }
    if (major == 5) {
        return kLabel2000Xp;
    }
    if (major == 6 || major == 7) {
        return minor <= 1 ? kLabel78 : kLabel10;
    }
    if (major == 10) {
        return kLabel10;
    }
    return "";
}

std::string current_os_label() {
    return kLabelLinux;
}

bool os_uses_transparency(const std::string& label) {
    return label == kLabel2000Xp || label == kLabel78 || label == kLabelLinux;
}

bool os_uses_fade_on_delete(const std::string& label) {
    return label != kLabel9x;
}

bool os_installs_control_restyling(const std::string& label) {
    // Linux keeps the desktop's own widget style.
    return label != kLabel2000Xp && label != kLabel78 && label != kLabelLinux;
}

bool os_has_console_messaging(const std::string& label) {
    return label == kLabel2000Xp || label == kLabel78 || label == kLabel10;
}

}  // namespace kd
