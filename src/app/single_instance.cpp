#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <cstdio>

#include "platform/private_files.h"

namespace kd {

namespace {
constexpr const char kActivateMessage[] = "activate";
constexpr const char kNewNoteMessage[] = "new-note";
constexpr const char kShowAllMessage[] = "show-all";
// A request line is a word; a peer that sends more is not one of ours.
constexpr qint64 kMaxRequestBytes = 256;

const char* message_of(InstanceRequest request) {
    switch (request) {
        case InstanceRequest::NewNote:
            return kNewNoteMessage;
        case InstanceRequest::ShowAll:
            return kShowAllMessage;
        case InstanceRequest::Activate:
            break;
    }
    return kActivateMessage;
}
// The first copy may still be between taking its lock and listening.
constexpr int kConnectPatienceMs = 3000;

constexpr const char kNoInstanceFolder[] =
    "no folder of your own for the single-instance socket (set XDG_RUNTIME_DIR or HOME); "
    "starting without checking for a running copy";
constexpr const char kNoInstanceSocket[] =
    "cannot listen on the single-instance socket; a later start will not find this copy";
constexpr const char kLockWithoutCopy[] =
    "the single-instance lock is held, but no running copy answers; starting anyway";

void warn(const char* what, const QString& detail) {
    std::fprintf(stderr, "korvadesk: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 detail.toLocal8Bit().constData());
}
}  // namespace

QString instance_folder() {
    return QString::fromStdString(own_runtime_folder());
}

QString instance_socket_path() {
    const QString folder = instance_folder();
    if (folder.isEmpty()) {
        return {};
    }
    return folder + "/" + kInstanceName + "-" + QString::number(getuid());
}

SingleInstance::SingleInstance(QString socket_path, QObject* parent)
    : QObject(parent), socket_path_(std::move(socket_path)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                while (peer->canReadLine()) {
                    serve_line(peer->readLine(kMaxRequestBytes).trimmed());
                }
                if (peer->bytesAvailable() > kMaxRequestBytes) {
                    peer->abort();
                }
            });
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
}

void SingleInstance::serve_line(const QByteArray& line) {
    if (line == kActivateMessage) {
        emit activation_requested();
    } else if (line == kNewNoteMessage) {
        emit new_note_requested();
    } else if (line == kShowAllMessage) {
        emit show_all_requested();
    }
}

void SingleInstance::listen() {
    // A socket file left by a crashed copy would make listen() fail.
    QLocalServer::removeServer(socket_path_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socket_path_)) {
        warn(kNoInstanceSocket, socket_path_ + ": " + server_.errorString());
    }
}

bool SingleInstance::claim(const std::vector<InstanceRequest>& requests) {
    if (socket_path_.isEmpty()) {
        warn(kNoInstanceFolder, {});
        return true;
    }
    lock_ = std::make_unique<FileLock>((socket_path_ + ".lock").toStdString());
    // A copy that ended in any way has given its lock back.
    if (lock_->try_lock()) {
        listen();
        return true;
    }
    if (notify_running_copy(requests)) {
        return false;
    }
    // Whoever holds the lock is no running copy of ours: it cannot keep the user from the notes.
    warn(kLockWithoutCopy, socket_path_ + ".lock (" + QString::number(lock_->holder()) + ")");
    lock_.reset();
    listen();
    return true;
}

bool SingleInstance::hand_over(const std::vector<InstanceRequest>& requests) {
    if (socket_path_.isEmpty()) {
        return false;
    }
    FileLock probe((socket_path_ + ".lock").toStdString());
    if (probe.try_lock()) {
        return false;
    }
    return notify_running_copy(requests);
}

bool SingleInstance::notify_running_copy(const std::vector<InstanceRequest>& requests) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kConnectPatienceMs) {
        QLocalSocket socket;
        socket.connectToServer(socket_path_);
        if (socket.waitForConnected(500)) {
            for (InstanceRequest request : requests) {
                socket.write(QByteArray(message_of(request)) + '\n');
            }
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

}  // namespace kd
