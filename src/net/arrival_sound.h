// The program's arrival sound, played without waiting; used for received notes, the attack
// warning and alarms. Failure to play (no audio device) is silent. The sound is played by the
// module "sound" (korvadesk-sound.so, Qt Multimedia), loaded at the first sound: the program
// does not load Qt Multimedia and the sound server's libraries at start.
#pragma once

#include <QObject>

#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "net/sound_module.h"

namespace kd {

class LibraryModules;

// One per program: every sound goes through it, so the module is opened once and a missing one
// is told once.
class ArrivalSound : public QObject {
    Q_OBJECT
public:
    // Opens the module and gives its table, or null and why not (on a thread of its own).
    using Loader = std::function<const SoundModuleTable*(std::string& reason)>;
    // Tells why the module could not be opened (UI thread).
    using Reporter = std::function<void(const std::string& reason)>;

    // The module from `modules`, its failure told by their reporter; `modules` outlives this.
    explicit ArrivalSound(const LibraryModules& modules, QObject* parent = nullptr);
    ArrivalSound(Loader load, Reporter report, QObject* parent = nullptr);
    // Waits for an opening under way.
    ~ArrivalSound() override;
    ArrivalSound(const ArrivalSound&) = delete;
    ArrivalSound& operator=(const ArrivalSound&) = delete;

    // On the UI thread. Plays the sound, at once when the module is open. Opening it takes tens
    // of milliseconds (Qt Multimedia and the sound server's libraries), too long for the UI
    // thread while a burst of notes is shown: the first call opens it on a thread of its own
    // and the sound follows once it is open; calls meanwhile make that one sound. Without the
    // module the first call tells why, once, and the rest of the run is silent.
    void play();

private:
    void opened();

    enum class State { Closed, Opening, Open, Missing };
    Loader load_;
    Reporter report_;
    State state_ = State::Closed;
    std::thread opener_;
    // Written by the opener before it hands over to the UI thread.
    std::mutex mutex_;
    const SoundModuleTable* table_ = nullptr;
    std::string reason_;
};

}  // namespace kd
