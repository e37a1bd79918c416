#include "net/neighbourhood.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include "net/net_list.h"
#include "platform/busy_window.h"
#include "platform/os_label.h"
#include "platform/paths.h"
#include "platform/wait_cursor.h"

namespace kd {

namespace {

bool is_program(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace

std::string companion_program(const std::string& own_folder) {
    if (own_folder.empty()) {
        return {};
    }
    const QString path = QString::fromStdString(own_folder) + '/' + kCompanionProgram;
    return is_program(path) ? path.toStdString() : std::string();
}

CompanionResult run_companion(const std::string& program, const std::string& working_folder,
                              std::chrono::milliseconds timeout) {
    if (program.empty()) {
        return CompanionResult::Missing;
    }
    QProcess companion;
    companion.setProgram(QString::fromStdString(program));
    companion.setWorkingDirectory(QString::fromStdString(working_folder));
    // Its one-line reason for failing reaches our standard error, except for the missing
    // Avahi daemon: most desktops run none, and a person can do nothing about it.
    companion.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    companion.setInputChannelMode(QProcess::ForwardedInputChannel);
    companion.start();
    if (!companion.waitForStarted()) {
        return CompanionResult::FailedToStart;
    }
    const QDeadlineTimer deadline(timeout);
    while (!companion.waitForFinished(static_cast<int>(kCompanionWaitStep.count()))) {
        if (companion.state() == QProcess::NotRunning) {
            break;
        }
        if (deadline.hasExpired()) {
            companion.kill();
            companion.waitForFinished();
            std::fprintf(stderr, "%s: %s did not finish in %lld ms and was stopped\n", "korvadesk",
                         kCompanionProgram, static_cast<long long>(timeout.count()));
            return CompanionResult::TimedOut;
        }
        QCoreApplication::processEvents();
    }
    const QByteArray said = companion.readAllStandardError();
    if (!(companion.exitStatus() == QProcess::NormalExit &&
          companion.exitCode() == kCompanionNoDaemonExit)) {
        std::fwrite(said.constData(), 1, static_cast<std::size_t>(said.size()), stderr);
    }
    return CompanionResult::Finished;
}

bool reads_network_through_companion(const std::string& os_label) {
    return os_label == kLabel78 || os_label == kLabel10 || os_label == kLabelLinux;
}

CompanionResult read_network_neighbourhood(const AppPaths& paths, QWidget* owner,
                                           std::chrono::milliseconds timeout) {
    if (!reads_network_through_companion(paths.OsLabel)) {
        return CompanionResult::Missing;
    }
    WaitCursor wait;
    BusyWindow busy(owner);
    busy.set_texts(kBusyFirstLine, kBusyReadingNetwork);
    busy.show_at_work_area_corner();
    return run_companion(companion_program(paths.ProgramFolder), paths.StartFolder, timeout);
}

}  // namespace kd
