// hostquill: lists the computers of the local network for Korvadesk. It browses DNS-SD through
// the Avahi daemon for at most two seconds and writes the host names, each followed by "~",
// to `NetList` of Korvadesk.net in the same configuration folder Korvadesk uses. Without a
// daemon it leaves the list alone and exits with 2 (1 for other failures) and a one-line
// reason on standard error.
#include <QCoreApplication>
#include <QDBusConnection>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "host_browser.h"
#include "net/net_list.h"
#include "platform/paths.h"
#include "store/error_reporter.h"
#include "store/note_lists.h"

namespace {

constexpr std::chrono::milliseconds kBrowseLimit{2000};

int fail(const QString& reason, int status = 1) {
    std::fprintf(stderr, "hostquill: %s\n", reason.toLocal8Bit().constData());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    hostquill::HostBrowser browser(QDBusConnection::systemBus());
    if (!browser.daemon_running()) {
        return fail(browser.error(), kd::kCompanionNoDaemonExit);
    }
    const QStringList hosts =
        browser.browse({QStringLiteral("_workstation._tcp"), QStringLiteral("_smb._tcp"),
                        QStringLiteral("_korvadesk._tcp")},
                       kBrowseLimit);
    std::vector<std::string> names;
    for (const QString& host : hosts) {
        names.push_back(host.toStdString());
    }
    const kd::AppPaths paths = kd::compute_app_paths();
    // The list file's write is not reported to a reporter; its failure is told here.
    const kd::ErrorReporter unreported(nullptr);
    if (!kd::NoteLists(paths.IniPath, paths.NetListPath, unreported)
             .write_network_list(kd::make_net_list(names))) {
        return fail(
            QStringLiteral("cannot write %1").arg(QString::fromStdString(paths.NetListPath)));
    }
    return 0;
}
