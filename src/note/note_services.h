// What note windows need from the rest of the program, in one object that the application
// makes once and hands to every note: the clock, the message boxes, the dialogs the note
// menus open, the sending side, the commands other parts carry out, and the few settings and
// states that all notes share, and the store they read and write. Parts above the notes (net,
// files, themes, ...) plug in here; nothing in it is process-wide, so every test makes its own.
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QSet>
#include <QTextBlockFormat>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "note/autosave_schedule.h"
#include "store/note_record.h"

class QMenu;
class QWidget;

namespace kd {

class BodySpelling;
class Clock;
class LibraryModules;
class MessageBoxes;
class NoteStore;
struct AppPaths;
class NoteView;

// The dialogs of the note menus; the standard ones unless a test gives its own. Each gives
// nothing on Cancel.
class NoteDialogs {
public:
    virtual ~NoteDialogs() = default;
    virtual std::optional<QFont> choose_font(QWidget* parent, const QFont& initial);
    virtual std::optional<QColor> choose_colour(QWidget* parent, const QColor& initial);
    // The title text; nothing for Cancel or for a text of blanks only.
    virtual std::optional<std::string> edit_title(QWidget* parent, const std::string& initial);
    // The paragraph dialog over the format of the caret's paragraph (its bullet state in
    // kBulletProperty); the standard one hands the format back unchanged.
    virtual std::optional<QTextBlockFormat> edit_paragraph(QWidget* parent,
                                                           const QTextBlockFormat& current);
};

// The sending side, which lives above the notes.
class NoteSendingService {
public:
    virtual ~NoteSendingService() = default;
    // The common sending procedure: marks the note, applies AfterSend and reports errors.
    // `sender` is the SentFrom setting as stored.
    virtual void send_note(NoteView& note, const std::vector<std::string>& recipients,
                           const std::string& sender) = 0;
    // The send dialog for this note ("Other ..."): nothing when cancelled or missing, else
    // whether every recipient got the note.
    virtual bool has_send_dialog() const { return false; }
    virtual std::optional<bool> send_dialog(NoteView&) { return std::nullopt; }
};

// Note e-mails, which live above the notes: step 4 of a send for the e-mail recipients.
class NoteEmailSending {
public:
    virtual ~NoteEmailSending() = default;
    // One note e-mail to all of `addresses`, with the note's picture made and removed around
    // it. `sender_identity` is the identity as chosen (empty: this computer's name). Shows
    // why a mail did not go, and returns the addresses it did not reach: all of them when it
    // was not sent (offline, logon cancelled, refused, timed out, cancelled), none after a
    // clean send.
    virtual std::vector<std::string> send_note_email(NoteView& note,
                                                     const std::vector<std::string>& addresses,
                                                     const std::string& sender_identity) = 0;
};

// Appends a note's record to an export file (numbering and index entry are the export
// file's business).
class NoteExportWriter {
public:
    virtual ~NoteExportWriter() = default;
    virtual bool write(const NoteRecord& record, const std::string& file) = 0;
};

class NoteServices : public QObject {
    Q_OBJECT
public:
    // The look of a new note: the default theme, as the themes keep it.
    using DefaultLook = std::function<NoteRecord(const NoteStore&)>;

    NoteServices(const NoteStore& store, const Clock& clock, MessageBoxes& boxes,
                 DefaultLook default_look, QObject* parent = nullptr);
    ~NoteServices() override;

    const NoteStore& store() const { return store_; }
    // The program's paths: start folder, settings files, system label.
    const AppPaths& paths() const;
    const Clock& clock() const { return clock_; }
    MessageBoxes& boxes() const { return boxes_; }
    NoteRecord default_look() const;
    // While held (the notes of the file are restored, and nothing changes the default theme
    // meanwhile), default_look() reads the default theme once and hands out that copy.
    void hold_default_look(bool hold);
    // The modules pictures, mail and sound are loaded from; until set, every one is missing.
    const LibraryModules& modules() const { return *modules_; }
    void set_modules(const LibraryModules& modules) { modules_ = &modules; }

