// Saving a note shortly after it changed, so that a crash, a power cut or a lost X connection
// takes nothing typed with it. The note decides when and writes its record; the window tells
// it what changed on the screen and runs its timer.
#include <QTimer>
#include <chrono>
#include <utility>

#include "note/autosave_schedule.h"
#include "note/note_window.h"

namespace kd {

namespace {

class QtAutosaveTimer : public AutosaveTimer {
public:
    QtAutosaveTimer(QObject* owner, std::function<void()> ran_out) : timer_(owner) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, owner, std::move(ran_out));
    }
    void start(std::int64_t delay_ms) override {
        timer_.start(static_cast<int>(std::min<std::int64_t>(delay_ms, 24 * 3600 * 1000)));
    }
    void stop() override { timer_.stop(); }

private:
    QTimer timer_;
};

std::int64_t monotonic_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void NoteWindow::start_autosave() {
    autosave_timer_ = std::make_unique<QtAutosaveTimer>(this, [this] {
        if (!destroying_) {
            note_.autosave_timer_ran_out();
        }
    });
    note_.start_autosave(*autosave_timer_, services_.autosave_delays(), monotonic_ms);
    connect(body_, &NoteBody::contents_changed, this, [this] { note_.changed(); });
    connect(body_, &NoteBody::look_changed, this, [this] { note_.take_body_look(body_->look()); });
    connect(body_, &NoteBody::composing_changed, this,
            [this](bool composing) { note_.set_composing(composing); });
}

}  // namespace kd
