// The program's command line: what a start is asked to do. Help, version and autostart are
// answered without a display and without starting the program.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "app/single_instance.h"

namespace kd {

struct CommandLine {
    enum class Action {
        Run,    // start, or hand `requests` to the running copy
        Print,  // print `output` on standard output and end with 0
        Fail,   // print `output` on standard error and end with `exit_code`
        Autostart,
    };
    Action action = Action::Run;
    // For Run: what the start asks of the running copy, or of itself once it is up.
    std::vector<InstanceRequest> requests{InstanceRequest::Activate};
    // For Autostart: switch it on or off.
    bool autostart_on = false;
    QString output;
    int exit_code = 0;
};

// `arguments` starts with the program name (as QCoreApplication::arguments()).
CommandLine parse_command_line(const QStringList& arguments);

}  // namespace kd
