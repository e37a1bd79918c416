// The note message: one note and its sender as 22 "~"-terminated fields, the acknowledgement
// that closes a delivery, and the tests that tell e-mail and IP addresses from computer names.
// These bytes are shared with Windows copies of the program: keep them exact.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"  // is_valid_utf8
#include "store/note_record.h"

namespace kd {
class NoteStore;
}

namespace kd {

inline constexpr std::string_view kAcknowledgement = "From Server : MESSAGE RECEIVED";
inline constexpr char kFieldSeparator = '~';
inline constexpr int kMessageFieldCount = 22;
// Receive buffer of both ends, and read capacity of a stored message.
inline constexpr std::size_t kMaxMessageSize = 10240;
inline constexpr std::string_view kAnonymousSender = "ANONYMOUS";
inline constexpr std::string_view kNamePrefix = "Name:";
inline constexpr std::size_t kMaxFontNameLength = 255;
// Title style of a note from a named sender.
inline constexpr std::string_view kReceivedTitleFont = "Arial Narrow";
inline constexpr std::string_view kReceivedTitleFontType = "C";
inline constexpr int kReceivedTitleFontSize = 8;
inline constexpr const char* kMessageTooBigText =
    "Data buffer size is bigger than maximum socket buffer size.\nPossible errors in receiving "
    "data ...";

// Message fields by position on the wire.
enum MessageField {
    kFieldSender = 0,
    kFieldBody = 1,
    kFieldBodyFont = 2,
    kFieldBodyFontType = 3,
    kFieldBodyBackColor = 4,
    kFieldBodyTextColor = 5,
    kFieldBodyFontSize = 6,
    kFieldBodyCharSet = 7,
    kFieldTitleText = 8,
    kFieldTitleFont = 9,
    kFieldTitleFontType = 10,
    kFieldTitleBackColor = 11,
    kFieldTitleTextColor = 12,
    kFieldTitleFontSize = 13,
    kFieldTitleCharSet = 14,
    kFieldLeft = 15,
    kFieldTop = 16,
    kFieldHeight = 17,
    kFieldWidth = 18,
    kFieldBorder = 19,
    kFieldExpiration = 20,
    kFieldAlarm = 21,
};

enum class AddressKind { Email, Ip, ComputerName };

bool is_email_address(std::string_view text);
bool is_ip_address(std::string_view text);
AddressKind classify_address(std::string_view text);

// The identity as the TCP sender puts it into field 0: a computer name or IP address in upper
// case; "ANONYMOUS", a "Name:" identity and an e-mail address as they are.
std::string wire_sender_identity(std::string_view identity);

// Builds the message of a stored note. The result may exceed kMaxMessageSize; the caller warns
// with kMessageTooBigText and sends it all the same.
std::string build_note_message(std::string_view sender_identity, const NoteRecord& record);

// Builds the message of the note stored under `note_number`, read afresh from the settings
// file, so what travels is the stored record and not the window's state.
std::string build_stored_note_message(const NoteStore& store, std::string_view sender_identity,
                                      int note_number);

// True when a message was delivered whole: not empty and ending with the field separator.
bool is_complete_message(std::string_view text);

struct ParsedMessage {
    NoteRecord record;  // the title text is already the received-note title
    bool anonymous = false;
    int fields_read = 0;                // fields handled before the end or the rejection
    std::optional<int> rejected_field;  // set when the message failed a check
    bool rejected() const { return rejected_field.has_value(); }
};

// Parses a message into a received-note record; `hour` and `minute` are the local time the
// title of a named sender shows. Text past the last "~" is ignored, fields past 22 too.
ParsedMessage parse_note_message(std::string_view text, int hour, int minute);

// Leading decimal integer as the receiver reads it: blanks skipped, optional sign, digits up to
// the first non-digit, 0 when there are none; saturates instead of overflowing.
long long leading_integer(std::string_view text);

}  // namespace kd
