#include "app/main_window.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>
#include <QScreen>
#include <QSessionManager>
#include <QTextCursor>
#include <QTimer>

#include <cstdio>
#include <initializer_list>
#include <optional>

#include "note/note_search.h"
#include "note/note_window.h"
#include "platform/desktop_notice.h"
#include "platform/hot_key.h"
#include "platform/message_boxes.h"
#include "platform/os_label.h"
#include "platform/profile_file.h"
#include "platform/session_end.h"
#include "platform/tip_look.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "store/store_texts.h"
#include "themes/builtin_themes.h"

// Resources of a static library must be registered by hand.
static void init_app_resources() {
    Q_INIT_RESOURCE(korvadesk_app);
}

namespace kd {

namespace {

constexpr int kProgramStartsBeforeCleaning = 100;
// The longest the rest of the start waits for the first note to be painted.
constexpr int kFinishStartLimitMs = 1000;
// How long after the last note made one after another (a burst received) the program's icon
// stays small.
constexpr int kSmallIconAfterLastNoteMs = 2000;

QIcon app_icon(std::initializer_list<int> sizes = {16, 22, 32, 48, 64, 128}) {
    QIcon icon;
    for (int size : sizes) {
        icon.addFile(QStringLiteral(":/app/korvadesk-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

// While many notes are made at once the program's icon is only the sizes a note window carries.
// Qt sends a window the program's icon, every size, when it makes the native window, and the
// window's own icon only after that: the six sizes were the costliest part of showing a note.
// Windows with an icon of their own (the notes) are not touched by the change back.
class SmallProgramIcon {
public:
    SmallProgramIcon() : program_(QApplication::windowIcon()) {
        QApplication::setWindowIcon(app_icon({16, 32}));
    }
    ~SmallProgramIcon() { QApplication::setWindowIcon(program_); }
    SmallProgramIcon(const SmallProgramIcon&) = delete;
    SmallProgramIcon& operator=(const SmallProgramIcon&) = delete;

private:
    QIcon program_;
};

}  // namespace

MainWindow::MainWindow(NoteServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    init_app_resources();
    setWindowTitle(kMainWindowTitle);
    // Every window without an icon of its own (About box, message boxes, small dialogs, notes
    // in the taskbar) shows the program's.
    QApplication::setWindowIcon(app_icon());
    program_icon_back_ = new QTimer(this);
    program_icon_back_->setSingleShot(true);
    program_icon_back_->setInterval(kSmallIconAfterLastNoteMs);
    connect(program_icon_back_, &QTimer::timeout, this, [this] {
        if (program_icon_) {
            QApplication::setWindowIcon(*program_icon_);
            program_icon_.reset();
        }
    });
    install_tip_look();
    timer_ = new QTimer(this);
    timer_->setInterval(kMainTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &MainWindow::on_timer);
    hot_key_ = new GlobalHotKey(this);
    connect(hot_key_, &GlobalHotKey::activated, this, &MainWindow::on_hot_key);
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this](QScreen* screen) { keep_notes_on_screens(screen); });
    connect(qApp, &QGuiApplication::screenAdded, this,
            [this](QScreen*) { keep_notes_on_screens(); });
}

MainWindow::~MainWindow() {
    // Note windows are children; they go with this window and write nothing on the way.
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

// ---- Start-up.

bool MainWindow::start() {
    // Notes come and go; the program stays until the user exits it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!claim_settings_file()) {
        return false;
    }
    // Caught from here on, and answered once the event loop runs, when the notes are up: a
    // signal that came while they were being restored used to end the program unsaved.
    watch_session_end();
    upgrade_settings_file();
    // The home-page shortcut is a Windows Internet shortcut file; Linux has none.
    setWindowTitle(kMainWindowTitle);
    hide();

    const NoteStore& store = services_.store();
    // The notes are restored from the file as it is now, read once.
    const ProfileFile::Snapshot snapshot(store.ini_path());
    read_start_settings(store);
    count_program_start();
    restore_notes();
    if (note_count_ == 0) {
        // First start, or every note was deleted: one empty note.
        place_note(nullptr, true);
        store.settings().set_number(Setting::NumberOfNotes, note_count_);
        made_empty_note_ = true;
    }

    // Connected after the modules' tick slots, which are wired before the start: a tick takes
    // its notes before the check or read it makes due.
    connect(this, &MainWindow::tick, this, &MainWindow::count_intervals);
    timer_->start();
    emit started();
    if (!store.settings().flag(Setting::DisableHotkey)) {
        hot_key_->register_alt_key(kKeysymN);  // a key held by another program stays silent
    }
    refresh_visible_notes();
    NoteWindow* first_shown = nullptr;
    for (NoteWindow* note : notes()) {
        if (note->isVisible()) {
            first_shown = note;
            break;
        }
    }
    finish_start_after_paint(first_shown);
    return true;
}

// Making the tray icon asks the desktop (D-Bus, the X server's tray selection) and draws the
// menu's pictures: a third of a start with one note. The notes are shown first.
void MainWindow::finish_start_after_paint(NoteWindow* note) {
    if (note == nullptr) {
        QTimer::singleShot(0, this, &MainWindow::finish_start);
        return;
    }
    first_painted_ = note;
    note->installEventFilter(this);
    // A window that is never exposed (a desktop that keeps it unmapped) does not hold the
    // rest back for long.
    QTimer::singleShot(kFinishStartLimitMs, this, &MainWindow::finish_start);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == first_painted_ && event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        first_painted_ = nullptr;
        // After the paint has reached the screen.
        QTimer::singleShot(0, this, &MainWindow::finish_start);
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::finish_start() {
    if (start_finished_ || closed_) {
        return;
    }
    start_finished_ = true;
    if (first_painted_) {
        first_painted_->removeEventFilter(this);
        first_painted_ = nullptr;
    }
    build_tray();
    // Shown even without a tray: a panel that starts after us can still take the icon.
    tray_->show();
    emit start_finished();
#ifdef __GLIBC__
    // What the start used only for a moment (the settings file's text, the first paint's
    // buffers, font and icon loading) lies freed between what stays; the allocator keeps it
    // resident until told, half a megabyte on a start with one note.
    malloc_trim(0);
#endif
}

void MainWindow::tell_no_tray_once() {
    const Settings settings = services_.store().settings();
    if (QSystemTrayIcon::isSystemTrayAvailable() || settings.flag(Setting::NoTrayNoticeShown)) {
        return;
    }
    // Recorded before it shows, so no later start repeats it, whatever becomes of this one.
    settings.set_flag(Setting::NoTrayNoticeShown, true);
    std::fprintf(stderr, "%s\n", kMsgNoTray);
    const QString text = QString::fromUtf8(kMsgNoTray);
    show_desktop_notice(QString::fromUtf8(kAppName), QStringLiteral("korvadesk"),
                        QString::fromUtf8(kNoTrayNoticeSummary), text, [this, text](bool shown) {
                            if (!shown && !closed_) {
                                services_.boxes().tell(nullptr, QMessageBox::Information, text);
                            }
                        });
}

bool MainWindow::claim_settings_file() {
    // The version is the first thing written, so a file that cannot be written ends the start
    // with this one message instead of a failure report for every theme record before it. An
    // unchanged version is not written again, so the file and its folder are also tested for
    // writing: a read-only store would otherwise only show up as lost notes.
    if (ProfileFile::writable(services_.store().ini_path()) &&
        services_.store().settings().write(Setting::Version, store_texts::kVersionLabel)) {
        return true;
    }
    // Also on standard error, for whoever started the program from a terminal.
    std::fprintf(stderr, "%s\n", kMsgCannotWriteIni);
    services_.boxes().tell(nullptr, QMessageBox::Critical, QString::fromUtf8(kMsgCannotWriteIni));
    return false;
}

void MainWindow::read_start_settings(const NoteStore& store) {
    const Settings settings = store.settings();
    services_.set_show_scroll_bar(settings.flag(Setting::ShowScrollBar));

    // Missing switches are written with their defaults at start.
    settings.filled(Setting::AskBeforeDelete);
    if (flag_of(Setting::ReadNetworkOnStart, settings.filled(Setting::ReadNetworkOnStart))) {
        emit network_read_requested();
    }
    if (flag_of(Setting::CheckEmailOnStart, settings.filled(Setting::CheckEmailOnStart))) {
        emit email_check_due();
    }
    set_intervals(settings.number(Setting::CheckEmailInterval),
                  settings.number(Setting::ReadNetworkInterval));
}

void MainWindow::watch_session_end() {
    termination_ = new TerminationSignals(this);
    connect(termination_, &TerminationSignals::termination_requested, this,
            [this](int) { close_for_session_end(); });
    // At logout the session manager first asks for the data, then ends the program.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { save_all_notes(ErrorDisplay::StandardError); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!closed_) {
            close_for_session_end();
        }
    });
}

void MainWindow::upgrade_settings_file() {
    const NoteStore& store = services_.store();
    if (store.settings().text(Setting::IniUpdate) != store_texts::kIniUpdateDone) {
        write_builtin_themes(store);
        store.settings().set_text(Setting::IniUpdate, store_texts::kIniUpdateDone);
    }
}

void MainWindow::count_program_start() {
    const Settings settings = services_.store().settings();
    const std::string starts = settings.text(Setting::NmbOfProgramStarts);
    if (starts.empty()) {
        settings.set_number(Setting::NmbOfProgramStarts, 0);
        return;
    }
    const int n = number_of(Setting::NmbOfProgramStarts, starts);
    if (n < kProgramStartsBeforeCleaning) {
        settings.set_number(Setting::NmbOfProgramStarts, n + 1);
        return;
    }
    emit periodic_cleaning_due();
    settings.set_number(Setting::NmbOfProgramStarts, 0);
}

void MainWindow::restore_notes() {
    note_count_ = 0;
    // Every note starts from the default look: read once for all of them.
    services_.hold_default_look(true);
    std::optional<SmallProgramIcon> small_icon(std::in_place);
    const NotesToRestore plan = notes_to_restore(services_.store());
    // Every note is written under its new number in one replace of the file, together with
    // the removal of the old numbers and the new count.
    StoreTransaction tx(services_.store());
    std::vector<std::pair<QPointer<NoteWindow>, NoteRecord>> restored;
    const RenumberResult result = renumber_notes(
        services_.store(), plan,
        [this, &restored](const NoteRecord& record, int new_number) -> std::optional<NoteRecord> {
            auto* note = new NoteWindow(this, new_number, services_);
            adopt_note(note);
            note_count_ = new_number - 1;
            place_note(note, false);
            if (!note->create_from_record(record, false, false)) {
                return std::nullopt;  // expired: it deleted itself
            }
            restored.emplace_back(note, note->note().to_record());
            return restored.back().second;
        },
        tx);
    services_.hold_default_look(false);
    small_icon.reset();
    note_count_ = result.count;
    if (tx.commit(store_texts::kErrorWritingNote)) {
        // Each note knows what the file holds of it, so its first autosave writes only a
        // real change.
        for (const auto& [note, record] : restored) {
            if (note) {
                note->note().record_written(record);
            }
        }
    }
    if (plan.repaired) {
        report_repaired_count(plan, result.count);
    }
}

void MainWindow::report_repaired_count(const NotesToRestore& plan, int restored) {
    // The stored text may hold anything; control bytes never reach the terminal.
    std::string shown = plan.stored;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    if (plan.highest == 0) {
        std::fprintf(stderr, kMsgCountRepairedNoNotes, shown.c_str());
    } else {
        std::fprintf(stderr, kMsgCountRepaired, shown.c_str(), restored, plan.highest);
    }
    std::fputc('\n', stderr);
}

void MainWindow::refresh_visible_notes() {
    for (NoteWindow* note : notes()) {
        if (note->isVisible()) {
            note->refresh();
        }
    }
}

// ---- Notes.

QList<NoteWindow*> MainWindow::notes() const {
    QList<NoteWindow*> out;
    for (NoteWindow* note : findChildren<NoteWindow*>(Qt::FindDirectChildrenOnly)) {
        if (!note->note().deleted()) {
            out.push_back(note);
        }
    }
    return out;
}

std::vector<NoteView*> MainWindow::note_views() const {
    std::vector<NoteView*> out;
    for (NoteWindow* note : notes()) {
        out.push_back(note);
    }
    return out;
}

NoteWindow* MainWindow::create_note() {
    keep_program_icon_small();
    auto* note = new NoteWindow(this, 0, services_);
    adopt_note(note);
    return note;
}

void MainWindow::keep_program_icon_small() {
    // As while notes are restored: each new window would be sent the program's six sizes
    // first, the costliest part of showing a received note. Changing the program's icon
    // touches every window, so it changes once for the burst, not for each note.
    if (!program_icon_) {
        program_icon_ = QApplication::windowIcon();
        QApplication::setWindowIcon(app_icon({16, 32}));
    }
    program_icon_back_->start();
}

void MainWindow::adopt_note(NoteWindow* note) {
    if (note == nullptr || note->property("kd_adopted").toBool()) {
        return;
    }
    note->setProperty("kd_adopted", true);
    connect(note, &NoteWindow::hidden_by_user, this, &MainWindow::enable_show_all);
    connect(note, &NoteWindow::restored_hidden, this, &MainWindow::enable_show_all);
    connect(
        note, &NoteWindow::placement_requested, this,
        [this](NoteWindow* n) { place_note(n, true); }, Qt::DirectConnection);
    connect(note, &NoteWindow::off_screen, this, &MainWindow::show_off_screen_note,
            Qt::DirectConnection);
    connect(note, &NoteWindow::note_deleted, this, &MainWindow::note_deleted);
}

void MainWindow::show_off_screen_note(NoteWindow* note) {
    QRect screen(0, 0, 1024, 768);
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == leaving_screen_) {
        for (QScreen* s : QGuiApplication::screens()) {
            if (s != leaving_screen_) {
                primary = s;
                break;
            }
        }
    }
    if (primary != nullptr && primary != leaving_screen_) {
        screen = primary->geometry();
    }
    const QSize size = note->note().rolled_up() ? note->unrolled_rect().size() : note->size();
    const ScreenPoint at = cascade_place_on_screen(
        cascade_, kNoteTemplateLeft, kNoteTemplateTop, size.width(), size.height(), screen.x(),
        screen.y(), screen.width(), screen.height(), shown_note_corners(note));
    note->move(at.x, at.y);
}

