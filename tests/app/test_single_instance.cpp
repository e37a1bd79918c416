#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
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

TEST(SingleInstance, SocketLivesInTheRuntimeFolderElseInAFolderOfTheUsersOwn) {
    QTemporaryDir dir;
    const QString runtime = dir.path() + "/run";
    ASSERT_TRUE(QDir().mkdir(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    EXPECT_EQ(instance_socket_path(),
              runtime + "/Korvadesk Application-" + QString::number(getuid()));

    // Without it, never the shared temporary folder, where another user could take the name
    // first: a folder in the user's home that only the user may enter.
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", (dir.path() + "/cache").toUtf8());
    const QString own = dir.path() + "/cache/korvadesk";
    EXPECT_EQ(instance_socket_path(), own + "/Korvadesk Application-" + QString::number(getuid()));
    EXPECT_EQ(QFile::permissions(own) & 0x0077, 0) << "no one else may enter it";
    SingleInstance first;
    EXPECT_TRUE(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activation_requested);
    EXPECT_TRUE(SingleInstance().hand_over({InstanceRequest::Activate}));
    EXPECT_TRUE(woken.wait(3000));
    qunsetenv("XDG_CACHE_HOME");
}

TEST(SingleInstance, ALockWhoseHolderDoesNotAnswerDoesNotStopTheStart) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instance";
    // Held by a live process that serves no socket (this one): not a running copy of ours.
    FileLock held((path + ".lock").toStdString());
    ASSERT_TRUE(held.try_lock());

    EXPECT_FALSE(SingleInstance(path).hand_over({InstanceRequest::Activate}))
        << "nothing took the request, so this copy must go on";
    SingleInstance started(path);
    EXPECT_TRUE(started.claim()) << "the program starts";
    // And later starts find it.
    QSignalSpy woken(&started, &SingleInstance::activation_requested);
    SingleInstance later(path);
    EXPECT_FALSE(later.claim());
    EXPECT_TRUE(woken.wait(3000));

    // Without any folder of our own the program starts too.
    EXPECT_TRUE(SingleInstance(QString()).claim());
    EXPECT_FALSE(SingleInstance(QString()).hand_over({InstanceRequest::Activate}));
}

}  // namespace
}  // namespace kd
