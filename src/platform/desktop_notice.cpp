#include "platform/desktop_notice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace kd {

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
// A service that takes longer is as good as none: the notice goes another way.
constexpr int kCallTimeoutMs = 5000;
// Kept until the person closes it.
constexpr int kNeverExpires = 0;

}  // namespace

void show_desktop_notice(const QString& app_name, const QString& icon, const QString& summary,
                         const QString& body, std::function<void(bool shown)> done) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, qApp, [done = std::move(done)] { done(false); });
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << app_name << 0u << icon << summary << body << QStringList() << QVariantMap()
         << kNeverExpires;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         done(!watcher->isError());
                     });
}

}  // namespace kd
