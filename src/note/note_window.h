// One sticky note on the desktop: a frameless top-level window owned by the hidden main
// window, with a 20-pixel title strip (title, icons, close button) over a rich-text body. It
// is the view and controller of one Note: it shows what changes of the note (NoteObserver),
// holds the body's text and the place and size the record keeps (NoteSurface), and tells the
// note what the user changed. The note writes its record at the save moments (focus leaving
// the body, a menu opening, rolling by double click, hiding, the reminders) and, so that a
// crash or a lost X connection loses nothing, shortly after any change of what the record
// holds: text, title, look, place, size, roll-up (AutosaveSchedule decides when).
//
// The class is written in several files, one concern each: note_window.cpp (building, layout,
// painting, rolling, status, showing, hiding, deleting), note_title_strip.cpp (the title),
// note_window_frame.cpp (moving and sizing with the mouse, screens, the menus' mouse input),
// note_window_fade.cpp (the opacity rule; NoteFade does the fading),
// note_window_record.cpp (the record round trip) and note_window_autosave.cpp (saving after
// changes).
#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "note/note.h"
#include "note/note_body.h"
#include "note/note_geometry.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "reminders/alarm.h"
#include "store/note_record.h"

class QScreen;
class QTimer;

namespace kd {

class AutosaveTimer;

class NoteTitleLabel;
class NoteIcon;
class NoteMenus;
class NoteFade;

using NoteBodyWidget = NoteBody;

class NoteWindow : public QWidget, public NoteView, private NoteSurface, private NoteObserver {
    Q_OBJECT

public:
    // Builds a new note with the default theme and the default title, hidden. `owner` is
    // the main window (may be null in tests); `number` the NoteID (0 until the main window
    // numbers it).
    NoteWindow(QWidget* owner, int number, NoteServices& services);
    ~NoteWindow() override;

    Note& note() override { return note_; }
    const Note& note() const override { return note_; }
    NoteServices& services() const override { return services_; }
    QWidget* widget() override { return this; }

    // Fills the window from a stored, received or imported record. Restored notes
    // (placed_as_new false) are positioned, rolled up, hidden or shown here. Placed-as-new
    // notes emit placement_requested (connect it directly: the main window numbers, places
    // and shows the note) and then take the record's size. Returns false when the note
    // deleted itself during set-up (an expired note). A restored note writes nothing to the
    // store while it is built: the caller stores what the note's to_record gives, or removes
    // the section when this returns false, all in one write.
    bool create_from_record(const NoteRecord& from, bool placed_as_new, bool imported) override;

    // "Import note": the record's colours, fonts, title, body, size and border replace the
    // note's; its place, roll-up and hidden state stay. The expiration is dropped, the alarm
    // taken and tested at once. Nothing is written here: the next save does.
    void import_record(const NoteRecord& from) override;

    // Writes the whole state as the note's record into the note store, or appended to the
    // export file `target_file` when it is not empty. Does nothing once deletion started.
    // Returns false when the write failed (the store has reported it).
    bool save_state(const std::string& target_file = {}) override;

    // ---- The body's content (NoteView).
    std::string body_rtf() const override;
    std::string body_plain_text() const override;
    std::unique_ptr<QTextDocument> body_document() const override;
    void set_body_rtf(const std::string& rtf) override;
    void set_body_text(const std::string& utf8) override;
    QImage picture() override;

    // A note that no current screen shows (its monitor is away) keeps its place for the record
    // and asks to be shown where new notes go (off_screen); one whose kept place is on a screen
    // again goes back there. `leaving` is a screen on its way out.
    void keep_on_current_screens(const QScreen* leaving = nullptr);
    // The place the record keeps while the note is shown elsewhere.
    std::optional<QPoint> kept_position() const { return kept_position_; }
    // The note's top-left corner as its record keeps it: where the program or the user put
    // it, or where the window system moved it once the X server confirmed the move.
    QPoint place() const;

    void roll_up();
    void roll_down();
    void toggle_roll();  // saves before and after, as the double click on the title does

    // Fades the window out on a timer (the UI thread keeps running), then calls `done`.
    // Without fading for this system the call is immediate.
    void fade_out(std::function<void()> done = {});

    // Asks (when `ask` and AskBeforeDelete is "Yes"), removes the record, fades and
    // destroys the window (deleteLater). Returns false when the user said No.
    bool delete_note(bool ask) override;
    void hide_note();

    // Shows (true) or hides (false) the note and saves its hidden state.
    Q_INVOKABLE void show_hide_message(bool show);
    // The same without the save, for callers that save many notes at once ("Show all notes"
    // and "Hide all notes" of the main window, through write_notes).
    void set_shown(bool show);

    // The title of today's date in the DefaultDateFormat.
    void set_date_title();

    void relayout();

    // After start-up, after the settings changed and on "Show all notes": close button by
    // ShowCloseButton, layout, expiry/alarm texts, fully opaque.
    void refresh();

    // Expiry and alarm checks; they read the time from the services' clock.
    // check_expiration deletes an expired note without a question and returns true then.
    // check_alarm rings a due alarm (shows a hidden note, leaving it hidden for the record,
    // brings it to the front, asks for the sound), empties a passed one-time alarm and saves;
    // it is also what runs after an import has replaced the note's content.
    bool check_expiration();
    void check_alarm();
    // What the 20-second timer does: the expiry check and, while the note lives, the alarm
    // check. True when the note deleted itself.
    bool reminder_tick();
    bool alarm_icon_ringing() const;

