// The hidden main window: it owns the tray icon and its menu, the Alt+N hot key, the
// half-second timer and every note window, places new notes, restores the stored notes at
// start and closes the program in order.
#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "app/placement.h"
#include "app/tray_menu.h"

class QAction;
class QMenu;
class QScreen;
class QTimer;

namespace kd {

class GlobalHotKey;
class NoteWindow;
class TerminationSignals;

enum class DialogEnd { Ok, Cancel, Other };

// The places where features of other parts of the program plug into the main window. An
// empty hook means the feature is not there: its tray item is greyed, its step is skipped.
struct MainWindowHooks {
    // Start-up and the half-second timer.
    std::function<void()> read_network;       // read the network neighbourhood
    std::function<void()> start_email_check;  // start an inbox check
    std::function<void()> receive_tick;       // empties the mailboxes, interval refreshes
    std::function<void()> start_server;       // the receiving server
    std::function<void()> stop_server;
    std::function<void()> close_email_busy_window;
    std::function<void()> play_alert_sound;

    // Store size limit: the test, the maintenance that brings the file under it, and the
    // periodic cleaning pass run every 101st start.
    std::function<bool()> over_size_limit;
    std::function<void()> maintain_store;
    std::function<void()> periodic_cleaning;

    // New notes take a random theme when RandomThemes is "Yes".
    std::function<void(NoteWindow&)> random_theme;

    // Show-all lock: the password dialog in its checking mode; fills `typed`.
    std::function<DialogEnd(std::string& typed)> show_all_password;

    // Tray menu features.
    std::function<void()> export_notes;
    std::function<void()> import_notes;
    std::function<void()> check_email_now;
    std::function<bool()> settings;  // modal; true when it ended with its save button
    std::function<void()> about;     // modal
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Finishes the program's start (settings upgrade, version, start-up settings, restoring
    // the notes, timer, server, hot key). Returns false when the program must end; the user
    // has been told why.
    bool start();

    MainWindowHooks& hooks() { return hooks_; }

    // ---- Notes.
    // Numbers a note (a new one is created when `note` is null) and, with `show`, places it in
    // the cascade and shows it. Returns the note.
    NoteWindow* place_note(NoteWindow* note, bool show);
    // Connects a note window made elsewhere (received, imported) to this window; create it
    // with this window as owner and adopt it before create_from_record.
    void adopt_note(NoteWindow* note);
    // Shows a note that lies on no current screen where new notes go, on the primary screen.
    void show_off_screen_note(NoteWindow* note);
    // Screens came or went: notes left on none move where new notes go, and notes whose own
    // place is on a screen again return there. `leaving` is a screen being removed.
    void keep_notes_on_screens(const QScreen* leaving = nullptr);
    // The live note windows (deleted ones excluded).
    QList<NoteWindow*> notes() const;
    int note_count() const { return note_count_; }
    void set_note_count(int count) { note_count_ = count; }

    // ---- Flags other parts set.
    bool busy() const { return busy_; }
    void set_busy(bool busy) { busy_ = busy; }
    bool attack_flag() const { return attack_flag_; }
    void set_attack_flag(bool on) { attack_flag_ = on; }
    void enable_show_all();

    // ---- Commands of the tray menu, by id or by name.
    void run_command(int id);
    void new_note();
    void show_all();
    void hide_all();
    void about();
    void open_settings();
    // Close: with the attack flag set, reports it and stays open (returns false). Otherwise
    // ends the program (returns true).
    bool request_close();
    // Session end or a termination signal: every note saves itself, then Close without the
    // attack question.
    void close_for_session_end();
    bool is_closed() const { return closed_; }

    // ---- Tray.
    QSystemTrayIcon* tray_icon() const { return tray_; }
    QMenu* tray_menu() const { return menu_; }
    QAction* tray_action(int id) const { return actions_.value(id); }
    // Refreshes the menu as before it opens; false when the menu must not open (busy).
    bool prepare_tray_menu();
    void on_tray_activated(QSystemTrayIcon::ActivationReason reason);

    bool hot_key_registered() const;
    // The hot key was pressed.
    void on_hot_key();

public slots:
    // A second copy of the program was started.
    void activate_from_second_copy();
    // The half-second timer.
    void receive_tick();

signals:
    // Close has run; the event loop is being left.
    void program_closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build_tray();
    void sync_menu();
    bool command_available(int id) const;
    void upgrade_settings_file();
    void count_program_start();
    void restore_notes();
    void refresh_visible_notes();
    // Where a store failure met while ending is shown.
    enum class ErrorDisplay { MessageBox, StandardError };
    bool save_all_notes(ErrorDisplay errors);
    void finish_close(ErrorDisplay errors);

    MainWindowHooks hooks_;
    TrayMenuState menu_state_;
    CascadeState cascade_;
    const QScreen* leaving_screen_ = nullptr;
    int note_count_ = 0;
    bool busy_ = false;
    bool attack_flag_ = false;
    bool closed_ = false;

    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
    QMap<int, QAction*> actions_;
    QTimer* timer_ = nullptr;
    GlobalHotKey* hot_key_ = nullptr;
    TerminationSignals* termination_ = nullptr;
};

// Whether the note body shows its scroll bar (ShowScrollBar, read once at start).
bool scroll_bar_flag();
// The refresh and check intervals in minutes read at start (0 disables).
int read_network_interval();
int check_email_interval();

}  // namespace kd
