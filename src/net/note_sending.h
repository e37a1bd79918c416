// "Send a note": the one procedure behind a group send, the Reply command and the send dialog.
// It walks the recipients in order, sends to each computer over the network (on a worker
// thread, while the UI shows the wait cursor and keeps painting), sets e-mail addresses aside
// for one note e-mail, then marks the note sent or send-failed, deletes it after a send that
// reached every recipient when `AfterSend` says "DeleteNote", and shows the error text unless
// `ShowSendErrorMessage` is "No".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "note/note_services.h"

class QWidget;

namespace kd {

class MessageBoxes;
class NoteStore;
class NoteView;

// Sending notes to computers, as the note menus ask for it.
class NetworkNoteSending : public NoteSendingService {
public:
    void send_note(NoteView& note, const std::vector<std::string>& recipients,
                   const std::string& sender) override;
};

struct SendOutcome {
    // One line per problem, each ending in a line feed; empty when every computer acknowledged.
    std::string error_text;
    // E-mail recipients in list order, served together by one note e-mail. Each one the mail
    // did not reach also has its line in error_text (kEmailNotReachedFormat, or
    // kEmailNotSentFormat where the program has no mail side).
    std::vector<std::string> email_recipients;
    // The note went away while the send ran (or was deleted by `AfterSend`).
    bool note_gone = false;

    bool sent_without_errors() const { return error_text.empty(); }
    bool has_email_recipients() const { return !email_recipients.empty(); }
};

// The whole procedure for a group send or a reply: saves the note, sends, reports the errors
// and applies the outcome to the note. `sender_identity` is the `SentFrom` value as stored
// (empty means this computer's name). Empty recipients are skipped. Runs on the UI thread and
// returns when every recipient was tried.
SendOutcome send_note(NoteView& note, const std::vector<std::string>& recipients,
                      const std::string& sender_identity);

// The send dialog's share: the same sending without the report and without touching the note's
// marks. `computers_done`, when given, runs once the computers were tried and before the note
// e-mail (the dialog closes there). The dialog shows the error text itself
// (show_send_errors), then the note applies the outcome (apply_send_outcome).
SendOutcome send_to_recipients(NoteView& note, const std::vector<std::string>& recipients,
                               const std::string& sender_identity,
                               const std::function<void()>& computers_done = {});

// Shows the error text in a message box unless `ShowSendErrorMessage` is "No" or the text is
// empty.
void show_send_errors(const NoteStore& store, MessageBoxes& boxes, const std::string& error_text,
                      QWidget* parent = nullptr);

// Marks the note send-failed or sent, or deletes it without a question when the send was clean
// and `AfterSend` is "DeleteNote". Sets outcome.note_gone when it deleted the note.
void apply_send_outcome(NoteView& note, SendOutcome& outcome);

}  // namespace kd
