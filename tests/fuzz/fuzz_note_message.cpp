// Arbitrary bytes through the receive path: the message assembler that the server and the
// e-mail check use, fed whole, byte by byte and in random pieces, which must all decide alike;
// then text decoding, parsing and the received-note rules.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "net/message_assembler.h"
#include "net/note_message.h"
#include "net/note_receiver.h"
#include "platform/text_encoding.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

struct Outcome {
    kd::MessageAssembler::Status status;
    kd::MessageAssembler::Rejection rejection;
    std::string message;
    std::size_t taken = 0;
    bool operator==(const Outcome&) const = default;
};

// Feeds `bytes` in pieces of the sizes `next_piece` gives, as a connection's reads would, and
// ends the stream as `how` says.
template <typename NextPiece>
Outcome assemble(std::string_view bytes, kd::StreamEnd how, NextPiece next_piece) {
    kd::MessageAssembler assembler;
    Outcome out;
    while (out.taken < bytes.size() &&
           assembler.status() == kd::MessageAssembler::Status::NeedMore) {
        const std::size_t piece = std::min(bytes.size() - out.taken, next_piece());
        const std::size_t room = assembler.room();
        const std::size_t took = assembler.feed(bytes.substr(out.taken, piece));
        check(took <= piece && took <= room);
        // It stops early only where the message ends.
        check(took == piece || assembler.status() != kd::MessageAssembler::Status::NeedMore);
        out.taken += took;
    }
    out.status = assembler.end(how);
    out.rejection = assembler.rejection();
    out.message = assembler.message();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kd;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::minstd_rand pieces(static_cast<unsigned>(size) * 2654435761u +
                            (size > 0 ? data[size - 1] : 0));
    for (StreamEnd how : {StreamEnd::Closed, StreamEnd::Reset, StreamEnd::TimedOut}) {
        const Outcome whole = assemble(bytes, how, [&] { return bytes.size(); });
        check(assemble(bytes, how, [] { return std::size_t{1}; }) == whole);
        check(assemble(bytes, how, [&] { return std::size_t{1} + pieces() % 4096; }) == whole);

        check(whole.taken <= kMaxMessageSize);
        check((whole.status == MessageAssembler::Status::Complete) == !whole.message.empty());
        check((whole.status == MessageAssembler::Status::Rejected) ==
              (whole.rejection != MessageAssembler::Rejection::None));
        if (!whole.message.empty()) {
            check(is_complete_message(whole.message));
            check(is_valid_utf8(whole.message));
            check(whole.message.find_first_of("\r\n") == std::string::npos);
        }
    }

    const std::string decoded = text_as_utf8(bytes);
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
