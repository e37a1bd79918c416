// Fixed texts of the application object.
#pragma once

#include "platform/app_identity.h"

namespace kd {

inline constexpr const char* kSocketsInitFailed = "Windows sockets initialization failed.";

}  // namespace kd
