#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace kd {

// Linux keeps a nice value per thread; the thread's id names it alone.
void lower_this_thread_priority() {
    constexpr int kLowestNice = 19;
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kLowestNice);
}

}  // namespace kd
