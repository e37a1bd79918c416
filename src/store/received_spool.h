// The queue of received notes that wait for the main window's tick, in a file of its own
// beside the settings file. A note is appended (and synced) before the sender gets its
// acknowledgement, so queuing one costs one short write instead of a rewrite of the settings
// file, and the queue never counts towards the settings file's size limit.
//
// Taking notes: each record has an id, increasing. The tick writes the notes it made and the
// id of the last record it took ("taken mark") into the settings file in one transaction; only
// after that are the records dropped from the spool. A crash in between leaves records that the
// mark already names, and the next start drops them; a crash before leaves the mark and the
// records as they were. So every acknowledged note is a note record or queued, exactly once.
//
// Layout: a header line "KORVADESK SPOOL 1 <generation>", then per record one line
// "N <id> <arrived> <from> <length> <check>", the message bytes and a line feed. The generation
// is drawn when the file is made; a mark of another generation (a settings file restored from
// elsewhere, a spool made anew) names none of its records. A record torn by a crash fails its
// check and is cut off with everything after it: it was never acknowledged.
//
// Windowless; every call may come from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

namespace spool {

// Where the taken mark lives in the settings file.
inline constexpr const char* kTakenSection = "NOTE_RECEIVED";
inline constexpr const char* kTakenKey = "SpoolTaken";
inline constexpr std::size_t kTakenCapacity = 64;

// What may wait at most; past it nothing is accepted (the sender gets no acknowledgement).
inline constexpr std::size_t kMostWaitingNotes = 500;
inline constexpr std::size_t kMostWaitingBytes = 8 * 1024 * 1024;
// A longer message is refused: a received message is at most 10240 bytes on the wire and at
// most three times that once read as Windows-1252 and kept as UTF-8.
inline constexpr std::size_t kLongestMessage = 3 * 10240;
// The most of a file that is read at start; the limits above keep a spool far below it.
inline constexpr std::size_t kLongestFile = 4 * kMostWaitingBytes;

}  // namespace spool

// The spool file beside a settings file: "Korvadesk.spool" for "Korvadesk.ini".
std::string received_spool_path(const std::string& ini_path);

struct SpoolRecord {
    std::uint64_t id = 0;
    std::time_t arrived = 0;
    std::string from;  // the sender's address as the connection gave it; "" unknown
    std::string message;
};

class ReceivedSpool {
public:
    struct Limits {
        std::size_t notes = spool::kMostWaitingNotes;
        std::size_t bytes = spool::kMostWaitingBytes;
    };

    // Reads the file when it exists and drops the records that `taken_mark` names. The file
    // itself is made by the first append.
    ReceivedSpool(std::string path, std::string_view taken_mark, Limits limits);
    ReceivedSpool(std::string path, std::string_view taken_mark)
        : ReceivedSpool(std::move(path), taken_mark, Limits{}) {}
    ~ReceivedSpool();
    ReceivedSpool(const ReceivedSpool&) = delete;
    ReceivedSpool& operator=(const ReceivedSpool&) = delete;

    enum class Append { Kept, Full, Failed };
    // Appends one message and syncs it; Kept only when it is on disk. `message` must hold no
    // line end; `from` no blank or line end (an address).
    Append append(std::string_view message, std::string_view from, std::time_t arrived);

    // The first `limit` waiting records with an id above `after`, in order.
    std::vector<SpoolRecord> peek(std::uint64_t after, std::size_t limit) const;

    // The taken mark that names every record up to `id`, for the settings file.
    std::string taken_mark(std::uint64_t id) const;
    // The settings file holds the mark of `id`: the records up to it go. Their bytes leave
    // the file when all are gone, or when the taken ones make up most of it, but not while
    // records set aside under a later mark wait for that mark to reach the disk.
    void taken_through(std::uint64_t id);
    // The mark of `id` is written but may not be on disk yet (the settings file's writer
    // has it): the records up to it are no longer offered and no longer count as waiting, but
    // their bytes stay until taken_through(id).
    void set_aside_through(std::uint64_t id);

    std::size_t waiting() const;
    std::size_t waiting_bytes() const;
    const std::string& path() const { return path_; }

private:
    struct Entry {
        std::uint64_t id;
        std::time_t arrived;
        std::string from;
        std::uint64_t start;   // of the record line
        std::uint64_t offset;  // of the message bytes
        std::size_t length;
        std::uint64_t size() const { return offset + length + 1 - start; }
    };

    void load(std::string_view taken_mark);
    bool open_file(bool create);
    bool start_file();
    bool compact();
    // Lets the taken records' bytes go: the file is cut after its header when nothing waits,
    // or squeezed when they are most of it.
    void squeeze_taken();
    void set_aside_locked(std::uint64_t id);

    std::string path_;
    Limits limits_;
    mutable std::mutex mutex_;
    int fd_ = -1;
    bool broken_ = false;  // the file cannot be used: nothing is acknowledged
    std::uint64_t generation_ = 0;
    std::uint64_t next_id_ = 1;
    std::uint64_t header_size_ = 0;
    std::uint64_t end_ = 0;          // file size as written
    std::uint64_t taken_bytes_ = 0;  // bytes of records taken but still in the file
    std::uint64_t set_aside_ = 0;    // the highest id no longer waiting
    bool appending_ = false;         // a record is being written, past end_
    std::deque<Entry> waiting_;
    std::size_t waiting_bytes_ = 0;
};

}  // namespace kd
