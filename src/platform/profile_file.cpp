#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/private_files.h"
#include "platform/profile_document.h"
#include "platform/text_encoding.h"

namespace kd {

namespace {

using profile_text::classify;
using profile_text::Document;
using profile_text::equals_nocase;
using profile_text::has_line_end;
using profile_text::LineInfo;
using profile_text::LineKind;
using profile_text::lower;
using profile_text::trim;

// Identity of one version of the file on disk.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileStamp of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileStamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

struct CacheEntry {
    std::mutex mutex;
    bool valid = false;  // doc and stamp describe the file on disk
    bool exists = false;
    // Another process held the file's lock past our patience: until it lets go, writes do not
    // wait for it again.
    bool lock_withheld = false;
    FileStamp stamp;
    Document doc;
    // Set while another thread replaces the file for us (ProfileFile::defer_replaces).
    DeferredReplaces* deferred = nullptr;
    // The content last handed to `deferred`; `ahead` while the file does not hold it yet.
    // The document is then what the file is about to hold and is not read from disk again.
    std::uint64_t generation = 0;
    bool ahead = false;
    // ProfileFile::Snapshot scopes open on the file: reads trust a valid document without
    // looking at the disk.
    int snapshots = 0;
};

std::mutex& registry_mutex() {
    static std::mutex m;
    return m;
}

std::unordered_map<std::string, std::unique_ptr<CacheEntry>>& registry() {
    static std::unordered_map<std::string, std::unique_ptr<CacheEntry>> r;
    return r;
}

// Entries live as long as the process, so a reference stays good after the registry lock.
CacheEntry& entry_for(const std::string& path) {
    std::lock_guard lock(registry_mutex());
    auto& slot = registry()[path];
    if (!slot) {
        slot = std::make_unique<CacheEntry>();
    }
    return *slot;
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool read_all(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
}

enum class LoadResult { Ok, Missing, Failed };

// Opens and parses the file. Missing means there is no file (an empty document). Anything but
// a regular file (a FIFO would keep us waiting for a writer) cannot be read.
LoadResult load_file(const std::string& path, Document& doc, FileStamp& stamp) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.ok()) {
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return LoadResult::Failed;
    }
    std::string text;
    if (!read_all(fd.get(), text)) {
        return LoadResult::Failed;
    }
    doc.parse(text);
    stamp = FileStamp::of(st);
    return LoadResult::Ok;
}

std::atomic<std::uint64_t> g_disk_checks{0};

// Whether refresh() may take a valid document as it is inside a snapshot scope: reads may,
// a change never does (it must not write over what another program put there meanwhile).
enum class Look { Always, UnlessSnapshot };

// Brings the cache entry up to date with the file on disk. Call with entry.mutex held.
// Returns false when the file exists but cannot be read.
bool refresh(const std::string& path, CacheEntry& entry, Look look = Look::Always) {
    if (entry.ahead) {
        return true;
    }
    if (look == Look::UnlessSnapshot && entry.snapshots > 0 && entry.valid) {
        return true;
    }
    g_disk_checks.fetch_add(1, std::memory_order_relaxed);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            entry.valid = true;
            entry.exists = false;
            entry.doc = Document{};
            return true;
        }
        entry.valid = false;
        return false;
    }
    if (entry.valid && entry.exists && entry.stamp == FileStamp::of(st)) {
        return true;
    }
    Document doc;
    FileStamp stamp;
    switch (load_file(path, doc, stamp)) {
        case LoadResult::Ok:
            entry.doc = std::move(doc);
            entry.stamp = stamp;
            entry.exists = true;
            entry.valid = true;
            return true;
        case LoadResult::Missing:
            entry.doc = Document{};
            entry.exists = false;
            entry.valid = true;
            return true;
        case LoadResult::Failed:
            break;
    }
    entry.valid = false;
    return false;
}