std::vector<ScreenPoint> MainWindow::shown_note_corners(const NoteWindow* except) const {
    std::vector<ScreenPoint> corners;
    for (const NoteWindow* other : notes()) {
        if (other != except && other->isVisible()) {
            corners.push_back({other->x(), other->y()});
        }
    }
    return corners;
}

void MainWindow::keep_notes_on_screens(const QScreen* leaving) {
    leaving_screen_ = leaving;
    for (NoteWindow* note : notes()) {
        note->keep_on_current_screens(leaving);
    }
    leaving_screen_ = nullptr;
}

NoteWindow* MainWindow::place_note(NoteWindow* note, bool show) {
    const NoteStore& store = services_.store();
    if (show && !busy_) {
        emit new_note_placing();
    }
    // Bringing this window to the front does nothing visible: it is never shown.
    ++note_count_;
    const bool created = note == nullptr;
    if (created) {
        note = new NoteWindow(this, note_count_, services_);
        adopt_note(note);
    }
    note->note().set_number(note_count_);
    if (!show) {
        return note;
    }
    int default_w = 0;
    int default_h = 0;
    if (created) {
        default_w = store.settings().number(Setting::DefaultWidth);
        default_h = store.settings().number(Setting::DefaultHeight);
    }
    const bool use_default_size = default_w != 0 && default_h != 0;
    // The run must end before the note as it will be shown comes near the screen's edge.
    const QSize size = use_default_size ? QSize(default_w, default_h) : note->size();
    QRect screen(0, 0, 1024, 768);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->geometry();
    }
    if (auto target =
            cascade_place(cascade_, note->x(), note->y(), size.width(), size.height(),
                          screen.width(), screen.height(), true, shown_note_corners(note))) {
        note->move(target->x, target->y);
    }
    if (os_uses_transparency(services_.paths().OsLabel)) {
        note->setWindowOpacity(0.0);
    }
    note->show();
    if (created) {
        if (use_default_size) {
            note->resize(default_w, default_h);
        } else {
            const QRect frame = note->frameGeometry();
            store.settings().set_default_size(std::to_string(frame.width()),
                                              std::to_string(frame.height()));
        }
        if (store.settings().flag(Setting::RandomThemes)) {
            emit random_theme_wanted(note);
        }
        note->note().set_border(store.default_border() == store_texts::kYes);
    }
    return note;
}

