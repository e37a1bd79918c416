// What a note body keeps of a body being read on another thread (note_body_reading.cpp).
#pragma once

#include <QTextDocument>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "note/note_body.h"

namespace kd {

struct NoteBody::Reading {
    std::string rtf;  // the body as it was set
    std::uint64_t serial = 0;
    // Written by the thread before it sets `done`; read by the body once it saw `done`.
    std::string written;  // the document written back
    std::size_t stored_size = 0;

    std::mutex mutex;
    // Under the mutex: the thread sets `done` with the document in and tells the body; the
    // body sets `given_up_` when it no longer wants the reading, and is never told after.
    bool done = false;
    bool given_up_ = false;
    std::unique_ptr<QTextDocument> document;

    bool given_up() {
        const std::lock_guard<std::mutex> lock(mutex);
        return given_up_;
    }
    // True when the document is in (and it is the body's now); otherwise the reading is
    // given up.
    bool give_up_unless_done() {
        const std::lock_guard<std::mutex> lock(mutex);
        given_up_ = given_up_ || !done;
        return done && document != nullptr;
    }
};

}  // namespace kd
