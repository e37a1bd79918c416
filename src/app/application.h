// The application object: fixes the paths and label, makes sure one copy runs per user, makes
// the shared services, the hidden main window and the receiving side, and connects them.
#pragma once

#include <memory>
#include <vector>

#include "app/single_instance.h"
#include "platform/paths.h"

namespace kd {

namespace mail {
class EmailChecker;
class MailAccess;
class NoteEmailer;
}  // namespace mail

class BodySpelling;
class DesktopNotifier;
class ErrorReporter;
class ArrivalSound;
class LibraryModules;
class MainWindow;
class MessageBoxes;
class NetworkNoteSending;
class NoteExportCommands;
class NoteFileCommands;
class NoteReceiving;
class NoteServices;
class NoteStore;
class ThemeCommands;

class Application {
public:
    Application();
    ~Application();

    // Runs the start-up steps. Returns false when the process must end at once; `exit_code`
    // tells with which code (0 for a second copy, non-zero for a failure). A second copy hands
    // `requests` to the running one; the first copy carries them out once it is up.
    bool start(int& exit_code,
               const std::vector<InstanceRequest>& requests = {InstanceRequest::Activate});

    MainWindow* main_window() const { return main_window_.get(); }

private:
    void connect_modules();
    void carry_out(const std::vector<InstanceRequest>& requests, bool made_empty_note);
    void make_mail();
    void make_spelling();

    AppPaths paths_;
    // Before the store and everything that writes: they report failed writes to the boxes.
    std::unique_ptr<MessageBoxes> boxes_;
    std::unique_ptr<ErrorReporter> errors_;
    std::unique_ptr<NoteStore> store_;
    std::unique_ptr<SingleInstance> instance_;
    // Pictures, mail and sound, loaded at their first use; they say so in a box when missing.
    std::unique_ptr<LibraryModules> modules_;
    std::unique_ptr<NoteServices> services_;
    std::unique_ptr<ArrivalSound> sound_;
    // Before the notes, which use it, and gone after them.
    std::unique_ptr<BodySpelling> spelling_;
    std::unique_ptr<NetworkNoteSending> sending_;
    std::unique_ptr<NoteFileCommands> file_commands_;
    std::unique_ptr<ThemeCommands> themes_;
    // Ringing alarms on the desktop's notifications; it opens the bus at the first alarm.
    std::unique_ptr<DesktopNotifier> notifier_;
    // Goes after the notes: a body still being read on its thread is given up with its note,
    // but the thread must not outlive Qt.
    struct ReadingsAtEnd {
        ReadingsAtEnd() = default;
        ReadingsAtEnd(const ReadingsAtEnd&) = delete;
        ReadingsAtEnd& operator=(const ReadingsAtEnd&) = delete;
        ~ReadingsAtEnd();
    } readings_at_end_;
    std::unique_ptr<MainWindow> main_window_;
    // After the main window: it makes imported notes there.
    std::unique_ptr<NoteExportCommands> exports_;
    // Declared after the main window so it goes first: it makes notes of the window.
    std::unique_ptr<NoteReceiving> receiving_;
    // Note e-mails: the account's logon of this run, sending, and the inbox check.
    std::unique_ptr<mail::MailAccess> mail_access_;
    std::unique_ptr<mail::NoteEmailer> emailer_;
    std::unique_ptr<mail::EmailChecker> email_checker_;
};

// True when the system lets this process open an IPv4 TCP socket at all.
bool sockets_available();

}  // namespace kd
