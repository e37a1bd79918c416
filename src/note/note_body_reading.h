// What a note body keeps of a body being read on another thread (note_body_reading.cpp).
#pragma once

#include <QTextDocument>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "note/note_body.h"

namespace kd {

struct NoteBody::Reading {
    std::string rtf;  // the body as it was set
    std::uint64_t serial = 0;
    // Filled by the thread, which then sets `done` and tells the body; read once done.
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
    std::unique_ptr<QTextDocument> document;
    std::string written;  // the document written back
    std::size_t stored_size = 0;

    // Until the thread has told the body, with the document in.
    void wait_done() {
        std::unique_lock<std::mutex> lock(mutex);
        done_changed.wait(lock, [this] { return done; });
    }
};

}  // namespace kd
