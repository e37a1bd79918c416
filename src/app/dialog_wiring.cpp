#include "app/dialog_wiring.h"

#include "app/main_window.h"
#include "app/tray_menu.h"
#include "dialogs/about_box.h"
#include "dialogs/password_dialog.h"

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

}  // namespace kd
