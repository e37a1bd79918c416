#include "net/note_receiving.h"

#include <QMessageBox>

#include "app/app_texts.h"
#include "app/main_window.h"
#include "net/arrival_sound.h"
#include "note/note_window.h"
#include "store/note_store.h"

namespace kd {

void apply_received_title(NoteWindow& note) {
    const ReceivedTitle shown = derive_received_title(note.title_text(), note.title_look().style);
    // An empty reply address is what tells the Reply command that the note cannot be answered.
    note.set_reply_address(shown.can_reply ? shown.reply_address : std::string());
    if (!shown.can_reply) {
        note.set_title_text(shown.title);
    }
}

void install_received_note_hook() {
    NoteWindow::set_received_hook(apply_received_title);
}

NoteReceiving::NoteReceiving(MainWindow& main, NoteReceiver::Options options)
    : QObject(&main),
      main_(main),
      receiver_(std::make_unique<NoteReceiver>(NoteLists(), options)) {}

NoteReceiving::~NoteReceiving() {
    receiver_->stop_server();
}

void NoteReceiving::install() {
    install_received_note_hook();
    MainWindowHooks& hooks = main_.hooks();
    hooks.start_server = [this] { receiver_->start_server(); };
    hooks.stop_server = [this] { receiver_->stop_server(); };
    hooks.receive_tick = [this] { tick(); };
    if (!hooks.play_alert_sound) {
        hooks.play_alert_sound = play_arrival_sound;
    }
}

void NoteReceiving::show_network_error(const std::string& report) {
    QMessageBox box(QMessageBox::NoIcon, kAppName, QString::fromStdString(report), QMessageBox::Ok);
    box.exec();
}

void NoteReceiving::tick() {
    // Step 1 (closing the e-mail busy window) belongs to the e-mail check.
    receiver_->set_intervals(check_email_interval(), read_network_interval());
    ReceiveTickResult result = receiver_->tick();
    for (const ReceivedNote& received : result.notes) {
        auto* note = new NoteWindow(&main_, 0);
        main_.adopt_note(note);
        // Placement, bring to front, received mark, title and reply address happen inside.
        if (note->create_from_record(received.record, true, false)) {
            note->save_state();
        }
    }
    if (!result.notes.empty()) {
        if (result.play_sound && main_.hooks().play_alert_sound) {
            main_.hooks().play_alert_sound();
        }
        NoteStore().set_number_of_notes(main_.note_count());
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