std::string finish_value(std::string_view value, std::size_t capacity) {
    if (capacity == 0) {
        return {};
    }
    // Windows copies store Windows-1252: cut as they would read it, then made UTF-8.
    return is_valid_utf8(value) ? cut_at_char_boundary(value, capacity - 1)
                                : windows_1252_to_utf8(value.substr(0, capacity - 1));
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes go to the file a symbolic link points at, so the link survives the rename.
std::string write_target(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved = real;
            std::free(real);
            return resolved;
        }
    }
    return path;
}

std::atomic<std::uint64_t> g_replaces{0};

// A file marked read-only is refused, as Windows refuses to write a read-only file; the
// rename would otherwise replace it whatever its mode (and root may write anything).
bool file_refuses_writes(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;  // missing: the folder decides
    }
    if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return true;
    }
    return ::access(path.c_str(), W_OK) != 0;
}

// How long a write waits for another process that holds the file's lock: another program of
// the user's that reads or writes the file. One that keeps it must not freeze the interface or
// the receiving server, so the write then goes on without the lock.
constexpr std::chrono::milliseconds kLockPatience{500};

// Waits for the lock on `fd` until `deadline`. flock has no time-out, so a helper thread does
// the waiting; when we give up, it stays blocked until the holder lets go and then drops the
// lock at once (one such thread per holder that keeps the lock, see lock_withheld). The waiting
// itself is the kernel's, so a writer that takes the lock again and again cannot starve us as
// polling would.
Fd wait_for_lock(Fd fd, std::chrono::steady_clock::time_point deadline, bool& withheld) {
    struct Wait {
        std::mutex mutex;
        std::condition_variable done_cv;
        int fd = -1;
        bool done = false;
        bool locked = false;
        bool abandoned = false;
    };
    auto wait = std::make_shared<Wait>();
    wait->fd = fd.release();
    try {
        std::thread([wait] {
            int result = 0;
            while ((result = ::flock(wait->fd, LOCK_EX)) != 0 && errno == EINTR) {
            }
            std::lock_guard guard(wait->mutex);
            if (wait->abandoned) {
                ::close(wait->fd);
                return;
            }
            wait->locked = result == 0;
            wait->done = true;
            wait->done_cv.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        ::close(wait->fd);
        withheld = true;
        return Fd{};
    }
    std::unique_lock guard(wait->mutex);
    if (!wait->done_cv.wait_until(guard, deadline, [&] { return wait->done; })) {
        wait->abandoned = true;
        withheld = true;
        return Fd{};
    }
    Fd result(wait->fd);
    return wait->locked ? std::move(result) : Fd{};
}

// The advisory lock (flock) that writers of the file share: the file itself while it exists,
// the folder only while it does not (two writers creating it must not both start from
// nothing). The file is ours alone to open, while anyone who may list a folder can lock it,
// so the folder lock is used for that moment only. A writer's rename puts a new file in place:
// a lock got on a file that was replaced meanwhile is taken again on the new one, and a
// folder lock got after the file appeared is given up for the file's. Empty when the lock
// cannot be used at all, or when `patience` ran out (`withheld` then says so).
Fd lock_for_writing(const std::string& path, std::chrono::milliseconds patience, bool& withheld) {
    withheld = false;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        const bool on_file = fd.ok();
        if (!on_file) {
            if (errno != ENOENT) {
                return Fd{};
            }
            fd = Fd(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        struct stat held {};
        if (!fd.ok() || ::fstat(fd.get(), &held) != 0 ||
            !(on_file ? S_ISREG(held.st_mode) : S_ISDIR(held.st_mode))) {
            return Fd{};
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            const bool held_by_other = errno == EWOULDBLOCK;
            if (!held_by_other || std::chrono::steady_clock::now() >= deadline) {
                withheld = held_by_other;
                return Fd{};
            }
            fd = wait_for_lock(std::move(fd), deadline, withheld);
            if (!fd.ok()) {
                return Fd{};
            }
        }
        struct stat now {};
        const bool present = ::stat(path.c_str(), &now) == 0;
        if (on_file ? present && now.st_dev == held.st_dev && now.st_ino == held.st_ino
                    : !present) {
            return fd;
        }
    }
}

// A change of a file whose replaces another thread does: the cached document takes the change
// at once and the writer gets the whole new content. The checks that a write would fail at
// once (unreadable file, file marked read-only) are made here, so the caller hears of them as
// before; the replace's own failure the writer reports. Call with entry.mutex held.
template <typename Change>
bool modify_deferred(const std::string& given_path, const std::string& path, CacheEntry& entry,
                     Change&& change) {
    if (!refresh(given_path, entry) || file_refuses_writes(path)) {
        return false;
    }
    if (!change(entry.doc)) {
        return true;
    }
    entry.exists = true;
    entry.valid = true;
    entry.ahead = true;
    entry.deferred->replace_later(entry.doc.serialize(), ++entry.generation);
    return true;
}

// Runs one change of the file under the per-path mutex and the inter-process lock.
template <typename Change>
bool modify(const std::string& given_path, Change&& change) {
    if (given_path.empty()) {
        return false;
    }
    const std::string path = write_target(given_path);
    // No folder, no file: even a change that finds nothing to change fails.
    struct stat folder {};
    if (::stat(folder_of(path).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        return false;
    }
    CacheEntry& entry = entry_for(given_path);
    std::lock_guard guard(entry.mutex);
    if (entry.deferred != nullptr) {
        return modify_deferred(given_path, path, entry, change);
    }

    // Threads of this process meet at the mutex. Other processes that write the file (only one
    // Korvadesk runs per user, but there are the companion program and the user's own tools)
    // share the lock, which is waited for a moment at most: its holder may be anyone's program.
    bool withheld = false;
    const Fd lock = lock_for_writing(
        path, entry.lock_withheld ? std::chrono::milliseconds(0) : kLockPatience, withheld);
    if (withheld && !entry.lock_withheld) {
        std::fprintf(stderr,
                     "korvadesk: %s is locked by another program; written without waiting\n",
                     path.c_str());
    }
    entry.lock_withheld = withheld;

    // Never rewrite a file that could not be read: its content would be lost.
    if (!refresh(given_path, entry) || file_refuses_writes(path)) {
        return false;
    }
    // The change works on the cached document itself: a copy of a large file for every
    // write cost more than the write. Until the new file is in place the cache is marked
    // stale, so a failed change or replace makes the next access parse the file again.
    entry.valid = false;
    if (!change(entry.doc)) {
        entry.valid = true;
        return true;
    }
    // The stamp of the file we put in place, not of whatever the path shows now: our lock was
    // on the file we replaced, so another writer may already have replaced ours.
    struct stat st {};
    if (!replace_file_contents(path, entry.doc.serialize(), ReplaceMode::KeepMode, &st)) {
        return false;
    }
    g_replaces.fetch_add(1, std::memory_order_relaxed);
    entry.stamp = FileStamp::of(st);
    entry.exists = true;
    entry.valid = true;
    entry.ahead = false;
    return true;
}

bool valid_section_name(std::string_view s) {
    return !s.empty() && trim(s) == s && !has_line_end(s) && s.find(']') == std::string_view::npos;
}

bool valid_key_name(std::string_view k) {
    return !k.empty() && trim(k) == k && !has_line_end(k) &&
           k.find('=') == std::string_view::npos && k[0] != '[' && k[0] != ';' && k[0] != '#';
}

bool valid_change_names(std::string_view section, std::string_view key, bool with_key) {
    return valid_section_name(section) && (!with_key || valid_key_name(key));
}

}  // namespace

void ProfileEdit::set(std::string_view section, std::string_view key, std::string_view value) {
    changes_.push_back({Op::Set, std::string(section), std::string(key), std::string(value)});
}

void ProfileEdit::remove_key(std::string_view section, std::string_view key) {
    changes_.push_back({Op::RemoveKey, std::string(section), std::string(key), {}});
}

void ProfileEdit::remove_section(std::string_view section) {
    changes_.push_back({Op::RemoveSection, std::string(section), {}, {}});
}

void ProfileEdit::append(const ProfileEdit& other) {
    changes_.insert(changes_.end(), other.changes_.begin(), other.changes_.end());
}

std::string cut_at_char_boundary(std::string_view text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return std::string(text);
    }
    std::size_t cut = max_bytes;
    // Walk back over continuation bytes to the lead byte of the character at the cut.
    std::size_t start = cut;
    while (start > 0 && cut - start < 3 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        --start;
    }
    const auto lead = static_cast<unsigned char>(text[start]);
    std::size_t len = 1;
    if ((lead & 0xE0) == 0xC0) {
        len = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4;
    }
    if (start < cut && start + len > cut) {
        cut = start;
    }
    return std::string(text.substr(0, cut));
}

std::string ProfileFile::read(const std::string& path, std::string_view section,
                              std::string_view key, std::size_t capacity) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    if (!refresh(path, entry, Look::UnlessSnapshot)) {
        return {};
    }
    return finish_value(entry.doc.get(section, key), capacity);
}

std::string ProfileFile::read_uncached(const std::string& path, std::string_view section,
                                       std::string_view key, std::size_t capacity) {
    Document doc;
    FileStamp stamp;
    if (load_file(path, doc, stamp) != LoadResult::Ok) {
        return {};
    }
    return finish_value(doc.get(section, key), capacity);
}

bool ProfileFile::write(const std::string& path, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
    if (!valid_section_name(section) || !valid_key_name(key) || (value && has_line_end(*value))) {
        return false;
    }
    return modify(path, [&](Document& doc) {
        return value ? doc.set(section, key, *value) : doc.remove_key(section, key);
    });
}

bool ProfileFile::write_keys(const std::string& path, std::string_view section,
                             std::span<const KeyValue> entries) {
    if (!valid_section_name(section)) {
        return false;
    }
    ProfileEdit edit;
    for (const auto& e : entries) {
        edit.set(section, e.key, e.value);
    }
    return apply(path, edit);
}

bool ProfileFile::apply(const std::string& path, const ProfileEdit& edit) {
    using Op = ProfileEdit::Op;
    for (const auto& c : edit.changes_) {
        if (!valid_change_names(c.section, c.key, c.op != Op::RemoveSection) ||
            (c.op == Op::Set && has_line_end(c.value))) {
            return false;
        }
    }
    if (edit.empty()) {
        return true;
    }
    return modify(path, [&](Document& doc) {
        bool changed = false;
        std::vector<std::pair<std::string_view, std::string_view>> run;
        const auto& changes = edit.changes_;
        for (std::size_t i = 0; i < changes.size();) {
            const auto& c = changes[i];
            if (c.op == Op::Set) {
                // A run of keys of one section (a record) goes in together.
                run.clear();
                std::size_t j = i;
                while (j < changes.size() && changes[j].op == Op::Set &&
                       equals_nocase(changes[j].section, c.section)) {
                    run.emplace_back(changes[j].key, changes[j].value);
                    ++j;
                }
                changed = doc.set_many(c.section, run) || changed;
                i = j;
                continue;
            }
            if (c.op == Op::RemoveKey) {
                // A run of removed keys (taken mailbox slots) costs one pass over the file.
                std::unordered_set<std::string> names;
                for (; i < changes.size() && changes[i].op == Op::RemoveKey; ++i) {
                    names.insert(Document::removal_name(changes[i].section, changes[i].key));
                }
                changed = doc.remove_keys(names) || changed;
                continue;
            }
            // A run of removed sections (old records) costs one pass over the file.
            std::unordered_set<std::string> names;
            for (; i < changes.size() && changes[i].op == Op::RemoveSection; ++i) {
                names.insert(lower(changes[i].section));
            }
            changed = doc.remove_sections(names) || changed;
        }
        return changed;
    });
}

bool ProfileFile::writable(const std::string& given_path) {
    if (given_path.empty()) {
        return false;
    }
    const std::string path = write_target(given_path);
    if (file_refuses_writes(path)) {
        return false;
    }
    // A file of our own beside it shows whether the folder takes new files (the replace
    // needs one); a read-only mount refuses even root here.
    std::string probe;
    Fd fd(create_unique_file(path + ".probe.", probe));
    if (!fd.ok()) {
        return false;
    }
    fd.reset();
    ::unlink(probe.c_str());
    return true;
}

std::vector<std::string> ProfileFile::keys(const std::string& path, std::string_view section) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    if (!refresh(path, entry, Look::UnlessSnapshot)) {
        return {};
    }
    return entry.doc.key_names(section);
}

