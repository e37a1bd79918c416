// Browsing the local network through the Avahi daemon's D-Bus interface: every service of
// the given types is resolved to the host that offers it.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QEventLoop;

#include <chrono>

namespace hostquill {

class HostBrowser : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit HostBrowser(QDBusConnection bus, QObject* parent = nullptr);

    // Whether the daemon answers; otherwise error() says why.
    bool daemon_running();
    // Browses the types until every browser has reported its first results and every
    // resolution came back, or until `limit`, then returns the host names found.
    QStringList browse(const QStringList& service_types, std::chrono::milliseconds limit);
    const QString& error() const { return error_; }

private slots:
    void item_new(int interface, int protocol, const QString& name, const QString& type,
                  const QString& domain, uint flags);
    void all_for_now();

private:
    bool finished() const;
    void stop_when_finished();

    QDBusConnection bus_;
    QSet<QString> browsers_;
    QSet<QString> browsers_done_;
    int pending_ = 0;
    QStringList hosts_;
    QString error_;
    QEventLoop* loop_ = nullptr;  // while browse() waits
};

}  // namespace hostquill
