#include "note/note.h"

#include <atomic>
#include <utility>

#include "note/note_geometry.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "store/store_texts.h"

namespace kd {

namespace {

// One sequence for every note: a revision names one state of one note.
std::uint64_t next_revision() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

std::string yes_no(bool on) {
    return std::string(on ? store_texts::kYes : store_texts::kNo);
}

}  // namespace

Note::Note(const NoteStore& store, const NoteSurface& surface, int number)
    : store_(store), surface_(surface), number_(number), revision_(next_revision()) {}

Note::~Note() = default;

void Note::notify(NoteChange change) {
    if (observer_ != nullptr) {
        observer_->note_changed(change);
    }
}

// ---- The record ---------------------------------------------------------------------------

void Note::set_title_text(const std::string& text) {
    title_text_ = text;
    notify(NoteChange::TitleText);
    changed();
}

void Note::set_title_look(const TextLook& look) {
    title_look_ = look;
    notify(NoteChange::TitleLook);
    changed();
}

void Note::set_title_alignment(char letter) {
    title_look_.style = with_alignment_letter(title_look_.style, letter);
    notify(NoteChange::TitleLook);
    set_title_text(aligned_title_text(title_text_, letter));
}

void Note::apply_title_alignment() {
    const char letter = parse_style_letters(title_look_.style).align;
    if (letter != 0) {
        set_title_alignment(letter);
    }
}

void Note::set_body_look(const TextLook& look, bool colours_only) {
    body_look_ = look;
    notify(colours_only ? NoteChange::BodyColours : NoteChange::BodyLook);
    changed();
}

void Note::take_body_look(const TextLook& look) {
    body_look_ = look;
    changed();
}

void Note::set_border(bool on) {
    border_ = on;
    notify(NoteChange::Border);
    changed();
}

void Note::apply_alarm(const std::string& value) {
    if (deleted_) {
        return;
    }
    alarm_ = value;
    save();
    notify(NoteChange::Reminders);
}

void Note::apply_expiration(const std::string& value) {
    if (deleted_) {
        return;
    }
    expiration_ = value;
    save();
    notify(NoteChange::Reminders);
}

NoteRecord Note::to_record() const {
    NoteRecord r;
    put_body_look(r, body_look_);
    r.EditText = surface_.body_rtf();
    put_title_look(r, title_look_);
    r.TitleText = title_text_;
    r.NoteID = number_;
    const NoteFrame frame = surface_.record_frame();
    r.Top = frame.top;
    r.Left = frame.left;
    r.Width = frame.width;
    r.Height = frame.height;
    r.Minimized = yes_no(rolled_up_);
    r.Border = yes_no(border_);
    r.Hidden = yes_no(hidden_);
    r.Expiration = expiration_;
    r.Alarm = alarm_;
    return r;
}

void Note::take_record_look(const NoteRecord& record) {
    set_body_look(body_look_of(record));
    title_look_ = title_look_of(record);
    set_title_text(record.TitleText);
    notify(NoteChange::TitleLook);
    apply_title_alignment();
}

// ---- For the run ------------------------------------------------------------------------------

void Note::set_status(NoteStatus kind) {
    status_[static_cast<int>(kind)] = true;
    latest_status_ = kind;
    notify(NoteChange::Status);
}

void Note::set_received_from(const std::string& text) {
    received_from_ = text;
    notify(NoteChange::ReceivedFrom);
}

// ---- Saving -----------------------------------------------------------------------------------

void Note::mark_deleted() {
    if (deleted_) {
        return;
    }
    deleted_ = true;
    if (!restoring_) {
        store_.delete_record(number_);
    }
}

void Note::stop_saving() {
    stopped_ = true;
    autosave_.reset();
}

void Note::begin_filling(bool restoring) {
    filling_ = true;
    restoring_ = restoring;
}

void Note::end_filling() {
    filling_ = false;
    restoring_ = false;
}

bool Note::save() {
    if (!saves_state() || restoring_) {
        return true;
    }
    NoteRecord record = to_record();
    if (!store_.write_record(record)) {
        return false;
    }
    record_written(record);
    return true;
}

void Note::record_written(const NoteRecord& record) {
    last_written_ = record;
    autosave_failed_ = false;
    if (autosave_) {
        autosave_->written();
    }
}

void Note::start_autosave(AutosaveTimer& timer, AutosaveDelays delays, AutosaveSchedule::Now now) {
    autosave_ = std::make_unique<AutosaveSchedule>(
        timer, std::move(now), [this] { return autosave(); }, delays);
}

void Note::changed() {
    revision_ = next_revision();
    if (autosave_ && !filling_ && saves_state()) {
        autosave_->changed();
    }
}

void Note::set_composing(bool on) {
    if (autosave_) {
        autosave_->set_composing(on);
    }
}

void Note::autosave_timer_ran_out() {
    if (autosave_) {
        autosave_->timer_ran_out();
    }
}

bool Note::autosave_pending() const {
    return autosave_ && autosave_->pending();
}

bool Note::autosave() {
    // A note not numbered yet has no record to write.
    if (!saves_state() || restoring_ || number_ <= 0 || number_ > store_texts::kHighestRecord) {
        return true;
    }
    NoteRecord record = to_record();
    if (last_written_ && *last_written_ == record) {
        return true;
    }
    // The write reports its own failure only once in a row: the autosave tries again after
    // every pause in the typing, and a box each time would stand in the user's way.
    StoreTransaction tx(store_);
    tx.write_record(record);
    if (!tx.commit()) {
        if (!autosave_failed_) {
            autosave_failed_ = true;
            store_.errors().report(std::string(store_texts::kErrorWritingNote));
        }
        return false;
    }
    autosave_failed_ = false;
    last_written_ = std::move(record);
    return true;
}

bool write_notes(StoreTransaction& tx, const std::vector<Note*>& notes,
                 std::string_view error_text) {
    std::vector<std::pair<Note*, NoteRecord>> written;
    for (Note* note : notes) {
        if (note != nullptr && note->saves_state()) {
            written.emplace_back(note, note->to_record());
            tx.write_record(written.back().second);
        }
    }
    if (!tx.commit(error_text)) {
        return false;
    }
    for (const auto& [note, record] : written) {
        note->record_written(record);
    }
    return true;
}

}  // namespace kd
