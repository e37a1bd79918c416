#include "note/note_window_fade.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "note/note_services.h"
#include "note/note_window.h"
#include "platform/os_label.h"
#include "platform/paths.h"

namespace kd {

namespace {

std::string label_or_current(const std::string& label) {
    return label.empty() ? current_os_label() : label;
}

}  // namespace

bool note_uses_transparency(const std::string& os_label) {
    return os_uses_transparency(label_or_current(os_label));
}

NoteFade::NoteFade(QWidget& window, const std::string& os_label)
    : window_(window), os_label_(label_or_current(os_label)) {}

NoteFade::~NoteFade() {
    delete timer_;
}

void NoteFade::fade_out(std::function<void()> done) {
    if (!os_uses_fade_on_delete(os_label_)) {
        last_frames_ = 0;
        if (done) {
            done();
        }
        return;
    }
    plan_ = fade_plan_for_area(static_cast<long long>(window_.width()) * window_.height());
    frame_ = 0;
    last_frames_ = 0;
    done_ = std::move(done);
    if (timer_ == nullptr) {
        // Made by the first fade: most notes never fade.
        timer_ = new QTimer(&window_);
        QObject::connect(timer_, &QTimer::timeout, &window_, [this] { step(); });
    }
    timer_->setInterval(plan_.pause_ms);
    step();
    timer_->start();
}

void NoteFade::step() {
    if (frame_ < fade_frame_count(plan_)) {
        window_.setWindowOpacity(fade_frame_alpha(plan_, frame_) / 255.0);
        ++frame_;
        last_frames_ = frame_;
        return;
    }
    timer_->stop();
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) {
        done();
    }
}

void NoteFade::cancel() {
    if (timer_ != nullptr) {
        timer_->stop();
    }
    done_ = nullptr;
}

bool NoteFade::active() const {
    return timer_ != nullptr && timer_->isActive();
}

// --- The note window's opacity rule ----------------------------------------------------------

void NoteWindow::show_with_opacity_rule() {
    const bool transparent = note_uses_transparency(services_.paths().OsLabel);
    if (transparent) {
        setWindowOpacity(0.0);
    }
    show();
    if (transparent) {
        // Opaque once drawn, so the note never flashes in a half-drawn state.
        QPointer<NoteWindow> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && !self->fade_->active()) {
                self->repaint();
                self->setWindowOpacity(1.0);
            }
        });
    }
}

void NoteWindow::fade_out(std::function<void()> done) {
    fade_->fade_out(std::move(done));
}

int NoteWindow::last_fade_frames() const {
    return fade_->last_frames();
}

}  // namespace kd