std::uint64_t ProfileFile::replace_count() {
    return g_replaces.load(std::memory_order_relaxed);
}

std::uint64_t ProfileFile::disk_check_count() {
    return g_disk_checks.load(std::memory_order_relaxed);
}

bool ProfileFile::delete_section(const std::string& path, std::string_view section) {
    if (!valid_section_name(section)) {
        return false;
    }
    return modify(path, [&](Document& doc) { return doc.remove_section(section); });
}

bool ProfileFile::has_section(const std::string& path, std::string_view section) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    return refresh(path, entry, Look::UnlessSnapshot) && entry.doc.has_section(section);
}

std::vector<std::string> ProfileFile::section_names(const std::string& path) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    std::vector<std::string> out;
    if (!refresh(path, entry, Look::UnlessSnapshot)) {
        return out;
    }
    out.reserve(entry.doc.sections.size());
    for (const auto& [name, headers] : entry.doc.sections) {
        out.push_back(name);
    }
    return out;
}

void ProfileFile::defer_replaces(const std::string& path, DeferredReplaces* writer) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    entry.deferred = writer;
}

void ProfileFile::when_written(const std::string& path, std::function<void()> done) {
    {
        CacheEntry& entry = entry_for(path);
        std::lock_guard guard(entry.mutex);
        if (entry.ahead && entry.deferred != nullptr) {
            entry.deferred->when_written(std::move(done));
            return;
        }
    }
    done();
}

