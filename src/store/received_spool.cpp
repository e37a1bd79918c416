#include "store/received_spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <random>

namespace kd {

namespace {

constexpr std::string_view kHeaderWord = "KORVADESK SPOOL 1 ";
constexpr std::size_t kLongestRecordLine = 128;
// Taken records are squeezed out of a file that still holds waiting ones only when they are
// at least this much and most of the file: a long queue is not rewritten on every tick.
constexpr std::uint64_t kLeastCompaction = 256 * 1024;

std::uint64_t fnv1a(std::string_view a, std::string_view b) {
    std::uint64_t h = 1469598103934665603ULL;
    for (std::string_view part : {a, b}) {
        for (unsigned char c : part) {
            h = (h ^ c) * 1099511628211ULL;
        }
    }
    return h;
}

std::string hex64(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

template <typename T>
bool parse_number(std::string_view text, T& out, int base = 10) {
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc() && end == text.data() + text.size();
}

// Words of a line split at single blanks.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    while (!line.empty()) {
        const auto blank = line.find(' ');
        out.push_back(line.substr(0, blank));
        if (blank == std::string_view::npos) {
            break;
        }
        line.remove_prefix(blank + 1);
    }
    return out;
}

// The record line without its check, which the check covers with the message.
std::string record_fields(std::uint64_t id, std::time_t arrived, std::string_view from,
                          std::size_t length) {
    return std::to_string(id) + ' ' + std::to_string(static_cast<long long>(arrived)) + ' ' +
           std::string(from) + ' ' + std::to_string(length);
}

bool write_all_at(int fd, std::string_view bytes, std::uint64_t at) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        at += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool read_all_at(int fd, char* into, std::size_t size, std::uint64_t at) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, into, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        into += n;
        size -= static_cast<std::size_t>(n);
        at += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

// A new name in the folder must survive a crash before anything written under it counts.
void sync_folder(const std::string& path) {
    const int dir = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// What a squeeze that a crash cut short left: "<spool>.XXXXXX", our own regular files.
void remove_stale_temporaries(const std::string& path) {
    const std::string prefix = path.substr(path.rfind('/') + 1) + ".";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_of(path), error)) {
        const std::string name = entry.path().filename().string();
        struct stat st {};
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            ::lstat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid()) {
            ::unlink(entry.path().c_str());
        }
    }
}

void complain(const std::string& path, const char* what) {
    std::fprintf(stderr, "korvadesk: %s: %s\n", path.c_str(), what);
}

}  // namespace

std::string received_spool_path(const std::string& ini_path) {
    constexpr std::string_view kIni = ".ini";
    if (ini_path.size() > kIni.size() && ini_path.ends_with(kIni)) {
        return ini_path.substr(0, ini_path.size() - kIni.size()) + ".spool";
    }
    return ini_path + ".spool";
}

ReceivedSpool::ReceivedSpool(std::string path, std::string_view taken_mark, Limits limits)
    : path_(std::move(path)), limits_(limits) {
    std::lock_guard lock(mutex_);
    load(taken_mark);
}

