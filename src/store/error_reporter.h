// One hook through which every failed store write is reported: the program points it at a
// message box on the UI thread, tests point it at a recorder.
#pragma once

#include <functional>
#include <string>

namespace kd {

class ErrorReporter {
public:
    using Handler = std::function<void(const std::string& message)>;

    // Replaces the handler for the whole process; an empty handler drops reports.
    static void set_handler(Handler handler);
    // Calls the current handler; safe from any thread (the handler decides where to show it).
    static void report(const std::string& message);
};

}  // namespace kd
