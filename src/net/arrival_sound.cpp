#include "net/arrival_sound.h"

#include <QLoggingCategory>
#include <QSoundEffect>
#include <QUrl>

// Resources of a static library must be registered by hand.
static void init_sound_resources() {
    Q_INIT_RESOURCE(sound);
}

namespace kd {

void play_arrival_sound() {
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

}  // namespace kd
