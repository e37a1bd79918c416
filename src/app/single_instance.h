// One Korvadesk per user: the first copy listens on a local socket, a later copy asks it to
// come to the front (or to make a note, or to show all notes) and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

#include "platform/private_files.h"

namespace kd {

inline constexpr const char* kInstanceName = "Korvadesk Application";

// Folder for the instance socket and its lock: $XDG_RUNTIME_DIR, else a folder of the user's
// own (0700) that no other user can occupy; never a shared temporary folder. "" when there is
// none.
QString instance_folder();
// "<folder>/Korvadesk Application-<uid>": per user, so two users never meet. "" without a
// folder.
QString instance_socket_path();

// What a later copy asks of the running one; one line each on the socket.
enum class InstanceRequest { Activate, NewNote, ShowAll };

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socket_path = instance_socket_path(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is to run (and now serves the socket where it can). False when
    // another copy runs and took `requests`: this copy should end. A lock that is held but
    // whose holder does not answer, or that cannot be used at all, does not keep the program
    // from starting; it says so on standard error and runs.
    bool claim(const std::vector<InstanceRequest>& requests = {InstanceRequest::Activate});

    // Before the program starts its windows: when another copy runs and took `requests`,
    // returns true (this copy should end; no display is needed for that). False otherwise;
    // claim() follows once the program is up.
    bool hand_over(const std::vector<InstanceRequest>& requests);

signals:
    // A later copy asked this one to come to the front.
    void activation_requested();
    // A later copy was started with --new-note or --show-all.
    void new_note_requested();
    void show_all_requested();

private:
    bool notify_running_copy(const std::vector<InstanceRequest>& requests);
    void serve_line(const QByteArray& line);
    void listen();

    QString socket_path_;
    std::unique_ptr<FileLock> lock_;
    QLocalServer server_;
};

}  // namespace kd
