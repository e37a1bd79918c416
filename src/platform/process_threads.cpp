#include "platform/process_threads.h"

#include <dirent.h>

#include <thread>

namespace kd {

int process_thread_count() {
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr) {
        return 0;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(tasks)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    ::closedir(tasks);
    return count;
}

bool wait_for_other_threads(std::chrono::milliseconds most) {
    const auto until = std::chrono::steady_clock::now() + most;
    for (;;) {
        const int count = process_thread_count();
        if (count <= 1) {
            return count == 1;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace kd
