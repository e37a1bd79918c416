// Saving a note shortly after it changed, so that a crash, a power cut or a lost X connection
// takes nothing typed with it. AutosaveSchedule decides when; the window tells it what
// changed and writes the record.
#include <QTimer>
#include <chrono>
#include <utility>

#include "note/autosave_schedule.h"
#include "note/note_window.h"
#include "store/error_reporter.h"
#include "store/note_store.h"
#include "store/store_texts.h"

namespace kd {

namespace {

class QtAutosaveTimer : public AutosaveTimer {
public:
    QtAutosaveTimer(QObject* owner, std::function<void()> ran_out) : timer_(owner) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, owner, std::move(ran_out));
    }
    void start(std::int64_t delay_ms) override {
        timer_.start(static_cast<int>(std::min<std::int64_t>(delay_ms, 24 * 3600 * 1000)));
    }
    void stop() override { timer_.stop(); }

private:
    QTimer timer_;
};

std::int64_t monotonic_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void NoteWindow::start_autosave() {
    autosave_timer_ = std::make_unique<QtAutosaveTimer>(this, [this] {
        if (autosave_)
            autosave_->timer_ran_out();
    });
    autosave_ = std::make_unique<AutosaveSchedule>(
        *autosave_timer_, monotonic_ms, [this] { return autosave(); }, services_.autosave_delays());
    connect(body_->document(), &QTextDocument::contentsChanged, this, [this] { note_changed(); });
    connect(body_, &NoteBody::look_changed, this, [this] { note_changed(); });
    connect(body_, &NoteBody::composing_changed, this, [this](bool composing) {
        if (autosave_)
            autosave_->set_composing(composing);
    });
}

void NoteWindow::note_changed() {
    if (autosave_ && !filling_ && saves_state())
        autosave_->changed();
}

bool NoteWindow::autosave_pending() const {
    return autosave_ && autosave_->pending();
}

bool NoteWindow::autosave() {
    // A note not numbered yet has no record to write.
    if (!saves_state() || restoring_ || number_ <= 0 || number_ > store_texts::kHighestRecord)
        return true;
    NoteRecord record = to_record();
    if (last_written_ && *last_written_ == record)
        return true;
    // The write reports its own failure only once in a row: the autosave tries again after
    // every pause in the typing, and a box each time would stand in the user's way.
    StoreTransaction tx(services_.store());
    tx.write_record(record);
    if (!tx.commit()) {
        if (!autosave_failed_) {
            autosave_failed_ = true;
            services_.store().errors().report(std::string(store_texts::kErrorWritingNote));
        }
        return false;
    }
    autosave_failed_ = false;
    last_written_ = std::move(record);
    return true;
}

void NoteWindow::record_written(const NoteRecord& record) {
    last_written_ = record;
    autosave_failed_ = false;
    if (autosave_)
        autosave_->written();
}

bool write_notes(StoreTransaction& tx, const std::vector<NoteWindow*>& notes,
                 std::string_view error_text) {
    std::vector<std::pair<NoteWindow*, NoteRecord>> written;
    for (NoteWindow* note : notes) {
        if (note != nullptr && note->saves_state()) {
            written.emplace_back(note, note->to_record());
            tx.write_record(written.back().second);
        }
    }
    if (!tx.commit(error_text))
        return false;
    for (const auto& [note, record] : written)
        note->record_written(record);
    return true;
}

}  // namespace kd
