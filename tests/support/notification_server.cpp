// A small notification service for the tests: owns org.freedesktop.Notifications on the bus
// of DBUS_SESSION_BUS_ADDRESS and writes every call it gets to the log file named on its
// command line, one line each (see notification_log.h). It reads commands on standard input:
//   invoke ID   emits ActionInvoked(ID, "default")
//   closed ID   emits NotificationClosed(ID, 2)
// and ends when standard input closes.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <string>

namespace {

const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";

QString escaped(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return text;
}

class Server : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Server(const QString& log_path) : log_(log_path) {
        log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

    void log(const QStringList& fields) {
        log_.write((fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8());
    }

    void emit_signal(const char* name, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createSignal(kPath, kInterface, name);
        message.setArguments(args);
        QDBusConnection::sessionBus().send(message);
    }

public slots:
    uint Notify(const QString& app_name, uint replaces_id, const QString& app_icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expire_timeout) {
        const uint id = replaces_id != 0 && replaces_id < next_id_ ? replaces_id : next_id_++;
        log({QStringLiteral("notify"), QString::number(id), QString::number(replaces_id),
             escaped(app_name), escaped(app_icon), escaped(summary), escaped(body),
             escaped(actions.join(QLatin1Char(','))),
             QString::number(hints.value(QStringLiteral("urgency"), -1).toInt()),
             QString::number(expire_timeout)});
        return id;
    }

    void CloseNotification(uint id) {
        log({QStringLiteral("close"), QString::number(id)});
        emit_signal("NotificationClosed", {id, 3u});
    }

    QStringList GetCapabilities() {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
    }

    QString GetServerInformation(QString& vendor, QString& version, QString& spec_version) {
        vendor = QStringLiteral("korvadesk tests");
        version = QStringLiteral("1");
        spec_version = QStringLiteral("1.2");
        return QStringLiteral("kd_notification_server");
    }

private:
    QFile log_;
    uint next_id_ = 1;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LOG\n", argv[0]);
        return 2;
    }
    Server server(QString::fromLocal8Bit(argv[1]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(kPath, &server, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QString::fromLatin1(kInterface))) {
        std::fprintf(stderr, "no bus or the name is taken\n");
        return 1;
    }
    server.log({QStringLiteral("ready")});

    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n')) {
            const QStringList words =
                QString::fromStdString(pending.substr(0, end)).split(QLatin1Char(' '));
            pending.erase(0, end + 1);
            if (words.size() != 2) {
                continue;
            }
            const uint id = words[1].toUInt();
            if (words[0] == QLatin1String("invoke")) {
                server.emit_signal("ActionInvoked", {id, QStringLiteral("default")});
            } else if (words[0] == QLatin1String("closed")) {
                server.emit_signal("NotificationClosed", {id, 2u});
            }
        }
    });
    return QCoreApplication::exec();
}

#include "notification_server.moc"
