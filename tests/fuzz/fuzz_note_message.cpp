// Arbitrary bytes through the receive path: socket reception, whole-message check, text
// decoding, parsing and the received-note rules.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/note_message.h"
#include "net/note_receiver.h"
#include "net/receive_server.h"
#include "platform/socket.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kd;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Through a real socket pair, as the server reads a peer.
    int fds[2];
    std::string received;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
        Socket reader(fds[0]);
        Socket writer(fds[1]);
        writer.send_all(bytes.substr(0, 64 * 1024));
        writer.close();
        ReceivedBytes got =
            receive_message(reader, kMaxMessageSize, std::chrono::milliseconds(1000), nullptr);
        check(got.bytes.size() <= kMaxMessageSize);
        check(bytes.substr(0, got.bytes.size()) == got.bytes);
        received = got.bytes;
    }

    const std::string message = whole_message_from_bytes(received);
    if (!message.empty()) {
        check(is_complete_message(message));
        check(is_valid_utf8(message));
        check(message.find_first_of("\r\n") == std::string::npos);
    }
    const std::string decoded = decode_received_text(bytes);
    check(is_valid_utf8(decoded));

    ParsedMessage parsed = parse_note_message(decoded, 12, 34);
    check(parsed.fields_read <= kMessageFieldCount);
    if (!parsed.rejected()) {
        ReceivedNote note = make_received_note(parsed.record);
        check(!note.shown.can_reply || !note.shown.reply_address.empty());
        // What was received can be sent on again and reads back the same body.
        std::string again = build_note_message("PC", parsed.record);
        check(is_complete_message(again));
    }
    (void)is_ip_address(bytes);
    (void)is_email_address(bytes);
    (void)wire_sender_identity(bytes);
    return 0;
}
