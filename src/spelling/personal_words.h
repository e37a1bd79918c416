// The personal word list: words the user added to the dictionary, one a line in UTF-8, in a
// private file beside the settings file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

// Words read from the list; the rest of a longer list is left out.
inline constexpr std::size_t kMostPersonalWords = 10000;

// Whether a word may go into the list: 1 to kLongestCheckedWord code units, no blanks, line
// breaks or other control characters.
bool fits_personal_list(std::u16string_view word);

// The list's words in file order: lines that are valid UTF-8 and fit, each once, at most
// kMostPersonalWords; no more of the file is read than such a list can take. None when the
// file is missing or no regular file.
std::vector<std::u16string> read_personal_words(const std::string& path);

// Replaces the list with `words` in one step (a fresh temporary, renamed over it), mode 0600.
// False when the write failed; the old list then stays.
bool write_personal_words(const std::string& path, const std::vector<std::u16string>& words);

}  // namespace kd
