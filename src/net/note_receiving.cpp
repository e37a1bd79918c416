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
      receiver_(
          std::make_unique<NoteReceiver>(NoteLists(services.store()), options, services.clock())) {
    receiver_->set_notes_per_tick(pace_.notes_per_tick());
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
    // A burst is taken at the pace the machine manages now.
    if (since_tick_.isValid()) {
        pace_.tick_started(milliseconds(since_tick_.restart()));
    } else {
        since_tick_.start();
    }
    receiver_->set_notes_per_tick(pace_.notes_per_tick());
    QElapsedTimer spent;
    spent.start();
    const ReceiveTickResult result = receiver_->tick(
        [this](std::vector<ReceivedNote>& notes, StoreTransaction& tx) { make_notes(notes, tx); });
    pace_.tick_ended(result.notes.size(), milliseconds(spent.elapsed()));
    if (!result.notes.empty()) {
        qCDebug(lcReceive, "%zu notes in %lld ms, next tick takes up to %zu", result.notes.size(),
                static_cast<long long>(spent.elapsed()), pace_.notes_per_tick());
    }
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
    if (!result.notes.empty() && result.play_sound) {
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
