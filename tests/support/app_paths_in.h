// The program paths of a test process, and paths with the start folder, the program folder and
// both settings files in one test folder. The program itself passes its paths down from the
// application object; a test sets them here and builds its stores over them
// (NoteStore(app_paths(), test::store_errors())).
#pragma once

#include <string>
#include <utility>

#include "platform/paths.h"

namespace kd {

inline AppPaths& test_paths_slot() {
    static AppPaths paths;
    return paths;
}
inline const AppPaths& app_paths() {
    return test_paths_slot();
}
inline void set_app_paths(AppPaths paths) {
    test_paths_slot() = std::move(paths);
}

}  // namespace kd

namespace kd::test {

inline AppPaths app_paths_in(const std::string& folder) {
    return AppPaths{folder, folder + "/" + kIniFileName, folder + "/" + kNetListFileName, "Linux",
                    folder};
}

}  // namespace kd::test
