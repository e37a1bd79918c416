#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/single_instance.h"

namespace kd {
namespace {

TEST(SingleInstance, SecondClaimWakesTheFirst) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    SingleInstance first(path);
    ASSERT_TRUE(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activation_requested);

    SingleInstance second(path);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(woken.wait(3000));
}

TEST(SingleInstance, LeftoversOfACrashedCopyDoNotBlockTheNext) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    // A lock naming a process that no longer runs, and a dead socket file beside it.
    pid_t dead = fork();
    if (dead == 0) {
        _exit(0);
    }
    waitpid(dead, nullptr, 0);
    QFile lock(path + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(dead) + "\nkorvadesk\n" + QSysInfo::machineHostName().toUtf8() +
               "\n");
    lock.close();
    QFile stale_socket(path);
    ASSERT_TRUE(stale_socket.open(QIODevice::WriteOnly));
    stale_socket.close();

    SingleInstance fresh(path);
    EXPECT_TRUE(fresh.claim());
}

TEST(SingleInstance, RequestsOfALaterCopyReachTheFirstInOrder) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    SingleInstance first(path);
    ASSERT_TRUE(first.claim());
    QStringList seen;
    QObject::connect(&first, &SingleInstance::new_note_requested, [&] { seen << "new"; });
    QObject::connect(&first, &SingleInstance::show_all_requested, [&] { seen << "show"; });
    QObject::connect(&first, &SingleInstance::activation_requested, [&] { seen << "activate"; });

    SingleInstance second(path);
    EXPECT_FALSE(second.claim({InstanceRequest::ShowAll, InstanceRequest::NewNote}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen.size() >= 2; }, 3000));
    EXPECT_EQ(seen, QStringList({"show", "new"})) << "no plain activation besides";
}

TEST(SingleInstance, UnknownOrOverlongLinesAreIgnored) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    SingleInstance first(path);
    ASSERT_TRUE(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activation_requested);
    QLocalSocket peer;
    peer.connectToServer(path);
    ASSERT_TRUE(peer.waitForConnected(1000));
    peer.write("activatex\n" + QByteArray(4096, 'a'));
    peer.waitForBytesWritten(1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.state() != QLocalSocket::ConnectedState; }, 3000))
        << "a peer that floods the channel is dropped";
    EXPECT_EQ(woken.count(), 0);
}

TEST(SingleInstance, HandOverBeforeStartingReachesARunningCopyOnly) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    SingleInstance early(path);
    EXPECT_FALSE(early.hand_over({InstanceRequest::NewNote})) << "no copy runs";
    SingleInstance first(path);
    ASSERT_TRUE(first.claim()) << "the look left no lock behind";
    QSignalSpy asked(&first, &SingleInstance::new_note_requested);

    SingleInstance later(path);
    EXPECT_TRUE(later.hand_over({InstanceRequest::NewNote}));
    EXPECT_TRUE(asked.wait(3000));
}

TEST(SingleInstance, SocketLivesInTheRuntimeFolderPerUser) {
    QTemporaryDir dir;
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    EXPECT_EQ(instance_socket_path(),
              dir.path() + "/Korvadesk Application-" + QString::number(getuid()));
    qputenv("XDG_RUNTIME_DIR", (dir.path() + "/missing").toUtf8());
    EXPECT_TRUE(instance_socket_path().startsWith(QDir::tempPath() + "/"));
}

}  // namespace
}  // namespace kd
