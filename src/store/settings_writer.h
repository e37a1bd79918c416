// The thread that writes the settings file. Every change of the file changes the cached
// document at once (ProfileFile::defer_replaces) and hands this writer a copy of the whole new
// content; the writer replaces the file with it (temporary, sync, rename, sync of the folder)
// while the interface goes on. The contents are written in the order they came; one that waits
// while a newer one comes is dropped, as the newer holds it. The file lags behind the cached
// document by at most the content being written and the one waiting.
//
// A replace that fails is reported once (store_texts::kErrorWritingNote, through the
// reporter, which shows it on the UI thread) and not again until a replace succeeded; the
// failed content is tried again after a pause, or sooner when a newer one comes. Work that
// must wait until the file holds a change (the spool lets its taken records go) is run on the
// writer's thread after the replace that wrote it.
//
// A start may hold the writer (hold()) while the notes come up: changes go into the cached
// document as always and the file is written once release() comes, so that the first note is
// not shown after a replace and two syncs. Work that must come before the first replace of the
// file (a backup of the file as the start found it) is given to the constructor and runs on
// the writer's thread.
//
// Windowless; the calls may come from any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/profile_file.h"
#include "store/error_reporter.h"

namespace kd {

class SettingsWriter final : public DeferredReplaces {
public:
    // Writes the file: replaces the file at `path` with `content`; false when it failed.
    using Replace =
        std::function<bool(const std::string& path, std::string_view content, std::uint64_t)>;

    // How long a failed content waits before it is tried again.
    static constexpr std::chrono::milliseconds kRetryPause{2000};
    // How long the end of the writer waits for what is still to be written.
    static constexpr std::chrono::milliseconds kLongestEnd{4000};

    // Takes over the replaces of `path` (ProfileFile::defer_replaces) and starts the thread.
    // `errors` must outlive the writer. `replace` is ProfileFile::replace_now unless a test
    // gives its own. `before_first_replace`, when given, runs on the writer's thread once,
    // right before its first replace.
    SettingsWriter(std::string path, const ErrorReporter& errors, Replace replace = {},
                   std::function<void()> before_first_replace = {});
    // Writes what waits (at most kLongestEnd), stops the thread and gives the replaces back.
    ~SettingsWriter() override;
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    // While held, nothing is written: contents wait (the newest one only, as always) until
    // release(). finish() and the end of the writer release it.
    void hold();
    void release();

    void replace_later(std::string content, std::uint64_t generation) override;
    void when_written(std::function<void()> done) override;

    // Waits until the file holds the last content handed over, at most `limit`; a content that
    // failed is tried once more at once. True when it does. The caller reports a failure: from
    // now on the writer reports none itself (the program is ending).
    bool finish(std::chrono::milliseconds limit);

    const std::string& path() const { return path_; }

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    std::string path_;
    // Shared with the thread, which outlives the writer when the end's wait ran out.
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace kd