bool ProfileFile::replace_now(const std::string& given_path, std::string_view content,
                              std::uint64_t generation) {
    const std::string path = write_target(given_path);
    struct stat folder {};
    if (::stat(folder_of(path).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        return false;
    }
    CacheEntry& entry = entry_for(given_path);
    bool was_withheld = false;
    {
        std::lock_guard guard(entry.mutex);
        was_withheld = entry.lock_withheld;
    }
    // The replace runs without the entry's mutex: readers and writers of the cached document
    // never wait for the disk. Only this thread replaces the file while it is deferred.
    bool withheld = false;
    const Fd lock = lock_for_writing(
        path, was_withheld ? std::chrono::milliseconds(0) : kLockPatience, withheld);
    if (withheld && !was_withheld) {
        std::fprintf(stderr,
                     "korvadesk: %s is locked by another program; written without waiting\n",
                     path.c_str());
    }
    struct stat st {};
    const bool replaced = !file_refuses_writes(path) &&
                          replace_file_contents(path, content, ReplaceMode::KeepMode, &st);
    std::lock_guard guard(entry.mutex);
    entry.lock_withheld = withheld;
    if (!replaced) {
        return false;
    }
    g_replaces.fetch_add(1, std::memory_order_relaxed);
    if (entry.ahead && entry.generation == generation) {
        // The file now holds the cached document: later reads check the disk again.
        entry.stamp = FileStamp::of(st);
        entry.exists = true;
        entry.valid = true;
        entry.ahead = false;
    }
    return true;
}

ProfileFile::Snapshot::Snapshot(std::string path) : path_(std::move(path)) {
    CacheEntry& entry = entry_for(path_);
    std::lock_guard guard(entry.mutex);
    ++entry.snapshots;
    refresh(path_, entry);
}

ProfileFile::Snapshot::~Snapshot() {
    CacheEntry& entry = entry_for(path_);
    std::lock_guard guard(entry.mutex);
    --entry.snapshots;
}

void ProfileFile::clear_cache() {
    std::lock_guard lock(registry_mutex());
    for (auto& [path, entry] : registry()) {
        std::lock_guard guard(entry->mutex);
        if (entry->ahead) {
            continue;  // the document holds what the file does not yet
        }
        entry->valid = false;
        entry->doc = Document{};
    }
}

}  // namespace kd
