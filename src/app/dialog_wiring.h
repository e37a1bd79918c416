// How the tray's About, Settings and the Show-all lock reach their dialogs.
#pragma once

namespace kd {

class MainWindow;
class MessageBoxes;

// "About" opens the About box; "Show all notes" with the lock on asks for the password in the
// password dialog's check mode (the main window compares it).
void connect_small_dialogs(MainWindow& main, MessageBoxes& boxes);

}  // namespace kd
