// The module's side: korvadesk-sound.so is built from this file and the sound's resource, and
// only it links Qt Multimedia.
#include <QLoggingCategory>
#include <QSoundEffect>
#include <QUrl>

#include "net/sound_module.h"
#include "platform/library_modules.h"

// Q_INIT_RESOURCE declares the resource's function: it must stand outside any namespace.
static void init_sound_resources() {
    Q_INIT_RESOURCE(sound);
}

namespace {

void play_arrival() {
    // One effect for the run: it must outlive the asynchronous play.
    static QSoundEffect* effect = [] {
        init_sound_resources();
        // Playing fails silently: a computer without a sound server is no news to a person.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia*.warning=false"));
        auto* e = new QSoundEffect();
        e->setSource(QUrl(QStringLiteral("qrc:/sound/arrival.wav")));
        return e;
    }();
    effect->stop();
    effect->play();
}

const kd::SoundModuleTable kTable{&play_arrival};

}  // namespace

KD_MODULE_TABLE(kd::SoundModuleTable, korvadesk_sound_module_1) {
    return &kTable;
}
