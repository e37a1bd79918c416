// One note without its window: what its record holds (title, looks, flags, reminders), what it
// carries for the run (send marks, reply address, stay on top) and when it writes itself to
// the store: at once at a save moment, or shortly after a change (AutosaveSchedule).
//
// The window that shows the note holds the two parts of the record that live on the screen,
// the body's rich text and the place and size (NoteSurface), renders what changes here
// (NoteObserver) and tells the note what the user changed there. Parts above the notes work on
// the note through its window's NoteView. Standard library only: the rules are tested without
// a display.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "note/autosave_schedule.h"
#include "note/text_look.h"
#include "store/note_record.h"

namespace kd {

class NoteStore;
class StoreTransaction;

enum class NoteStatus { Received = 0, Sent = 1, SendFailed = 2 };

// What changed of a note, for the window that shows it.
enum class NoteChange {
    TitleText,
    TitleLook,
    BodyLook,     // the whole default look of the body
    BodyColours,  // the body's default look, shown for its background only
    Border,
    Status,  // a send mark was set (latest_status)
    ReceivedFrom,
    Reminders,  // alarm or expiration
};

class NoteObserver {
public:
    virtual ~NoteObserver() = default;
    virtual void note_changed(NoteChange change) = 0;
};

// Where a note stands, as its record keeps it.
struct NoteFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;  // unrolled
};

// The parts of a note's record that its window holds.
class NoteSurface {
public:
    virtual ~NoteSurface() = default;
    virtual std::string body_rtf() const = 0;
    virtual NoteFrame record_frame() const = 0;
};

class Note {
public:
    // `number` is the NoteID: 0 until the host numbers the note.
    Note(const NoteStore& store, const NoteSurface& surface, int number);
    ~Note();
    Note(const Note&) = delete;
    Note& operator=(const Note&) = delete;

    // The one observer (the window); null for none.
    void set_observer(NoteObserver* observer) { observer_ = observer; }

    int number() const { return number_; }
    void set_number(int number) { number_ = number; }

    // ---- What the record holds.
    // The title as the window shows it.
    const std::string& title_text() const { return title_text_; }
    void set_title_text(const std::string& text);
    const TextLook& title_look() const { return title_look_; }
    void set_title_look(const TextLook& look);
    // Title alignment 'L', 'C' or 'R': the style's letter, and the text with a blank before a
    // left title and after a right one.
    void set_title_alignment(char letter);
    // The alignment the title's style names, applied anew; nothing without a letter.
    void apply_title_alignment();
    const TextLook& body_look() const { return body_look_; }
    // `colours_only`: the body shows the new background alone and its text keeps the look it
    // shows until the look is applied again; the record holds the whole look at once.
    void set_body_look(const TextLook& look, bool colours_only = false);
    // The body's own commands (font, colours) changed its default look on screen.
    void take_body_look(const TextLook& look);
    bool rolled_up() const { return rolled_up_; }
    void set_rolled_up(bool on) { rolled_up_ = on; }
    bool has_border() const { return border_; }
    void set_border(bool on);
    bool hidden() const { return hidden_; }
    void set_hidden(bool on) { hidden_ = on; }
    const std::string& expiration() const { return expiration_; }
    void set_expiration(const std::string& value) { expiration_ = value; }
    const std::string& alarm() const { return alarm_; }
    void set_alarm(const std::string& value) { alarm_ = value; }
    // What the alarm and expiration dialogs chose: taken and written at once, and shown.
    void apply_alarm(const std::string& value);
    void apply_expiration(const std::string& value);
    // Timer ticks since the alarm rang; 0 while it does not ring.
    std::int16_t alarm_ring_ticks() const { return alarm_ring_ticks_; }
    void set_alarm_ring_ticks(std::int16_t ticks) { alarm_ring_ticks_ = ticks; }

    // The record save_state writes: this note's part and its window's.
    NoteRecord to_record() const;
    // The record's title and looks, the title aligned as its style says; the window takes the
    // body's text itself.
    void take_record_look(const NoteRecord& record);