void MainWindow::enable_show_all() {
    menu_state_.enable_show_all();
    sync_menu();
}

// ---- Commands.

void MainWindow::run_modal_command(int id, void (MainWindow::*request)()) {
    if (!command_available(id)) {
        return;
    }
    menu_state_.set_dialog_open(id, true);
    sync_menu();
    emit(this->*request)();
    menu_state_.set_dialog_open(id, false);
    sync_menu();
}

void MainWindow::about() {
    run_modal_command(kCmdAbout, &MainWindow::about_requested);
}

void MainWindow::open_settings() {
    // The settings dialog refreshes the visible notes when it ends with its save button.
    run_modal_command(kCmdSettings, &MainWindow::settings_requested);
}

void MainWindow::new_note() {
    NoteWindow* note = place_note(nullptr, true);
    services_.store().settings().set_number(Setting::NumberOfNotes, note_count_);
    menu_state_.enable_hide_all();
    sync_menu();
    note->refresh();
    // The user asked for this note to write in it: what they type next belongs there.
    note->take_keyboard();
}

void MainWindow::show_all() {
    const Settings settings = services_.store().settings();
    if (settings.flag(Setting::ShowAllPasswordYesNo) &&
        isSignalConnected(QMetaMethod::fromSignal(&MainWindow::show_all_password_requested))) {
        const std::string stored = settings.show_all_password();
        std::string typed;
        DialogEnd end = DialogEnd::Cancel;
        emit show_all_password_requested(&end, &typed);
        if (end == DialogEnd::Cancel) {
            return;
        }
        if (end == DialogEnd::Ok && typed != stored) {
            services_.boxes().tell(nullptr, QMessageBox::Critical,
                                   QString::fromUtf8(kMsgWrongPassword));
            return;
        }
    }
    // Each shown note saves its hidden state, all of them in one replace of the file.
    std::vector<Note*> shown;
    for (NoteWindow* note : notes()) {
        if (!note->isVisible()) {
            note->set_shown(true);
            shown.push_back(&note->note());
        }
    }
    StoreTransaction tx(services_.store());
    write_notes(tx, shown, store_texts::kErrorWritingNote);
    menu_state_.after_show_all();
    sync_menu();
}

