// The companion program against a real Avahi daemon: two network namespaces joined by a veth
// pair, each with its own daemon and D-Bus system bus (tests/net/avahi_lan.sh). On "bravo" a
// copy of Korvadesk announces its port; hostquill on "alpha" must list both computers. Without
// a daemon it must leave the list alone and say why.
#include <gtest/gtest.h>

#include "net/net_list.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <string>

#include "net/service_publisher.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_lists.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

const QString kHostquill = QStringLiteral(KD_BINARY_DIR "/hostquill");
const QString kLanScript = QStringLiteral(KD_SOURCE_DIR "/tests/net/avahi_lan.sh");
constexpr int kSkip = 77;

struct CompanionRun {
    int exit_code = -1;
    QString error;
};

// hostquill with its configuration folder in `config` and the system bus at `bus`.
CompanionRun run_hostquill(const std::string& config, const QString& bus) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", bus);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(config));
    p.start(kHostquill, {});
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

std::string net_list_in(const std::string& folder) {
    ProfileFile::clear_cache();
    return NoteLists(folder + "/Korvadesk.ini", folder + "/Korvadesk.net", test::store_errors())
        .read_network_list();
}

int lan(const char* command, const std::string& dir, QString* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("bash", {kLanScript, command, QString::fromStdString(dir)});
    p.waitForFinished(60000);
    if (output != nullptr)
        *output = QString::fromUtf8(p.readAll()).trimmed();
    return p.exitCode();
}

TEST(Hostquill, WithoutADaemonTheListStaysAndOneLineSaysWhy) {
    test::TempDir dir;
    ASSERT_TRUE(
        NoteLists(dir.file("Korvadesk.ini"), dir.file("Korvadesk.net"), test::store_errors())
            .write_network_list("old~"));
    const CompanionRun run =
        run_hostquill(dir.path(), "unix:path=" + QString::fromStdString(dir.file("no-bus")));
    EXPECT_EQ(run.exit_code, kCompanionNoDaemonExit) << "the common case Korvadesk keeps quiet";
    EXPECT_TRUE(run.error.startsWith("hostquill: ")) << run.error.toStdString();
    EXPECT_EQ(run.error.count('\n'), 1);
    EXPECT_EQ(net_list_in(dir.path()), "old~");
}

class HostquillOnALan : public ::testing::Test {
protected:
    void SetUp() override {
        QString why;
        const int rc = lan("up", lan_.path(), &why);
        if (rc == kSkip) {
            lan("down", lan_.path());
            GTEST_SKIP() << "no local network for Avahi could be made here: " << why.toStdString();
        }
        ASSERT_EQ(rc, 0) << why.toStdString();
        up_ = true;
    }
    void TearDown() override {
        if (up_)
            lan("down", lan_.path());
    }
    QString bus(const char* side) const {
        return "unix:path=" + QString::fromStdString(lan_.path()) + "/" + side + "/bus";
    }
    // Whether the daemon on alpha can resolve the service that bravo announces.
    bool alpha_resolves(QDBusConnection& alpha, const QString& name) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.Avahi", "/", "org.freedesktop.Avahi.Server", "ResolveService");
        call << -1 << 0 << name << QString(kKorvadeskServiceType) << QString("local") << -1 << 0u;
        return alpha.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage;
    }

    test::TempDir lan_;
    bool up_ = false;
};

TEST_F(HostquillOnALan, ListsTheWorkstationAndTheKorvadeskCopyOfTheNetwork) {
    QDBusConnection bravo = QDBusConnection::connectToBus(bus("b"), "bravo");
    QDBusConnection alpha = QDBusConnection::connectToBus(bus("a"), "alpha");
    ASSERT_TRUE(bravo.isConnected());
    ASSERT_TRUE(alpha.isConnected());
    {
        ServicePublisher publisher(bravo);
        ASSERT_TRUE(publisher.publish(2000, "Korvadesk on bravo"))
            << publisher.error().toStdString();
        // The name is probed on the network before alpha may see it.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return alpha_resolves(alpha, "Korvadesk on bravo"); }, 15000));

        test::TempDir config;
        ASSERT_TRUE(NoteLists(config.file("Korvadesk.ini"), config.file("Korvadesk.net"),
                              test::store_errors())
                        .write_network_list("old~"));
        const CompanionRun run = run_hostquill(config.path(), bus("a"));
        EXPECT_EQ(run.exit_code, 0) << run.error.toStdString();
        EXPECT_EQ(net_list_in(config.path()), "alpha~bravo~");
    }
    QDBusConnection::disconnectFromBus("bravo");
    QDBusConnection::disconnectFromBus("alpha");
}

}  // namespace
}  // namespace kd
