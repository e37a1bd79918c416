#include "app/dialog_wiring.h"

#include "app/main_window.h"
#include "app/tray_menu.h"
#include "dialogs/about_box.h"
#include "dialogs/password_dialog.h"
#include "dialogs/settings_dialog.h"
#include "net/identity.h"
#include "themes/theme_commands.h"

namespace kd {

void connect_small_dialogs(MainWindow& main, MessageBoxes& boxes) {
    QObject::connect(&main, &MainWindow::about_requested, &main, [&main] {
        AboutBox box(main.services().clock());
        box.exec();
    });
    main.set_command_available(kCmdAbout, true);
    QObject::connect(&main, &MainWindow::show_all_password_requested, &main,
                     [&boxes](DialogEnd* end, std::string* typed) {
                         PasswordDialog dialog(small_dialogs::PasswordMode::Check, boxes);
                         if (dialog.exec() == QDialog::Accepted) {
                             *end = DialogEnd::Ok;
                             *typed = dialog.password();
                         } else {
                             *end = DialogEnd::Cancel;
                         }
                     });
}

void connect_settings(MainWindow& main, ThemeCommands& themes) {
    QObject::connect(&main, &MainWindow::settings_requested, &main, [&main, &themes] {
        const IdentitySource identity;
        SettingsDialog dialog(main.services(), identity);
        QObject::connect(&dialog, &SettingsDialog::hot_key_applied, &main,
                         &MainWindow::retake_hot_key);
        QObject::connect(&dialog, &SettingsDialog::intervals_applied, &main,
                         &MainWindow::set_intervals);
        QObject::connect(&dialog, &SettingsDialog::organize_themes_requested, &themes,
                         &ThemeCommands::organize_requested);
        if (dialog.exec() == QDialog::Accepted) {
            main.refresh_visible_notes();
        }
    });
    main.set_command_available(kCmdSettings, true);
}

}  // namespace kd
