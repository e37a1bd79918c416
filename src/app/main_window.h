// The hidden main window: it owns the tray icon and its menu, the Alt+N hot key, the
// half-second timer and every note window, places new notes, restores the stored notes at
// start and closes the program in order.
#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/interval_ticks.h"
#include "app/placement.h"
#include "app/tray_menu.h"
#include "note/note_services.h"
#include "note/note_window.h"

class QAction;
class QMenu;
class QScreen;
class QTimer;

namespace kd {

class FindNotesWindow;
class GlobalHotKey;
class NoteStore;
struct NotesToRestore;
class NoteView;
class TerminationSignals;

enum class DialogEnd { Ok, Cancel, Other };

// The parts of the program that plug into the main window connect to its signals; a tray item
// whose feature is missing stays greyed until set_command_available enables it.
class MainWindow : public QWidget, public NoteHost {
    Q_OBJECT
public:
    explicit MainWindow(NoteServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Finishes the program's start (settings upgrade, version, start-up settings, restoring
    // the notes, timer, server, hot key). Returns false when the program must end; the user
    // has been told why.
    bool start();
    // Whether the start placed the one empty note of a start without notes.
    bool made_empty_note() const { return made_empty_note_; }
    // Without a tray, the first start says so where the person sees it (a desktop
    // notification, else a message box) and records that it did.
    void tell_no_tray_once();
    // What the notes do not need to be seen, done once the first of them has been painted (or
    // at once when none is shown): the tray icon, then start_finished. Runs once; start()
    // arranges it.
    void finish_start();
    bool start_finished_already() const { return start_finished_; }

    NoteServices& services() const { return services_; }
    // Export, import, check for e-mail notes, settings and About are offered once a part of
    // the program carries them out.
    void set_command_available(int id, bool available);

    // ---- Notes.
    // Numbers a note (a new one is created when `note` is null) and, with `show`, places it in
    // the cascade and shows it. Returns the note.
    NoteWindow* place_note(NoteWindow* note, bool show);
    // Connects a note window made elsewhere (received, imported) to this window; create it
    // with this window as owner and adopt it before create_from_record.
    void adopt_note(NoteWindow* note);
    NoteWindow* create_note() override;
    // Shows a note that lies on no current screen where new notes go, on the primary screen.
    void show_off_screen_note(NoteWindow* note);
    // Screens came or went: notes left on none move where new notes go, and notes whose own
    // place is on a screen again return there. `leaving` is a screen being removed.
    void keep_notes_on_screens(const QScreen* leaving = nullptr);
    // The live note windows (deleted ones excluded).
    QList<NoteWindow*> notes() const;
    std::vector<NoteView*> note_views() const override;
    int note_count() const override { return note_count_; }
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
    // "Find in notes ...": opens the search window (or brings it back up).
    void find_notes();
    // A note chosen from a list: shown when hidden, brought to the front with the keyboard.
    void show_note(NoteWindow* note);
    // A note chosen in the search window: shown, unrolled, in front, with the first place
    // that holds `query` selected in its body.
    void bring_up_note(NoteWindow* note, const QString& query);
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
    // Made when the start finishes; asking for them earlier makes them.
    QSystemTrayIcon* tray_icon() const { return built_tray().tray_; }
    QMenu* tray_menu() const { return built_tray().menu_; }
    QAction* tray_action(int id) const { return built_tray().actions_.value(id); }
    // The "Notes" submenu; fill_notes_menu lists the notes in it, as before it opens.
    QMenu* notes_menu() const { return built_tray().notes_menu_; }
    void fill_notes_menu();
    FindNotesWindow* find_window() const;
    // Refreshes the menu as before it opens; false when the menu must not open (busy).
    bool prepare_tray_menu();
    void on_tray_activated(QSystemTrayIcon::ActivationReason reason);

    bool hot_key_registered() const;
    // Gives the hot key up, and takes it again when `take` is set (settings saved).
    void retake_hot_key(bool take);
    // The hot key was pressed.
    void on_hot_key();

    // A received message was rejected as an attack: the next close request reports it.
    void report_attack();

public slots:
    // A second copy of the program was started.
    void activate_from_second_copy();
    // After start-up, and after the settings were saved: close button, layout, reminder
    // texts and full opacity of every visible note.
    void refresh_visible_notes();
    // The e-mail check and neighbourhood intervals in minutes (0 switches one off); read at
    // start, set again when the settings are saved.
    void set_intervals(int check_email_minutes, int read_network_minutes);

signals:
    // Start-up has restored the notes and set the timer: the receiving server may start.
    void started();
    // The first note has been painted and the tray is up: the rest of the start (the "no
    // tray" notice, the service announcement on the network) may follow.
    void start_finished();
    // The half-second timer.
    void tick();
    // Close: the receiving server stops, an e-mail busy window closes.
    void closing();
    // Close has run; the event loop is being left.
    void program_closing();

    // At start when ReadNetworkOnStart / CheckEmailOnStart say so, and after each interval.
    void network_read_requested();
    void email_check_due();
    void periodic_cleaning_due();  // every 101st start
    // A new note is about to be placed and shown (the store's size limit is checked next).
    void new_note_placing();
    // A note started deleting itself (its record is gone); `number` is its NoteID.
    void note_deleted(int number);
    // A new note was shown and RandomThemes is "Yes".
    void random_theme_wanted(kd::NoteView* note);
    void alert_sound_requested();
    // The Show-all lock: the password dialog in its checking mode fills both.
    void show_all_password_requested(kd::DialogEnd* end, std::string* typed);

    // Tray commands carried out elsewhere; About and Settings are modal, greyed while their
    // receiver runs.
    void export_requested();
    void import_requested();
    void check_email_requested();
    void settings_requested();
    void about_requested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void keep_program_icon_small();
    void on_timer();
    void count_intervals();
    void build_tray();
    const MainWindow& built_tray() const;
    // Calls finish_start once `note` (a note shown by the start) has been painted.
    void finish_start_after_paint(NoteWindow* note);
    void sync_menu();
    bool command_available(int id) const;
    // Start-up steps.
    bool claim_settings_file();
    void read_start_settings(const NoteStore& store);
    void watch_session_end();
    void upgrade_settings_file();
    void count_program_start();
    void restore_notes();
    // One line on standard error when the stored note count was not used.
    void report_repaired_count(const NotesToRestore& plan, int restored);
    // Top-left corners of the shown notes other than `except`, for the cascade to pass by.
    std::vector<ScreenPoint> shown_note_corners(const NoteWindow* except) const;
    // About and Settings: greyed while their receiver runs.
    void run_modal_command(int id, void (MainWindow::*request)());
    // Where a store failure met while ending is shown.
    enum class ErrorDisplay { MessageBox, StandardError };
    bool save_all_notes(ErrorDisplay errors);
    void finish_close(ErrorDisplay errors);

    NoteServices& services_;
    QMap<int, bool> available_;
    IntervalTicks intervals_;
    TrayMenuState menu_state_;
    CascadeState cascade_;
    const QScreen* leaving_screen_ = nullptr;
    int note_count_ = 0;
    bool busy_ = false;
    bool attack_flag_ = false;
    bool closed_ = false;
    bool made_empty_note_ = false;
    bool start_finished_ = false;
    QPointer<NoteWindow> first_painted_;

    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
    QMap<int, QAction*> actions_;
    QMenu* notes_menu_ = nullptr;
    QPointer<FindNotesWindow> find_window_;
    QTimer* timer_ = nullptr;
    // The program's icon while notes made one after another keep it small, and when it comes
    // back.
    std::optional<QIcon> program_icon_;
    QTimer* program_icon_back_ = nullptr;
    QElapsedTimer tick_clock_;
    GlobalHotKey* hot_key_ = nullptr;
    TerminationSignals* termination_ = nullptr;
};

}  // namespace kd
