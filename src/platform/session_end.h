// Turns the signals that end a desktop program (SIGTERM at logout or shutdown, SIGINT,
// SIGHUP) into a Qt signal on the UI thread, so the program can close in order and keep
// every note. The handler only writes one byte into a socket pair.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kd {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one instance may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~TerminationSignals() override;

signals:
    void termination_requested(int signal_number);

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kd
