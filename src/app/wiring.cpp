#include "app/wiring.h"

#include "app/main_window.h"
#include "app/store_maintenance.h"
#include "app/tray_menu.h"
#include "dialogs/theme_organizer.h"
#include "files/note_export_commands.h"
#include "mail/email_checker.h"
#include "net/arrival_sound.h"
#include "net/neighbourhood.h"
#include "net/note_receiving.h"
#include "net/note_sender.h"
#include "net/service_publisher.h"
#include "store/note_store.h"
#include "themes/theme_commands.h"

namespace kd {

void connect_receiving(MainWindow& main, NoteReceiving& receiving, ArrivalSound& sound) {
    QObject::connect(&main, &MainWindow::started, &receiving, &NoteReceiving::start_server);
    QObject::connect(&main, &MainWindow::closing, &receiving, &NoteReceiving::stop_server);
    QObject::connect(&main, &MainWindow::tick, &receiving, &NoteReceiving::tick);
    QObject::connect(&main, &MainWindow::alert_sound_requested, &sound, &ArrivalSound::play);
    QObject::connect(&receiving, &NoteReceiving::arrival_sound_wanted, &sound, &ArrivalSound::play);
    QObject::connect(&receiving, &NoteReceiving::attack_detected, &main,
                     &MainWindow::report_attack);
}

void connect_themes(MainWindow& main, ThemeCommands& themes, MessageBoxes& boxes) {
    const NoteStore& store = main.services().store();
    QObject::connect(&main, &MainWindow::random_theme_wanted, &themes,
                     &ThemeCommands::random_theme);
    QObject::connect(&themes, &ThemeCommands::organize_requested, &main,
                     [&themes, &boxes, &store](QWidget* parent) {
                         // On the heap: a note that expires while the dialog is open takes
                         // the dialog with it, and exec() then just returns.
                         auto* dialog =
                             new ThemeOrganizer(store, boxes, themes.sort_state(), parent);
                         dialog->setAttribute(Qt::WA_DeleteOnClose);
                         dialog->exec();
                     });
}

void connect_neighbourhood(MainWindow& main) {
    QObject::connect(&main, &MainWindow::network_read_requested, &main,
                     [&main] { read_network_neighbourhood(main.services().paths(), &main); });
    auto* publisher = new ServicePublisher(&main);
    // Announced once the notes are up: the calls to the Avahi daemon wait for its answers.
    QObject::connect(&main, &MainWindow::start_finished, publisher, [&main, publisher] {
        const int port = main.services().store().settings().number(Setting::CommunicationPort);
        if (port > 0 && port <= 65535) {
            publisher->publish(static_cast<std::uint16_t>(port),
                               QString::fromStdString(own_computer_name()));
        }
    });
}

void connect_note_exports(MainWindow& main, NoteExportCommands& exports) {
    // Without a parent the dialogs open centred on the screen: the main window is never shown.
    QObject::connect(&main, &MainWindow::export_requested, &exports,
                     [&exports] { exports.export_notes(nullptr); });
    QObject::connect(&main, &MainWindow::import_requested, &exports,
                     [&exports] { exports.import_notes(nullptr); });
    main.set_command_available(kCmdExport, true);
    main.set_command_available(kCmdImport, true);
}

StoreMaintenance& connect_store_maintenance(MainWindow& main) {
    auto* maintenance = new StoreMaintenance(main);
    // Queued: the delete list waits for the user in a loop of its own, which must not run
    // inside the receiving tick (its timer would not fire again until the list closed, and
    // its notes would wait unstored). So the note is placed first and the list follows; ticks
    // meanwhile show what arrives, as while any maintenance runs.
    QObject::connect(&main, &MainWindow::new_note_placing, maintenance,
                     &StoreMaintenance::maintain_if_over_limit, Qt::QueuedConnection);
    QObject::connect(
        &main, &MainWindow::periodic_cleaning_due, maintenance,
        [maintenance] { maintenance->clean(CleaningMode::Periodic); }, Qt::DirectConnection);
    return *maintenance;
}

void connect_email(MainWindow& main, mail::EmailChecker& checker) {
    using mail::EmailChecker;
    QObject::connect(&main, &MainWindow::check_email_requested, &checker,
                     &EmailChecker::start_with_busy_window);
    QObject::connect(&main, &MainWindow::email_check_due, &checker, &EmailChecker::start);
    QObject::connect(&main, &MainWindow::tick, &checker, &EmailChecker::on_tick);
    QObject::connect(&main, &MainWindow::closing, &checker, &EmailChecker::stop);
    QObject::connect(&checker, &EmailChecker::running_changed, &main, [&main](bool running) {
        main.set_command_available(kCmdCheckEmail, !running);
    });
    QObject::connect(&checker, &EmailChecker::exit_enabled_changed, &main,
                     [&main](bool enabled) { main.set_command_available(kCmdExit, enabled); });
    main.set_command_available(kCmdCheckEmail, true);
}

}  // namespace kd
