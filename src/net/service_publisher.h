// Announces this copy's receiving port on the local network as a `_korvadesk._tcp` service
// through the Avahi daemon (its D-Bus interface), so that other copies list this computer in
// their network neighbourhood. Without the daemon nothing happens.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

namespace kd {

inline constexpr const char* kKorvadeskServiceType = "_korvadesk._tcp";

class ServicePublisher : public QObject {
    Q_OBJECT
public:
    // The system bus unless a test gives its own; it is opened by the first publish.
    explicit ServicePublisher(QObject* parent = nullptr);
    ServicePublisher(QDBusConnection bus, QObject* parent = nullptr);
    ~ServicePublisher() override;

    // Publishes (or moves) the service on `port` under `name`; false, with the reason in
    // error(), when the daemon is not there or refused it.
    bool publish(std::uint16_t port, const QString& name);
    const QString& error() const { return error_; }

private:
    void withdraw();

    QDBusConnection& bus();

    std::optional<QDBusConnection> bus_;
    QString group_;  // object path of our entry group, empty while none
    QString error_;
};

}  // namespace kd
