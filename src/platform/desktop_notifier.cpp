#include "platform/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace kd {

namespace {

const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
const char* const kInterface = "org.freedesktop.Notifications";
const char* const kDefaultAction = "default";
const char* const kBodyMarkup = "body-markup";
// A service that takes longer is as good as none.
constexpr int kCallTimeoutMs = 5000;
// An alarm stays until the person closes it or clicks it.
constexpr int kNeverExpires = 0;
constexpr unsigned char kCriticalUrgency = 2;

}  // namespace

FreedesktopNotifier::FreedesktopNotifier(Look look, BusOpener open_bus, QObject* parent)
    : DesktopNotifier(parent), look_(std::move(look)), open_bus_(std::move(open_bus)) {
    if (!open_bus_) {
        open_bus_ = [] { return QDBusConnection::sessionBus(); };
    }
}

FreedesktopNotifier::~FreedesktopNotifier() = default;

bool FreedesktopNotifier::open_bus() {
    if (bus_state_ == Bus::Unopened) {
        bus_ = open_bus_();
        if (!bus_->isConnected()) {
            bus_state_ = Bus::Absent;
            return false;
        }
        bus_state_ = Bus::Open;
        // Any sender matches here: naming the service would make Qt look up its owner with a
        // call that waits. from_service() sorts the signals out instead.
        bus_->connect(QString(), kPath, kInterface, "ActionInvoked", this,
                      SLOT(on_action_invoked(uint, QString)));
        bus_->connect(QString(), kPath, kInterface, "NotificationClosed", this,
                      SLOT(on_notification_closed(uint, uint)));
    }
    return bus_state_ == Bus::Open;
}

void FreedesktopNotifier::notify(int key, const std::string& title, const std::string& text) {
    if (!open_bus()) {
        return;
    }
    std::string summary = notice_line(title, kNoticeSummaryLength);
    std::string body = notice_first_line(text);
    if (!capabilities_known_) {
        waiting_[key] = {std::move(summary), std::move(body)};
        ask_capabilities();
        return;
    }
    send(key, summary, body);
}

void FreedesktopNotifier::ask_capabilities() {
    if (asking_capabilities_) {
        return;
    }
    asking_capabilities_ = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        asking_capabilities_ = false;
        const QDBusPendingReply<QStringList> reply = *watcher;
        std::map<int, std::pair<std::string, std::string>> waiting;
        waiting.swap(waiting_);
        if (reply.isError()) {
            // No service now: these notices are dropped, and the next one asks again.
            return;
        }
        capabilities_known_ = true;
        body_markup_ = reply.value().contains(QString::fromLatin1(kBodyMarkup));
        for (const auto& [key, texts] : waiting) {
            send(key, texts.first, texts.second);
        }
    });
}

void FreedesktopNotifier::send(int key, const std::string& summary, const std::string& body) {
    const std::string shown_body = body_markup_ ? escape_notice_markup(body) : body;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kCriticalUrgency));
    if (!look_.desktop_entry.isEmpty()) {
        hints.insert(QStringLiteral("desktop-entry"), look_.desktop_entry);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << look_.app_name << static_cast<uint>(ids_.replaces(key)) << look_.icon
         << QString::fromStdString(summary) << QString::fromStdString(shown_body)
         << QStringList{QString::fromLatin1(kDefaultAction), look_.action_label} << hints
         << kNeverExpires;
    const std::uint64_t generation = generation_[key];
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, key, generation] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            return;
        }
        service_owner_ = reply.reply().service();
        if (generation_[key] != generation) {
            close_notice(reply.value());  // its note went while the service answered
            return;
        }
        ids_.shown(key, reply.value());
    });
}

void FreedesktopNotifier::forget(int key) {
    ++generation_[key];
    waiting_.erase(key);
    if (const std::optional<std::uint32_t> id = ids_.forget(key)) {
        close_notice(*id);
    }
}

void FreedesktopNotifier::close_notice(std::uint32_t id) {
    if (bus_state_ != Bus::Open || id == 0) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "CloseNotification");
    call << static_cast<uint>(id);
    // Nobody waits for the answer; a notice already gone is no fault.
    bus_->call(call, QDBus::NoBlock);
}

bool FreedesktopNotifier::from_service() {
    return calledFromDBus() && !service_owner_.isEmpty() && message().service() == service_owner_;
}

void FreedesktopNotifier::on_action_invoked(uint id, const QString& action) {
    if (!from_service() || action != QLatin1String(kDefaultAction)) {
        return;
    }
    if (const std::optional<int> key = ids_.key_of(id)) {
        emit activated(*key);
    }
}

void FreedesktopNotifier::on_notification_closed(uint id, uint /*reason*/) {
    if (from_service()) {
        ids_.closed(id);
    }
}

}  // namespace kd
