// Fading a note window out frame by frame on a timer while the UI keeps running, and whether
// this system shows note windows see-through at all.
#pragma once

#include <functional>
#include <string>

#include "note/note_geometry.h"

class QTimer;
class QWidget;

namespace kd {

// Whether this system (by its label) draws windows with transparency.
bool note_uses_transparency(const std::string& os_label);

// The fade of one window; the timer is a child of the window, made by the first fade.
class NoteFade {
public:
    // `os_label` empty: the running system's label.
    NoteFade(QWidget& window, const std::string& os_label);
    ~NoteFade();
    NoteFade(const NoteFade&) = delete;
    NoteFade& operator=(const NoteFade&) = delete;

    // Fades the window out, then calls `done`. Without fading for this system the call is
    // immediate.
    void fade_out(std::function<void()> done);
    // Stops a running fade; its `done` is dropped.
    void cancel();
    bool active() const;
    // Frames shown by the last fade_out (0 when this system does not fade).
    int last_frames() const { return last_frames_; }

private:
    void step();

    QWidget& window_;
    std::string os_label_;
    QTimer* timer_ = nullptr;
    FadePlan plan_;
    int frame_ = 0;
    int last_frames_ = 0;
    std::function<void()> done_;
};

}  // namespace kd