void MainWindow::hide_all() {
    // Each note saves its hidden state; all of them go to the file in one replace.
    std::vector<Note*> hidden;
    for (NoteWindow* note : notes()) {
        if (note->isVisible()) {
            note->set_shown(false);
            hidden.push_back(&note->note());
        }
    }
    StoreTransaction tx(services_.store());
    write_notes(tx, hidden, store_texts::kErrorWritingNote);
    menu_state_.after_hide_all();
    sync_menu();
}

void MainWindow::show_note(NoteWindow* note) {
    if (!note->isVisible()) {
        note->show_hide_message(true);  // written at once, as the note's own Show does
        menu_state_.enable_hide_all();
        sync_menu();
    }
    note->raise();
    note->take_keyboard();
}

void MainWindow::bring_up_note(NoteWindow* note, const QString& query) {
    if (note->note().rolled_up()) {
        note->toggle_roll();
    }
    show_note(note);
    const std::string text = note->body_plain_text();
    if (const std::optional<TextSpan> span = find_in_text(text, query.toStdString())) {
        QTextCursor cursor = note->body()->textCursor();
        cursor.setPosition(static_cast<int>(span->begin));
        cursor.setPosition(static_cast<int>(span->end), QTextCursor::KeepAnchor);
        note->body()->setTextCursor(cursor);
        note->body()->ensureCursorVisible();
    }
}

