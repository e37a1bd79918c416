#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

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
    FileStamp stamp;
    Document doc;
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
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    // Closes and reports whether the close (which may flush) succeeded.
    bool close_checked() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

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

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

enum class LoadResult { Ok, Missing, Failed };

// Opens and parses the file. Missing means there is no file (an empty document).
LoadResult load_file(const std::string& path, Document& doc, FileStamp& stamp) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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

// Brings the cache entry up to date with the file on disk. Call with entry.mutex held.
// Returns false when the file exists but cannot be read.
bool refresh(const std::string& path, CacheEntry& entry) {
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

// Replaces the file with the new text: temporary file, fsync, rename, fsync of the folder.
bool replace_file(const std::string& path, const std::string& text, bool existed, int folder_fd) {
    const std::string tmp = path + ".tmp";
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.ok()) {
        return false;
    }
    bool ok = true;
    if (existed) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            ::fchmod(fd.get(), st.st_mode & 07777);
        }
    }
    ok = write_all(fd.get(), text) && ::fsync(fd.get()) == 0;
    ok = fd.close_checked() && ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    g_replaces.fetch_add(1, std::memory_order_relaxed);
    // Some file systems refuse fsync on folders; the rename itself has happened.
    if (folder_fd >= 0) {
        ::fsync(folder_fd);
    }
    return true;
}

// Runs one change of the file under the per-path mutex and the inter-process lock.
template <typename Change>
bool modify(const std::string& given_path, Change&& change) {
    if (given_path.empty()) {
        return false;
    }
    const std::string path = write_target(given_path);
    CacheEntry& entry = entry_for(given_path);
    std::lock_guard guard(entry.mutex);

    // The folder is the lock: it outlives the rename that replaces the file, and locking it
    // leaves no lock files beside exported notes. Writes to other files of the same folder
    // wait for each other too, which costs nothing noticeable.
    Fd lock(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock.ok() && (errno == ENOENT || errno == ENOTDIR)) {
        return false;
    }
    // A folder that cannot be opened or locked (no read right, a file system without flock)
    // still gets the atomic replace; only the guard against other processes is lost.
    while (lock.ok() && ::flock(lock.get(), LOCK_EX) != 0 && errno == EINTR) {
    }

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
    const bool existed = entry.exists;
    if (!replace_file(path, entry.doc.serialize(), existed, lock.get())) {
        return false;
    }
    struct stat st {};
    if (::stat(given_path.c_str(), &st) == 0) {
        entry.stamp = FileStamp::of(st);
        entry.exists = true;
        entry.valid = true;
    }
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
    if (!refresh(path, entry)) {
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
    const std::string probe = path + ".probe." + std::to_string(::getpid());
    Fd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
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
    if (!refresh(path, entry)) {
        return {};
    }
    return entry.doc.key_names(section);
}

std::uint64_t ProfileFile::replace_count() {
    return g_replaces.load(std::memory_order_relaxed);
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
    return refresh(path, entry) && entry.doc.has_section(section);
}

std::vector<std::string> ProfileFile::section_names(const std::string& path) {
    CacheEntry& entry = entry_for(path);
    std::lock_guard guard(entry.mutex);
    std::vector<std::string> out;
    if (!refresh(path, entry)) {
        return out;
    }
    out.reserve(entry.doc.sections.size());
    for (const auto& [name, headers] : entry.doc.sections) {
        out.push_back(name);
    }
    return out;
}

void ProfileFile::clear_cache() {
    std::lock_guard lock(registry_mutex());
    for (auto& [path, entry] : registry()) {
        std::lock_guard guard(entry->mutex);
        entry->valid = false;
        entry->doc = Document{};
    }
}

}  // namespace kd
