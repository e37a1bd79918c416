// Label of the operating system, which a few features consult for what the platform offers.
#pragma once

#include <string>

namespace kd {

inline constexpr const char* kLabel9x = "Windows 95/98/Me";
inline constexpr const char* kLabel2000Xp = "Windows 2000/XP";
inline constexpr const char* kLabel78 = "Windows 7/8";
inline constexpr const char* kLabel10 = "Windows 10";
inline constexpr const char* kLabelLinux = "Linux";

// The label a Windows version query's major/minor numbers give.
std::string os_label_for_version(int major, int minor);

// The label of the running system: "Linux" on this build.
std::string current_os_label();

// What each label lets the program use.
bool os_uses_transparency(const std::string& label);    // transparency on show
bool os_uses_fade_on_delete(const std::string& label);  // fade-out animation on delete
bool os_installs_control_restyling(const std::string& label);
bool os_has_console_messaging(const std::string& label);  // "net send"/"msg" fallback

}  // namespace kd
