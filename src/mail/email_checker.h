// Checking for e-mail notes on a thread of its own. The thread never touches a widget: every
// box it shows and every question it asks is handed to the UI thread, which answers it while
// the thread waits. The tray's busy window of a check is closed by the next tick after the
// check ended.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <thread>

#include "mail/email_check.h"

#include "platform/busy_window.h"

namespace kd {
class NoteServices;
}  // namespace kd

namespace kd::mail {

class MailAccess;

class EmailChecker : public QObject, private CheckUi {
    Q_OBJECT
public:
    EmailChecker(NoteServices& services, MailAccess& access, QObject* parent = nullptr);
    ~EmailChecker() override;

    bool running() const { return running_; }
    BusyWindow* busy_window() const { return busy_; }

public slots:
    // From the timer and at start: a check without a window. Ignored while one runs.
    void start();
    // From the tray: the busy window, then the check.
    void start_with_busy_window();
    // The main window's tick: closes the busy window once the check ended.
    void on_tick();
    // The program closes: the check ends at its next step, leaving the e-mail at hand in the
    // inbox, and the busy window closes.
    void stop();

signals:
    // The check item is greyed while a check runs.
    void running_changed(bool running);
    // "Exit" is greyed while the check logs on.
    void exit_enabled_changed(bool enabled);
    void finished();

private:
    // CheckUi, on the check thread.
    void check_started() override;
    void check_ended() override;
    void set_exit_enabled(bool enabled) override;
    bool online() override;
    bool ask_offline() override;
    std::optional<MailLogon> logon() override;
    void logon_refused() override;
    void tell(const std::string& text, bool information) override;

    // Runs `work` on the UI thread and returns when it ran.
    void on_ui_thread(const std::function<void()>& work);
    void join_finished();

    NoteServices& services_;
    MailAccess& access_;
    std::thread thread_;
    StopSignal* stop_ = nullptr;
    std::atomic<bool> running_{false};
    std::atomic<bool> thread_done_{true};
    QPointer<BusyWindow> busy_;
};

}  // namespace kd::mail
