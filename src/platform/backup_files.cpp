#include "platform/backup_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/private_files.h"

namespace kd {

namespace {

// Reads a regular file whole; nothing for anything else (a FIFO would keep us waiting).
std::optional<std::string> read_regular(const std::string& path) {
    const int fd = open_regular_for_reading(path);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            return n == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string backup_path(const std::string& path, int n) {
    return path + ".bak." + std::to_string(n);
}

bool keep_backups(const std::string& path, int count) {
    // Before the program's first write, nothing of ours writes the file: what lies there is
    // left over.
    remove_stale_replacements(path);
    remove_stale_replacements(backup_path(path, 1));
    if (count < 1) {
        return true;
    }
    const std::optional<std::string> current = read_regular(path);
    if (!current || current->empty()) {
        return true;
    }
    if (read_regular(backup_path(path, 1)) == current) {
        return true;
    }
    for (int n = count - 1; n >= 1; --n) {
        const std::string older = backup_path(path, n);
        if (exists(older)) {
            std::rename(older.c_str(), backup_path(path, n + 1).c_str());
        }
    }
    // The copy holds the notes: private, whatever mode the file itself was given.
    return replace_file_contents(backup_path(path, 1), *current, ReplaceMode::Private);
}

}  // namespace kd
