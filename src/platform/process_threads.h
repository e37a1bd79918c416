// The threads of this process as the kernel counts them.
#pragma once

#include <chrono>

namespace kd {

// How many threads this process runs now, the calling one included; 0 when it cannot tell.
int process_thread_count();

// Waits, at most `most`, until the calling thread is the process's only one. True when it is.
bool wait_for_other_threads(std::chrono::milliseconds most);

}  // namespace kd
