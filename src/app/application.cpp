#include "app/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "app/app_texts.h"
#include "app/main_window.h"
#include "app/os_label.h"
#include "app/paths.h"
#include "app/single_instance.h"
#include "net/note_receiving.h"
#include "net/note_sending.h"
#include "store/error_reporter.h"

namespace kd {

namespace {

void show_error_box(const QString& text) {
    QMessageBox::warning(nullptr, kAppName, text);
}

// Store failures may come from the receiving thread; the box always opens on the UI thread.
void report_on_ui_thread(const std::string& message) {
    const QString text = QString::fromStdString(message);
    if (QThread::currentThread() == qApp->thread()) {
        show_error_box(text);
    } else {
        QMetaObject::invokeMethod(
            qApp, [text] { show_error_box(text); }, Qt::QueuedConnection);
    }
}

}  // namespace

bool sockets_available() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

Application::Application() = default;

Application::~Application() = default;

bool Application::start(int& exit_code) {
    QApplication::setApplicationName(kAppName);
    QApplication::setQuitOnLastWindowClosed(false);

    set_app_paths(compute_app_paths());

    if (!sockets_available()) {
        QMessageBox::critical(nullptr, kAppName, kSocketsInitFailed);
        exit_code = 1;
        return false;
    }

    instance_ = std::make_unique<SingleInstance>();
    if (!instance_->claim()) {
        exit_code = 0;
        return false;
    }

    ErrorReporter::set_handler(report_on_ui_thread);

    main_window_ = std::make_unique<MainWindow>();
    QObject::connect(instance_.get(), &SingleInstance::activation_requested, main_window_.get(),
                     &MainWindow::activate_from_second_copy);
    receiving_ = std::make_unique<NoteReceiving>(*main_window_);
    receiving_->install();
    install_note_sending();
    if (!main_window_->start()) {
        exit_code = 1;
        return false;
    }
    return true;
}

}  // namespace kd