    NoteDialogs& dialogs() const { return *dialogs_; }
    void set_dialogs(std::unique_ptr<NoteDialogs> dialogs);

    // Null while nothing sends notes.
    NoteSendingService* sending() const { return sending_; }
    void set_sending(NoteSendingService* sending) { sending_ = sending; }

    // Null while note e-mails cannot be sent.
    NoteEmailSending* email_sending() const { return email_sending_; }
    void set_email_sending(NoteEmailSending* sending) { email_sending_ = sending; }

    // Null while there is no export.
    NoteExportWriter* export_writer() const { return export_writer_; }
    void set_export_writer(NoteExportWriter* writer) { export_writer_ = writer; }

    // Menu commands carried out elsewhere (themes, alarm, expiration, files, printing), by
    // id: the item is enabled while its command is, and choosing it emits command_requested.
    void set_command_enabled(int id, bool enabled);
    bool command_enabled(int id) const { return commands_.contains(id); }

    // Shared states. The network is available until the receiving server fails.
    bool network_available() const { return network_available_; }
    void set_network_available(bool available) { network_available_ = available; }
    bool email_check_running() const { return email_check_running_; }
    void set_email_check_running(bool running) { email_check_running_ = running; }
    // ShowScrollBar as read at start; a change reaches every note body.
    bool show_scroll_bar() const { return show_scroll_bar_; }
    void set_show_scroll_bar(bool show);
    // Spell checking of note bodies; null while there is none. Taken by notes made afterwards.
    BodySpelling* spelling() const { return spelling_; }
    void set_spelling(BodySpelling* spelling) { spelling_ = spelling; }
    // CheckSpelling as the settings page stored it: check_spelling_changed tells the checker.
    void set_check_spelling(bool on) { emit check_spelling_changed(on); }
    // Set when any note released its topmost state; cleared when a note becomes topmost.
    bool stay_on_top_released() const { return stay_on_top_released_; }
    void set_stay_on_top_released(bool released) { stay_on_top_released_ = released; }
    // How soon a changed note writes itself; tests shorten it. Taken by notes made afterwards.
    AutosaveDelays autosave_delays() const { return autosave_delays_; }
    void set_autosave_delays(AutosaveDelays delays) { autosave_delays_ = delays; }

signals:
    void command_requested(int id, kd::NoteView* note);
    // The body menu of `note` opens: the saved-theme items of `theme_menu` are filled here
    // (their placeholders are hidden before); a receiver has the last word on those items.
    void theme_menu_preparing(kd::NoteView* note, QMenu* theme_menu);
    void show_scroll_bar_changed(bool show);
    void check_spelling_changed(bool on);
    // A ringing alarm with sound: the program's sound, started without waiting.
    void alarm_sound_wanted();
    // An alarm rang on `note` (after the note was shown and raised, before its sound).
    void alarm_rang(kd::NoteView* note);

private:
    const NoteStore& store_;
    const Clock& clock_;
    MessageBoxes& boxes_;
    DefaultLook default_look_;
    bool hold_default_look_ = false;
    mutable std::optional<NoteRecord> held_default_look_;
    const LibraryModules* modules_;
    std::unique_ptr<NoteDialogs> dialogs_;
    NoteSendingService* sending_ = nullptr;
    NoteExportWriter* export_writer_ = nullptr;
    NoteEmailSending* email_sending_ = nullptr;
    QSet<int> commands_;
    bool network_available_ = true;
    bool email_check_running_ = false;
    bool show_scroll_bar_ = true;
    bool stay_on_top_released_ = false;
    BodySpelling* spelling_ = nullptr;
    AutosaveDelays autosave_delays_;
};

// The main window as the notes and the parts that make notes see it: it owns, numbers and
// places every note window.
class NoteHost {
public:
    virtual ~NoteHost() = default;
    // A new note window owned by the host and connected to it, not yet numbered or shown;
    // fill it with create_from_record (placed as new).
    virtual NoteView* create_note() = 0;
    // The highest note number handed out.
    virtual int note_count() const = 0;
    // Every live note, hidden and rolled-up ones too, in the order they were made.
    virtual std::vector<NoteView*> note_views() const = 0;
};

}  // namespace kd
