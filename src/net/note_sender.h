// The sending client: one note to one computer over one short TCP exchange with the receiving
// server there. Windowless, so it runs on a worker thread while the UI waits; every problem is
// one error line with the recipient, upper-cased, in front.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kd {
class NoteStore;
}

namespace kd {

// Error lines; "%s" is the recipient in upper case. The wording is shared with other copies
// of the program and with users' habits: keep it exact.
inline constexpr const char* kCantFindComputerFormat =
    "%s : Can't find computer with that name or IP address.";
inline constexpr const char* kCantCreateSocketFormat =
    "%s : Can't create TCP/IP stream socket with computer.";
// A refused connection; this platform has no console messaging to fall back on.
inline constexpr const char* kNotInstalledFormat =
    "%s : Korvadesk program must be installed and started on computer.";
inline constexpr const char* kCantSendFormat = "%s : Can't send note to computer.";
inline constexpr const char* kReplyErrorFormat = "%s : Error receiving reply from computer.";
inline constexpr const char* kBadReplyFormat =
    "%s : Computer didn't reply correctly. Possible error occurred in receiving note.";
// An e-mail recipient while this program cannot send note e-mails: "%s" is the address as
// typed.
inline constexpr const char* kEmailNotSentFormat =
    "%s : Sending notes by e-mail is not available, so the note was not sent to this address.";
// An e-mail recipient whose note e-mail did not go out (offline, logon cancelled, the server
// refused or stopped answering, the user cancelled); "%s" is the address as typed.
inline constexpr const char* kEmailNotReachedFormat =
    "%s : Can't send note e-mail to this address.";

// Host name of this computer when the system will not tell it.
inline constexpr std::string_view kUnknownComputerName = "MYCOMPUTER";

// Our own limits, so an unresponsive peer never holds a send for long.
struct SendTimeouts {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds send{10000};
    std::chrono::milliseconds reply{10000};
};

// This computer's host name in upper case, kUnknownComputerName when it cannot be read.
std::string own_computer_name();

// The recipient as the error lines show it: in upper case.
std::string recipient_display_name(std::string_view recipient);

// One error line: the format with the display name in place of "%s", ending in a line feed.
std::string send_error_line(const char* format, std::string_view display_name);

// Field 0 of what we send: an empty identity is this computer's name; a computer name or IP
// address travels in upper case.
std::string sending_identity(std::string_view identity);

// The exchange with one computer: looks the recipient up as typed (first IPv4 address),
// connects to `port`, sends every byte of `message`, reads the reply and compares it with the
// acknowledgement. Returns the error line, "" when delivered.
std::string deliver_message(std::string_view recipient, std::uint16_t port,
                            std::string_view message, const SendTimeouts& timeouts = {});

// What one send to a computer travels with, read afresh from the settings file.
struct PreparedMessage {
    std::uint16_t port = 0;  // `CommunicationPort`, 2000 when empty
    std::string message;
    bool too_big = false;  // longer than the receive buffer: warn, then send it all the same
};

// Reads the port and the note's stored record afresh and builds the message with the
// identity as sending_identity makes it.
PreparedMessage prepare_message(const NoteStore& store, int note_number,
                                std::string_view sender_identity);

// Send to one computer: prepare_message, `on_too_big` when the message is over-long (it may
// be empty), deliver_message. Returns the error line, "" when delivered.
std::string send_to_computer(const NoteStore& store, std::string_view recipient, int note_number,
                             std::string_view sender_identity,
                             const std::function<void()>& on_too_big = {},
                             const SendTimeouts& timeouts = {});

}  // namespace kd
