// The program's name and version label, as its captions, titles and messages show them.
#pragma once

namespace kd {

inline constexpr const char* kAppName = "Korvadesk";
inline constexpr const char* kVersionLabel = "5.lan";

}  // namespace kd