ReceivedSpool::~ReceivedSpool() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool ReceivedSpool::open_file(bool create) {
    // Never through a link, never a FIFO or device someone put there, never another user's
    // file: the notes are private.
    int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    if (create) {
        flags |= O_CREAT;
    }
    const int fd = ::open(path_.c_str(), flags, 0600);
    if (fd < 0) {
        if (errno != ENOENT) {
            broken_ = true;
            complain(path_, "cannot be opened; received notes are not acknowledged");
        }
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        complain(path_, "is not a file of this user; received notes are not acknowledged");
        broken_ = true;
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if ((st.st_mode & 077) != 0) {
        ::fchmod(fd, 0600);
    }
    fd_ = fd;
    end_ = static_cast<std::uint64_t>(st.st_size);
    if (create) {
        sync_folder(path_);
    }
    return true;
}

bool ReceivedSpool::start_file() {
    std::random_device random;
    generation_ = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    const std::string header = std::string(kHeaderWord) + hex64(generation_) + '\n';
    if (::ftruncate(fd_, 0) != 0 || !write_all_at(fd_, header, 0) || ::fdatasync(fd_) != 0) {
        return false;
    }
    header_size_ = end_ = header.size();
    taken_bytes_ = 0;
    return true;
}

void ReceivedSpool::load(std::string_view taken_mark) {
    std::uint64_t mark_generation = 0;
    std::uint64_t mark_id = 0;
    if (const auto colon = taken_mark.find(':'); colon != std::string_view::npos) {
        if (!parse_number(taken_mark.substr(0, colon), mark_generation, 16) ||
            !parse_number(taken_mark.substr(colon + 1), mark_id)) {
            mark_generation = mark_id = 0;
        }
    }
    remove_stale_temporaries(path_);
    if (!open_file(false)) {
        return;
    }
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(end_, spool::kLongestFile)),
                      '\0');
    if (!read_all_at(fd_, bytes.data(), bytes.size(), 0)) {
        bytes.clear();
    }
    const std::string_view all = bytes;
    const auto header_end = all.find('\n');
    const std::string_view header = all.substr(0, header_end);
    if (header_end == std::string_view::npos || !header.starts_with(kHeaderWord) ||
        !parse_number(header.substr(kHeaderWord.size()), generation_, 16)) {
        // Nothing readable: a file whose making a crash cut short (nothing in it was ever
        // acknowledged).
        if (!start_file()) {
            ::close(fd_);
            fd_ = -1;
        }
        return;
    }
    header_size_ = header_end + 1;
    const bool mark_counts = mark_generation == generation_;
    std::uint64_t at = header_size_;
    std::uint64_t last_id = 0;
    while (at < all.size()) {
        const std::string_view rest = all.substr(at);
        const auto line_end = rest.substr(0, kLongestRecordLine).find('\n');
        if (line_end == std::string_view::npos) {
            break;
        }
        const auto w = words(rest.substr(0, line_end));
        Entry e{};
        std::size_t length = 0;
        std::uint64_t check = 0;
        long long arrived = 0;
        if (w.size() != 6 || w[0] != "N" || !parse_number(w[1], e.id) ||
            !parse_number(w[2], arrived) || !parse_number(w[4], length) ||
            !parse_number(w[5], check, 16) || e.id <= last_id || length > spool::kLongestMessage ||
            line_end + 1 + length + 1 > rest.size() || rest[line_end + 1 + length] != '\n') {
            break;
        }
        const std::string_view message = rest.substr(line_end + 1, length);
        e.arrived = static_cast<std::time_t>(arrived);
        e.from = w[3] == "-" ? std::string() : std::string(w[3]);
        if (fnv1a(record_fields(e.id, e.arrived, w[3], length), message) != check) {
            break;
        }
        e.start = at;
        e.offset = at + line_end + 1;
        e.length = length;
        last_id = e.id;
        const std::uint64_t size = line_end + 1 + length + 1;
        if (mark_counts && e.id <= mark_id) {
            taken_bytes_ += size;
        } else {
            waiting_bytes_ += e.length;
            waiting_.push_back(std::move(e));
        }
        at += size;
    }
    if (at < end_) {
        // A record torn by a crash (never acknowledged) and whatever follows it.
        if (::ftruncate(fd_, static_cast<off_t>(at)) == 0) {
            end_ = at;
        }
    }
    next_id_ = std::max(last_id, mark_counts ? mark_id : 0) + 1;
    if (waiting_.empty() && taken_bytes_ > 0 && ::ftruncate(fd_, header_size_) == 0) {
        end_ = header_size_;
        taken_bytes_ = 0;
    }
}

ReceivedSpool::Append ReceivedSpool::append(std::string_view message, std::string_view from,
                                            std::time_t arrived) {
    if (message.size() > spool::kLongestMessage ||
        message.find_first_of("\r\n") != std::string_view::npos) {
        return Append::Failed;
    }
    if (from.empty() || from.size() > 64 || from.find_first_of(" \r\n") != std::string_view::npos) {
        from = "-";
    }
    std::unique_lock lock(mutex_);
    if (waiting_.size() >= limits_.notes || waiting_bytes_ + message.size() > limits_.bytes) {
        return Append::Full;
    }
    if (fd_ < 0) {
        // Made by the first note; a file that came meanwhile was not there to be read.
        if (broken_ || !open_file(true)) {
            broken_ = true;
            return Append::Failed;
        }
        if (!start_file()) {
            ::close(fd_);
            fd_ = -1;
            return Append::Failed;
        }
    }
    const std::uint64_t id = next_id_;
    const std::uint64_t start = end_;
    const int fd = fd_;
    const std::string fields = record_fields(id, arrived, from, message.size());
    std::string record = "N " + fields + ' ' + hex64(fnv1a(fields, message)) + '\n';
    const std::uint64_t offset = start + record.size();
    record.append(message).push_back('\n');
    // Written and synced without the lock: the tick reads and sets aside what waits meanwhile,
    // and the file is neither cut nor squeezed until the record is in (appending_).
    appending_ = true;
    lock.unlock();
    const bool written = write_all_at(fd, record, start) && ::fdatasync(fd) == 0;
    lock.lock();
    appending_ = false;
    if (!written) {
        // Whatever part reached the file is cut off again; it was not acknowledged.
        if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
            complain(path_, "could not be repaired after a failed write");
        }
        return Append::Failed;
    }
    ++next_id_;
    waiting_.push_back(Entry{id, arrived, from == "-" ? std::string() : std::string(from), start,
                             offset, message.size()});
    waiting_bytes_ += message.size();
    end_ += record.size();
    return Append::Kept;
}

