#include "host_browser.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace hostquill {

namespace {

constexpr const char* kAvahiService = "org.freedesktop.Avahi";
constexpr const char* kServerInterface = "org.freedesktop.Avahi.Server";
constexpr const char* kBrowserInterface = "org.freedesktop.Avahi.ServiceBrowser";
constexpr int kAnyInterface = -1;
constexpr int kIpv4 = 0;
constexpr int kAnyProtocol = -1;
constexpr int kCallTimeoutMs = 2000;
// Where the host name stands among the answers of ResolveService.
constexpr int kResolvedHostArgument = 5;

}  // namespace

HostBrowser::HostBrowser(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool HostBrowser::daemon_running() {
    if (!bus_.isConnected()) {
        error_ = QStringLiteral("cannot reach the system D-Bus");
        return false;
    }
    QDBusInterface server(kAvahiService, QStringLiteral("/"), kServerInterface, bus_);
    server.setTimeout(kCallTimeoutMs);
    const QDBusReply<QString> version = server.call(QStringLiteral("GetVersionString"));
    if (!version.isValid()) {
        error_ =
            QStringLiteral("the Avahi daemon does not answer (%1)").arg(version.error().message());
        return false;
    }
    return true;
}

QStringList HostBrowser::browse(const QStringList& service_types, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    // Listen before the browsers exist: the daemon may report the first items at once.
    bus_.connect(kAvahiService, QString(), kBrowserInterface, QStringLiteral("ItemNew"), this,
                 SLOT(item_new(int, int, QString, QString, QString, uint)));
    bus_.connect(kAvahiService, QString(), kBrowserInterface, QStringLiteral("AllForNow"), this,
                 SLOT(all_for_now()));
    QDBusInterface server(kAvahiService, QStringLiteral("/"), kServerInterface, bus_);
    server.setTimeout(kCallTimeoutMs);
    for (const QString& type : service_types) {
        const QDBusReply<QDBusObjectPath> made = server.call(
            QStringLiteral("ServiceBrowserNew"), kAnyInterface, kIpv4, type, QString(), 0u);
        if (made.isValid()) {
            browsers_.insert(made.value().path());
        }
    }
    if (!finished()) {
        QEventLoop loop;
        loop_ = &loop;
        QTimer::singleShot(static_cast<int>(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec();
        loop_ = nullptr;
    }
    return hosts_;
}

void HostBrowser::stop_when_finished() {
    if (loop_ != nullptr && finished()) {
        loop_->quit();
    }
}

bool HostBrowser::finished() const {
    return browsers_done_.size() == browsers_.size() && pending_ == 0;
}

void HostBrowser::item_new(int interface, int protocol, const QString& name, const QString& type,
                           const QString& domain, uint) {
    if (!calledFromDBus() || !browsers_.contains(message().path())) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        kAvahiService, QStringLiteral("/"), kServerInterface, QStringLiteral("ResolveService"));
    call << interface << protocol << name << type << domain << kAnyProtocol << 0u;
    ++pending_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        --pending_;
        const QDBusMessage reply = w->reply();
        if (reply.type() == QDBusMessage::ReplyMessage &&
            reply.arguments().size() > kResolvedHostArgument) {
            hosts_.append(reply.arguments().at(kResolvedHostArgument).toString());
        }
        w->deleteLater();
        stop_when_finished();
    });
}

void HostBrowser::all_for_now() {
    if (calledFromDBus() && browsers_.contains(message().path())) {
        browsers_done_.insert(message().path());
        stop_when_finished();
    }
}

}  // namespace hostquill
