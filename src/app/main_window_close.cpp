// Ending the program: the Close command, the end of the session, saving every note on the
// way out, and the window events that would otherwise close or minimise the main window.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/main_window.h"
#include "note/note_window.h"
#include "platform/hot_key.h"
#include "platform/message_boxes.h"
#include "platform/session_end.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "store/store_texts.h"

namespace kd {

namespace {

// How long the end of the program waits for the settings file to reach the disk; a disk that
// does not answer within it is reported as a failed write.
constexpr std::chrono::milliseconds kLongestEndingWrite{4000};

}  // namespace

bool MainWindow::request_close() {
    if (closed_) {
        return true;
    }
    if (attack_flag_) {
        attack_flag_ = false;
        emit alert_sound_requested();
        services_.boxes().tell(nullptr, QMessageBox::Critical, QString::fromUtf8(kMsgAttack));
        return false;
    }
    finish_close(ErrorDisplay::MessageBox);
    return true;
}

void MainWindow::close_for_session_end() {
    if (closed_) {
        return;
    }
    // Nobody may be there to click a message box away: a failure goes to standard error.
    finish_close(ErrorDisplay::StandardError);
}

bool MainWindow::save_all_notes(ErrorDisplay errors) {
    // Every note and the note count in one replace: text typed just before the end is kept
    // even when no save moment came (a focus change to a popup menu saves nothing).
    StoreTransaction tx(services_.store());
    tx.set_number_of_notes(note_count_);
    std::vector<Note*> all;
    for (NoteWindow* note : notes()) {
        all.push_back(&note->note());
    }
    // The settings file is written on a thread of its own: the end waits for it, a while.
    if (write_notes(tx, all, {}) && services_.store().finish_writes(kLongestEndingWrite)) {
        return true;
    }
    if (errors == ErrorDisplay::MessageBox) {
        services_.store().errors().report(std::string(store_texts::kErrorWritingNote));
    } else {
        std::fprintf(stderr, "%s: %s\n", kAppName, store_texts::kErrorWritingNote.data());
    }
    return false;
}

void MainWindow::finish_close(ErrorDisplay errors) {
    closed_ = true;
    timer_->stop();
    save_all_notes(errors);
    emit closing();
    hot_key_->unregister();
    if (tray_ != nullptr) {
        tray_->hide();
    }
    // Close may run from inside the signal notifier's own emission: delete it later.
    if (termination_ != nullptr) {
        termination_->deleteLater();
        termination_ = nullptr;
    }
    emit program_closing();
    // quit() would first ask every window to close, and a note may refuse; the program's own
    // Close has already run, so leave the event loops directly. Outside any event loop there
    // is nothing to leave (and exiting would make the next loop end at once).
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Any request to close the window is the Close command.
    if (closed_ || request_close()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();  // never closes the window
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QTimer::singleShot(0, this, &QWidget::hide);
    }
    QWidget::changeEvent(event);
}

void MainWindow::report_attack() {
    // The close request sees the flag, warns with the sound and stays open. It runs after the
    // tick that found the attack: its box waits for the user in a loop of its own, and from
    // inside the tick it would hold the timer (notes, e-mail, interval checks) until then.
    attack_flag_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (attack_flag_) {
                request_close();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace kd