std::vector<SpoolRecord> ReceivedSpool::peek(std::uint64_t after, std::size_t limit) const {
    std::lock_guard lock(mutex_);
    std::vector<SpoolRecord> out;
    for (const Entry& e : waiting_) {
        if (out.size() >= limit) {
            break;
        }
        if (e.id <= after) {
            continue;
        }
        SpoolRecord r{e.id, e.arrived, e.from, std::string(e.length, '\0')};
        if (!read_all_at(fd_, r.message.data(), e.length, e.offset)) {
            break;
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::string ReceivedSpool::taken_mark(std::uint64_t id) const {
    std::lock_guard lock(mutex_);
    return hex64(generation_) + ':' + std::to_string(id);
}

void ReceivedSpool::set_aside_locked(std::uint64_t id) {
    while (!waiting_.empty() && waiting_.front().id <= id) {
        taken_bytes_ += waiting_.front().size();
        waiting_bytes_ -= waiting_.front().length;
        waiting_.pop_front();
    }
    set_aside_ = std::max(set_aside_, id);
}

void ReceivedSpool::set_aside_through(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    set_aside_locked(id);
}

void ReceivedSpool::taken_through(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    set_aside_locked(id);
    // A record set aside under a later mark than the one on disk stays in the file: a crash
    // would otherwise lose it from both files.
    if (fd_ < 0 || taken_bytes_ == 0 || id < set_aside_) {
        return;
    }
    if (appending_) {
        // A record is being written behind the last one: the taken bytes stay until the
        // next taking, which follows that record's.
        return;
    }
    squeeze_taken();
}

void ReceivedSpool::squeeze_taken() {
    if (waiting_.empty()) {
        // The settings file names them all: no sync needed, a crash brings back only records
        // that the next start drops.
        if (::ftruncate(fd_, static_cast<off_t>(header_size_)) == 0) {
            end_ = header_size_;
            taken_bytes_ = 0;
        }
        return;
    }
    if (taken_bytes_ >= kLeastCompaction && 2 * taken_bytes_ > end_ - header_size_) {
        compact();
    }
}

bool ReceivedSpool::compact() {
    // The waiting records go into a new file of a fresh name, which then replaces the spool.
    std::string temp = path_ + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const std::string header = std::string(kHeaderWord) + hex64(generation_) + '\n';
    bool ok = write_all_at(fd, header, 0);
    std::uint64_t at = header.size();
    std::deque<Entry> moved = waiting_;
    std::string bytes;
    for (Entry& e : moved) {
        const std::uint64_t size = e.size();
        bytes.resize(static_cast<std::size_t>(size));
        ok = ok && read_all_at(fd_, bytes.data(), bytes.size(), e.start) &&
             write_all_at(fd, bytes, at);
        e.offset = at + (e.offset - e.start);
        e.start = at;
        at += size;
    }
    ok = ok && ::fdatasync(fd) == 0 && ::rename(temp.c_str(), path_.c_str()) == 0;
    if (!ok) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder(path_);
    ::close(fd_);
    fd_ = fd;
    waiting_ = std::move(moved);
    header_size_ = header.size();
    end_ = at;
    taken_bytes_ = 0;
    return true;
}

std::size_t ReceivedSpool::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

std::size_t ReceivedSpool::waiting_bytes() const {
    std::lock_guard lock(mutex_);
    return waiting_bytes_;
}

}  // namespace kd
