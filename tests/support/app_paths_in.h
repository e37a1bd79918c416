// Program paths with the start folder and both settings files in one test folder.
#pragma once

#include <string>

#include "platform/paths.h"

namespace kd::test {

inline AppPaths app_paths_in(const std::string& folder) {
    return AppPaths{folder, folder + "/" + kIniFileName, folder + "/" + kNetListFileName, "Linux"};
}

}  // namespace kd::test
