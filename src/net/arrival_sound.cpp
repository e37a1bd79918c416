#include "net/arrival_sound.h"

#include <utility>

#include "platform/library_modules.h"

namespace kd {

ArrivalSound::ArrivalSound(const LibraryModules& modules, QObject* parent)
    : ArrivalSound(
          [&modules](std::string& reason) {
              return static_cast<const SoundModuleTable*>(
                  modules.find(kSoundModule, kSoundModuleSymbol, reason));
          },
          [&modules](const std::string& reason) {
              modules.report_missing(kSoundModule, kSoundFeature, reason);
          },
          parent) {}

ArrivalSound::ArrivalSound(Loader load, Reporter report, QObject* parent)
    : QObject(parent), load_(std::move(load)), report_(std::move(report)) {}

ArrivalSound::~ArrivalSound() {
    if (opener_.joinable()) {
        opener_.join();
    }
}

void ArrivalSound::play() {
    switch (state_) {
        case State::Open:
            table_->play_arrival();
            return;
        case State::Missing:
            return;
        case State::Opening:  // its sound is to come
            return;
        case State::Closed:
            break;
    }
    state_ = State::Opening;
    opener_ = std::thread([this] {
        std::string reason;
        const SoundModuleTable* table = load_ ? load_(reason) : nullptr;
        {
            const std::lock_guard lock(mutex_);
            table_ = table;
            reason_ = std::move(reason);
        }
        // Dropped when this object is gone by then.
        QMetaObject::invokeMethod(this, &ArrivalSound::opened, Qt::QueuedConnection);
    });
}

void ArrivalSound::opened() {
    opener_.join();
    std::string reason;
    {
        const std::lock_guard lock(mutex_);
        state_ = table_ != nullptr ? State::Open : State::Missing;
        reason = std::move(reason_);
    }
    if (state_ == State::Missing) {
        if (report_) {
            report_(reason);
        }
        return;
    }
    table_->play_arrival();
}

}  // namespace kd
