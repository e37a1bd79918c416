// Notices on the desktop that the person can click: one per key (a note's number), replaced
// when the key gets a new one, and `activated` when the person clicks it. The program's one
// kind is FreedesktopNotifier, over the freedesktop Notifications interface on the session bus.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/notification_text.h"

namespace kd {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows a notice for `key` with `title` and the first line of `text` (any length and any
    // bytes: cleaned and cut here), replacing the key's notice that is still up. Returns at
    // once; where there is no notification service nothing is shown and nothing is said.
    virtual void notify(int key, const std::string& title, const std::string& text) = 0;
    // The key is gone: its notice closes and is never reported as activated.
    virtual void forget(int key) = 0;

signals:
    // The person clicked the notice of `key` (its default action).
    void activated(int key);
};

// The freedesktop notification service on a D-Bus bus. The bus is opened at the first notice,
// not before (a start need not wait for it), and every call is asynchronous. Only signals from
// the service that showed our notices count.
class FreedesktopNotifier : public DesktopNotifier, protected QDBusContext {
    Q_OBJECT
public:
    using BusOpener = std::function<QDBusConnection()>;

    struct Look {
        QString app_name;
        QString icon;           // an icon name or file URL
        QString desktop_entry;  // the .desktop file's name without its extension
        QString action_label;   // what a service that shows actions writes on the click
    };

    // `open_bus` gives the bus at the first notice; the session bus by default.
    explicit FreedesktopNotifier(Look look, BusOpener open_bus = {}, QObject* parent = nullptr);
    ~FreedesktopNotifier() override;

    void notify(int key, const std::string& title, const std::string& text) override;
    void forget(int key) override;

    // For tests: the notices shown now, by key.
    const NoticeIds& notices() const { return ids_; }

private slots:
    void on_action_invoked(uint id, const QString& action);
    void on_notification_closed(uint id, uint reason);

private:
    bool open_bus();
    void ask_capabilities();
    void send(int key, const std::string& summary, const std::string& body);
    void close_notice(std::uint32_t id);
    // Whether the signal being handled comes from the service that shows our notices.
    bool from_service();

    enum class Bus { Unopened, Open, Absent };

    Look look_;
    BusOpener open_bus_;
    Bus bus_state_ = Bus::Unopened;
    std::optional<QDBusConnection> bus_;
    // The unique bus name of the service that answered our last Notify.
    QString service_owner_;
    bool capabilities_known_ = false;
    bool asking_capabilities_ = false;
    bool body_markup_ = false;
    // Notices asked for before the capabilities were known: the newest per key.
    std::map<int, std::pair<std::string, std::string>> waiting_;
    // Counts forget() per key, so a reply that comes after its note went closes its notice.
    std::map<int, std::uint64_t> generation_;
    NoticeIds ids_;
};

}  // namespace kd
