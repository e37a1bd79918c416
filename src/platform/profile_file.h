// Access to INI ("profile") files with the semantics programs on Windows expect of the
// private-profile functions, made crash-safe and safe between threads and processes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

class ProfileFile {
public:
    // The stored value, or "" when the file, section or key is missing. Blanks around the
    // value and one pair of enclosing quotation marks are removed; a longer value is cut to
    // capacity - 1 bytes at a UTF-8 character boundary. Section and key names compare
    // without regard to case.
    static std::string read(const std::string& path, std::string_view section,
                            std::string_view key, std::size_t capacity);

    // Creates or replaces the key; the file and the section are created when missing.
    // A value of std::nullopt deletes the key. Returns false when the file cannot be written.
    static bool write(const std::string& path, std::string_view section, std::string_view key,
                      std::optional<std::string_view> value);

    static bool delete_key(const std::string& path, std::string_view section,
                           std::string_view key) {
        return write(path, section, key, std::nullopt);
    }

    // Removes the whole section with its keys.
    static bool delete_section(const std::string& path, std::string_view section);
};

}  // namespace kd
