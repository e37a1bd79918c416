#include "store/settings_writer.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "store/store_texts.h"

namespace kd {

namespace {

using Callbacks = std::vector<std::function<void()>>;

struct Content {
    std::string bytes;
    std::uint64_t generation = 0;
    Callbacks done;  // to run once the file holds this content
};

void run_all(Callbacks& callbacks) {
    for (auto& done : callbacks) {
        done();
    }
    callbacks.clear();
}

void move_into(Callbacks& from, Callbacks& to) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    from.clear();
}

}  // namespace

// Everything the thread and the callers share, under `mutex`.
struct SettingsWriter::State {
    std::string path;
    const ErrorReporter* errors = nullptr;
    Replace replace;
    std::function<void()> before_first_replace;  // run before the first replace, then empty

    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Content> waiting;  // the newest content, not started yet
    bool running = false;            // a replace is under way
    Callbacks running_done;          // what waits for it
    std::optional<Content> failed;   // the last content that failed, while none newer waits
    bool retry_now = false;          // try `failed` again without the pause
    bool failing = false;            // reported a failure; no replace succeeded since
    bool quiet = false;              // ending: failures are the caller's to report
    bool stopping = false;
    bool exited = false;
    bool held = false;  // contents wait for release()

    bool settled() const { return !waiting && !running && !(failed && retry_now); }
};

SettingsWriter::SettingsWriter(std::string path, const ErrorReporter& errors, Replace replace,
                               std::function<void()> before_first_replace)
    : path_(std::move(path)), state_(std::make_shared<State>()) {
    state_->path = path_;
    state_->errors = &errors;
    state_->replace = replace ? std::move(replace) : Replace(&ProfileFile::replace_now);
    state_->before_first_replace = std::move(before_first_replace);
    thread_ = std::thread([state = state_] { run(state); });
    ProfileFile::defer_replaces(path_, this);
}

SettingsWriter::~SettingsWriter() {
    {
        std::unique_lock lock(state_->mutex);
        state_->quiet = true;
        state_->stopping = true;
        state_->held = false;
        state_->retry_now = state_->failed.has_value();
        state_->changed.notify_all();
        // A disk that does not answer must not keep the program from ending: the thread then
        // finishes on its own, keeping the state alive.
        state_->changed.wait_for(lock, kLongestEnd, [&] { return state_->exited; });
    }
    if (state_->exited) {
        thread_.join();
    } else {
        thread_.detach();
    }
    ProfileFile::defer_replaces(path_, nullptr);
}

void SettingsWriter::hold() {
    std::lock_guard lock(state_->mutex);
    state_->held = true;
}

void SettingsWriter::release() {
    std::lock_guard lock(state_->mutex);
    state_->held = false;
    state_->changed.notify_all();
}

void SettingsWriter::replace_later(std::string content, std::uint64_t generation) {
    std::lock_guard lock(state_->mutex);
    Content next{std::move(content), generation, {}};
    // The newer content holds everything the one it replaces held.
    if (state_->waiting) {
        next.done = std::move(state_->waiting->done);
    } else if (state_->failed) {
        next.done = std::move(state_->failed->done);
        state_->failed.reset();
    }
    state_->waiting = std::move(next);
    state_->changed.notify_all();
}

void SettingsWriter::when_written(std::function<void()> done) {
    std::unique_lock lock(state_->mutex);
    if (state_->waiting) {
        state_->waiting->done.push_back(std::move(done));
    } else if (state_->running) {
        state_->running_done.push_back(std::move(done));
    } else if (state_->failed) {
        state_->failed->done.push_back(std::move(done));
    } else {
        lock.unlock();
        done();
    }
}

bool SettingsWriter::finish(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->mutex);
    state_->quiet = true;
    state_->held = false;
    state_->retry_now = state_->failed.has_value();
    state_->changed.notify_all();
    state_->changed.wait_for(lock, limit, [&] { return state_->settled(); });
    return state_->settled() && !state_->failed;
}

void SettingsWriter::run(const std::shared_ptr<State>& state) {
    State& s = *state;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (s.held && !s.stopping) {
            s.changed.wait(lock, [&] { return !s.held || s.stopping; });
            continue;
        }
        if (!s.waiting && s.failed && s.retry_now) {
            s.waiting = std::move(s.failed);
            s.failed.reset();
        }
        s.retry_now = false;
        if (!s.waiting) {
            if (s.stopping) {
                break;
            }
            if (s.failed) {
                if (!s.changed.wait_for(lock, kRetryPause,
                                        [&] { return s.waiting || s.retry_now || s.stopping; })) {
                    s.retry_now = true;
                }
            } else {
                s.changed.wait(lock, [&] { return s.waiting || s.stopping; });
            }
            continue;
        }
        Content content = std::move(*s.waiting);
        s.waiting.reset();
        s.running = true;
        s.running_done = std::move(content.done);
        std::function<void()> first = std::exchange(s.before_first_replace, nullptr);
        lock.unlock();
        if (first) {
            first();
        }
        const bool written = s.replace(s.path, content.bytes, content.generation);
        lock.lock();
        s.running = false;
        Callbacks done = std::move(s.running_done);
        s.running_done.clear();
        if (written) {
            s.failing = false;
            lock.unlock();
            run_all(done);
            lock.lock();
        } else {
            if (s.waiting) {
                move_into(done, s.waiting->done);
            } else {
                content.done = std::move(done);
                s.failed = std::move(content);
            }
            const bool tell = !s.failing && !s.quiet;
            s.failing = true;
            if (tell) {
                lock.unlock();
                s.errors->report(std::string(store_texts::kErrorWritingNote));
                lock.lock();
            }
            if (s.stopping && !s.waiting) {
                break;  // tried once more at the end; the caller reports it
            }
        }
        s.changed.notify_all();
    }
    s.exited = true;
    s.changed.notify_all();
}

}  // namespace kd
