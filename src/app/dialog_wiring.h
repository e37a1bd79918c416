// How the tray's About, Settings and the Show-all lock reach their dialogs.
#pragma once

namespace kd {

class MainWindow;
class MessageBoxes;
class ThemeCommands;

// "About" opens the About box; "Show all notes" with the lock on asks for the password in the
// password dialog's check mode (the main window compares it).
void connect_small_dialogs(MainWindow& main, MessageBoxes& boxes);

// "Settings" opens the settings dialog; what it saves reaches the running program at once
// (hot key, receiving intervals), and the visible notes are refreshed after a save.
// "Organize saved themes" opens the dialog the themes' own command opens.
void connect_settings(MainWindow& main, ThemeCommands& themes);

}  // namespace kd
