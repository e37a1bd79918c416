// How the program's modules are connected to the main window; the application uses it, and
// tests that run the main window with receiving use the same connections.
#pragma once

namespace kd {

class ArrivalSound;
class MainWindow;
class MessageBoxes;
class NoteExportCommands;
class NoteReceiving;
class StoreMaintenance;
class ThemeCommands;
namespace mail {
class EmailChecker;
}

// The server starts once the notes are restored and the timer runs; it stops when the program
// closes. Each timer tick hands the waiting notes over; arrivals play the sound, and an attack
// is reported at the next close.
void connect_receiving(MainWindow& main, NoteReceiving& receiving, ArrivalSound& sound);

// New notes get a random theme when the main window asks for one; "Organize themes" opens the
// organise-themes dialog over the note it was chosen in.
void connect_themes(MainWindow& main, ThemeCommands& themes, MessageBoxes& boxes);

// The network neighbourhood is read at start when `ReadNetworkOnStart` asks for it and every
// `ReadNetworkInterval` minutes; once started, this copy announces its receiving port on the
// local network.
void connect_neighbourhood(MainWindow& main);

// The tray's "Export note(s)" and "Import note(s)" are carried out by the export commands.
void connect_note_exports(MainWindow& main, NoteExportCommands& exports);

// The settings file's size limit is tested before every shown new note, and the periodic
// cleaning runs when the start counter says so. The maintenance lives with the main window.
StoreMaintenance& connect_store_maintenance(MainWindow& main);

// Checks for e-mail notes start from the tray (with the busy window), at start when
// `CheckEmailOnStart` asks for it and every `CheckEmailInterval` minutes; while one runs its
// tray item is greyed, and "Exit" while it logs on. Closing the program ends it.
void connect_email(MainWindow& main, mail::EmailChecker& checker);

}  // namespace kd
