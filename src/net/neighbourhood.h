// Reading the network neighbourhood: the companion program `hostquill` lists the computers of
// the local network into `NetList` of Korvadesk.net, while the busy window tells the user to
// wait. Runs on the UI thread; the window keeps painting while the companion works.
#pragma once

#include <QString>

#include <chrono>
#include <string>

#include "platform/paths.h"

class QWidget;

namespace kd {

inline constexpr const char* kCompanionProgram = "hostquill";
inline constexpr const char* kBusyFirstLine = "Please wait few seconds ...";
inline constexpr const char* kBusyReadingNetwork = "Reading your Network Neighborhood ...";

// How long we wait for the companion at most. It browses for two seconds; a companion that
// hangs (a stuck name service, a stopped process) must not freeze the program for good.
inline constexpr std::chrono::milliseconds kCompanionTimeout{30000};
// The wait for the companion in steps, with the window messages processed between them.
inline constexpr std::chrono::milliseconds kCompanionWaitStep{100};

enum class CompanionResult { Finished, Missing, FailedToStart, TimedOut };

// The companion program to start: the one installed beside our executable in `own_folder`; ""
// when there is no executable one. Never one from the start folder: whatever lies in the folder
// the program was started from (a downloads folder, say) is not ours to run.
std::string companion_program(const std::string& own_folder);

// Starts `program` without arguments in `working_folder` and waits for it to end, in
// kCompanionWaitStep steps with the events processed between them. A companion still running
// after `timeout` is killed.
CompanionResult run_companion(const std::string& program, const std::string& working_folder,
                              std::chrono::milliseconds timeout = kCompanionTimeout);

// Whether the system of this label reads its neighbourhood through the companion program.
bool reads_network_through_companion(const std::string& os_label);

// The whole reading for the program's paths and label: wait cursor and busy window, then the
// companion from ProgramFolder, run in StartFolder. `NetList` is whatever the companion left.
CompanionResult read_network_neighbourhood(const AppPaths& paths, QWidget* owner = nullptr,
                                           std::chrono::milliseconds timeout = kCompanionTimeout);

}  // namespace kd
