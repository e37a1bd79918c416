// One Korvadesk per user: the first copy listens on a local socket, a later copy asks it to
// come to the front and ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace kd {

inline constexpr const char* kInstanceName = "Korvadesk Application";

// Folder for the instance socket and its lock: $XDG_RUNTIME_DIR, else the temporary folder.
QString instance_folder();
// "<folder>/Korvadesk Application-<uid>": per user, so two users never meet.
QString instance_socket_path();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socket_path = instance_socket_path(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first copy (and now serves the socket). False when another
    // copy runs: it has been asked to come to the front, and this copy should end.
    bool claim();

signals:
    // A later copy asked this one to come to the front.
    void activation_requested();

private:
    bool notify_running_copy();

    QString socket_path_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace kd
