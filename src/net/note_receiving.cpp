#include "net/note_receiving.h"

#include <QMessageBox>

#include "app/app_texts.h"
#include "app/main_window.h"
#include "net/arrival_sound.h"
#include "note/note_window.h"
#include "store/error_reporter.h"
#include "store/note_store.h"

namespace kd {

NoteReceiving::NoteReceiving(MainWindow& main, NoteReceiver::Options options)
    : QObject(&main),
      main_(main),
      receiver_(std::make_unique<NoteReceiver>(NoteLists(), options)) {}

NoteReceiving::~NoteReceiving() {
    receiver_->stop_server();
}

void NoteReceiving::install() {
    MainWindowHooks& hooks = main_.hooks();
    hooks.start_server = [this] { receiver_->start_server(); };
    hooks.stop_server = [this] { receiver_->stop_server(); };
    hooks.receive_tick = [this] { tick(); };
    if (!hooks.play_alert_sound) {
        hooks.play_alert_sound = play_arrival_sound;
    }
}

void NoteReceiving::make_notes(const std::vector<ReceivedNote>& notes, StoreTransaction& tx) {
    for (const ReceivedNote& received : notes) {
        auto* note = new NoteWindow(&main_, 0);
        main_.adopt_note(note);
        // Placement, bring to front and the received mark happen inside; the record carries
        // the title to show.
        if (!note->create_from_record(received.record, true, false)) {
            continue;
        }
        // An empty reply address is what tells the Reply command that the note cannot be
        // answered.
        note->set_reply_address(received.shown.can_reply ? received.shown.reply_address
                                                         : std::string());
        unsaved_.push_back(note);
    }
    for (const QPointer<NoteWindow>& note : unsaved_) {
        if (note && note->saves_state()) {
            tx.write_record(note->to_record());
        }
    }
    tx.set_number_of_notes(main_.note_count());
}

void NoteReceiving::show_network_error(const std::string& report) {
    QMessageBox box(QMessageBox::NoIcon, kAppName, QString::fromStdString(report), QMessageBox::Ok);
    box.exec();
}

void NoteReceiving::tick() {
    // Step 1 (closing the e-mail busy window) belongs to the e-mail check.
    receiver_->set_intervals(check_email_interval(), read_network_interval());
    const ReceiveTickResult result = receiver_->tick(
        [this](std::vector<ReceivedNote>& notes, StoreTransaction& tx) { make_notes(notes, tx); });
    if (result.store_failed) {
        // Reported once; the notes stay on screen and in the queue, and every tick tries
        // again to store them.
        if (!store_error_shown_) {
            store_error_shown_ = true;
            ErrorReporter::report(std::string(store_texts::kErrorWritingNote));
        }
    } else {
        unsaved_.clear();
        store_error_shown_ = false;
    }
    if (!result.notes.empty() && result.play_sound && main_.hooks().play_alert_sound) {
        main_.hooks().play_alert_sound();
    }
    if (!result.network_error.empty()) {
        show_network_error(result.network_error);
    }
    if (result.attack) {
        // The close request sees the flag, warns with the sound and stays open.
        main_.set_attack_flag(true);
        main_.request_close();
    }
    if (result.start_email_check && main_.hooks().start_email_check) {
        main_.hooks().start_email_check();
    }
    if (result.read_network && main_.hooks().read_network) {
        main_.hooks().read_network();
    }
}

}  // namespace kd
