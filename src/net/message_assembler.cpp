#include "net/message_assembler.h"

#include "net/note_message.h"
#include "platform/text_encoding.h"

namespace kd {

std::size_t MessageAssembler::room() const {
    return status_ == Status::NeedMore ? kMaxMessageSize - bytes_.size() : 0;
}

std::size_t MessageAssembler::feed(std::string_view bytes) {
    std::size_t taken = 0;
    // Byte by byte up to the end, so where the pieces were cut never changes the message.
    while (taken < bytes.size() && status_ == Status::NeedMore) {
        const char c = bytes[taken++];
        bytes_.push_back(c);
        if (c == kFieldSeparator) {
            ++separators_;
        }
        if (separators_ >= kMessageFieldCount || bytes_.size() >= kMaxMessageSize) {
            decide();
        }
    }
    return taken;
}

MessageAssembler::Status MessageAssembler::end(StreamEnd how) {
    if (status_ != Status::NeedMore) {
        return status_;
    }
    if (how != StreamEnd::Closed) {
        status_ = Status::Rejected;
        rejection_ = Rejection::Unfinished;
        return status_;
    }
    decide();
    return status_;
}

void MessageAssembler::decide() {
    const std::string_view whole = std::string_view(bytes_).substr(0, bytes_.find('\0'));
    if (!is_complete_message(whole)) {
        status_ = Status::Rejected;
        rejection_ = Rejection::NotWhole;
        return;
    }
    message_ = text_as_utf8(whole);
    std::erase_if(message_, [](char c) { return c == '\r' || c == '\n'; });
    status_ = Status::Complete;
}

}  // namespace kd
