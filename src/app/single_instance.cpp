#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

namespace kd {

namespace {
constexpr const char kActivateMessage[] = "activate\n";
// The first copy may still be between taking its lock and listening.
constexpr int kConnectPatienceMs = 3000;
}  // namespace

QString instance_folder() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return runtime;
    }
    return QDir::tempPath();
}

QString instance_socket_path() {
    return instance_folder() + "/" + kInstanceName + "-" + QString::number(getuid());
}

SingleInstance::SingleInstance(QString socket_path, QObject* parent)
    : QObject(parent), socket_path_(std::move(socket_path)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("activate")) {
                    emit activation_requested();
                }
            });
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_ && lock_->isLocked()) {
        lock_->unlock();
    }
}

bool SingleInstance::claim() {
    lock_ = std::make_unique<QLockFile>(socket_path_ + ".lock");
    // A lock left by a process that no longer runs is taken over (Qt checks the owner's pid).
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        // A socket file left by a crashed copy would make listen() fail.
        QLocalServer::removeServer(socket_path_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        server_.listen(socket_path_);
        return true;
    }
    notify_running_copy();
    return false;
}

bool SingleInstance::notify_running_copy() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kConnectPatienceMs) {
        QLocalSocket socket;
        socket.connectToServer(socket_path_);
        if (socket.waitForConnected(500)) {
            socket.write(kActivateMessage);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

}  // namespace kd
