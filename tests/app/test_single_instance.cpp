#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>

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