    // ---- What the note carries for the run, never stored.
    bool has_status(NoteStatus kind) const { return status_[static_cast<int>(kind)]; }
    bool any_status() const { return status_[0] || status_[1] || status_[2]; }
    // Marks the note; the window shows the latest mark.
    void set_status(NoteStatus kind);
    std::optional<NoteStatus> latest_status() const { return latest_status_; }
    // Sender to reply to; empty when the note cannot be answered.
    const std::string& reply_address() const { return reply_address_; }
    void set_reply_address(const std::string& value) { reply_address_ = value; }
    // Where a received note really came from ("Received from 10.0.0.5 at 16:40").
    const std::string& received_from() const { return received_from_; }
    void set_received_from(const std::string& text);
    // A send of this note is under way: its send commands wait.
    bool sending() const { return sending_; }
    void set_sending(bool on) { sending_ = on; }
    bool stay_on_top() const { return stay_on_top_; }
    void set_stay_on_top(bool on) { stay_on_top_ = on; }

    // Changes with every change of what the record holds, the body's text included; never the
    // same for two notes, so a value seen once names one state of one note.
    std::uint64_t revision() const { return revision_; }

    // ---- Saving.
    bool deleted() const { return deleted_; }
    // False once deletion started or the window is going: the note writes nothing any more.
    bool saves_state() const { return !deleted_ && !stopped_; }
    // Deletion starts: the record leaves the store, unless a restore is building the note
    // (the restore's own write leaves it out).
    void mark_deleted();
    // The window is going: nothing is written from now on.
    void stop_saving();
    // While a record fills the note, changes are not the user's and wait for no autosave;
    // a restored note (restoring) writes nothing at all: its restorer writes it.
    void begin_filling(bool restoring);
    void end_filling();
    bool restoring() const { return restoring_; }

    // Writes the record into the store now (a save moment). False when the write failed (the
    // store has reported it); true without writing while nothing is saved.
    bool save();
    // `record` (what to_record gave) reached the store some other way (a write of many
    // notes): the note takes it as written, and a change that waited for the autosave is done.
    void record_written(const NoteRecord& record);

    // From here on changes are written `delays` after they happen; `timer` calls
    // autosave_timer_ran_out when it runs out, `now` is a monotonic clock in milliseconds.
    void start_autosave(AutosaveTimer& timer, AutosaveDelays delays, AutosaveSchedule::Now now);
    // Something the record holds changed.
    void changed();
    // An input method started (true) or stopped (false) composing in the body.
    void set_composing(bool on);
    void autosave_timer_ran_out();
    // A change waits to be written by the autosave.
    bool autosave_pending() const;

private:
    void notify(NoteChange change);
    // The autosave's write: nothing when the record is the one last written. False when the
    // write failed (reported once until a write succeeds).
    bool autosave();

    const NoteStore& store_;
    const NoteSurface& surface_;
    NoteObserver* observer_ = nullptr;
    int number_ = 0;

    std::string title_text_;
    TextLook title_look_;
    TextLook body_look_;
    bool rolled_up_ = false;
    bool border_ = false;
    bool hidden_ = false;
    std::string expiration_;
    std::string alarm_;
    std::int16_t alarm_ring_ticks_ = 0;

    bool status_[3] = {false, false, false};
    std::optional<NoteStatus> latest_status_;
    std::string reply_address_;
    std::string received_from_;
    bool sending_ = false;
    bool stay_on_top_ = false;

    std::uint64_t revision_;
    bool deleted_ = false;
    bool stopped_ = false;
    bool filling_ = false;
    bool restoring_ = false;
    std::unique_ptr<AutosaveSchedule> autosave_;
    // The record as it was last written to the store by this note or for it.
    std::optional<NoteRecord> last_written_;
    bool autosave_failed_ = false;  // reported; the next failure in a row is not
};

// Writes the records of `notes` (those that still save) with whatever else `tx` holds as one
// replace of the file, and tells each note on success. `error_text` is reported on failure.
bool write_notes(StoreTransaction& tx, const std::vector<Note*>& notes,
                 std::string_view error_text);

}  // namespace kd
