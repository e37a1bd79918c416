// An X server of one test's own: an Xvfb screen of 1280x1024x24 on a display number that the
// server picks itself (-displayfd), so no test waits for, resets or fills another test's display.
// Used by every test and benchmark that starts the real program.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace kd::test {

class TestDisplay {
public:
    // Starts the server and waits until it has answered one connection; tries up to three
    // times. Null with `why` set when no server came up.
    static std::unique_ptr<TestDisplay> start(std::string& why);

    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;
    // Stops the server (it also ends by itself when the process that started it dies).
    ~TestDisplay();

    // ":N", for DISPLAY.
    const std::string& name() const { return name_; }
    pid_t pid() const { return pid_; }

    // Connections the server holds open now (clients, plus its own listening sockets); -1 when
    // it cannot be read.
    int open_sockets() const;

    // Whether an X client is answered on this display right now.
    bool answers() const;

private:
    TestDisplay(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}
    static std::unique_ptr<TestDisplay> start_once(std::string& why);

    pid_t pid_;
    std::string name_;
};

// Sets DISPLAY for this process while it lives, and puts the old value back afterwards.
class DisplayVariable {
public:
    explicit DisplayVariable(const std::string& display);
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;
    ~DisplayVariable();

private:
    bool had_old_ = false;
    std::string old_;
};

}  // namespace kd::test
