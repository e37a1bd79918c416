// Where failed store writes are reported: the program shows them in a message box on the UI
// thread, tests record them. Each store is given the reporter it reports to.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace kd {

class ErrorReporter {
public:
    using Handler = std::function<void(const std::string& message)>;

    // An empty handler drops the reports.
    explicit ErrorReporter(Handler handler) : handler_(std::move(handler)) {}

    // Safe from any thread when the handler is (the handler decides where to show it).
    void report(const std::string& message) const {
        if (handler_) {
            handler_(message);
        }
    }

private:
    Handler handler_;
};

}  // namespace kd
