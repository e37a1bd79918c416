#include "store/error_reporter.h"

#include <mutex>

namespace kd {

namespace {
std::mutex& handler_mutex() {
    static std::mutex m;
    return m;
}
ErrorReporter::Handler& handler_slot() {
    static ErrorReporter::Handler h;
    return h;
}
}  // namespace

void ErrorReporter::set_handler(Handler handler) {
    std::lock_guard lock(handler_mutex());
    handler_slot() = std::move(handler);
}

void ErrorReporter::report(const std::string& message) {
    Handler h;
    {
        std::lock_guard lock(handler_mutex());
        h = handler_slot();
    }
    if (h) {
        h(message);
    }
}

}  // namespace kd
