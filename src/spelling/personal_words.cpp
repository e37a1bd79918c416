#include "spelling/personal_words.h"

#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/private_files.h"
#include "spelling/spell_words.h"

namespace kd {

namespace {

// A full list's size: every word at its longest in UTF-8 and its line end.
constexpr std::size_t kLargestListRead = kMostPersonalWords * (kLongestCheckedWord * 3 + 1);

}  // namespace

bool fits_personal_list(std::u16string_view word) {
    if (word.empty() || word.size() > kLongestCheckedWord) {
        return false;
    }
    return std::none_of(word.begin(), word.end(), [](char16_t c) {
        return c <= 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xA0 || c == 0x2028 ||
               c == 0x2029 || c == 0xFEFF;
    });
}

std::vector<std::u16string> read_personal_words(const std::string& path) {
    std::vector<std::u16string> words;
    const int fd = open_regular_for_reading(path);
    if (fd < 0) {
        return words;
    }
    std::string data;
    char buffer[16384];
    while (data.size() < kLargestListRead) {
        const std::size_t want = std::min(sizeof buffer, kLargestListRead - data.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got <= 0) {
            break;
        }
        data.append(buffer, std::size_t(got));
    }
    ::close(fd);

    std::set<std::u16string> seen;
    std::size_t at = 0;
    while (at < data.size() && words.size() < kMostPersonalWords) {
        const std::size_t end = data.find('\n', at);
        if (end == std::string::npos && data.size() >= kLargestListRead) {
            break;  // a line cut off by the bound
        }
        std::string_view line(data.data() + at,
                              (end == std::string::npos ? data.size() : end) - at);
        at = end == std::string::npos ? data.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::optional<std::u16string> word = from_utf8(line);
        if (word && fits_personal_list(*word) && seen.insert(*word).second) {
            words.push_back(std::move(*word));
        }
    }
    return words;
}

bool write_personal_words(const std::string& path, const std::vector<std::u16string>& words) {
    std::string data;
    for (const std::u16string& word : words) {
        data += to_utf8(word);
        data += '\n';
    }
    return replace_file_contents(path, data, ReplaceMode::Private);
}

}  // namespace kd
