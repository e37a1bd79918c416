#include "net/note_receiving.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLoggingCategory>

#include <algorithm>
#include <chrono>

#include "platform/message_boxes.h"
#include "store/error_reporter.h"
#include "store/note_store.h"

namespace kd {

// What each pass with a note took, off unless QT_LOGGING_RULES="korvadesk.receive.debug=true".
Q_LOGGING_CATEGORY(lcReceive, "korvadesk.receive", QtWarningMsg)

namespace {

// The next pass, posted at low priority: behind the paints the last note asked for.
const QEvent::Type kPassEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// How long a pass waits for the last note's first paint: a note that is never painted (its
// window gone, a screen that does not show it) holds the queue no longer.
constexpr std::chrono::milliseconds kLongestPaintWait{50};

// A pass goes on taking notes while they come cheap and it has run less than this.
constexpr std::chrono::milliseconds kPassTime{8};
constexpr std::chrono::milliseconds kCheapNote{4};
constexpr std::size_t kShortBody = 2048;

}  // namespace

NoteReceiving::NoteReceiving(NoteHost& host, NoteServices& services, NoteReceiver::Options options,
                             QObject* parent)
    : QObject(parent),
      host_(host),
      services_(services),
      receiver_(std::make_unique<NoteReceiver>(NoteLists(services.store()), std::move(options),
                                               services.clock())) {
    // One message a take; a pass takes several while they come cheap.
    receiver_->set_notes_per_tick(1);
    settle_.setSingleShot(true);
    connect(&settle_, &QTimer::timeout, this, [this] { post_pass(); });
    paint_limit_.setSingleShot(true);
    paint_limit_.setInterval(kLongestPaintWait);
    connect(&paint_limit_, &QTimer::timeout, this, [this] {
        qCDebug(lcReceive, "no paint within %lld ms",
                static_cast<long long>(kLongestPaintWait.count()));
        stop_waiting_for_paint();
        post_pass();
    });
    // A note that arrives is taken at once, not at the next tick. Posted once until it runs.
    receiver_->set_arrival_handler([this] {
        hold_.arrived(std::chrono::steady_clock::now());
        if (!wake_posted_.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    wake_posted_ = false;
                    start_passes();
                },
                Qt::QueuedConnection);
        }
    });
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
    last_made_ = nullptr;
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
        last_made_ = note->widget();
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

void NoteReceiving::tick() {
    // Step 1 (closing the e-mail busy window) belongs to the e-mail check.
    const auto make = [this](std::vector<ReceivedNote>& notes, StoreTransaction& tx) {
        make_notes(notes, tx);
    };
    if (passing_) {
        // The passes take the queue; a note of the tick too would be a second one in this
        // turn of the event loop.
        after_pass(receiver_->tick_without_queue(make));
        return;
    }
    burst_sounded_ = false;
    const ReceiveTickResult result = receiver_->tick(make);
    after_pass(result);
    passing_ = true;
    go_on_or_stop(result);
}

void NoteReceiving::start_passes() {
    if (passing_) {
        return;
    }
    passing_ = true;
    burst_sounded_ = false;
    post_pass();
}

void NoteReceiving::post_pass() {
    if (!pass_posted_) {
        pass_posted_ = true;
        QCoreApplication::postEvent(this, new QEvent(kPassEvent), Qt::LowEventPriority);
    }
}

bool NoteReceiving::event(QEvent* event) {
    if (event->type() == kPassEvent) {
        pass_posted_ = false;
        pass();
        return true;
    }
    return QObject::event(event);
}

void NoteReceiving::pass() {
    if (!passing_ || painting_ || settle_.isActive()) {
        return;
    }
    if (const auto wait = hold_.wait_at(std::chrono::steady_clock::now()); wait.count() > 0) {
        settle_.start(wait);
        return;
    }
    QElapsedTimer spent;
    spent.start();
    ReceiveTickResult result;
    QPointer<QWidget> made;
    int taken = 0;
    for (;;) {
        QElapsedTimer one;
        one.start();
        result = receiver_->take_next([this](std::vector<ReceivedNote>& notes,
                                             StoreTransaction& tx) { make_notes(notes, tx); });
        const qint64 cost = one.elapsed();
        // A long body costs more after the take: it may be read on a thread and laid out
        // when it is handed over, and two such in one turn of the loop would be one stall.
        const bool short_body = std::all_of(
            result.notes.begin(), result.notes.end(),
            [](const ReceivedNote& n) { return n.record.EditText.size() <= kShortBody; });
        if (last_made_) {
            made = last_made_;
        }
        taken += static_cast<int>(result.notes.size());
        after_pass(result);
        // Cheap notes go several to a pass: each waits for its paint otherwise, and a burst
        // would wait for the X server a hundred times. A costly one ends the pass, so a pass
        // holds input back hardly longer than its costliest note.
        if (result.taken == 0 || result.store_failed || result.attack || !passing_ ||
            cost >= kCheapNote.count() || !short_body || spent.elapsed() >= kPassTime.count()) {
            break;
        }
    }
    if (taken > 0) {
        qCDebug(lcReceive, "%d note(s) in %lld ms", taken, static_cast<long long>(spent.elapsed()));
    }
    last_made_ = made;
    go_on_or_stop(result);
}

void NoteReceiving::go_on_or_stop(const ReceiveTickResult& last) {
    // A pass that took nothing found the queue empty; a failed store waits for the next tick,
    // an attack has stopped receiving.
    if (last.taken == 0 || last.store_failed || last.attack) {
        passing_ = false;
        last_made_ = nullptr;
        return;
    }
    // The next note once this one is painted: its window is shown and the X server exposes
    // it a moment later.
    QWidget* shown = last_made_;
    last_made_ = nullptr;
    QWindow* window = shown != nullptr && shown->isVisible() ? shown->windowHandle() : nullptr;
    if (window != nullptr && !window->isExposed()) {
        painting_ = window;
        window->installEventFilter(this);
        paint_limit_.start();
        return;
    }
    post_pass();
}

bool NoteReceiving::eventFilter(QObject* watched, QEvent* event) {
    // The window paints as it handles its expose event, before the posted pass runs.
    if (watched == painting_ && event->type() == QEvent::Expose) {
        qCDebug(lcReceive, "exposed after %d ms",
                paint_limit_.interval() - paint_limit_.remainingTime());
        stop_waiting_for_paint();
        post_pass();
    }
    return QObject::eventFilter(watched, event);
}

void NoteReceiving::stop_waiting_for_paint() {
    paint_limit_.stop();
    if (painting_) {
        painting_->removeEventFilter(this);
    }
    painting_ = nullptr;
}

void NoteReceiving::after_pass(const ReceiveTickResult& result) {
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
    // One sound for the notes of a burst.
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
