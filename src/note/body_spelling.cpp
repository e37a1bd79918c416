#include "note/body_spelling.h"

#include <algorithm>

#include "spelling/personal_words.h"

namespace kd {

namespace {

std::u16string_view view_of(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

}  // namespace

BodySpelling::BodySpelling(SpellingSetup setup, QObject* parent)
    : QObject(parent), setup_(std::move(setup)) {
    recheck_timer_.setInterval(0);
    connect(&recheck_timer_, &QTimer::timeout, this, &BodySpelling::run_next_recheck);
}

BodySpelling::~BodySpelling() {
    if (loader_.joinable()) {
        loader_.join();
    }
}

void BodySpelling::set_enabled(bool on) {
    if (on == enabled_) {
        return;
    }
    enabled_ = on;
    if (on && !loaded_ && !loading_) {
        loading_ = true;
        // The thread only reads files and builds the checker; the checker is handed over with
        // a queued call and from then on used here alone.
        loader_ = std::thread([this, setup = setup_] {
            auto loaded = std::make_shared<LoadedSpelling>(load_spelling(setup));
            QMetaObject::invokeMethod(
                this, [this, loaded] { take(std::move(*loaded)); }, Qt::QueuedConnection);
        });
        return;
    }
    emit changed();
}

void BodySpelling::take(LoadedSpelling loaded) {
    if (loader_.joinable()) {
        loader_.join();
    }
    loading_ = false;
    loaded_ = true;
    checker_ = std::move(loaded.checker);
    personal_ = std::move(loaded.personal);
    if (checker_ && enabled_) {
        emit changed();
    }
}

bool BodySpelling::add_word(const QString& word) {
    // Before the list was read, storing would lose it.
    if (!checker_) {
        return false;
    }
    const std::u16string_view w = view_of(word);
    checker_->accept(w);
    bool stored = false;
    if (fits_personal_list(w) && personal_.size() < kMostPersonalWords) {
        if (std::find(personal_.begin(), personal_.end(), w) != personal_.end()) {
            stored = true;
        } else {
            personal_.emplace_back(w);
            stored = write_personal_words(setup_.word_list, personal_);
            if (!stored) {
                personal_.pop_back();
            }
        }
    }
    emit changed();
    return stored;
}

void BodySpelling::recheck_later(QObject* owner, std::function<void()> work) {
    rechecks_.push_back({QPointer<QObject>(owner), std::move(work)});
    if (!recheck_timer_.isActive()) {
        recheck_timer_.start();
    }
}

void BodySpelling::run_next_recheck() {
    while (!rechecks_.empty()) {
        Recheck next = std::move(rechecks_.front());
        rechecks_.pop_front();
        if (next.owner) {
            next.work();
            break;
        }
    }
    if (rechecks_.empty()) {
        recheck_timer_.stop();
    }
}

}  // namespace kd
