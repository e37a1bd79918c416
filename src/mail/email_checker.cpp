#include "mail/email_checker.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <memory>

#include "mail/mail_access.h"
#include "mail/mail_module.h"
#include "mail/mail_texts.h"
#include "note/note_services.h"
#include "platform/busy_window.h"
#include "platform/message_boxes.h"
#include "store/note_lists.h"
#include "store/note_store.h"

namespace kd::mail {

EmailChecker::EmailChecker(NoteServices& services, MailAccess& access, QObject* parent)
    : QObject(parent), services_(services), access_(access) {}

EmailChecker::~EmailChecker() {
    stop();
}

void EmailChecker::start() {
    if (running_) {
        return;
    }
    // A check that ended is at most finishing its thread: it calls nothing here any more.
    join_finished();
    running_ = true;
    thread_done_ = false;
    auto stop = std::make_shared<StopSignal>();
    stop_ = stop.get();
    const NoteLists lists(services_.store().ini_path(), {}, services_.store().errors());
    thread_ = std::thread([this, stop, lists] {
        ModuleInbox inbox(services_.modules(), &stop->flag());
        run_email_check(*this, inbox, lists, *stop);
        thread_done_ = true;
        QMetaObject::invokeMethod(this, &EmailChecker::finished, Qt::QueuedConnection);
    });
}

void EmailChecker::start_with_busy_window() {
    if (running_) {
        return;
    }
    if (!busy_) {
        busy_ = new BusyWindow();
        busy_->setAttribute(Qt::WA_DeleteOnClose);
    }
    busy_->set_texts(QString::fromUtf8(kBusyFirstLine), QString::fromUtf8(kBusySecondLine));
    busy_->show_at_work_area_corner(kBusyCornerInset);
    start();
}

void EmailChecker::on_tick() {
    if (busy_ && !running_) {
        busy_->close();
    }
    if (thread_done_) {
        join_finished();
    }
}

void EmailChecker::stop() {
    if (busy_) {
        busy_->close();
    }
    if (!thread_.joinable()) {
        return;
    }
    if (!thread_done_) {
        stop_->request();
        // The thread may be waiting for an answer from this thread: keep serving it.
        QEventLoop loop;
        connect(this, &EmailChecker::finished, &loop, &QEventLoop::quit);
        if (!thread_done_) {
            loop.exec();
        }
    }
    join_finished();
}

void EmailChecker::join_finished() {
    if (thread_.joinable()) {
        thread_.join();
        stop_ = nullptr;
    }
}

void EmailChecker::on_ui_thread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void EmailChecker::check_started() {
    on_ui_thread([this] {
        services_.set_email_check_running(true);
        emit running_changed(true);
    });
}

void EmailChecker::check_ended() {
    on_ui_thread([this] {
        running_ = false;
        services_.set_email_check_running(false);
        emit exit_enabled_changed(true);
        emit running_changed(false);
    });
}

void EmailChecker::set_exit_enabled(bool enabled) {
    on_ui_thread([this, enabled] { emit exit_enabled_changed(enabled); });
}

bool EmailChecker::online() {
    bool is_online = true;
    on_ui_thread([&] { is_online = access_.online(); });
    return is_online;
}

bool EmailChecker::ask_offline() {
    bool yes = false;
    on_ui_thread([&] {
        if (stop_ != nullptr && !stop_->requested()) {
            yes = services_.boxes().ask(nullptr, QMessageBox::Question,
                                        QString::fromUtf8(kOfflineCheck));
        }
    });
    return yes;
}

std::optional<MailLogon> EmailChecker::logon() {
    std::optional<MailLogon> given;
    on_ui_thread([&] {
        if (stop_ != nullptr && !stop_->requested()) {
            given = access_.logon(nullptr);
        }
    });
    return given;
}

void EmailChecker::logon_refused() {
    access_.forget_password();
}

void EmailChecker::tell(const std::string& text, bool information) {
    on_ui_thread([&] {
        if (stop_ != nullptr && !stop_->requested()) {
            services_.boxes().tell(nullptr,
                                   information ? QMessageBox::Information : QMessageBox::Warning,
                                   QString::fromStdString(text));
        }
    });
}

}  // namespace kd::mail
