// The failed-write reports of a test's stores. Stores made over store_errors() report to the
// ErrorRecorder alive at the moment, as the program's report to its message box; while none
// lives their reports are dropped.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "store/error_reporter.h"

namespace kd::test {

class ErrorRecorder;

namespace detail {
inline std::mutex& recorder_mutex() {
    static std::mutex mutex;
    return mutex;
}
inline ErrorRecorder*& live_recorder() {
    static ErrorRecorder* recorder = nullptr;
    return recorder;
}
}  // namespace detail

// Keeps every report of the test's stores while it lives.
class ErrorRecorder {
public:
    ErrorRecorder() {
        std::lock_guard lock(detail::recorder_mutex());
        detail::live_recorder() = this;
    }
    ~ErrorRecorder() {
        std::lock_guard lock(detail::recorder_mutex());
        detail::live_recorder() = nullptr;
    }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    std::vector<std::string> take() { return std::exchange(messages, {}); }

    std::vector<std::string> messages;
};

// The reporter to make a test's stores with.
inline const ErrorReporter& store_errors() {
    static const ErrorReporter reporter([](const std::string& message) {
        std::lock_guard lock(detail::recorder_mutex());
        if (ErrorRecorder* recorder = detail::live_recorder()) {
            recorder->messages.push_back(message);
        }
    });
    return reporter;
}

}  // namespace kd::test
