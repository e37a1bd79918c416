#include "platform/backup_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kd {

namespace fs = std::filesystem;

namespace {

bool same_contents(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (!fs::exists(b, ec) || fs::file_size(a, ec) != fs::file_size(b, ec) || ec) {
        return false;
    }
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

}  // namespace

std::string backup_path(const std::string& path, int n) {
    return path + ".bak." + std::to_string(n);
}

bool keep_backups(const std::string& path, int count) {
    std::error_code ec;
    if (count < 1 || !fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0 || ec) {
        return true;
    }
    if (same_contents(path, backup_path(path, 1))) {
        return true;
    }
    for (int n = count - 1; n >= 1; --n) {
        const std::string older = backup_path(path, n);
        if (fs::exists(older, ec)) {
            fs::rename(older, backup_path(path, n + 1), ec);
        }
    }
    const std::string temporary = backup_path(path, 1) + ".tmp";
    fs::copy_file(path, temporary, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    fs::rename(temporary, backup_path(path, 1), ec);
    return !ec;
}

}  // namespace kd
