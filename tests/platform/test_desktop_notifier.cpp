// The notifier against a notification service on a D-Bus bus of the test's own: what it
// sends, a note's next notice replacing its last, the click coming back as the note's key,
// and the notices it must no longer answer for (closed, forgotten, someone else's signal).
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop_notifier.h"
#include "support/notification_bus.h"

namespace kd {
namespace {

using test::NotificationCall;

const FreedesktopNotifier::Look kLook{"Korvadesk", "korvadesk", "korvadesk", "Show note"};

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kd-notifier-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        folder_ = folder;
        ASSERT_TRUE(bus_.start(folder_)) << "dbus-daemon or the test service did not start";
    }

    void TearDown() override {
        QDBusConnection::disconnectFromBus("kd-notifier");
        QDBusConnection::disconnectFromBus("kd-other");
        std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    FreedesktopNotifier::BusOpener opener(const char* name) const {
        return [address = QString::fromStdString(bus_.address()), name] {
            return QDBusConnection::connectToBus(address, QString::fromLatin1(name));
        };
    }

    // The n-th Notify call (from 1), once the service has it.
    NotificationCall notify_call(std::size_t n) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return bus_.notifies().size() >= n; }, 10000));
        const auto calls = bus_.notifies();
        return calls.size() >= n ? calls[n - 1] : NotificationCall{};
    }

    // The keys `activated` has named so far, once it has named `last`.
    static std::vector<int> keys_until(QSignalSpy& spy, int last) {
        std::vector<int> keys;
        const bool named = QTest::qWaitFor([&] {
            keys.clear();
            for (const QList<QVariant>& args : spy) {
                keys.push_back(args.at(0).toInt());
            }
            return !keys.empty() && keys.back() == last;
        });
        EXPECT_TRUE(named) << "the click on " << last << " never came";
        return keys;
    }

    std::string folder_;
    test::NotificationBus bus_;
};

TEST_F(DesktopNotifierTest, ANotesNextNoticeReplacesItsLastAndTheClickNamesTheNote) {
    FreedesktopNotifier notifier(kLook, opener("kd-notifier"));
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);

    notifier.notify(3, "Dentist <3>", "\n \t\nAsk about the bill & the x-ray\nSecond line");
    const NotificationCall first = notify_call(1);
    EXPECT_EQ(first.replaces_id, 0u);
    EXPECT_EQ(first.app_name, "Korvadesk");
    EXPECT_EQ(first.icon, "korvadesk");
    EXPECT_EQ(first.summary, "Dentist <3>") << "the summary is plain text";
    EXPECT_EQ(first.body, "Ask about the bill &amp; the x-ray") << "this service reads markup";
    EXPECT_EQ(first.actions, (std::vector<std::string>{"default", "Show note"}));
    EXPECT_EQ(first.urgency, 2);
    EXPECT_EQ(first.expire_timeout, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.notices().replaces(3) == first.id; }));

    notifier.notify(3, "Dentist", "Again");
    EXPECT_EQ(notify_call(2).replaces_id, first.id);
    notifier.notify(5, "Other", "");
    const NotificationCall other = notify_call(3);
    EXPECT_EQ(other.replaces_id, 0u);
    EXPECT_NE(other.id, first.id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.notices().replaces(5) == other.id; }));

    bus_.invoke(9999);  // not ours
    bus_.invoke(other.id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.size() == 1; }));
    EXPECT_EQ(activated.at(0).at(0).toInt(), 5);

    // Closed by the person: the note's next alarm makes a new notice.
    bus_.closed(first.id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.notices().replaces(3) == 0; }));
    notifier.notify(3, "Dentist", "Third");
    EXPECT_EQ(notify_call(4).replaces_id, 0u);
}

TEST_F(DesktopNotifierTest, ADeletedNotesNoticeClosesAndItsClickDoesNothing) {
    FreedesktopNotifier notifier(kLook, opener("kd-notifier"));
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.notify(7, "Gone soon", "text");
    notifier.notify(8, "Stays", "text");
    const NotificationCall gone = notify_call(1);
    const NotificationCall stays = notify_call(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.notices().size() == 2; }));

    notifier.forget(7);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (const NotificationCall& c : bus_.calls()) {
            if (c.kind == "close" && c.id == gone.id) {
                return true;
            }
        }
        return false;
    })) << "the service is asked to close the deleted note's notice";

    // A click that was on its way, then one on the other note: only the second counts.
    bus_.invoke(gone.id);
    bus_.invoke(stays.id);
    EXPECT_EQ(keys_until(activated, 8), std::vector<int>{8});
}

TEST_F(DesktopNotifierTest, ASignalFromAnotherProgramIsNotAClick) {
    FreedesktopNotifier notifier(kLook, opener("kd-notifier"));
    QSignalSpy activated(&notifier, &DesktopNotifier::activated);
    notifier.notify(4, "Mine", "text");
    notifier.notify(6, "Clicked", "text");
    const NotificationCall mine = notify_call(1);
    const NotificationCall clicked = notify_call(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.notices().size() == 2; }));

    QDBusConnection other = QDBusConnection::connectToBus(QString::fromStdString(bus_.address()),
                                                          QStringLiteral("kd-other"));
    ASSERT_TRUE(other.isConnected());
    QDBusMessage fake = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                   QStringLiteral("org.freedesktop.Notifications"),
                                                   QStringLiteral("ActionInvoked"));
    fake << mine.id << QStringLiteral("default");
    ASSERT_TRUE(other.send(fake));
    // The bus passes on one connection's messages in order: once this call is answered the
    // fake signal is on its way to the notifier ahead of the real click below.
    other.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    bus_.invoke(clicked.id);
    EXPECT_EQ(keys_until(activated, 6), std::vector<int>{6});
}

TEST(DesktopNotifierWithoutBus, NothingIsShownNothingWaitsNothingBreaks) {
    FreedesktopNotifier notifier(kLook, [] {
        return QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/kd-bus"),
                                             QStringLiteral("kd-nowhere"));
    });
    notifier.notify(1, "Title", "Text");
    notifier.notify(1, "Title", "Text");
    notifier.forget(1);
    QTest::qWait(0);
    EXPECT_EQ(notifier.notices().size(), 0u);
    QDBusConnection::disconnectFromBus(QStringLiteral("kd-nowhere"));
}

}  // namespace
}  // namespace kd
