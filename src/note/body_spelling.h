// Spell checking for every note body of the program: the one checker (loaded on a thread of
// its own, handed to the interface thread ready), whether checking is on, the personal word
// list, and re-checking the bodies one by one when any of that changes.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "spelling/spell_checker.h"

namespace kd {

class BodySpelling : public QObject {
    Q_OBJECT
public:
    explicit BodySpelling(SpellingSetup setup, QObject* parent = nullptr);
    // Waits for a dictionary still loading.
    ~BodySpelling() override;

    bool enabled() const { return enabled_; }
    // The checker while checking is on and a dictionary is loaded, else null. Interface
    // thread only.
    SpellChecker* checker() const { return enabled_ ? checker_.get() : nullptr; }
    // Whether a load ended (with or without a dictionary).
    bool loaded() const { return loaded_; }

    // Adds a word to the personal list and stores the list. False when the word does not fit
    // the list or the list could not be written; the word is accepted for this run either way.
    bool add_word(const QString& word);

    // Runs `work` in a later round of the event loop, one request a round, so that re-checking
    // many notes leaves room for the user between them. Dropped when `owner` is gone.
    void recheck_later(QObject* owner, std::function<void()> work);

public slots:
    // Turning checking on loads the dictionary the first time, off the interface thread.
    void set_enabled(bool on);

signals:
    // What counts as misspelt changed (turned on or off, dictionary ready, a word added).
    void changed();

private:
    void take(LoadedSpelling loaded);
    void run_next_recheck();

    SpellingSetup setup_;
    bool enabled_ = false;
    bool loading_ = false;
    bool loaded_ = false;
    std::thread loader_;
    std::unique_ptr<SpellChecker> checker_;
    std::vector<std::u16string> personal_;
    struct Recheck {
        QPointer<QObject> owner;
        std::function<void()> work;
    };
    std::deque<Recheck> rechecks_;
    QTimer recheck_timer_;
};

}  // namespace kd
