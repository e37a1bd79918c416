// Access to INI ("profile") files with the semantics programs on Windows expect of the
// private-profile functions, made crash-safe and safe between threads and processes.
//
// File syntax: "[section]" header lines and "key=value" lines; section and key names compare
// without regard to (ASCII) case; lines starting with ";" or "#", blank lines and any other
// line are kept as they are but carry no key. Keys before the first section are ignored.
// Files with CRLF line ends (copies made on Windows) read the same; a rewrite keeps the line
// end style of the file it found, and new files get LF. A leading UTF-8 byte order mark is
// skipped and kept.
//
// Every write rewrites the whole file into a fresh temporary beside it ("<path>.tmp.XXXXXX",
// made with O_EXCL|O_NOFOLLOW, so nothing planted at a name is ever opened), syncs it and
// renames it over the file, so a crash leaves either the old or the new file. A new file is
// 0600; a replaced one keeps its mode. Threads of the process are serialised per file; between
// processes a writer takes an advisory lock (flock) on the file itself but waits for another
// holder only a moment (see kLockPatience in the source), so no other program can hold the
// interface or the receiving server up. Readers need no lock: they always see one complete
// file, and anything but a regular file at the path reads as unreadable instead of being
// waited for. The parsed file is cached per path and parsed again when its inode, size, mtime
// or ctime changed (a read inside a ProfileFile::Snapshot scope does not look).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

// A set of changes to one profile file (keys set or removed, sections removed, in any
// sections), applied by ProfileFile::apply as one replace of the file: all of it or nothing.
class ProfileEdit {
public:
    void set(std::string_view section, std::string_view key, std::string_view value);
    void remove_key(std::string_view section, std::string_view key);
    void remove_section(std::string_view section);

    bool empty() const { return changes_.empty(); }
    std::size_t size() const { return changes_.size(); }
    // Appends the other edit's changes after this one's.
    void append(const ProfileEdit& other);

private:
    friend class ProfileFile;
    enum class Op { Set, RemoveKey, RemoveSection };
    struct Change {
        Op op;
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Change> changes_;
};

// Replaces of a file carried out by another thread (the settings file's writer), so that no
// caller waits for the disk. See ProfileFile::defer_replaces.
class DeferredReplaces {
public:
    virtual ~DeferredReplaces() = default;
    // The file's whole new content, to be written with ProfileFile::replace_now(path, content,
    // generation). Called in the order of the changes with the file's cache locked: it must
    // only take the content and return, and never call back into ProfileFile.
    virtual void replace_later(std::string content, std::uint64_t generation) = 0;
    // Runs `done` (on any thread) once the file holds the last content handed over, or a
    // later one. Called with the file's cache locked, like replace_later.
    virtual void when_written(std::function<void()> done) = 0;
};

class ProfileFile {
public:
    // The stored value, or "" when the file, section or key is missing. Blanks around the
    // value and one pair of enclosing quotation marks are removed; a longer value is cut to
    // capacity - 1 bytes at a UTF-8 character boundary. A value that is not UTF-8 (Windows
    // copies write Windows-1252) is cut to capacity - 1 bytes and then read as Windows-1252,
    // so it comes back as UTF-8. Section and key names compare without regard to case.
    static std::string read(const std::string& path, std::string_view section, std::string_view key,
                            std::size_t capacity);

    // Same result as read(), but opens and parses the file for this one call, as the
    // Windows functions do; used to measure what the cache saves.
    static std::string read_uncached(const std::string& path, std::string_view section,
                                     std::string_view key, std::size_t capacity);

    // Creates or replaces the key; the file and the section are created when missing.
    // A value of std::nullopt deletes the key. Returns false when the file cannot be written
    // (missing folder, path is a directory, disk full, ...). A section or key name that
    // could not be read back (empty section, line ends, "]" in a section, "=" in a key or
    // blanks around either) and a value holding a line end are refused with false and the
    // file is left as it was: a line end would split the value and let its tail turn into
    // keys or sections of its own.
    static bool write(const std::string& path, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value);

    struct KeyValue {
        std::string_view key;
        std::string_view value;
    };
    // Creates or replaces several keys of one section as one change of the file: either all
    // of them are written or none (same refusals as write()).
    static bool write_keys(const std::string& path, std::string_view section,
                           std::span<const KeyValue> entries);

    static bool delete_key(const std::string& path, std::string_view section,
                           std::string_view key) {
        return write(path, section, key, std::nullopt);
    }

    // Applies every change of the edit, in order, as one replace of the file. Refused as a
    // whole (false, file untouched) when any change would be refused by write() or
    // delete_section(). An empty edit, or one that changes nothing, writes nothing.
    static bool apply(const std::string& path, const ProfileEdit& edit);

    // Whether the file can be written: a file marked read-only (no write bit) is refused,
    // as Windows refuses a read-only file, and so is a folder in which no new file can be
    // made (read-only mount, no right). Writes nothing that stays.
    static bool writable(const std::string& path);

    // Names of the keys of a section in file order (first section of that name).
    static std::vector<std::string> keys(const std::string& path, std::string_view section);

    // Removes the whole section with its keys (every section of that name). Returns true when
    // the section is gone afterwards, also when there was none.
    static bool delete_section(const std::string& path, std::string_view section);

    // True when the file has a section of this name (with or without keys).
    static bool has_section(const std::string& path, std::string_view section);

    // The names of the file's sections in lower case, each once, in no particular order.
    static std::vector<std::string> section_names(const std::string& path);

    // From now on every change of the file at `path` changes its cached document at once and
    // hands the new content to `writer` instead of replacing the file; reads see the change at
    // once. Refusals (names, line ends, an unreadable file, one marked read-only) still fail
    // the call; a replace that fails later is the writer's to report. While content waits, the
    // document is not read from disk again, so a change another program makes meanwhile is
    // lost. nullptr goes back to replacing at once: only once the writer has stopped.
    static void defer_replaces(const std::string& path, DeferredReplaces* writer);

    // Runs `done` once the file on disk holds every change made so far: at once when it does,
    // else on the writer's thread after its replace.
    static void when_written(const std::string& path, std::function<void()> done);

    // The writer's replace of the file by `content`, under the inter-process lock. When the
    // content is the last one handed out (`generation`), the cache takes the new file's stamp
    // and reads from disk again from then on. False when the file cannot be written.
    static bool replace_now(const std::string& path, std::string_view content,
                            std::uint64_t generation);

    // While one lives, reads of the file at `path` (read, keys, has_section, section_names)
    // take the cached document as the scope found it, with this process's own changes, and do
    // not look at the disk again: a start reads thousands of keys, and each look was a stat of
    // the file. A change another program makes meanwhile is seen after the last scope ends.
    // Changes still check the file as always. Scopes may nest and live on any thread.
    class Snapshot {
    public:
        explicit Snapshot(std::string path);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        std::string path_;
    };

    // Drops every cached file (tests use it to start from a known state); a document that
    // holds changes not yet written stays.
    static void clear_cache();

    // Replaces of files done by this process so far (benchmarks and tests count them).
    static std::uint64_t replace_count();
    // Looks at files on disk (a stat) made by reads and changes to see whether a cached file
    // is still current, so far in this process (tests count them).
    static std::uint64_t disk_check_count();
};

// Cuts text to at most max_bytes bytes without splitting a UTF-8 character; bytes that are
// not UTF-8 (for example Windows-1252 text) are cut at max_bytes.
std::string cut_at_char_boundary(std::string_view text, std::size_t max_bytes);

}  // namespace kd
