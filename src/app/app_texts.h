// Fixed texts of the application object.
#pragma once

namespace kd {

inline constexpr const char* kAppName = "Korvadesk";
inline constexpr const char* kVersionLabel = "5.lan";
inline constexpr const char* kSocketsInitFailed = "Windows sockets initialization failed.";

}  // namespace kd
