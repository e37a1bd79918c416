// Files and folders the program makes for itself. They are private to the user (files 0600,
// folders 0700), and nothing is ever opened through a name that someone else may have planted
// first: a temporary gets a fresh name made with O_CREAT|O_EXCL|O_NOFOLLOW, and a file we only
// read or overwrite must be a regular file, so a FIFO, a device or a link put in its place can
// neither hang us nor redirect what we write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

struct stat;

namespace kd {

// Names tried for one unique file before giving up.
inline constexpr int kUniqueNameAttempts = 64;
// Letters added to a prefix to make a unique name.
inline constexpr std::size_t kUniqueSuffixLength = 6;

// Makes the folder and every missing folder above it with mode 0700. Folders that exist keep
// their mode (the user may have opened one on purpose). False when the path is no folder
// afterwards.
bool make_private_folders(const std::string& path);

// Creates a new regular file "<prefix><6 letters or digits>" with O_CREAT|O_EXCL|O_NOFOLLOW and
// mode 0600, trying fresh names while a name is taken by anything. The open descriptor (write
// only, close-on-exec), or -1 with errno set; `path` gets the name.
int create_unique_file(const std::string& prefix, std::string& path);

// The temporary that replaces `target` in one rename: a unique file in the target's folder,
// "<target>.tmp.XXXXXX". Same result as create_unique_file.
int create_replacement(const std::string& target, std::string& path);

enum class ReplaceMode { KeepMode, Private };

// Replaces the file at `path` with `data` in one step: a fresh temporary beside it, fsync,
// rename, fsync of the folder. A new file is 0600; an existing one keeps its mode unless
// `mode` is Private. `written`, when given, gets the status of the file put in place (taken
// after the rename). False when any step failed; the old file is then untouched and no
// temporary stays.
bool replace_file_contents(const std::string& path, std::string_view data,
                           ReplaceMode mode = ReplaceMode::KeepMode,
                           struct stat* written = nullptr);

// Removes the temporaries "<target>.tmp.XXXXXX" that writers killed half-way left beside the
// target: regular files of ours untouched for a minute (a writer at work keeps its own fresh).
// Gives how many went.
int remove_stale_replacements(const std::string& target);

// Opens an existing regular file for reading (following links, as a user's choice may be one);
// a FIFO, device or folder is refused at once instead of being waited for. -1 when refused.
int open_regular_for_reading(const std::string& path);

// Opens a regular file for writing, truncated or appended, creating it with mode 0600 when it is
// missing; a FIFO, device or folder at the name is refused at once. -1 when refused.
int open_regular_for_writing(const std::string& path, bool append);

// The two above as a stdio stream for mode "rb", "wb" or "ab"; nullptr when refused.
std::FILE* open_regular_stream(const std::string& path, const char* mode);

// A folder for the program's run-time files (the single-instance socket, temporary pictures)
// that no other user can enter or occupy: $XDG_RUNTIME_DIR when it is a folder of ours that
// only we may enter, else "<cache folder>/korvadesk" ($XDG_CACHE_HOME, default ~/.cache), made
// 0700 when missing and set back to 0700 when others could enter it. "" when there is none
// (no home folder, or the folder belongs to someone else).
std::string own_runtime_folder();

// A fresh folder of our own (mode 0700) for temporary files, removed with its files when this
// object goes. It lies in own_runtime_folder(), else in the system's temporary folder, where
// mkdtemp gives it a name no one could have taken. path() is "" when none could be made.
class PrivateTempFolder {
public:
    PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
    ~PrivateTempFolder();

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A lock that one process of the user holds on a file of its own (flock): taken without
// waiting, and given back when the object goes or the process ends in any way, so a copy that
// crashed leaves nothing that stops the next. Nothing is synced to the disk for it: taking it is
// a few system calls, where a lock file with a synced owner record cost a start 2 to 40 ms on a
// busy disk. The holder writes its process id into the file, for messages about it. A name
// that is no regular file of ours (a link, a FIFO, a folder) is never opened: the lock is then
// not taken.
class FileLock {
public:
    explicit FileLock(std::string path) : path_(std::move(path)) {}
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { unlock(); }

    // True when this object holds the lock now (also when it already did).
    bool try_lock();
    void unlock();
    bool locked() const { return fd_ >= 0; }
    // The process id the last holder wrote into the file, 0 when none can be read.
    long holder() const;

private:
    std::string path_;
    int fd_ = -1;
};

// The unique names come from a seeded sequence: the suffix of attempt `index` after seeding
// with `seed`. Tests seed it to know the next names and plant things there.
std::string unique_suffix(std::uint64_t seed, std::uint64_t index);
// Restarts the sequence from `seed`; the program seeds it from the system's random source.
void seed_unique_names(std::uint64_t seed);

}  // namespace kd
