// Keeps every failed-write report while it lives; reports are dropped again afterwards.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "store/error_reporter.h"

namespace kd::test {

class ErrorRecorder {
public:
    ErrorRecorder() {
        ErrorReporter::set_handler([this](const std::string& m) { messages.push_back(m); });
    }
    ~ErrorRecorder() { ErrorReporter::set_handler({}); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    std::vector<std::string> take() { return std::exchange(messages, {}); }

    std::vector<std::string> messages;
};

}  // namespace kd::test
