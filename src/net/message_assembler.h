// One note message put together from the bytes that bring it: the reads of a connection or the
// data of a note e-mail. The one place that says when a message is whole, so the receiving
// server, the e-mail check and the fuzzer decide alike, however the bytes come cut up.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kd {

// How the sender stopped sending.
enum class StreamEnd {
    Closed,    // an orderly end: what came is all it meant to send
    Reset,     // the connection broke
    TimedOut,  // it fell silent past its deadline
};

class MessageAssembler {
public:
    enum class Status { NeedMore, Complete, Rejected };
    enum class Rejection {
        None,
        // Broken off or silent before its 22nd field. The sender counts the note as not
        // delivered and sends it again, so keeping the part would bring it twice.
        Unfinished,
        // Nothing whole: empty, or not ending with "~" where it ends (the size limit, a zero
        // byte, or the sender's close).
        NotWhole,
    };

    // Takes bytes up to the end of the message, which is its 22nd "~" or its kMaxMessageSize-th
    // byte, whichever comes first, and returns how many it took: what follows belongs to no
    // message. Takes nothing once the message is decided.
    std::size_t feed(std::string_view bytes);
    // The sender stopped: a message still open is decided now.
    Status end(StreamEnd how);

    Status status() const { return status_; }
    Rejection rejection() const { return rejection_; }
    // The complete message as it is kept: up to a zero byte, read as UTF-8 or else as
    // Windows-1252, every carriage return and line feed dropped (a message is one line in the
    // settings file). Empty unless complete.
    const std::string& message() const { return message_; }
    // Bytes it takes at most before the message ends by its size.
    std::size_t room() const;

private:
    void decide();

    std::string bytes_;
    int separators_ = 0;
    Status status_ = Status::NeedMore;
    Rejection rejection_ = Rejection::None;
    std::string message_;
};

}  // namespace kd
