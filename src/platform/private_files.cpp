#include "platform/private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

namespace kd {

namespace {

constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr const char* kOwnFolderName = "korvadesk";
constexpr const char* kTempFolderPattern = "/korvadesk-XXXXXX";
constexpr const char* kReplacementInfix = ".tmp.";
// A temporary untouched this long belongs to no writer at work.
constexpr std::time_t kStaleReplacementSeconds = 60;

std::atomic<std::uint64_t> g_seed{0};
std::atomic<std::uint64_t> g_index{0};
std::once_flag g_seeded;

void seed_once() {
    std::call_once(g_seeded, [] {
        std::random_device source;
        const std::uint64_t seed = (std::uint64_t(source()) << 32) ^ source();
        g_seed.store(seed);
        g_index.store(0);
    });
}

std::string next_suffix() {
    seed_once();
    return unique_suffix(g_seed.load(), g_index.fetch_add(1));
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
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

bool is_own_private_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

std::string home_folder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid());
        pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/') {
        return pw->pw_dir;
    }
    return {};
}

// Opening may not wait: a FIFO without a writer or reader would block, a device may too.
int open_regular(const std::string& path, int flags, mode_t mode) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1) {
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    }
    return fd;
}

}  // namespace

std::string unique_suffix(std::uint64_t seed, std::uint64_t index) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // splitmix64: every index of a seed gives an unrelated value.
    std::uint64_t z = seed + (index + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::string suffix;
    for (std::size_t i = 0; i < kUniqueSuffixLength; ++i) {
        suffix += kLetters[z % (sizeof kLetters - 1)];
        z /= sizeof kLetters - 1;
    }
    return suffix;
}

void seed_unique_names(std::uint64_t seed) {
    seed_once();
    g_seed.store(seed);
    g_index.store(0);
}

bool make_private_folders(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), kFolderMode) == 0) {
            // A narrow umask must not leave us a folder we cannot use.
            ::chmod(part.c_str(), kFolderMode);
        }
        if (end == std::string::npos) {
            break;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int create_unique_file(const std::string& prefix, std::string& path) {
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        const std::string name = prefix + next_suffix();
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (fd >= 0) {
            ::fchmod(fd, kFileMode);
            path = name;
            return fd;
        }
        // Anything at the name (a file, FIFO, link or folder): another name. Every other
        // failure (no right, no room, no folder) would be the same for every name.
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

int create_replacement(const std::string& target, std::string& path) {
    return create_unique_file(target + kReplacementInfix, path);
}

int remove_stale_replacements(const std::string& target) {
    const std::string folder = folder_of(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + kReplacementInfix;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return 0;
    }
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* item = ::readdir(listing)) {
        const std::string_view name = item->d_name;
        if (name.size() != prefix.size() + kUniqueSuffixLength || !name.starts_with(prefix)) {
            continue;
        }
        const std::string path = folder + "/" + std::string(name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            now - st.st_mtime >= kStaleReplacementSeconds && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(listing);
    return removed;
}

bool replace_file_contents(const std::string& path, std::string_view data, ReplaceMode mode,
                           struct stat* written) {
    std::string temporary;
    const int fd = create_replacement(path, temporary);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (mode == ReplaceMode::KeepMode && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::fchmod(fd, st.st_mode & 07777);
    }
    if (!write_all(fd, data) || ::fsync(fd) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    // Still open: the status is that of our file, even if another has replaced it meanwhile.
    if (written != nullptr) {
        ::fstat(fd, written);
    }
    ::close(fd);
    // Some file systems refuse fsync on folders; the rename itself has happened.
    const int folder = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

int open_regular_for_reading(const std::string& path) {
    return open_regular(path, O_RDONLY, 0);
}

int open_regular_for_writing(const std::string& path, bool append) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = open_regular(path, O_WRONLY | O_CREAT | (append ? O_APPEND : 0), kFileMode);
    if (fd >= 0 && !append && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::FILE* open_regular_stream(const std::string& path, const char* mode) {
    const std::string_view m = mode;
    int fd = -1;
    if (m == "rb") {
        fd = open_regular_for_reading(path);
    } else if (m == "wb" || m == "ab") {
        fd = open_regular_for_writing(path, m == "ab");
    } else {
        errno = EINVAL;
    }
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (stream == nullptr) {
        ::close(fd);
    }
    return stream;
}

std::string own_runtime_folder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/' && is_own_private_folder(runtime)) {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
    }
    std::string cache;
    if (const char* xdg_cache = std::getenv("XDG_CACHE_HOME");
        xdg_cache != nullptr && xdg_cache[0] == '/') {
        cache = xdg_cache;
    } else if (const std::string home = home_folder(); !home.empty()) {
        cache = home + "/.cache";
    } else {
        return {};
    }
    while (cache.size() > 1 && cache.back() == '/') {
        cache.pop_back();
    }
    std::string folder = cache + "/" + kOwnFolderName;
    if (!make_private_folders(folder)) {
        return {};
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), kFolderMode) != 0) {
        return {};
    }
    return folder;
}

PrivateTempFolder::PrivateTempFolder() {
    std::string base = own_runtime_folder();
    if (base.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    }
    std::string pattern = base + kTempFolderPattern;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) != nullptr) {
        path_ = name.data();
    }
}

PrivateTempFolder::~PrivateTempFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

bool FileLock::try_lock() {
    if (fd_ >= 0) {
        return true;
    }
    // O_NONBLOCK: a FIFO planted at the name must not hang the open.
    const int fd =
        ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    const std::string record = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        // Only for messages about the holder; the lock itself does not depend on it.
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_, record.data(), record.size(), 0);
    }
    return true;
}

void FileLock::unlock() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

long FileLock::holder() const {
    const int fd = open_regular_for_reading(path_);
    if (fd < 0) {
        return 0;
    }
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}

}  // namespace kd