// ---- Tray, hot key, second copy, timer.

bool MainWindow::hot_key_registered() const {
    return hot_key_->is_registered();
}

void MainWindow::retake_hot_key(bool take) {
    hot_key_->unregister();
    if (take) {
        hot_key_->register_alt_key(kKeysymN);
    }
}

void MainWindow::on_hot_key() {
    if (!busy_ && !closed_) {
        new_note();
    }
}

void MainWindow::activate_from_second_copy() {
    // Without a tray there is no other way back to hidden notes: starting the program again
    // is how the user asks for them.
    if (!closed_ && !QSystemTrayIcon::isSystemTrayAvailable()) {
        show_all();
    }
    // The main window is never shown; the user started the program again to see their
    // notes, so bring the visible ones to the front.
    for (NoteWindow* note : notes()) {
        if (note->isVisible()) {
            note->raise();
        }
    }
}

// Time between ticks, off unless QT_LOGGING_RULES="korvadesk.tick.debug=true" (load tests).
Q_LOGGING_CATEGORY(lcTick, "korvadesk.tick", QtWarningMsg)

void MainWindow::on_timer() {
    if (lcTick().isDebugEnabled()) {
        qCDebug(lcTick, "%lld ms",
                tick_clock_.isValid() ? tick_clock_.restart() : (tick_clock_.start(), 0LL));
    }
    emit tick();
}

void MainWindow::set_intervals(int check_email_minutes, int read_network_minutes) {
    intervals_.set_intervals(check_email_minutes, read_network_minutes);
}

void MainWindow::count_intervals() {
    const IntervalTicks::Due due = intervals_.tick();
    if (due.email_check) {
        emit email_check_due();
    }
    if (due.network_read) {
        emit network_read_requested();
    }
}

}  // namespace kd
