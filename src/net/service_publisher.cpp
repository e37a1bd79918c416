#include "net/service_publisher.h"

#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QList>

namespace kd {

namespace {

constexpr const char* kAvahiService = "org.freedesktop.Avahi";
constexpr const char* kServerInterface = "org.freedesktop.Avahi.Server";
constexpr const char* kEntryGroupInterface = "org.freedesktop.Avahi.EntryGroup";
constexpr int kAnyInterface = -1;
constexpr int kAnyProtocol = -1;
// D-Bus calls to a daemon that hangs must not hold the program's start.
constexpr int kCallTimeoutMs = 3000;

}  // namespace

ServicePublisher::ServicePublisher(QObject* parent) : QObject(parent) {}

ServicePublisher::ServicePublisher(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

QDBusConnection& ServicePublisher::bus() {
    if (!bus_) {
        // Connecting waits for the bus daemon's answer: not before it is needed.
        bus_ = QDBusConnection::systemBus();
    }
    return *bus_;
}

ServicePublisher::~ServicePublisher() {
    withdraw();
}

void ServicePublisher::withdraw() {
    if (group_.isEmpty()) {
        return;
    }
    QDBusInterface group(kAvahiService, group_, kEntryGroupInterface, bus());
    group.setTimeout(kCallTimeoutMs);
    group.call(QStringLiteral("Free"));
    group_.clear();
}

bool ServicePublisher::publish(std::uint16_t port, const QString& name) {
    withdraw();
    error_.clear();
    qDBusRegisterMetaType<QList<QByteArray>>();
    if (!bus().isConnected()) {
        error_ = QStringLiteral("no system D-Bus");
        return false;
    }
    QDBusInterface server(kAvahiService, QStringLiteral("/"), kServerInterface, bus());
    server.setTimeout(kCallTimeoutMs);
    const QDBusReply<QDBusObjectPath> made = server.call(QStringLiteral("EntryGroupNew"));
    if (!made.isValid()) {
        error_ = made.error().message();
        return false;
    }
    group_ = made.value().path();
    QDBusInterface group(kAvahiService, group_, kEntryGroupInterface, bus());
    group.setTimeout(kCallTimeoutMs);
    const QDBusMessage added = group.call(
        QStringLiteral("AddService"), kAnyInterface, kAnyProtocol, 0u, name,
        QString::fromUtf8(kKorvadeskServiceType), QString(), QString(),
        QVariant::fromValue(static_cast<quint16>(port)), QVariant::fromValue(QList<QByteArray>()));
    const QDBusMessage committed =
        added.type() == QDBusMessage::ErrorMessage ? added : group.call(QStringLiteral("Commit"));
    if (committed.type() == QDBusMessage::ErrorMessage) {
        error_ = committed.errorMessage();
        withdraw();
        return false;
    }
    return true;
}

}  // namespace kd
