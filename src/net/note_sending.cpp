#include "net/note_sending.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <thread>

#include "net/note_message.h"
#include "net/note_sender.h"
#include "note/note_view.h"
#include "platform/message_boxes.h"
#include "platform/wait_cursor.h"
#include "store/note_store.h"

namespace kd {

namespace {

void show_plain_box(MessageBoxes& boxes, const QString& text, QWidget* parent) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    boxes.tell(parent, QMessageBox::NoIcon, text);
    QApplication::restoreOverrideCursor();
}

// Runs the network exchange on a worker thread and keeps the UI painted meanwhile. Input is
// held back, so the user cannot start a second send or change the note under the first;
// timers still run, so a note sent to this computer arrives while we wait for its answer.
std::string run_off_ui_thread(const std::function<std::string()>& work) {
    std::string result;
    QEventLoop loop;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return result;
}

MessageBoxes& note_boxes(NoteView& note) {
    return note.services().boxes();
}

// The e-mail recipients get one note e-mail. Each address it did not reach has its line in the
// error text, so the note is then neither marked sent nor deleted after the send.
void send_email_part(NoteView& note, SendOutcome& outcome, const std::string& sender_identity) {
    if (!outcome.has_email_recipients()) {
        return;
    }
    NoteViewPointer guard(&note);
    NoteEmailSending* email = note.services().email_sending();
    const char* format = email == nullptr ? kEmailNotSentFormat : kEmailNotReachedFormat;
    std::vector<std::string> missed = outcome.email_recipients;
    if (email != nullptr && guard && !guard->note().deleted()) {
        missed = email->send_note_email(*guard, outcome.email_recipients, sender_identity);
    }
    for (const std::string& address : missed) {
        outcome.error_text += send_error_line(format, address);
    }
}

}  // namespace

SendOutcome send_to_recipients(NoteView& note, const std::vector<std::string>& recipients,
                               const std::string& sender_identity,
                               const std::function<void()>& computers_done) {
    SendOutcome outcome;
    NoteViewPointer guard(&note);
    // What travels is the stored record: make it the note as it stands.
    note.save_state();
    const int number = note.note().number();

    {
        // Until the computers were tried; the note e-mail shows its own window.
        WaitCursor wait;
        for (const std::string& recipient : recipients) {
            if (recipient.empty()) {
                continue;
            }
            if (is_email_address(recipient)) {
                outcome.email_recipients.push_back(recipient);
                continue;
            }
            // A note deleted meanwhile (its expiry) has no record left to send.
            if (!guard || guard->note().deleted()) {
                outcome.note_gone = true;
                break;
            }
            PreparedMessage prepared =
                prepare_message(note.services().store(), number, sender_identity);
            if (prepared.too_big) {
                show_plain_box(note_boxes(note), QString::fromUtf8(kMessageTooBigText),
                               guard->widget());
            }
            outcome.error_text += run_off_ui_thread(
                [&] { return deliver_message(recipient, prepared.port, prepared.message); });
        }
    }
    if (computers_done) {
        computers_done();
    }
    if (guard) {
        send_email_part(*guard, outcome, sender_identity);
    } else {
        outcome.note_gone = true;
        for (const std::string& address : outcome.email_recipients) {
            outcome.error_text += send_error_line(kEmailNotReachedFormat, address);
        }
    }
    if (!guard || guard->note().deleted()) {
        outcome.note_gone = true;
    }
    return outcome;
}

void show_send_errors(const NoteStore& store, MessageBoxes& boxes, const std::string& error_text,
                      QWidget* parent) {
    if (error_text.empty() || !store.settings().flag(Setting::ShowSendErrorMessage)) {
        return;
    }
    show_plain_box(boxes, QString::fromStdString(error_text), parent);
}

void apply_send_outcome(NoteView& note, SendOutcome& outcome) {
    if (!outcome.sent_without_errors()) {
        note.note().set_status(NoteStatus::SendFailed);
    } else if (note.services().store().settings().choice(Setting::AfterSend) ==
               store_texts::kAfterSendDeleteNote) {
        note.delete_note(false);
        outcome.note_gone = true;
    } else {
        note.note().set_status(NoteStatus::Sent);
    }
}

SendOutcome send_note(NoteView& note, const std::vector<std::string>& recipients,
                      const std::string& sender_identity) {
    NoteViewPointer guard(&note);
    // The services outlive every note, so the report can still be shown after the note went.
    MessageBoxes& boxes = note_boxes(note);
    const NoteStore& store = note.services().store();
    SendOutcome outcome = send_to_recipients(note, recipients, sender_identity);
    if (outcome.note_gone || !guard) {
        outcome.note_gone = true;
        show_send_errors(store, boxes, outcome.error_text);
        return outcome;
    }
    apply_send_outcome(*guard, outcome);
    show_send_errors(store, boxes, outcome.error_text,
                     outcome.note_gone ? nullptr : guard->widget());
    return outcome;
}

void NetworkNoteSending::send_note(NoteView& note, const std::vector<std::string>& recipients,
                                   const std::string& sender) {
    kd::send_note(note, recipients, sender);
}

}  // namespace kd
