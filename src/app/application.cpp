#include "app/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/alarm_notices.h"
#include "app/app_texts.h"
#include "app/dialog_wiring.h"
#include "app/main_window.h"
#include "app/reminder_commands.h"
#include "app/shell_texts.h"
#include "app/single_instance.h"
#include "app/wiring.h"
#include "dialogs/note_list_dialog.h"
#include "dialogs/program_dialogs.h"
#include "dialogs/send_dialog_service.h"
#include "files/note_export_commands.h"
#include "files/note_file_commands.h"
#include "mail/email_checker.h"
#include "mail/mail_access.h"
#include "mail/note_emailer.h"
#include "net/arrival_sound.h"
#include "net/note_receiving.h"
#include "net/note_sending.h"
#include "note/body_spelling.h"
#include "note/note_body.h"
#include "note/note_services.h"
#include "platform/backup_files.h"
#include "platform/clock.h"
#include "platform/desktop_notifier.h"
#include "platform/library_modules.h"
#include "platform/message_boxes.h"
#include "platform/os_label.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "themes/builtin_themes.h"
#include "themes/theme_commands.h"

namespace kd {

namespace {

// Store failures may come from the receiving thread; the box always opens on the UI thread.
void report_on_ui_thread(MessageBoxes& boxes, const std::string& message) {
    const QString text = QString::fromStdString(message);
    if (QThread::currentThread() == qApp->thread()) {
        boxes.tell(nullptr, QMessageBox::Warning, text);
    } else {
        QMetaObject::invokeMethod(
            qApp, [&boxes, text] { boxes.tell(nullptr, QMessageBox::Warning, text); },
            Qt::QueuedConnection);
    }
}

// The notes' title and paragraph commands and "Save theme as" use the program's own dialogs.
void use_program_dialogs(NoteServices& services, ThemeCommands& themes, MessageBoxes& boxes) {
    services.set_dialogs(std::make_unique<ProgramDialogs>(boxes));
    themes.set_name_entry(std::make_unique<TextEntryThemeName>());
}

}  // namespace

// Where Debian's hunspell-* packages put their dictionaries.
constexpr const char* kSystemDictionaryFolder = "/usr/share/hunspell";
// The longest the end waits for note bodies still being read on their threads (a list of a
// few thousand items takes a fraction of a second).
constexpr std::chrono::milliseconds kReadingsAtEnd{3000};

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

Application::ReadingsAtEnd::~ReadingsAtEnd() {
    NoteBody::wait_for_readings(kReadingsAtEnd);
}

void Application::make_mail() {
    mail_access_ = std::make_unique<mail::MailAccess>(*store_);
    emailer_ = std::make_unique<mail::NoteEmailer>(*mail_access_);
    services_->set_email_sending(emailer_.get());
    email_checker_ = std::make_unique<mail::EmailChecker>(*services_, *mail_access_);
}

void Application::make_spelling() {
    SpellingSetup setup;
    setup.dictionary_folder = kSystemDictionaryFolder;
    setup.locale =
        messages_locale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
    setup.word_list =
        (std::filesystem::path(paths_.IniPath).parent_path() / kWordListFileName).string();
    spelling_ = std::make_unique<BodySpelling>(std::move(setup));
    services_->set_spelling(spelling_.get());
    QObject::connect(services_.get(), &NoteServices::check_spelling_changed, spelling_.get(),
                     &BodySpelling::set_enabled);
}

void Application::connect_modules() {
    QObject::connect(instance_.get(), &SingleInstance::activation_requested, main_window_.get(),
                     &MainWindow::activate_from_second_copy);
    QObject::connect(instance_.get(), &SingleInstance::new_note_requested, main_window_.get(),
                     &MainWindow::on_hot_key);
    QObject::connect(instance_.get(), &SingleInstance::show_all_requested, main_window_.get(),
                     &MainWindow::show_all);
    connect_receiving(*main_window_, *receiving_, *sound_);
    connect_reminders(*services_, *sound_);
    connect_alarm_notices(*main_window_, *notifier_);
    connect_themes(*main_window_, *themes_, *boxes_);
    connect_neighbourhood(*main_window_);
    connect_small_dialogs(*main_window_, *boxes_);
    connect_settings(*main_window_, *themes_);
    connect_note_exports(*main_window_, *exports_);
    connect_store_maintenance(*main_window_);
    connect_email(*main_window_, *email_checker_);
}

void Application::carry_out(const std::vector<InstanceRequest>& requests, bool made_empty_note) {
    for (InstanceRequest request : requests) {
        if (request == InstanceRequest::ShowAll) {
            main_window_->show_all();
        } else if (request == InstanceRequest::NewNote && !made_empty_note) {
            main_window_->on_hot_key();
        }
    }
}

bool Application::start(int& exit_code, const std::vector<InstanceRequest>& requests) {
    QApplication::setApplicationName(kAppName);
    QApplication::setQuitOnLastWindowClosed(false);

    paths_ = compute_app_paths();
    boxes_ = std::make_unique<MessageBoxes>();
    errors_ = std::make_unique<ErrorReporter>([boxes = boxes_.get()](const std::string& message) {
        report_on_ui_thread(*boxes, message);
    });
    store_ = std::make_unique<NoteStore>(paths_, *errors_);

    if (!sockets_available()) {
        boxes_->tell(nullptr, QMessageBox::Critical, kSocketsInitFailed);
        exit_code = 1;
        return false;
    }

    instance_ = std::make_unique<SingleInstance>();
    if (!instance_->claim(requests)) {
        exit_code = 0;
        return false;
    }
    // From here on the interface never waits for the disk: the settings file is written by a
    // thread of its own, and the end of the program waits for it. Only the copy that goes on to
    // run keeps a backup, before its first write (a failed backup does not keep the user from
    // their notes). The start reads the file as it found it, once, and writes it only after
    // the notes are shown.
    store_->write_in_background([path = paths_.IniPath] { keep_backups(path); }, true);
    QTimer::singleShot(0, qApp, [store = store_.get()] { store->release_writes(); });
    const ProfileFile::Snapshot snapshot(paths_.IniPath);

    services_ = std::make_unique<NoteServices>(*store_, Clock::system(), *boxes_, &default_theme);
    // A missing module is said in a box and, for whoever started the program, on standard error.
    modules_ = std::make_unique<LibraryModules>(
        module_folder(paths_.ProgramFolder), [boxes = boxes_.get()](const std::string& message) {
            std::fprintf(stderr, "korvadesk: %s\n", message.c_str());
            report_on_ui_thread(*boxes, message);
        });
    services_->set_modules(*modules_);
    sound_ = std::make_unique<ArrivalSound>(*modules_);
    make_spelling();
    sending_ = std::make_unique<DialogNoteSending>();
    services_->set_sending(sending_.get());
    file_commands_ = std::make_unique<NoteFileCommands>(*services_);
    themes_ = std::make_unique<ThemeCommands>(*services_);
    use_program_dialogs(*services_, *themes_, *boxes_);
    notifier_ = std::make_unique<FreedesktopNotifier>(FreedesktopNotifier::Look{
        QString::fromUtf8(kAppName), QString::fromUtf8(kAppIconName),
        QString::fromUtf8(kDesktopEntryName), QString::fromUtf8(kAlarmNoticeAction)});
    main_window_ = std::make_unique<MainWindow>(*services_);
    receiving_ = std::make_unique<NoteReceiving>(*main_window_, *services_);
    exports_ = std::make_unique<NoteExportCommands>(*services_, *main_window_,
                                                    std::make_unique<DialogNoteListChooser>());
    make_mail();
    connect_modules();
    QObject::connect(main_window_.get(), &MainWindow::start_finished, main_window_.get(),
                     &MainWindow::tell_no_tray_once);
    if (!main_window_->start()) {
        exit_code = 1;
        return false;
    }
    // The dictionary loads once the notes are up, on a thread of its own.
    spelling_->set_enabled(store_->settings().flag(Setting::CheckSpelling));
    // With no notes stored the start shows one empty note, which is the new note asked for.
    carry_out(requests, main_window_->made_empty_note());
    return true;
}

}  // namespace kd