    void bring_to_front();
    // A note the user just asked for: raised and activated, with the caret in its body, so
    // that typing goes there (also when the key that made it went to another window).
    void take_keyboard();
    void set_activates_when_brought_to_front(bool on) override {
        activates_when_brought_to_front_ = on;
    }

    // Stay on top: not stored in the record.
    void toggle_stay_on_top();

    QRect unrolled_rect() const { return unrolled_rect_; }
    NoteBodyWidget* body() const { return body_; }
    // The body, title and close-button menus.
    NoteMenus* menus() const { return menus_; }
    QWidget* expiration_icon() const;
    QWidget* alarm_icon() const;
    // Places the expiration and alarm icons for the current state.
    void place_reminder_icons();

    // Frames shown by the last fade_out (0 when this system does not fade).
    int last_fade_frames() const;

signals:
    // The user hid this note: the main window enables "Show all notes".
    void hidden_by_user();
    // Restored hidden at start: the main window enables "Show all notes".
    void restored_hidden();
    // Handing a placed-as-new note to the main window (numbering, placement, show).
    void placement_requested(kd::NoteWindow* note);
    // The note started deleting itself (its record is gone); the window follows.
    void note_deleted(int number);
    // Right button released over the title strip; the title menu opens next, and the note
    // saves itself as it does.
    void title_menu_requested(QPoint global_pos);
    // The note lies on no current screen: the main window shows it where new notes go.
    void off_screen(kd::NoteWindow* note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // NoteSurface: the record's parts that the window holds.
    NoteFrame record_frame() const override;
    // NoteObserver: shows what changed of the note.
    void note_changed(NoteChange change) override;

    void build_children();
    void apply_default_title();
    void apply_taskbar_setting();
    void show_title_look();
    // The roll-down, status and reminder icons are made when first needed (most notes never
    // show them), with the title strip's look of the moment; `icon` is one of their members.
    NoteIcon* made_icon(NoteIcon*& icon);
    void show_title_text();
    void place_close_button(int x, int y);
    void place_child(QWidget* child, int x, int y);
    int frame_px() const;  // 1 while the thin border is drawn
    QSize client_size() const;
    void show_border();
    void show_status_icon_for_first_marker(bool rolled);
    // The status icon shows the mark of `kind`.
    void show_status_icon(int kind, bool rolled);
    void show_latest_status();
    void show_received_from();
    void show_with_opacity_rule();
    void refresh_reminder_texts();
    bool take_reminders(const NoteRecord& record, bool placed_as_new, bool imported);
    // The record's title and body looks and title text; with its body text as well.
    void take_record_look(const NoteRecord& record);
    void apply_record_look(const NoteRecord& record);
    void carry_out(const AlarmCheck& check);
    void ring_alarm(bool sound);
    void on_timer();
    void on_close_clicked();
    void start_autosave();
    // A move the window system reported is believed once the X server says the same; a
    // report it contradicts is put right.
    void confirm_reported_move();
    HitZone zone_at(const QPoint& global) const;
    bool in_title_strip(const QPoint& local) const;
    QRect work_area() const;

    NoteServices& services_;
    Note note_;
    bool thin_border_ = false;  // drawn border: the flag, or rolled up
    bool destroying_ = false;
    int shown_status_ = -1;  // the mark the status icon shows
    // The title look the strip shows: set again unchanged, it sets nothing (palettes and
    // fonts of six widgets, each repolished).
    std::optional<TextLook> shown_title_look_;
    QRect unrolled_rect_;
    bool activates_when_brought_to_front_ = true;

    NoteTitleLabel* title_label_ = nullptr;
    NoteBodyWidget* body_ = nullptr;
    NoteIcon* roll_down_icon_ = nullptr;
    NoteIcon* close_button_ = nullptr;
    NoteIcon* status_icon_ = nullptr;
    NoteIcon* expiration_icon_ = nullptr;
    NoteIcon* alarm_icon_ = nullptr;
    NoteMenus* menus_ = nullptr;
    // The window's own timers, not timer objects: a hundred notes made two hundred of them.
    QBasicTimer note_timer_;
    std::unique_ptr<NoteFade> fade_;

    // Mouse tracking for moving and sizing the frameless window ourselves.
    enum class Drag { None, Move, Size };
    Drag drag_ = Drag::None;
    HitZone drag_zone_ = HitZone::Client;
    QPoint drag_start_global_;
    QRect drag_start_rect_;

    std::optional<QPoint> kept_position_;
    // A move reported by the window system and not yet confirmed; the place before it.
    bool move_unconfirmed_ = false;
    QPoint place_before_report_;
    QBasicTimer move_check_;  // single shot
    int corrections_ = 0;
    bool move_settled_ = false;  // the second look at a reported move is due

    std::unique_ptr<AutosaveTimer> autosave_timer_;
};

// The rectangles of the screens there are now, without `leaving`.
std::vector<NoteRect> current_screen_rects(const QScreen* leaving = nullptr);

}  // namespace kd
