#include "net/note_receiving.h"

#include <QLoggingCategory>

#include "platform/message_boxes.h"
#include "store/error_reporter.h"
#include "store/note_store.h"

namespace kd {

NoteReceiving::NoteReceiving(NoteHost& host, NoteServices& services, NoteReceiver::Options options,
                             QObject* parent)
    : QObject(parent),
      host_(host),
      services_(services),
      receiver_(std::make_unique<NoteReceiver>(NoteLists(services.store()), std::move(options),
                                               services.clock())) {
    // One message per pass; the pace says how many passes a tick makes.
    receiver_->set_notes_per_tick(1);
}

NoteReceiving::~NoteReceiving() {
    receiver_->stop_server();
}

void NoteReceiving::start_server() {
    receiver_->start_server();
}

void NoteReceiving::stop_server() {
    receiver_->stop_server();
}

void NoteReceiving::make_notes(const std::vector<ReceivedNote>& notes, StoreTransaction& tx) {
    for (const ReceivedNote& received : notes) {
        NoteView* note = host_.create_note();
        // Placement, bring to front and the received mark happen inside; the record carries
        // the title to show. Of several notes only the last one made is activated.
        note->set_activates_when_brought_to_front(&received == &notes.back());
        const bool made = note->create_from_record(received.record, true, false);
        note->set_activates_when_brought_to_front(true);
        if (!made) {
            continue;
        }
        // An empty reply address is what tells the Reply command that the note cannot be
        // answered.
        note->note().set_reply_address(received.shown.can_reply ? received.shown.reply_address
                                                                : std::string());
        note->note().set_received_from(received.received_from);
        unsaved_.push_back(note);
    }
    written_.clear();
    for (const NoteViewPointer& note : unsaved_) {
        if (note && note->note().saves_state()) {
            written_.emplace_back(note, note->note().to_record());
            tx.write_record(written_.back().second);
        }
    }
    tx.set_number_of_notes(host_.note_count());
}

// What each tick with notes took, off unless QT_LOGGING_RULES="korvadesk.receive.debug=true".
Q_LOGGING_CATEGORY(lcReceive, "korvadesk.receive", QtWarningMsg)

void NoteReceiving::tick() {
    using std::chrono::milliseconds;
    // Step 1 (closing the e-mail busy window) belongs to the e-mail check.
    end_burst();
    // A burst is taken at the pace the machine manages now.
    if (since_tick_.isValid()) {
        pace_.tick_started(milliseconds(since_tick_.restart()));
    } else {
        since_tick_.start();
    }
    burst_open_ = true;
    burst_passes_ = 1;
    burst_notes_ = 0;
    burst_spent_ = milliseconds(0);
    burst_sounded_ = false;
    receiver_->set_notes_per_tick(1);
    QElapsedTimer spent;
    spent.start();
    const ReceiveTickResult result = receiver_->tick(
        [this](std::vector<ReceivedNote>& notes, StoreTransaction& tx) { make_notes(notes, tx); });
    burst_spent_ += milliseconds(spent.elapsed());
    after_pass(result);
    go_on_or_end_burst(result);
}

void NoteReceiving::next_note(unsigned burst) {
    if (burst != burst_ || !burst_open_) {
        return;
    }
    ++burst_passes_;
    QElapsedTimer spent;
    spent.start();
    const ReceiveTickResult result = receiver_->take_next(
        [this](std::vector<ReceivedNote>& notes, StoreTransaction& tx) { make_notes(notes, tx); });
    burst_spent_ += std::chrono::milliseconds(spent.elapsed());
    after_pass(result);
    go_on_or_end_burst(result);
}

void NoteReceiving::go_on_or_end_burst(const ReceiveTickResult& last) {
    // A pass that took nothing found the queue empty; a failed store waits for the next tick,
    // an attack has stopped receiving.
    if (last.taken == 0 || last.store_failed || last.attack ||
        burst_passes_ >= pace_.notes_per_tick()) {
        end_burst();
        return;
    }
    // Queued behind what the event loop already holds (input, paints, the window manager's
    // pings), so those come first.
    QMetaObject::invokeMethod(
        this, [this, burst = burst_] { next_note(burst); }, Qt::QueuedConnection);
}

void NoteReceiving::end_burst() {
    if (!burst_open_) {
        return;
    }
    burst_open_ = false;
    ++burst_;
    pace_.tick_ended(burst_notes_, burst_spent_);
    if (burst_notes_ > 0) {
        qCDebug(lcReceive, "%zu notes in %zu passes, %lld ms, next tick takes up to %zu",
                burst_notes_, burst_passes_, static_cast<long long>(burst_spent_.count()),
                pace_.notes_per_tick());
    }
}

void NoteReceiving::after_pass(const ReceiveTickResult& result) {
    burst_notes_ += result.notes.size();
    if (result.store_failed) {
        // Reported once; the notes stay on screen and in the queue, and every tick tries
        // again to store them.
        if (!store_error_shown_) {
            store_error_shown_ = true;
            // After the tick, like every box of the tick: a box waits for the user in a loop
            // of its own, and from inside the tick it would hold the timer until then.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    services_.store().errors().report(std::string(store_texts::kErrorWritingNote));
                },
                Qt::QueuedConnection);
        }
    } else {
        // The notes know what the file holds of them: their autosave writes only changes.
        for (const auto& [note, record] : written_) {
            if (note) {
                note->note().record_written(record);
            }
        }
        written_.clear();
        unsaved_.clear();
        store_error_shown_ = false;
    }
    // One sound for the notes of a tick.
    if (!result.notes.empty() && result.play_sound && !burst_sounded_) {
        burst_sounded_ = true;
        emit arrival_sound_wanted();
    }
    if (!result.network_error.empty()) {
        // The server has failed: "Other ..." stays greyed from now on.
        services_.set_network_available(false);
        QMetaObject::invokeMethod(
            this,
            [this, text = QString::fromStdString(result.network_error)] {
                services_.boxes().tell(nullptr, QMessageBox::NoIcon, text);
            },
            Qt::QueuedConnection);
    }
    if (result.attack) {
        emit attack_detected();
    }
}

}  // namespace kd
